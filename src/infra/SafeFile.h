#pragma once

#include "infra/Result.h"

#include <cstdint>
#include <filesystem>
#include <string>

// File primitives for writing into the user's folders without ever losing a file: new content goes to a
// temporary file beside its target and only replaces or appears at the target once it is complete and
// flushed. All work on plain POSIX descriptors so that files beyond 2 GiB and short reads are handled.
// This is the one crash-safe writer: the recordings' repaired copies and clips, the camera's setup files
// and the viewer's options all go through StagedFile.

// A file descriptor that closes itself.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() { (void)Close(); }
    FileHandle(FileHandle&& other) noexcept : m_fd(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    static FileHandle OpenForReading(const std::filesystem::path& path);

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release();
    // False when the close reports an error (for a written file: data that may not have reached the disk).
    [[nodiscard]] bool Close();

    // Size of the open file, -1 on error.
    int64_t Size() const;
    // Reads count bytes at offset; bytes beyond the end of the file read as zero. False on a read error.
    [[nodiscard]] bool ReadAt(int64_t offset, void* buffer, size_t count) const;
    // False on a write error; errno tells which.
    [[nodiscard]] bool WriteAt(int64_t offset, const void* buffer, size_t count) const;
    // Cuts or extends the file to size bytes; false on an error (errno tells which).
    [[nodiscard]] bool Resize(int64_t size) const;

private:
    int m_fd = -1;
};

// Copies count bytes from one descriptor to another at the given offsets, in the kernel where it can.
// False when the source ends early or a read or write fails.
[[nodiscard]] bool CopyBytes(const FileHandle& from, int64_t fromOffset, const FileHandle& to, int64_t toOffset, int64_t count);

// A temporary file beside `target` (hidden, named ".<name>.<8 hex digits>.part" so that one left by a crash
// tells what it is), removed on destruction unless committed. While it exists the writer holds an advisory
// lock (flock) on it, which the system drops when the process ends however it ends: a staging file nobody
// holds is one a killed or crashed writer left, and making a new one first clears such leftovers from its
// folder (RemoveStaleStagingFiles).
class StagedFile {
public:
    enum class Permissions {
        New,         // as for any file the user creates (the umask decides)
        KeepTarget,  // an existing target's permission bits, so that replacing a file keeps them
    };
    explicit StagedFile(const std::filesystem::path& target, Permissions permissions = Permissions::New);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Whether the temporary file could be made; the failure says why.
    Result Opened() const;
    bool IsOpen() const { return m_handle.IsOpen(); }
    const FileHandle& Handle() const { return m_handle; }
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }

    // Flushes the data to the disk, checks that the file has expectedSize bytes and closes it. Commit does
    // this itself; a caller that must tell a failed write from a failed replacement calls it first.
    Result Complete(int64_t expectedSize);

    enum class Existing { Replace, Keep };
    // Completes the file (see Complete) and renames it to the target. With Existing::Keep an existing
    // target is never replaced (the commit fails instead).
    Result Commit(int64_t expectedSize, Existing existing);

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    FileHandle m_handle;
    FileHandle m_lock;  // shares m_handle's lock and keeps it until the file is renamed or removed
    int m_openError = 0;
    bool m_completed = false;
    bool m_committed = false;
};

// Whether name has the pattern of StagedFile's temporary files.
bool IsStagingFileName(const std::string& name);
// Removes the staging files in folder that no live writer holds (left by a writer that was killed or
// crashed); other files, and staging files being written, are left alone. Returns how many went.
int RemoveStaleStagingFiles(const std::filesystem::path& folder);

// Moves a file, replacing an existing file at `to`. Within one file system this is a rename; across file
// systems the file is copied beside `to`, flushed, checked and renamed into place, and only then is the
// source deleted. On failure the source is where it was.
Result MoveFileSafely(const std::filesystem::path& from, const std::filesystem::path& to);

// True when a regular file (or a link to one) is at path.
bool IsRegularFile(const std::filesystem::path& path);
// True when anything at all is at path (a file, a folder, a dangling link).
bool PathIsOccupied(const std::filesystem::path& path);
