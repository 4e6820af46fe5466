#pragma once

#include <filesystem>
#include <string>

namespace samplecard {

// Reads a whole file; throws with the path in the message when it cannot.
std::string ReadWholeFile(const std::filesystem::path& path);

// Writes to a temporary file beside the target and renames it into place, so that a failed run never
// leaves a half-written recording under a name that looks finished. Throws on failure.
void WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes);

// A fresh folder under the system's temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace samplecard
