#pragma once
// Names of the still pictures the viewer writes: the capture command's files and the report's temporary
// snapshots share one time stamp format.
#include <string>

namespace tessaro {

// A moment of local time, down to the millisecond.
struct LocalMoment {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The local time now.
LocalMoment LocalMomentNow();

// "-2014-1-2-03h04m05s67": year, month and day without padding, hour, minute and second with two digits,
// milliseconds without padding and with no digit at all when they are 0 (the camera's other tools read
// names in this form, so it stays).
std::string SnapshotTimeStamp(const LocalMoment& moment);

// The name of a capture of `recordingFileName` taken at `moment`: the name less its last 4 characters
// (".avi"), the time stamp and ".png". A name of fewer than 4 characters gives the time stamp alone.
std::string CaptureFileName(const std::string& recordingFileName, const LocalMoment& moment);

}  // namespace tessaro
