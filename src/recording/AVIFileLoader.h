#pragma once

#include "recording/AVIFileParser.h"
#include "recording/CFileLoader.h"

#include <cstddef>
#include <optional>
#include <string>

// Reads a recording's duration, channel count, frame count and its GPS and G-sensor samples from
// the text stream. One loader per request.
class AVIFileLoader : public CFileLoader {
public:
    // Fills the item once; false when the file is missing or not a readable recording.
    bool GetMetadataFromAVIFile(RecordingItem& item) override;

    // Parses one GPS record ('G' + "$GPRMC..." up to '*'); none when it is not an RMC record. A record
    // cut before its '*' or without a fix gives a sample that is not valid, so every record keeps its
    // second.
    static std::optional<GpsSample> ParseGpsRecord(const std::string& record);

private:
    void ExtractSamples(RecordingItem& item);
    std::optional<std::string> ReadGpsRecord(int64_t position);

    AVIFileParser m_parser;
};

// The GPS sample for a playback time in seconds: the camera writes one a second. None when that
// second had no fix.
std::optional<GpsSample> GetGpsSampleAt(const RecordingItem& item, double seconds);
// The G-sensor sample whose time is nearest to the playback time (ties go to the earlier sample).
std::optional<GSensorSample> GetGSensorSampleAt(const RecordingItem& item, double seconds);
// The index of that sample in the recording's G-sensor samples (where the graph draws it).
std::optional<std::size_t> GetGSensorSampleIndexAt(const RecordingItem& item, double seconds);
