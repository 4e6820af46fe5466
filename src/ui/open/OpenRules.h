#pragma once

// The rules that turn what a user opened (dropped paths, the Open dialog's choice, command-line
// arguments) into the folders and files the recording scan takes. Plain functions, no Qt.

#include <string>
#include <vector>

// Which rules classify a path: the Open dialog's (a folder is what the file system says is a folder) or
// a drop's (also a name without an extension, or a dot file, is taken for a folder).
enum class PathRules { Dialog, Drop };

// True when path goes to the folder list. A folder is what stat (following links) says is a directory;
// a card's mount point is such a folder. With the drop rules a path that is not one still counts as a
// folder when its last name holds no dot, or its only dot leads it.
bool ClassifyPath(const std::string& path, PathRules rules);

struct OpenedPaths {
    std::vector<std::string> folders;
    std::vector<std::string> files;
    bool empty() const { return folders.empty() && files.empty(); }
};

// Classifies every path, keeping the order in which they came.
OpenedPaths SplitPaths(const std::vector<std::string>& paths, PathRules rules);

// One item selected in the Open dialog's list.
struct SelectedItem {
    std::string name;
    bool isFolder = false;
};

// What confirming the Open dialog opens: the folder shown when nothing is selected; else each selected
// folder, then, when files were selected, the names of the name box (a list of quoted names, or one
// plain name). Every path is dir + name, whole.
std::vector<std::string> SelectedPaths(std::string dir, const std::vector<SelectedItem>& selected,
                                       const std::string& nameBoxText);

// What a path typed into the Open dialog's name box names. A typed path may be absolute, start with "~"
// (the home folder) or be relative to the folder shown; a trailing slash changes nothing.
struct TypedPath {
    enum Kind { None, Folder, File, Missing };
    Kind kind = None;   // None: nothing typed, or a list of quoted names (the selection's)
    std::string path;   // absolute, without a trailing slash
    int error = 0;      // Missing: the system's error number
    bool operator==(const TypedPath&) const = default;
};
TypedPath ResolveTypedPath(const std::string& shownFolder, const std::string& text, const std::string& home);
