#include "FileOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes, std::string& reason)
{
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        reason = "cannot write in " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp creates the file for its owner only; a recording is an ordinary file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    const bool complete = written == bytes.size() && fsync(fd) == 0;
    const int savedErrno = errno;
    close(fd);
    if (!complete || std::rename(pattern.c_str(), path.c_str()) != 0) {
        reason = "cannot write " + path.string() + ": " + std::strerror(complete ? errno : savedErrno);
        std::remove(pattern.c_str());
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& reason)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = "cannot open " + path.string();
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        reason = "cannot read " + path.string();
        return false;
    }
    return true;
}
