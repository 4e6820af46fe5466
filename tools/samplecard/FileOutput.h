#pragma once

#include <filesystem>
#include <string>

// Writes the bytes to a temporary file in the target's folder and renames it into place, so a reader
// never sees half a file and a failed run leaves any earlier file untouched.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes, std::string& reason);

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& reason);
