#include "infra/FileIo.h"

#include "infra/SafeFile.h"

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

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

Result ReplaceFileContents(const std::string& path, const std::string& bytes)
{
    StagedFile staged(path, StagedFile::Permissions::KeepTarget);
    if (Result opened = staged.Opened(); !opened)
        return opened;
    if (!staged.Handle().WriteAt(0, bytes.data(), bytes.size()))
        return Result::Failure("cannot write " + path, errno);
    return staged.Commit(static_cast<int64_t>(bytes.size()), StagedFile::Existing::Replace);
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
