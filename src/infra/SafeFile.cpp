#include "infra/SafeFile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        (void)Close();
        m_fd = other.Release();
    }
    return *this;
}

FileHandle FileHandle::OpenForReading(const fs::path& path)
{
    return FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

int FileHandle::Release()
{
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool FileHandle::Close()
{
    if (m_fd < 0)
        return true;
    int result = ::close(m_fd);
    m_fd = -1;
    return result == 0;
}

int64_t FileHandle::Size() const
{
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
        return -1;
    return info.st_size;
}

bool FileHandle::ReadAt(int64_t offset, void* buffer, size_t count) const
{
    if (count == 0)
        return offset >= 0;  // an empty buffer may be null
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    bool read = offset >= 0;
    while (read && done < count) {
        ssize_t got = ::pread(m_fd, bytes + done, count - done, offset + static_cast<int64_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            read = got == 0;  // end of file: the rest reads as zero
            break;
        }
        done += static_cast<size_t>(got);
    }
    // Only what was not read is cleared: clearing the whole buffer first wrote every byte twice.
    std::memset(bytes + done, 0, count - done);
    return read;
}

bool FileHandle::WriteAt(int64_t offset, const void* buffer, size_t count) const
{
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t put = ::pwrite(m_fd, bytes + done, count - done, offset + static_cast<int64_t>(done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool FileHandle::Resize(int64_t size) const
{
    while (::ftruncate(m_fd, size) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

bool CopyBytes(const FileHandle& from, int64_t fromOffset, const FileHandle& to, int64_t toOffset, int64_t count)
{
    if (count < 0 || fromOffset < 0 || toOffset < 0)
        return false;
    // In-kernel copy first; it may be refused for this pair of files, then plain reads and writes do it.
    loff_t in = fromOffset;
    loff_t out = toOffset;
    while (count > 0) {
        ssize_t copied = ::copy_file_range(from.Get(), &in, to.Get(), &out, static_cast<size_t>(count), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                           errno == ENOTSUP || errno == EBADF))
            break;
        if (copied <= 0)
            return false;  // a read or write error, or the source ended early
        count -= copied;
    }
    std::vector<unsigned char> buffer(std::min<int64_t>(count, int64_t(1) << 20));
    while (count > 0) {
        size_t piece = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(buffer.size())));
        ssize_t got = ::pread(from.Get(), buffer.data(), piece, in);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        if (!to.WriteAt(out, buffer.data(), static_cast<size_t>(got)))
            return false;
        in += got;
        out += got;
        count -= got;
    }
    return true;
}

namespace {

fs::path ParentOf(const fs::path& path)
{
    fs::path parent = path.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// Makes a rename durable: the folder's entry is flushed too. Best effort; some file systems refuse it.
void FlushFolder(const fs::path& folder)
{
    FileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.IsOpen())
        ::fsync(handle.Get());
}

// Renames without ever replacing what is at `to`.
bool RenameNoReplace(const fs::path& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot rename exclusively: a hard link can, where links exist.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST || PathIsOccupied(to))
        return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

namespace {

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when path still names the file open at fd (no one removed or replaced it meanwhile).
bool StillNamed(const fs::path& path, int fd)
{
    struct stat named {}, open {};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 && SameFile(named, open);
}

}  // namespace

StagedFile::StagedFile(const fs::path& target, Permissions permissions) : m_target(target)
{
    RemoveStaleStagingFiles(ParentOf(target));
    std::random_device random;
    const std::string name = target.filename().string();
    for (int attempt = 0; attempt < 16 && !m_handle.IsOpen(); ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        fs::path candidate = ParentOf(target) / ("." + name + "." + suffix + ".part");
        // 0666 lets the umask decide, as for any file the user creates.
        FileHandle handle(::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!handle.IsOpen()) {
            if (errno != EEXIST)
                break;
            continue;
        }
        // Locked at once; a cleaner that came between the creation and the lock may have taken the file
        // away as a leftover: then it is not ours any more and another name is tried.
        if (::flock(handle.Get(), LOCK_EX | LOCK_NB) != 0 || !StillNamed(candidate, handle.Get()))
            continue;
        m_lock = FileHandle(::fcntl(handle.Get(), F_DUPFD_CLOEXEC, 0));
        m_handle = std::move(handle);
        m_temporary = candidate;
    }
    if (!m_handle.IsOpen()) {
        m_openError = errno;
        return;
    }
    struct stat existing {};
    if (permissions == Permissions::KeepTarget && ::stat(target.c_str(), &existing) == 0 &&
        S_ISREG(existing.st_mode))
        ::fchmod(m_handle.Get(), existing.st_mode & 07777);  // a FAT card refuses modes; the content is what matters
}

StagedFile::~StagedFile()
{
    if (!m_committed && !m_temporary.empty()) {
        (void)m_handle.Close();  // the file is dropped anyway
        ::unlink(m_temporary.c_str());
    }
    (void)m_lock.Close();  // only now: a cleaner must not take the file while it is still to be renamed
}

Result StagedFile::Opened() const
{
    if (m_handle.IsOpen() || m_completed)
        return Result::Success();
    return Result::Failure("cannot create a file beside " + m_target.string(), m_openError);
}

Result StagedFile::Complete(int64_t expectedSize)
{
    if (m_completed)
        return Result::Success();
    if (!m_handle.IsOpen())
        return Result::Failure("cannot write " + m_target.string(), m_openError);
    if (::fsync(m_handle.Get()) != 0)
        return Result::Failure("cannot write " + m_target.string(), errno);
    if (m_handle.Size() != expectedSize)
        return Result::Failure("the new copy of " + m_target.string() + " came out at an unexpected length");
    if (!m_handle.Close())
        return Result::Failure("cannot write " + m_target.string(), errno);
    m_completed = true;
    return Result::Success();
}

Result StagedFile::Commit(int64_t expectedSize, Existing existing)
{
    if (m_committed)
        return Result::Failure("already committed");
    if (Result completed = Complete(expectedSize); !completed)
        return completed;
    bool renamed = existing == Existing::Replace ? ::rename(m_temporary.c_str(), m_target.c_str()) == 0
                                                 : RenameNoReplace(m_temporary, m_target);
    if (!renamed) {
        const int error = errno;
        if (existing == Existing::Keep && PathIsOccupied(m_target))
            return Result::Failure(m_target.string() + " already exists");
        return Result::Failure("cannot put the new copy in place at " + m_target.string(), error);
    }
    m_committed = true;
    (void)m_lock.Close();
    FlushFolder(ParentOf(m_target));
    return Result::Success();
}

bool IsStagingFileName(const std::string& name)
{
    // "." + a name of at least one character + "." + 8 lower-case hex digits + ".part"
    constexpr std::string_view kEnd = ".part";
    constexpr std::size_t kDigits = 8;
    if (name.size() < 2 + 1 + kDigits + kEnd.size() || name.front() != '.' || !name.ends_with(kEnd))
        return false;
    const std::size_t digits = name.size() - kEnd.size() - kDigits;
    if (name[digits - 1] != '.')
        return false;
    for (std::size_t i = digits; i < digits + kDigits; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i])) && (name[i] < 'a' || name[i] > 'f'))
            return false;
    return true;
}

int RemoveStaleStagingFiles(const fs::path& folder)
{
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path path = it->path();
        if (!IsStagingFileName(path.filename().string()))
            continue;
        // A writer holds its file's lock as long as it lives; a lock that can be had means no one writes.
        FileHandle file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!file.IsOpen() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0 || !StillNamed(path, file.Get()))
            continue;
        if (::unlink(path.c_str()) == 0)
            ++removed;
    }
    return removed;
}

Result MoveFileSafely(const fs::path& from, const fs::path& to)
{
    const std::string what = "cannot move " + from.string() + " to " + to.string();
    if (::rename(from.c_str(), to.c_str()) == 0) {
        FlushFolder(ParentOf(to));
        return Result::Success();
    }
    if (errno != EXDEV)
        return Result::Failure(what, errno);

    FileHandle source = FileHandle::OpenForReading(from);
    int64_t size = source.Size();
    if (size < 0)
        return Result::Failure(what, errno);
    StagedFile copy(to);
    if (Result opened = copy.Opened(); !opened)
        return opened;
    if (!CopyBytes(source, 0, copy.Handle(), 0, size))
        return Result::Failure(what, errno);
    // Keep the file's times: a recording without a time in its name is dated by them.
    struct stat info {};
    if (::fstat(source.Get(), &info) == 0) {
        const timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(copy.Handle().Get(), times);
    }
    if (Result committed = copy.Commit(size, StagedFile::Existing::Replace); !committed)
        return committed;
    // The copy is complete and on the disk; only now may the source go. If it cannot, the move failed
    // and the source stays where it was (a spare copy is left in the target folder).
    if (::unlink(from.c_str()) != 0)
        return Result::Failure(what, errno);
    return Result::Success();
}

bool IsRegularFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool PathIsOccupied(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}
