#include "recording/RecordingItem.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"

#include <cstdio>
#include <utility>

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

}  // namespace

std::string GetRecordingTypeLabel(int type)
{
    switch (type) {
    case Event: return LoadString(StringId::kEventText);
    case Always: return LoadString(StringId::kAlwaysText);
    case Parking: return LoadString(StringId::kParkingText);
    case ParkingMotion: return LoadString(StringId::kParkingMotionText);
    case Unknown: return "Unknown";
    default: return {};
    }
}

std::string GetUnreadableText(const RecordingItem& item)
{
    if (item.IsPlayable())
        return {};
    return FormatString(item.unreadable, {SystemErrorText(item.unreadableError)});
}

RecordingItem::RecordingItem(DateTime start, int32_t kind, std::string filePath, std::string name)
    : startTime(start), path(std::move(filePath)), fileName(std::move(name)), type(kind)
{
    const DateTime::Fields fields = startTime.ToFields();
    dateText = Format("%d-%.2d-%.2d", fields.year, fields.month, fields.day);
    timeText = Format("%.2d:%.2d:%.2d", fields.hour, fields.minute, fields.second);
}
