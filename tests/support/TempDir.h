#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Changes the current folder for the life of the object.
class ScopedCurrentPath {
public:
    explicit ScopedCurrentPath(const std::filesystem::path& path);
    ~ScopedCurrentPath();

private:
    std::filesystem::path m_previous;
};

// The names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
