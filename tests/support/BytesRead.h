#pragma once

#include <fstream>
#include <string>

// Bytes this process has read through system calls so far (rchar of /proc/self/io), or -1.
inline long long BytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}
