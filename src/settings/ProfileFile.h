#pragma once

#include "infra/Result.h"

#include <string>
#include <vector>

// The INI ("profile") file writer: sets keys in sections and leaves everything else alone.
struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
};

// The text after setting each entry in turn: a key present in its section gets its value in place, a
// missing key goes after the last line of its section, a missing section (header, then key) goes at
// the end. Section and key names match without regard to case or surrounding blanks; the first match
// counts. Every other line is kept; the text that comes back ends each line with CR LF.
std::string ApplyProfileEntries(const std::string& existing, const std::vector<ProfileEntry>& entries);

// Applies the entries to the file at `path` (created when missing) and replaces it atomically. Fails when
// the existing file cannot be read (it is then left as it is) or the new one cannot be written.
Result WriteProfileEntries(const std::string& path, const std::vector<ProfileEntry>& entries);
