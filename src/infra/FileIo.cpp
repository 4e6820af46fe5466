#include "infra/FileIo.h"

#include <cerrno>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Makes the rename itself durable; a failure here leaves a consistent file, so it is not an error.
void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, int& error)
{
    bytes.clear();
    error = 0;
    std::error_code ignored;
    if (!fs::exists(path, ignored))
        return ReadStatus::Missing;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return ReadStatus::Failed;
    }
    char buffer[8192];
    while (true) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            close(fd);
            bytes.clear();
            return ReadStatus::Failed;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadStatus::Read;
}

ReplaceStatus ReplaceFileContents(const std::string& path, const std::string& bytes, int& error)
{
    error = 0;
    const fs::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string name = ".";  // hidden, and ".tmp-" tells what it is if a crash leaves it behind
    name += target.filename().string();
    name += ".tmp-XXXXXX";
    const std::string pattern = (fs::path(folder) / name).string();
    std::vector<char> tempName(pattern.begin(), pattern.end());
    tempName.push_back('\0');

    const int fd = mkstemp(tempName.data());
    if (fd < 0) {
        error = errno;
        return ReplaceStatus::WriteFailed;
    }
    struct stat old {};
    const mode_t mode = stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : 0644;
    fchmod(fd, mode);  // file systems without modes (a FAT card) refuse it; the content is what matters

    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    if (!ok)
        error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(tempName.data());
        return ReplaceStatus::WriteFailed;
    }
    if (rename(tempName.data(), path.c_str()) != 0) {
        error = errno;
        unlink(tempName.data());
        return ReplaceStatus::RenameFailed;
    }
    SyncFolder(folder);
    return ReplaceStatus::Replaced;
}

std::string ToCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}
