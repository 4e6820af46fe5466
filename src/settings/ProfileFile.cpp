#include "settings/ProfileFile.h"

#include "infra/FileIo.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

std::string_view Trim(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(Trim(a), Trim(b), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

bool IsSectionHeader(std::string_view line)
{
    line = Trim(line);
    return !line.empty() && line.front() == '[' && line.find(']') != std::string_view::npos;
}

bool IsSection(std::string_view line, std::string_view section)
{
    if (!IsSectionHeader(line))
        return false;
    line = Trim(line);
    return SameName(line.substr(1, line.find(']') - 1), section);
}

bool IsKey(std::string_view line, std::string_view key)
{
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';')
        return false;
    const size_t equals = line.find('=');
    return equals != std::string_view::npos && SameName(line.substr(0, equals), key);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// A value is one line of the file: a line break in it would start a line of its own.
std::string OneLine(std::string value)
{
    std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
    return value;
}

void Apply(std::vector<std::string>& lines, const ProfileEntry& entry)
{
    const std::string line = entry.key + "=" + OneLine(entry.value);
    const auto header = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& l) { return IsSection(l, entry.section); });
    if (header == lines.end()) {
        lines.push_back("[" + entry.section + "]");
        lines.push_back(line);
        return;
    }
    auto lastFilled = header;  // blank lines before the next section stay between the sections
    for (auto it = header + 1; it != lines.end() && !IsSectionHeader(*it); ++it) {
        if (IsKey(*it, entry.key)) {
            *it = line;
            return;
        }
        if (!Trim(*it).empty())
            lastFilled = it;
    }
    lines.insert(lastFilled + 1, line);
}

}  // namespace

std::string ApplyProfileEntries(const std::string& existing, const std::vector<ProfileEntry>& entries)
{
    std::vector<std::string> lines = SplitLines(existing);
    for (const ProfileEntry& entry : entries)
        Apply(lines, entry);
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

Result WriteProfileEntries(const std::string& path, const std::vector<ProfileEntry>& entries)
{
    std::string existing;
    int error = 0;
    if (ReadWholeFile(path, existing, error) == ReadStatus::Failed)
        return Result::Failure("cannot read " + path, error);
    return ReplaceFileContents(path, ApplyProfileEntries(existing, entries));
}
