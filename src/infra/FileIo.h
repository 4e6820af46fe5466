#pragma once

#include "infra/Result.h"

#include <string>

// Whole-file reading and crash-safe replacement, shared by the setup files and the options file.

enum class ReadStatus { Read, Missing, Failed };

// Reads the file's bytes. `error` gets errno when the file exists but cannot be read.
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, int& error);

// Writes `bytes` to a temporary file next to `path`, flushes it to the disk and renames it over `path`
// (through StagedFile), so that whatever happens the path holds either the old content or the new, never a
// part. A file that is replaced keeps its permission bits. On failure the path is untouched and no
// temporary file is left.
Result ReplaceFileContents(const std::string& path, const std::string& bytes);

// Text as written to disk: every "\n" becomes CR LF.
std::string ToCrLf(const std::string& text);
