#include "ui/DialogTexts.h"

#include <cstring>

namespace {

struct Entry {
    const char* key;
    const char* english;
    const char* korean;
};

// Keys group by dialog: "loading." is the window shown while recordings are opened.
constexpr Entry kTexts[] = {
    {"loading.caption", "Loading...", "불러오는 중..."},
    {"loading.opening", "Opening the files.", "파일을 열고 있습니다."},
    {"loading.wait", "Please wait a moment.", "잠시만 기다려 주시길 바랍니다."},
    {"loading.cardNote", "※ It may take longer depending on the size of the SD card.",
     "※ SD 카드 용량에 따라 시간이 지연될 수 있습니다."},
    // %1 files looked at, of %2; %3 recordings found so far.
    {"loading.progress", "%1 of %2 files, %3 recordings", "파일 %2개 중 %1개, 녹화 %3개"},
    {"loading.cancel", "Cancel", "취소"},
};

}  // namespace

QString DialogText(const char* key, Language language)
{
    for (const Entry& entry : kTexts)
        if (std::strcmp(entry.key, key) == 0)
            return QString::fromUtf8(language == Language::Korean ? entry.korean : entry.english);
    return QStringLiteral("#") + QString::fromUtf8(key);
}

QString DialogText(const char* key)
{
    return DialogText(key, CurrentLanguage());
}
