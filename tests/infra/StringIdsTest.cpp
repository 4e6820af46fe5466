#include "infra/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// Every string id the program uses, with its English text and, where the program's Korean text is
// fixed, that text too (nullptr: the Korean text only has to exist).
struct UsedString {
    int id;
    const char* english;
    const char* korean;
};

const UsedString kUsedStrings[] = {
    // kinds of recording
    {223, "Event", "이벤트"},
    {224, "Always", "상시"},
    {288, "Parking", "주차 상시"},
    {301, "Parking", "주차 모션"},
    // columns of the recording list
    {231, "Index", nullptr},
    {232, "Date", nullptr},
    {233, "Time", nullptr},
    {234, "Type", nullptr},
    // scan results
    {298, "No Read MP4 File", "파일을 읽을 수 없습니다."},
    {299, "Not avi type file.", "avi 형식의 데이터만 읽을 수 있습니다."},
    {300, "Video File Not Found.", "비디오 파일을 찾을 수 없습니다."},
    // missing recording file
    {292, "Could Not Find File.", "파일을 찾을 수 없습니다."},
    // saved still image and saved clip
    {255, "Now, captured image is saved. Do you want to show the saved folder?", nullptr},
    {256, "Now, captured video is saved. Do you wnat to show the saved folder?",
     "영상이 저장 되었습니다.\n저장된 폴더를 여시겠습니까?"},
    // tooltips of the main window
    {222, "About", nullptr},
    {237, "Image Capture", nullptr},
    {238, "Video Capture", nullptr},
    {239, "Settings", nullptr},
    {240, "Print", nullptr},
    {241, "Open", nullptr},
    {242, "Full Screen/Minimize:Alt+Enter", nullptr},
    {304, "Maximize", nullptr},
    {305, "Minimize", nullptr},
    {306, "Close", nullptr},
    // tooltips of the player controls
    {226, "Mute/Restore", nullptr},
    {243, "Previous", nullptr},
    {244, "Rewind", nullptr},
    {245, "Play/Pause", nullptr},
    {246, "Fast Forward", nullptr},
    {247, "Next", nullptr},
    {284, "Speed", nullptr},
    {285, "Brightness", nullptr},
    {286, "Volume", nullptr},
    {295, "Default Speed", nullptr},
    {296, "Default Brightness", nullptr},
    // open dialog
    {289, "Selected Item :", nullptr},
    {290, "OK", nullptr},
    // report lines and footer
    {264, "Time", "촬영시간"},
    {265, "Impulse G-Sensor", "충격 센서"},
    {266, "Speed", "속도"},
    {267, "Latitude", "위도"},
    {268, "Longitude", "경도"},
    {303, "Brenholt Tessaro Inc", nullptr},
    // map pane
    {270, "Zoom in", nullptr},
    {271, "Zoom out", nullptr},
    {272, "No GPS Data", nullptr},
    {273, "Internet not connect", nullptr},
    {274, "Popup map", nullptr},
    // folder chooser and settings dialog
    {250, "Select a Folder.", "폴더를 선택해주십시오."},
    {293, "Are you want to format?", "포맷 하시겠습니까?"},
    {297, "Selected Drive", "드라이브를 선택해주십시오."},
    // settings dialog: controls, groups, clock, card files, formatting
    {950, "Select the date and time to apply.", "적용할 날짜와 시간을 선택해 주십시오."},
    {951, "This date does not exist.", "존재하지 않는 날짜입니다."},
    {952, "%1 could not be written: %2", "%1 파일을 쓸 수 없습니다: %2"},
    {953, "The card is no longer available.", "카드를 더 이상 사용할 수 없습니다."},
    {954, "%1 (%2, %3) will be erased.", "%1 (%2, %3)의 모든 내용이 지워집니다."},
    {955, "Only a removable memory card can be formatted.", "이동식 메모리 카드만 포맷할 수 있습니다."},
    {956, "The card is write-protected.", "카드가 쓰기 금지되어 있습니다."},
    {957, "Formatting...", "포맷하는 중..."},
    {958, "Format complete.", "포맷이 완료되었습니다."},
    {959, "Format failed: %1", "포맷하지 못했습니다: %1"},
    {960, "Drive", "드라이브"},
    {961, "Format", "포맷"},
    {962, "X-axis, Y-axis, Z-axis", "X-axis, Y-axis, Z-axis"},
    {963, "Select Language", "언어 선택"},
    {964, "Auto Changed Event", "주차 모드 이벤트"},
    {965, "Parking Entry Time", "주차 모드 진입 시간"},
    {966, "Recording Quality", "녹화 품질"},
    {967, "Video Channels", "비디오 채널"},
    {968, "Recording On", "오디오 녹음"},
    {969, "Speaker", "스피커 볼륨"},
    {970, "Apply", "적용"},
    {971, "Date", "날짜"},
    {972, "Time", "시간"},
    {973, "Folder", "폴더"},
    {974, "Modify", "변경"},
    {975, "Scan Intervals", "영상 간격 설정"},
    {976, "Default", "기본값"},
    {977, "Save", "저장"},
    {978, "Cancel", "취소"},
    {979, "No way to format a card is available: udisks is not running and the program is not run as root.", "카드를 포맷할 방법이 없습니다. udisks가 실행 중이 아니고 프로그램이 root 권한으로 실행되지 않았습니다."},
    {980, "Camera", "카메라"},
    {981, "Clock", "시계"},
    {982, "Viewer", "뷰어"},
};

}  // namespace

TEST(StringIds, EveryUsedIdHasItsTextInBothLanguages)
{
    const StringTable& english = StringTable::Get(Language::English);
    const StringTable& korean = StringTable::Get(Language::Korean);
    for (const UsedString& used : kUsedStrings) {
        SCOPED_TRACE("string " + std::to_string(used.id));
        const auto englishText = english.Find(used.id);
        const auto koreanText = korean.Find(used.id);
        if (!englishText)
            ADD_FAILURE() << "missing in the English table";
        else
            EXPECT_EQ(*englishText, used.english);
        if (!koreanText)
            ADD_FAILURE() << "missing in the Korean table";
        else if (used.korean)
            EXPECT_EQ(*koreanText, used.korean);
        else
            EXPECT_FALSE(koreanText->empty());
    }
}

// An id in the tables that nothing uses is most likely a mistyped one.
TEST(StringIds, TablesHoldOnlyUsedIds)
{
    std::vector<int> usedIds;
    std::transform(std::begin(kUsedStrings), std::end(kUsedStrings), std::back_inserter(usedIds),
                   [](const UsedString& used) { return used.id; });
    std::sort(usedIds.begin(), usedIds.end());
    EXPECT_EQ(StringTable::Get(Language::English).Ids(), usedIds);
    EXPECT_EQ(StringTable::Get(Language::Korean).Ids(), usedIds);
}
