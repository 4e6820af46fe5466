#include "recording/RecordingItem.h"

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
    case Event: return LoadString(223);
    case Always: return LoadString(224);
    case Parking: return LoadString(288);
    case ParkingMotion: return LoadString(301);
    case Unknown: return "Unknown";
    default: return {};
    }
}

RecordingItem::RecordingItem(DateTime start, int32_t kind, std::string filePath, std::string name)
    : startTime(start), path(std::move(filePath)), fileName(std::move(name)), type(kind)
{
    const DateTime::Fields fields = startTime.ToFields();
    dateText = Format("%d-%.2d-%.2d", fields.year, fields.month, fields.day);
    timeText = Format("%.2d:%.2d:%.2d", fields.hour, fields.minute, fields.second);
}
