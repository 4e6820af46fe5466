#pragma once

#include <optional>
#include <string_view>
#include <vector>

// Small helpers for the line-based resource formats built into the program (string tables, menus).

// The lines of a text, without their line ends (LF or CR LF); a final line end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

// The fields of a line between the separators; "a\t\tb" has three fields, the middle one empty.
std::vector<std::string_view> SplitFields(std::string_view line, char separator);

// A whole decimal integer (optional leading '-'); anything else, even trailing characters, gives none.
std::optional<int> ParseInt(std::string_view text);
