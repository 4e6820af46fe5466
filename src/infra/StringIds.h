#pragma once

// The string-table ids the program uses, by name. Both languages' tables hold exactly these ids (the
// string tests check it against kUsedStringIds).

#include <array>

namespace StringId {
inline constexpr int kEventText = 223;
inline constexpr int kAlwaysText = 224;
inline constexpr int kParkingText = 288;
inline constexpr int kParkingMotionText = 301;
inline constexpr int kIndexColumn = 231;
inline constexpr int kDateColumn = 232;
inline constexpr int kTimeColumn = 233;
inline constexpr int kTypeColumn = 234;
inline constexpr int kCannotReadFile = 298;
inline constexpr int kNotAviFile = 299;
inline constexpr int kVideoFileNotFound = 300;
inline constexpr int kCouldNotFindFile = 292;
// a recording listed but not playable, and why; a folder or path that could not be opened
inline constexpr int kUnreadableLabel = 1500;
inline constexpr int kUnreadableEmpty = 1501;
inline constexpr int kUnreadableCannotOpen = 1502;
inline constexpr int kUnreadableNotAvi = 1503;
inline constexpr int kUnreadableTooLarge = 1504;
inline constexpr int kUnreadableDamaged = 1505;
inline constexpr int kUnreadableRepairFailed = 1506;
inline constexpr int kFolderHoldsNoRecordings = 1510;
inline constexpr int kFolderCannotBeRead = 1511;
inline constexpr int kPathCannotBeOpened = 1512;
inline constexpr int kStillSavedAskShowFolder = 255;
inline constexpr int kClipSavedAskShowFolder = 256;
inline constexpr int kAboutTip = 222;
inline constexpr int kImageCaptureTip = 237;
inline constexpr int kVideoCaptureTip = 238;
inline constexpr int kSettingsTip = 239;
inline constexpr int kPrintTip = 240;
inline constexpr int kOpenTip = 241;
inline constexpr int kFullScreenTip = 242;
inline constexpr int kMaximizeTip = 304;
inline constexpr int kMinimizeTip = 305;
inline constexpr int kCloseTip = 306;
inline constexpr int kMuteTip = 226;
inline constexpr int kPreviousTip = 243;
inline constexpr int kRewindTip = 244;
inline constexpr int kPlayPauseTip = 245;
inline constexpr int kFastForwardTip = 246;
inline constexpr int kNextTip = 247;
inline constexpr int kSpeedTip = 284;
inline constexpr int kBrightnessTip = 285;
inline constexpr int kVolumeTip = 286;
inline constexpr int kDefaultSpeedTip = 295;
inline constexpr int kDefaultBrightnessTip = 296;
inline constexpr int kSelectedItemLabel = 289;
inline constexpr int kOkButton = 290;
inline constexpr int kReportTime = 264;
inline constexpr int kReportGSensor = 265;
inline constexpr int kReportSpeed = 266;
inline constexpr int kReportLatitude = 267;
inline constexpr int kReportLongitude = 268;
inline constexpr int kReportFooter = 303;
inline constexpr int kNoPrinter = 470;
inline constexpr int kReportNotPrinted = 471;
inline constexpr int kZoomInTip = 270;
inline constexpr int kZoomOutTip = 271;
inline constexpr int kNoGpsData = 272;
inline constexpr int kInternetNotConnected = 273;
inline constexpr int kPopupMapTip = 274;
// What the coordinates read at a moment without a GPS fix.
inline constexpr int kNoGpsFix = 275;
// The map pane's dialog texts, by control id.
inline constexpr int kMapLongitudeLabel = 1131;
inline constexpr int kMapLatitudeLabel = 1132;
inline constexpr int kMapTitle = 32786;
inline constexpr int kSelectFolder = 250;
inline constexpr int kAskFormat = 293;
inline constexpr int kSelectDrive = 297;
// settings dialog: its controls and groups, the clock, the card's files, formatting
inline constexpr int kSelectDateTime = 950;
inline constexpr int kNoSuchDate = 951;
inline constexpr int kCannotWriteFile = 952;
inline constexpr int kCardGone = 953;
inline constexpr int kWillBeErased = 954;
inline constexpr int kOnlyRemovableCard = 955;
inline constexpr int kCardWriteProtected = 956;
inline constexpr int kFormatting = 957;
inline constexpr int kFormatComplete = 958;
inline constexpr int kFormatFailed = 959;
inline constexpr int kNoFormatter = 979;
inline constexpr int kOtherFolderButton = 940;
inline constexpr int kCardReadOnly = 941;
inline constexpr int kReadOnlyItem = 942;
inline constexpr int kDriveLabel = 960;
inline constexpr int kFormatButton = 961;
inline constexpr int kAccTriggerLabel = 962;
inline constexpr int kLanguageLabel = 963;
inline constexpr int kParkingModeLabel = 964;
inline constexpr int kParkingTimeLabel = 965;
inline constexpr int kQualityLabel = 966;
inline constexpr int kChannelsLabel = 967;
inline constexpr int kAudioLabel = 968;
inline constexpr int kSpeakerLabel = 969;
inline constexpr int kApplyClockLabel = 970;
inline constexpr int kDateLabel = 971;
inline constexpr int kTimeLabel = 972;
inline constexpr int kFolderLabel = 973;
inline constexpr int kModifyButton = 974;
inline constexpr int kScanIntervalLabel = 975;
inline constexpr int kDefaultButton = 976;
inline constexpr int kSaveButton = 977;
inline constexpr int kCancelButton = 978;
inline constexpr int kCameraGroup = 980;
inline constexpr int kClockGroup = 981;
inline constexpr int kViewerGroup = 982;
// clip export dialog: title, labels, buttons, note; the busy note while a clip is written
inline constexpr int kClipDialogTitle = 1320;
inline constexpr int kClipStartTimeLabel = 1321;
inline constexpr int kClipEndTimeLabel = 1322;
inline constexpr int kClipLengthLabel = 1323;
inline constexpr int kClipOkButton = 1324;
inline constexpr int kClipNoMetadataNote = 1325;
inline constexpr int kClipSaving = 1326;
// the track out of the viewer: menu entry, file types, failure
inline constexpr int kExportTrack = 990;
inline constexpr int kTrackFileTypes = 991;
inline constexpr int kTrackNotSaved = 992;
// a save that failed: what (still, clip, report; the track above), then why
inline constexpr int kStillNotSaved = 1330;
inline constexpr int kClipNotSaved = 1331;
inline constexpr int kReportNotSaved = 1332;
inline constexpr int kReasonNoPermission = 1340;
inline constexpr int kReasonReadOnly = 1341;
inline constexpr int kReasonDiskFull = 1342;
inline constexpr int kReasonNotFound = 1343;
inline constexpr int kReasonNotAFolder = 1344;
inline constexpr int kReasonExists = 1345;
inline constexpr int kReasonIoError = 1346;
inline constexpr int kReasonNameTooLong = 1347;
inline constexpr int kReasonDamaged = 1348;
inline constexpr int kReasonSystem = 1349;
inline constexpr int kReasonNoPicture = 1350;
inline constexpr int kReasonNoClipName = 1351;
inline constexpr int kReasonTooLarge = 1352;

inline constexpr std::array kUsedStringIds = {
    kEventText, kAlwaysText, kParkingText, kParkingMotionText, kIndexColumn, kDateColumn, kTimeColumn,
    kTypeColumn, kCannotReadFile, kNotAviFile, kVideoFileNotFound, kCouldNotFindFile,
    kUnreadableLabel, kUnreadableEmpty, kUnreadableCannotOpen, kUnreadableNotAvi, kUnreadableTooLarge,
    kUnreadableDamaged, kUnreadableRepairFailed, kFolderHoldsNoRecordings, kFolderCannotBeRead, kPathCannotBeOpened,
    kStillSavedAskShowFolder, kClipSavedAskShowFolder, kAboutTip, kImageCaptureTip, kVideoCaptureTip,
    kSettingsTip, kPrintTip, kOpenTip, kFullScreenTip, kMaximizeTip, kMinimizeTip, kCloseTip, kMuteTip,
    kPreviousTip, kRewindTip, kPlayPauseTip, kFastForwardTip, kNextTip, kSpeedTip, kBrightnessTip, kVolumeTip,
    kDefaultSpeedTip, kDefaultBrightnessTip, kSelectedItemLabel, kOkButton, kReportTime, kReportGSensor,
    kReportSpeed, kReportLatitude, kReportLongitude, kReportFooter, kNoPrinter, kReportNotPrinted, kZoomInTip, kZoomOutTip, kNoGpsData,
    kInternetNotConnected, kPopupMapTip, kNoGpsFix, kMapLongitudeLabel, kMapLatitudeLabel, kMapTitle, kSelectFolder,
    kAskFormat, kSelectDrive,
    kSelectDateTime, kNoSuchDate, kCannotWriteFile, kCardGone, kWillBeErased, kOnlyRemovableCard,
    kCardWriteProtected, kOtherFolderButton, kCardReadOnly, kReadOnlyItem, kFormatting, kFormatComplete, kFormatFailed, kNoFormatter, kDriveLabel, kFormatButton,
    kAccTriggerLabel, kLanguageLabel, kParkingModeLabel, kParkingTimeLabel, kQualityLabel, kChannelsLabel,
    kAudioLabel, kSpeakerLabel, kApplyClockLabel, kDateLabel, kTimeLabel, kFolderLabel, kModifyButton,
    kScanIntervalLabel, kDefaultButton, kSaveButton, kCancelButton, kCameraGroup, kClockGroup, kViewerGroup,
    kClipDialogTitle, kClipStartTimeLabel, kClipEndTimeLabel, kClipLengthLabel, kClipOkButton, kClipNoMetadataNote,
    kClipSaving,
    kExportTrack, kTrackFileTypes, kTrackNotSaved,
    kStillNotSaved, kClipNotSaved, kReportNotSaved, kReasonNoPermission, kReasonReadOnly, kReasonDiskFull,
    kReasonNotFound, kReasonNotAFolder, kReasonExists, kReasonIoError, kReasonNameTooLong, kReasonDamaged,
    kReasonSystem, kReasonNoPicture, kReasonNoClipName, kReasonTooLarge,
};
}  // namespace StringId
