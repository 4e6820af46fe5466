#pragma once

#include "recording/RecordingItem.h"

#include <memory>
#include <string>

// A recording read with its metadata, as the viewer reads it when it plays one; nullptr with the
// reason when the file is not a readable recording.
std::unique_ptr<RecordingItem> LoadRecording(const std::string& path, std::string& reason);
