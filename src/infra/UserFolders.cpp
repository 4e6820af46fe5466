#include "infra/UserFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

std::filesystem::path DocumentsFolder()
{
    if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && *documents)
        return documents;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : "/";
    }
    return std::filesystem::path(home) / "Documents";
}
