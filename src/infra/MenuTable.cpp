#include "infra/MenuTable.h"

#include "infra/TextFields.h"

#include <stdexcept>

namespace embedded {
extern const std::string_view mainMenu;
extern const std::string_view acceleratorTable;
}  // namespace embedded

namespace {

constexpr size_t kIndentPerLevel = 2;

[[noreturn]] void Fail(std::string_view table, size_t lineIndex, std::string_view problem)
{
    throw std::runtime_error(std::string(table) + " line " + std::to_string(lineIndex + 1) + ": " +
                             std::string(problem));
}

// Blank lines and comment lines, indented or not.
bool IsSkipped(std::string_view line)
{
    const size_t first = line.find_first_not_of(' ');
    return first == std::string_view::npos || line[first] == '#';
}

MenuEntry ParseMenuEntry(const std::vector<std::string_view>& fields, size_t lineIndex)
{
    MenuEntry entry;
    const std::string_view keyword = fields.front();
    if (keyword == "separator" && fields.size() == 1) {
        entry.kind = MenuEntry::Separator;
    } else if (keyword == "popup" && fields.size() == 3) {
        entry.kind = MenuEntry::Popup;
        entry.english = fields[1];
        entry.korean = fields[2];
    } else if (keyword == "item" && fields.size() == 4) {
        const auto id = ParseInt(fields[1]);
        if (!id || *id <= 0)
            Fail("menu", lineIndex, "an item needs a positive command id");
        entry.kind = MenuEntry::Item;
        entry.id = *id;
        entry.english = fields[2];
        entry.korean = fields[3];
    } else {
        Fail("menu", lineIndex, "expected separator, popup<TAB>english<TAB>korean or "
                                "item<TAB>id<TAB>english<TAB>korean");
    }
    return entry;
}

}  // namespace

std::vector<MenuEntry> ParseMenu(std::string_view source)
{
    std::vector<MenuEntry> topLevel;
    // open[d] receives the entries of depth d: the top level, then the children of the popup last
    // added at each depth. It is cut back to d + 1 before anything is added at depth d, so it never
    // holds a pointer into a vector that has grown since.
    std::vector<std::vector<MenuEntry>*> open{&topLevel};
    const std::vector<std::string_view> lines = SplitLines(source);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (IsSkipped(line))
            continue;
        const size_t indent = line.find_first_not_of(' ');
        if (indent % kIndentPerLevel != 0)
            Fail("menu", i, "indentation must be two spaces per level");
        const size_t depth = indent / kIndentPerLevel;
        if (depth >= open.size())
            Fail("menu", i, "indented deeper than the popup above it");
        const MenuEntry entry = ParseMenuEntry(SplitFields(line.substr(indent), '\t'), i);
        open.resize(depth + 1);
        open[depth]->push_back(entry);
        if (entry.kind == MenuEntry::Popup)
            open.push_back(&open[depth]->back().children);
    }
    return topLevel;
}

std::vector<Accelerator> ParseAcceleratorTable(std::string_view source)
{
    std::vector<Accelerator> table;
    const std::vector<std::string_view> lines = SplitLines(source);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (IsSkipped(lines[i]))
            continue;
        const std::vector<std::string_view> fields = SplitFields(lines[i], '\t');
        const auto command = fields.size() == 2 ? ParseInt(fields[1]) : std::nullopt;
        if (fields[0].empty() || !command || *command <= 0)
            Fail("accelerator table", i, "expected keys<TAB>command id");
        table.push_back({std::string(fields[0]), *command});
    }
    return table;
}

std::vector<MenuEntry> LoadMainMenu()
{
    return ParseMenu(embedded::mainMenu);
}

std::vector<Accelerator> LoadAcceleratorTable()
{
    return ParseAcceleratorTable(embedded::acceleratorTable);
}
