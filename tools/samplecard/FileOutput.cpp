#include "FileOutput.h"

#include "infra/FileIo.h"

#include <cstring>

bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes, std::string& reason)
{
    const Result written = ReplaceFileContents(path.string(), bytes);
    if (!written)
        reason = written.Describe();
    return written.Ok();
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& reason)
{
    int error = 0;
    switch (ReadWholeFile(path.string(), bytes, error)) {
    case ReadStatus::Read: return true;
    case ReadStatus::Missing: reason = "cannot open " + path.string(); return false;
    case ReadStatus::Failed: break;
    }
    reason = "cannot read " + path.string() + ": " + std::strerror(error);
    return false;
}
