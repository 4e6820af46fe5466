#pragma once

#include <string>
#include <vector>

struct ProcessResult {
    bool started = false;
    int exitCode = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs a program found on PATH with the given arguments (argv[0] is the program name), without a
// shell, and collects everything it writes to its standard output and error.
ProcessResult RunProcess(const std::vector<std::string>& argv);
