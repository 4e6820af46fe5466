#include "infra/MenuTable.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// One line per entry, two spaces of indentation per level: "popup <text>", "item <id> <text>",
// "separator". The texts are those of the given language.
void Describe(const std::vector<MenuEntry>& entries, Language language, const std::string& indent,
              std::vector<std::string>& lines)
{
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
        case MenuEntry::Separator:
            lines.push_back(indent + "separator");
            break;
        case MenuEntry::Item:
            lines.push_back(indent + "item " + std::to_string(entry.id) + " " + entry.Text(language));
            break;
        case MenuEntry::Popup:
            lines.push_back(indent + "popup " + entry.Text(language));
            Describe(entry.children, language, indent + "  ", lines);
            break;
        }
    }
}

std::vector<std::string> Describe(const std::vector<MenuEntry>& entries,
                                  Language language = Language::English)
{
    std::vector<std::string> lines;
    Describe(entries, language, "", lines);
    return lines;
}

void ForEachEntry(const std::vector<MenuEntry>& entries, const auto& visit)
{
    for (const MenuEntry& entry : entries) {
        visit(entry);
        ForEachEntry(entry.children, visit);
    }
}

// The "(...)" at the end of a text, the key hint of a menu entry; empty without one.
std::string KeyHint(const std::string& text)
{
    const size_t open = text.rfind(" (");
    return open != std::string::npos && text.back() == ')' ? text.substr(open) : std::string();
}

}  // namespace

TEST(MenuTable, MainMenuHoldsBothPopupsWithTheirEntriesInOrder)
{
    const std::vector<std::string> expected = {
        "popup &File",
        "  item 40051 File Open (ctrl+o)",
        "  separator",
        "  item 40038 Play/Pause (space)",
        "  item 40039 Pevious (Page Up)",
        "  item 40037 Next (Page Down)",
        "  separator",
        "  popup Brightness",
        "    item 40057 Not Bright",
        "    item 40056 Bright",
        "    item 40045 Default (b)",
        "  popup Speed",
        "    item 40052 Fast",
        "    item 40053 Slow",
        "    item 40046 Default (s)",
        "  popup Volume",
        "  item 40042 Volume Up (Up Key)",
        "  item 40043 Volume Down (Down Key)",
        "  item 40044 Mute (m)",
        "popup List Panel Menu",
        "  item 40018 All",
        "  item 40019 Always",
        "  item 40020 Event",
        "  item 40021 Parking",
    };
    EXPECT_EQ(Describe(LoadMainMenu()), expected);
}

TEST(MenuTable, KoreanMenuHasTheSameEntriesWithKoreanTextsAndTheSameKeyHints)
{
    const std::vector<MenuEntry> menu = LoadMainMenu();
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(Describe(menu, Language::Korean)[3], "  item 40038 재생/정지 (space)");
    ForEachEntry(menu, [](const MenuEntry& entry) {
        if (entry.kind == MenuEntry::Separator)
            return;
        SCOPED_TRACE(entry.english);
        EXPECT_FALSE(entry.korean.empty());
        EXPECT_NE(entry.korean, entry.english);
        EXPECT_EQ(KeyHint(entry.korean), KeyHint(entry.english));
    });
}

TEST(MenuTable, AcceleratorTableHoldsTheSeventeenKeysInOrder)
{
    const std::vector<std::pair<std::string, int>> expected = {
        {"B", 40045},     {"Right", 40040},  {"Alt+Return", 40058}, {"M", 40044},
        {"PgDown", 40037}, {"Ctrl+O", 40051}, {"Space", 40038},      {"Ctrl+M", 40047},
        {"PgUp", 40039},  {"Ctrl+P", 40034}, {"Left", 40041},       {"S", 40046},
        {"Ctrl+S", 40033}, {"Alt+F4", 40032}, {"Down", 40043},       {"Up", 40042},
        {"Esc", 40048},
    };
    std::vector<std::pair<std::string, int>> actual;
    for (const Accelerator& accelerator : LoadAcceleratorTable())
        actual.emplace_back(accelerator.keys, accelerator.command);
    EXPECT_EQ(actual, expected);
}

TEST(MenuTable, ParsesCommentsLineEndsAndReturnsFromNestedPopups)
{
    const std::vector<MenuEntry> menu = ParseMenu("# menu\r\n"
                                                  "popup\tA\tㄱ\r\n"
                                                  "  popup\tB\tㄴ\r\n"
                                                  "    # an indented comment\r\n"
                                                  "    item\t7\tSeven (7)\t칠 (7)\r\n"
                                                  "\r\n"
                                                  "popup\tC\tㄷ\r\n"
                                                  "  separator\r\n");
    EXPECT_EQ(Describe(menu), (std::vector<std::string>{"popup A", "  popup B", "    item 7 Seven (7)",
                                                         "popup C", "  separator"}));
    EXPECT_EQ(Describe(menu, Language::Korean)[2], "    item 7 칠 (7)");
}

TEST(MenuTable, RejectsMalformedMenuLines)
{
    const struct {
        const char* source;
        const char* problem;
    } cases[] = {
        {"popup\tA\tㄱ\n   item\t1\ta\tㄱ\n", "odd indentation"},
        {"popup\tA\tㄱ\n    item\t1\ta\tㄱ\n", "two levels below a popup"},
        {"  item\t1\ta\tㄱ\n", "indented without a popup"},
        {"item\t1\ta\tㄱ\n  item\t2\tb\tㄴ\n", "indented below an item"},
        {"item\ta\tㄱ\n", "item without id"},
        {"item\tx1\ta\tㄱ\n", "item with a non-numeric id"},
        {"item\t0\ta\tㄱ\n", "item with id 0"},
        {"item\t1\ta\n", "item without its Korean text"},
        {"popup\tA\n", "popup without its Korean text"},
        {"separator\tx\n", "separator with a text"},
        {"submenu\tA\tㄱ\n", "unknown keyword"},
        {"item 1 a ㄱ\n", "fields not separated by tabs"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.problem);
        EXPECT_THROW(ParseMenu(bad.source), std::runtime_error);
    }
}

TEST(MenuTable, RejectsMalformedAcceleratorLines)
{
    const char* cases[] = {
        "Ctrl+O\n", "Ctrl+O\t\n", "Ctrl+O\tx\n", "Ctrl+O\t40051\textra\n", "\t40051\n", "Ctrl+O\t-1\n",
    };
    for (const char* bad : cases) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseAcceleratorTable(bad), std::runtime_error);
    }
    EXPECT_EQ(ParseAcceleratorTable("# keys\r\n\r\nCtrl+O\t40051\r\n").at(0).command, 40051);
}
