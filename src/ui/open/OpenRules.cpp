#include "ui/open/OpenRules.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace {

bool IsDirectory(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string LastName(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

bool ClassifyPath(const std::string& path, PathRules rules)
{
    if (IsDirectory(path))
        return true;
    if (rules != PathRules::Drop)
        return false;
    // A file dropped without an extension has always been taken for a folder.
    const std::string name = LastName(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0;
}

OpenedPaths SplitPaths(const std::vector<std::string>& paths, PathRules rules)
{
    OpenedPaths opened;
    for (const std::string& path : paths)
        (ClassifyPath(path, rules) ? opened.folders : opened.files).push_back(path);
    return opened;
}

std::vector<std::string> SelectedPaths(std::string dir, const std::vector<SelectedItem>& selected,
                                       const std::string& nameBoxText)
{
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    if (selected.empty())
        return {dir};
    std::vector<std::string> paths;
    for (const SelectedItem& item : selected)
        if (item.isFolder)
            paths.push_back(dir + item.name);
    if (selected.size() <= paths.size())
        return paths;
    // Files were selected: the name box names them.
    if (nameBoxText.find('"') == std::string::npos) {
        if (!nameBoxText.empty())
            paths.push_back(dir + nameBoxText);
        return paths;
    }
    // A folder the box names as well has been added already.
    const auto isSelectedFolder = [&selected](const std::string& name) {
        for (const SelectedItem& item : selected)
            if (item.isFolder && item.name == name)
                return true;
        return false;
    };
    std::string name;
    bool inside = false;
    for (char c : nameBoxText) {
        if (c == '"') {
            if (!name.empty() && !isSelectedFolder(name))
                paths.push_back(dir + name);
            name.clear();
            inside = !inside;
        } else if (inside || c != ' ') {
            name += c;
        }
    }
    return paths;
}

TypedPath ResolveTypedPath(const std::string& shownFolder, const std::string& text, const std::string& home)
{
    if (text.empty() || text.find('"') != std::string::npos)
        return {};
    std::string path;
    if (text == "~" || text.starts_with("~/"))
        path = home + text.substr(1);
    else if (text.front() == '/')
        path = text;
    else
        path = shownFolder + "/" + text;
    path = std::filesystem::path(path).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat info{};
    if (stat(path.c_str(), &info) != 0)
        return {TypedPath::Missing, path, errno};
    return {S_ISDIR(info.st_mode) ? TypedPath::Folder : TypedPath::File, path, 0};
}
