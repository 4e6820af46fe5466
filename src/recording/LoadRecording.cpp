#include "recording/LoadRecording.h"

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"

#include <filesystem>

std::unique_ptr<RecordingItem> LoadRecording(const std::string& path, std::string& reason)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        reason = "no such file: " + path;
        return nullptr;
    }
    {
        AVIFileParser parser;
        if (!parser.Open(path)) {
            reason = "not a readable recording (it may need a repair): " + path;
            return nullptr;
        }
        if (parser.TopLevel().empty()) {
            reason = "an aborted recording, nothing to read: " + path;
            return nullptr;
        }
    }
    const std::string fileName = std::filesystem::path(path).filename().string();
    auto item = std::make_unique<RecordingItem>(CFileLoader::GetStartTimeFromName(fileName, path),
                                                CFileLoader::GetRecordingType(fileName), path, fileName);
    AVIFileLoader loader;
    if (!loader.GetMetadataFromAVIFile(*item) || !item->metadataLoaded) {
        reason = "cannot read the recording's metadata: " + path;
        return nullptr;
    }
    return item;
}
