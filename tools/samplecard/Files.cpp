#include "Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace samplecard {

std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error("cannot read " + path.string());
    return bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes)
{
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw std::runtime_error("cannot create a file in " + folder.string() + ": " + std::strerror(errno));

    int error = 0;
    size_t written = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0)
            written += static_cast<size_t>(n);
        else if (n == 0)
            error = ENOSPC;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        std::remove(pattern.c_str());
        throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(error));
    }
    // mkstemp creates the file readable by its owner only; recordings are ordinary files.
    std::error_code ignored;
    std::filesystem::permissions(pattern,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_read | std::filesystem::perms::others_read,
                                 ignored);
    if (std::rename(pattern.c_str(), path.c_str()) != 0) {
        const int renameErrno = errno;
        std::remove(pattern.c_str());
        throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(renameErrno));
    }
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-samplecard-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace samplecard
