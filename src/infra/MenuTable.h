#pragma once

#include "infra/StringTable.h"

#include <string>
#include <string_view>
#include <vector>

// One entry of a menu: a command item, a separator, or a popup holding further entries.
// Both languages' texts travel together so that the menu can be built in either.
struct MenuEntry {
    enum Kind { Item, Separator, Popup };

    Kind kind = Item;
    int id = 0;  // the command an item sends; 0 for separators and popups
    std::string english, korean;
    std::vector<MenuEntry> children;  // the entries of a popup, in order

    const std::string& Text(Language language) const
    {
        return language == Language::Korean ? korean : english;
    }
};

// A keyboard shortcut: keys in the form QKeySequence reads ("Ctrl+O", "PgUp", "Space"), and its command.
struct Accelerator {
    std::string keys;
    int command = 0;
};

// Parse the indented menu format of resources/menus/menu259.txt and the "keys<TAB>command" lines of
// resources/menus/accel262.tsv. Both tables are built into the program, so a malformed line is a
// mistake in the sources: it throws std::runtime_error naming the line, and the tests catch it.
std::vector<MenuEntry> ParseMenu(std::string_view source);
std::vector<Accelerator> ParseAcceleratorTable(std::string_view source);

// The program's menu 259: its top-level popups, the main window's context menu first, then the
// list pane's.
std::vector<MenuEntry> LoadMainMenu();

// The program's accelerator table 262, in its order.
std::vector<Accelerator> LoadAcceleratorTable();
