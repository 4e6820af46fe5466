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
    // an unreadable recording and why; a folder or path that gave nothing
    {StringId::kUnreadableLabel, "Unreadable", "읽을 수 없음"},
    {StringId::kUnreadableEmpty, "The file is empty.", nullptr},
    {StringId::kUnreadableCannotOpen, "The file cannot be read: %1", nullptr},
    {StringId::kUnreadableNotAvi, "Not an AVI recording.", nullptr},
    {StringId::kUnreadableTooLarge, "Too large for a recording (over 2 GiB).", nullptr},
    {StringId::kUnreadableDamaged, "Damaged, and not of a kind the repair can mend.", nullptr},
    {StringId::kUnreadableRepairFailed, "The repair failed: %1", nullptr},
    {StringId::kFolderHoldsNoRecordings, "The folder %1 holds no recordings.", nullptr},
    {StringId::kFolderCannotBeRead, "The folder %1 cannot be read: %2", nullptr},
    {StringId::kPathCannotBeOpened, "%1 cannot be opened: %2", nullptr},
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
    {StringId::kNoPrinter, "No printer is installed. You can save the report as a PDF file.", "설치된 프린터가 없습니다. 보고서를 PDF 파일로 저장할 수 있습니다."},
    {StringId::kReportNotPrinted, "The report could not be printed.", "보고서를 인쇄하지 못했습니다."},
    // map pane
    {StringId::kZoomInTip, "Zoom in", nullptr},
    {StringId::kZoomOutTip, "Zoom out", nullptr},
    {StringId::kNoGpsData, "No GPS Data", nullptr},
    {StringId::kInternetNotConnected, "Internet not connect", nullptr},
    {StringId::kPopupMapTip, "Popup map", nullptr},
    {StringId::kNoGpsFix, "No fix", "미수신"},
    // map pane's dialog texts, by control id (the trailing space is the program's own)
    {StringId::kMapLongitudeLabel, "Longitude : ", "경도 : "},
    {StringId::kMapLatitudeLabel, "Latitude :", "위도 :"},
    {StringId::kMapTitle, "Map", "지도"},
    // folder chooser and settings dialog
    {StringId::kSelectFolder, "Select a Folder.", "폴더를 선택해주십시오."},
    {StringId::kAskFormat, "Are you want to format?", "포맷 하시겠습니까?"},
    {StringId::kSelectDrive, "Selected Drive", "드라이브를 선택해주십시오."},
    // settings dialog: controls, groups, clock, card files, formatting
    {StringId::kSelectDateTime, "Select the date and time to apply.", "적용할 날짜와 시간을 선택해 주십시오."},
    {StringId::kNoSuchDate, "This date does not exist.", "존재하지 않는 날짜입니다."},
    {StringId::kCannotWriteFile, "%1 could not be written: %2", "%1 파일을 쓸 수 없습니다: %2"},
    {StringId::kCardGone, "The card is no longer available.", "카드를 더 이상 사용할 수 없습니다."},
    {StringId::kWillBeErased, "%1 (%2, %3) will be erased.", "%1 (%2, %3)의 모든 내용이 지워집니다."},
    {StringId::kOnlyRemovableCard, "Only a removable memory card can be formatted.", "이동식 메모리 카드만 포맷할 수 있습니다."},
    {StringId::kCardWriteProtected, "The card is write-protected.", "카드가 쓰기 금지되어 있습니다."},
    {StringId::kFormatting, "Formatting...", "포맷하는 중..."},
    {StringId::kFormatComplete, "Format complete.", "포맷이 완료되었습니다."},
    {StringId::kFormatFailed, "Format failed: %1", "포맷하지 못했습니다: %1"},
    {StringId::kNoFormatter, "No way to format a card is available: udisks is not running and the program is not run as root.", "카드를 포맷할 방법이 없습니다. udisks가 실행 중이 아니고 프로그램이 root 권한으로 실행되지 않았습니다."},
    {StringId::kOtherFolderButton, "Other Folder...", "다른 폴더..."},
    {StringId::kCardReadOnly, "This card is read-only: its settings are shown but cannot be saved.",
     "이 카드는 읽기 전용입니다. 설정을 볼 수는 있지만 저장할 수는 없습니다."},
    {StringId::kReadOnlyItem, "(read-only) %1", "(읽기 전용) %1"},
    {StringId::kDriveLabel, "Drive", "드라이브"},
    {StringId::kFormatButton, "Format", "포맷"},
    {StringId::kAccTriggerLabel, "X-axis, Y-axis, Z-axis", "X-axis, Y-axis, Z-axis"},
    {StringId::kLanguageLabel, "Select Language", "언어 선택"},
    {StringId::kParkingModeLabel, "Auto Changed Event", "주차 모드 이벤트"},
    {StringId::kParkingTimeLabel, "Parking Entry Time", "주차 모드 진입 시간"},
    {StringId::kQualityLabel, "Recording Quality", "녹화 품질"},
    {StringId::kChannelsLabel, "Video Channels", "비디오 채널"},
    {StringId::kAudioLabel, "Recording On", "오디오 녹음"},
    {StringId::kSpeakerLabel, "Speaker", "스피커 볼륨"},
    {StringId::kApplyClockLabel, "Apply", "적용"},
    {StringId::kDateLabel, "Date", "날짜"},
    {StringId::kTimeLabel, "Time", "시간"},
    {StringId::kFolderLabel, "Folder", "폴더"},
    {StringId::kModifyButton, "Modify", "변경"},
    {StringId::kScanIntervalLabel, "Scan Intervals", "영상 간격 설정"},
    {StringId::kDefaultButton, "Default", "기본값"},
    {StringId::kSaveButton, "Save", "저장"},
    {StringId::kCancelButton, "Cancel", "취소"},
    {StringId::kCameraGroup, "Camera", "카메라"},
    {StringId::kClockGroup, "Clock", "시계"},
    {StringId::kViewerGroup, "Viewer", "뷰어"},
    // clip export dialog and the note while a clip is written
    {StringId::kClipDialogTitle, "Recording Video", "영상 저장"},
    {StringId::kClipStartTimeLabel, "Start Time", "시작 시간"},
    {StringId::kClipEndTimeLabel, "End Time", "종료 시간"},
    {StringId::kClipLengthLabel, "Recording Time", "저장 시간"},
    {StringId::kClipOkButton, "OK", "저장"},
    {StringId::kClipNoMetadataNote, "Meta data is not stored when saving the video.",
     "영상 저장시 메타 데이터는 저장되지 않습니다."},
    {StringId::kClipSaving, "Saving the video. Please wait a moment.", nullptr},
    // the track out of the viewer
    {StringId::kExportTrack, "Export track…", "경로 내보내기…"},
    {StringId::kTrackFileTypes, "GPX track (*.gpx);;CSV table (*.csv);;KML track (*.kml)",
     "GPX 경로 (*.gpx);;CSV 표 (*.csv);;KML 경로 (*.kml)"},
    {StringId::kTrackNotSaved, "The track could not be saved.", "경로를 저장하지 못하였습니다."},
    // a failed save: what, then why
    {StringId::kStillNotSaved, "The still could not be saved.", "이미지를 저장하지 못하였습니다."},
    {StringId::kClipNotSaved, "The clip could not be saved.", "영상을 저장하지 못하였습니다."},
    {StringId::kReportNotSaved, "The report could not be saved.", "보고서를 저장하지 못하였습니다."},
    {StringId::kReasonNoPermission, "Permission denied.", "접근 권한이 없습니다."},
    {StringId::kReasonReadOnly, "The disk is read-only.", nullptr},
    {StringId::kReasonDiskFull, "The disk is full.", nullptr},
    {StringId::kReasonNotFound, "The folder or the file does not exist.", nullptr},
    {StringId::kReasonNotAFolder, "A part of the path is not a folder.", nullptr},
    {StringId::kReasonExists, "A file of that name already exists.", nullptr},
    {StringId::kReasonIoError, "The disk reported a read or write error.", nullptr},
    {StringId::kReasonNameTooLong, "The name is too long.", nullptr},
    {StringId::kReasonDamaged, "The recording's data is damaged.", nullptr},
    {StringId::kReasonSystem, "System error %1: %2", "시스템 오류 %1: %2"},
    {StringId::kReasonNoPicture, "There was no picture to capture yet. Try again once the video shows.", nullptr},
    {StringId::kReasonNoClipName,
     "No name could be made for the clip: the recording's name does not end in \".avi\" or \".mp4\".", nullptr},
    {StringId::kReasonTooLarge, "The file is too large for this disk.", nullptr},
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
