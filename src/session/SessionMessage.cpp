#include "session/SessionMessage.h"

#include <iterator>

const char* SessionMessageName(int32_t message)
{
    static const char* const names[] = {
        "VIDEO_LIST_UPDATE",
        "VIDEO_FILES_OPENED",
        "VIDEO_PLAY",
        "VIDEO_PAUSE",
        "VIDEO_STOP",
        "VIDEO_END_REACHED",
        "VIDEO_PLAYING",
        "",
        "VIDEO_PREVIOUS",
        "VIDEO_NEXT",
        "VIDEO_INDEX_SELECT",
        "VIDEO_MEDIA_LOAD",
        "VIDEO_OPENING",
        "VIDEO_METADATA_CREATED",
        "VIDEO_FRAME_POSITION_CHANGED",
        "VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED",
        "NEW_VIDEO_PLAY",
        "CHANGE_VIDEO_FRAME_POSITION",
        "CHANGE_VIDEO_SPEED",
        "CHANGE_VIDEO_BRIGHTNESS",
        "CHANGE_VIDEO_VOLUME",
        "CAPTURE_VIDEO_SNAPSHOT",
        "VIDEO_FILE_NOT_FOUND",
    };
    if (message < 0 || message >= static_cast<int32_t>(std::size(names)))
        return "";
    return names[message];
}
