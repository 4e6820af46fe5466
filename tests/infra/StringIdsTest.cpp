#include "infra/StringIds.h"
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
    {StringId::kEventText, "Event", "이벤트"},
    {StringId::kAlwaysText, "Always", "상시"},
    {StringId::kParkingText, "Parking", "주차 상시"},
    {StringId::kParkingMotionText, "Parking", "주차 모션"},
    // columns of the recording list
    {StringId::kIndexColumn, "Index", nullptr},
    {StringId::kDateColumn, "Date", nullptr},
    {StringId::kTimeColumn, "Time", nullptr},
    {StringId::kTypeColumn, "Type", nullptr},
    // scan results
    {StringId::kCannotReadFile, "No Read MP4 File", "파일을 읽을 수 없습니다."},
    {StringId::kNotAviFile, "Not avi type file.", "avi 형식의 데이터만 읽을 수 있습니다."},
    {StringId::kVideoFileNotFound, "Video File Not Found.", "비디오 파일을 찾을 수 없습니다."},
    // missing recording file
    {StringId::kCouldNotFindFile, "Could Not Find File.", "파일을 찾을 수 없습니다."},
    // saved still image and saved clip
    {StringId::kStillSavedAskShowFolder, "Now, captured image is saved. Do you want to show the saved folder?", nullptr},
    {StringId::kClipSavedAskShowFolder, "Now, captured video is saved. Do you wnat to show the saved folder?",
     "영상이 저장 되었습니다.\n저장된 폴더를 여시겠습니까?"},
    // tooltips of the main window
    {StringId::kAboutTip, "About", nullptr},
    {StringId::kImageCaptureTip, "Image Capture", nullptr},
    {StringId::kVideoCaptureTip, "Video Capture", nullptr},
    {StringId::kSettingsTip, "Settings", nullptr},
    {StringId::kPrintTip, "Print", nullptr},
    {StringId::kOpenTip, "Open", nullptr},
    {StringId::kFullScreenTip, "Full Screen/Minimize:Alt+Enter", nullptr},
    {StringId::kMaximizeTip, "Maximize", nullptr},
    {StringId::kMinimizeTip, "Minimize", nullptr},
    {StringId::kCloseTip, "Close", nullptr},
    // tooltips of the player controls
    {StringId::kMuteTip, "Mute/Restore", nullptr},
    {StringId::kPreviousTip, "Previous", nullptr},
    {StringId::kRewindTip, "Rewind", nullptr},
    {StringId::kPlayPauseTip, "Play/Pause", nullptr},
    {StringId::kFastForwardTip, "Fast Forward", nullptr},
    {StringId::kNextTip, "Next", nullptr},
    {StringId::kSpeedTip, "Speed", nullptr},
    {StringId::kBrightnessTip, "Brightness", nullptr},
    {StringId::kVolumeTip, "Volume", nullptr},
    {StringId::kDefaultSpeedTip, "Default Speed", nullptr},
    {StringId::kDefaultBrightnessTip, "Default Brightness", nullptr},
    // open dialog
    {StringId::kSelectedItemLabel, "Selected Item :", nullptr},
    {StringId::kOkButton, "OK", nullptr},
    // report lines and footer
    {StringId::kReportTime, "Time", "촬영시간"},
    {StringId::kReportGSensor, "Impulse G-Sensor", "충격 센서"},
    {StringId::kReportSpeed, "Speed", "속도"},
    {StringId::kReportLatitude, "Latitude", "위도"},
    {StringId::kReportLongitude, "Longitude", "경도"},
    {StringId::kReportFooter, "Brenholt Tessaro Inc", nullptr},
    // map pane
    {StringId::kZoomInTip, "Zoom in", nullptr},
    {StringId::kZoomOutTip, "Zoom out", nullptr},
    {StringId::kNoGpsData, "No GPS Data", nullptr},
    {StringId::kInternetNotConnected, "Internet not connect", nullptr},
    {StringId::kPopupMapTip, "Popup map", nullptr},
    // folder chooser and settings dialog
    {StringId::kSelectFolder, "Select a Folder.", "폴더를 선택해주십시오."},
    {StringId::kAskFormat, "Are you want to format?", "포맷 하시겠습니까?"},
    {StringId::kSelectDrive, "Selected Drive", "드라이브를 선택해주십시오."},
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

// An id in the tables that nothing uses is most likely a mistyped one; an id named for the code must have
// its texts checked above.
TEST(StringIds, TablesHoldExactlyTheNamedIds)
{
    std::vector<int> namedIds(StringId::kUsedStringIds.begin(), StringId::kUsedStringIds.end());
    std::sort(namedIds.begin(), namedIds.end());
    EXPECT_EQ(StringTable::Get(Language::English).Ids(), namedIds);
    EXPECT_EQ(StringTable::Get(Language::Korean).Ids(), namedIds);

    std::vector<int> checkedIds;
    std::transform(std::begin(kUsedStrings), std::end(kUsedStrings), std::back_inserter(checkedIds),
                   [](const UsedString& used) { return used.id; });
    std::sort(checkedIds.begin(), checkedIds.end());
    EXPECT_EQ(checkedIds, namedIds);
}
