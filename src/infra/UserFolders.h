#pragma once

#include <filesystem>

// The user's documents folder by the XDG rules: $XDG_DOCUMENTS_DIR when set, else ~/Documents.
std::filesystem::path DocumentsFolder();
