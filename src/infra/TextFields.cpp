#include "infra/TextFields.h"

#include <charconv>

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line, char separator)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t end = line.find(separator);
        fields.push_back(line.substr(0, end));
        if (end == std::string_view::npos)
            return fields;
        line = line.substr(end + 1);
    }
}

std::optional<int> ParseInt(std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}
