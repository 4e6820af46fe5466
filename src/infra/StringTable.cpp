#include "infra/StringTable.h"

#include "infra/StringIds.h"
#include "infra/TextFields.h"

#include <atomic>
#include <cerrno>
#include <cstring>

namespace embedded {
extern const std::string_view englishStrings;
extern const std::string_view koreanStrings;
}  // namespace embedded

namespace {

std::atomic<Language> g_language{Language::English};

std::string Unescape(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            result += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace

StringTable StringTable::Parse(std::string_view source)
{
    StringTable table;
    for (const std::string_view line : SplitLines(source)) {
        if (line.empty() || line.front() == '#')
            continue;
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            continue;
        if (const auto id = ParseInt(line.substr(0, tab)))
            table.m_texts[*id] = Unescape(line.substr(tab + 1));
    }
    return table;
}

const StringTable& StringTable::Get(Language language)
{
    static const StringTable english = Parse(embedded::englishStrings);
    static const StringTable korean = Parse(embedded::koreanStrings);
    return language == Language::Korean ? korean : english;
}

std::optional<std::string> StringTable::Find(int id) const
{
    auto found = m_texts.find(id);
    if (found == m_texts.end())
        return std::nullopt;
    return found->second;
}

std::vector<int> StringTable::Ids() const
{
    std::vector<int> ids;
    ids.reserve(m_texts.size());
    for (const auto& entry : m_texts)
        ids.push_back(entry.first);
    return ids;
}

Language CurrentLanguage()
{
    return g_language.load();
}

void SetCurrentLanguage(Language language)
{
    g_language.store(language);
}

std::string LoadString(int id, Language language)
{
    return StringTable::Get(language).Find(id).value_or("#" + std::to_string(id));
}

std::string LoadString(int id)
{
    return LoadString(id, CurrentLanguage());
}

std::string FormatString(int id, const std::vector<std::string>& args)
{
    const std::string format = LoadString(id);
    std::string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const std::size_t n = i + 1 < format.size() ? std::size_t(format[i + 1] - '0') : 0;
        if (format[i] == '%' && n >= 1 && n <= args.size()) {
            text += args[n - 1];  // a path may hold "%1" itself: it is never read again
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

std::string SystemErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return LoadString(StringId::kReasonNoPermission);
    case EROFS:
        return LoadString(StringId::kReasonReadOnly);
    case ENOSPC:
    case EDQUOT:
        return LoadString(StringId::kReasonDiskFull);
    case EFBIG:
        return LoadString(StringId::kReasonTooLarge);
    case ENOENT:
        return LoadString(StringId::kReasonNotFound);
    case ENOTDIR:
        return LoadString(StringId::kReasonNotAFolder);
    case EEXIST:
        return LoadString(StringId::kReasonExists);
    case EIO:
        return LoadString(StringId::kReasonIoError);
    case ENAMETOOLONG:
        return LoadString(StringId::kReasonNameTooLong);
    case EBADMSG:
        return LoadString(StringId::kReasonDamaged);
    default: {
        char buffer[256];
        // The GNU strerror_r: the text may or may not be put into buffer.
        return FormatString(StringId::kReasonSystem, {std::to_string(error), strerror_r(error, buffer, sizeof buffer)});
    }
    }
}
