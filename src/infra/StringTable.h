#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The user interface exists in two languages; every text is addressed by its string id.
enum class Language { English, Korean };

class StringTable {
public:
    // The table of a language, parsed from the embedded resource on first use.
    static const StringTable& Get(Language language);

    // Parses "id<TAB>text" lines; '#' starts a comment line; \n, \t and \\ are escapes.
    static StringTable Parse(std::string_view source);

    std::optional<std::string> Find(int id) const;
    std::vector<int> Ids() const;

private:
    std::map<int, std::string> m_texts;
};

// The language chosen at start (English unless set otherwise).
Language CurrentLanguage();
void SetCurrentLanguage(Language language);

// The text of a string id in the current language. A missing id gives "#<id>" so that it shows up,
// and the string-table tests make sure no id the program uses is missing.
std::string LoadString(int id);
std::string LoadString(int id, Language language);
// The text of a string id in the current language with %1, %2, ... replaced by args in order.
std::string FormatString(int id, const std::vector<std::string>& args);
// An error number (errno) in words of the current language: the common ones (no permission, read-only,
// disk full, not found, ...) from the string tables, any other as "System error N: <the C library's
// words>".
std::string SystemErrorText(int error);
