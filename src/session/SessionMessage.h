#pragma once

#include <cstdint>
#include <string>

// The messages of the session hub. Every view reacts to them in its update(); the numbers are part of
// the program's vocabulary (logs, posted sequences), so they never change.
enum SessionMessage : int32_t {
    VIDEO_LIST_UPDATE = 0,
    VIDEO_FILES_OPENED = 1,
    VIDEO_PLAY = 2,
    VIDEO_PAUSE = 3,
    VIDEO_STOP = 4,
    VIDEO_END_REACHED = 5,
    VIDEO_PLAYING = 6,
    // 7 is not assigned.
    VIDEO_PREVIOUS = 8,
    VIDEO_NEXT = 9,
    VIDEO_INDEX_SELECT = 10,
    VIDEO_MEDIA_LOAD = 11,
    VIDEO_OPENING = 12,
    VIDEO_METADATA_CREATED = 13,
    VIDEO_FRAME_POSITION_CHANGED = 14,
    VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED = 15,
    NEW_VIDEO_PLAY = 16,
    CHANGE_VIDEO_FRAME_POSITION = 17,
    CHANGE_VIDEO_SPEED = 18,
    CHANGE_VIDEO_BRIGHTNESS = 19,
    CHANGE_VIDEO_VOLUME = 20,
    CAPTURE_VIDEO_SNAPSHOT = 21,
    VIDEO_FILE_NOT_FOUND = 22,
};

// The name a view logs for a message id; empty for an id that is not assigned.
const char* SessionMessageName(int32_t message);

// The argument of one posted message. Each message gets its own; only the fields that message uses
// carry a value.
struct MessageParam {
    float position = 0.0f;   // playback position, 0..1
    int32_t index = 0;       // index of a recording in the session's list
    float rate = 0.0f;       // playback rate factor
    float brightness = 0.0f;
    int32_t volume = 0;
    int32_t sliderInterval = 0;
    std::string snapshotPath;
    std::string snapshotFolder;
};

// Implemented by every view that follows the session. update() runs on the session's dispatch thread;
// param may be null and is destroyed once every listener has seen it.
class IListener {
public:
    virtual ~IListener() = default;
    virtual void update(int32_t message, MessageParam* param) = 0;
};
