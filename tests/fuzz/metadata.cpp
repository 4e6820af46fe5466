// Metadata extraction (duration, counts, GPS and G-sensor samples) and both lookups, on one file's bytes.

#include "FuzzScratch.h"

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

void LookUp(const RecordingItem& item, double seconds)
{
    const std::optional<GpsSample> gps = GetGpsSampleAt(item, seconds);
    const std::optional<GSensorSample> gSensor = GetGSensorSampleAt(item, seconds);
    // A lookup answers whenever there is something to answer with, and only then; the GPS lookup only
    // with a sample that has a fix.
    if ((gps && (item.gpsSamples.empty() || !gps->valid)) || gSensor.has_value() != !item.gSensorSamples.empty())
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzScratch& scratch = FuzzScratch::Instance();
    static const std::filesystem::path plain = scratch.Folder("plain");
    static const std::filesystem::path marked = scratch.Folder(kMarkedFolder);

    // Small unmarked files are aborted recordings: accepted, nothing read.
    {
        const std::string path = FuzzScratch::Write(plain, "x.avi", data, size);
        RecordingItem item(DateTime{}, Always, path, "x.avi");
        const bool loaded = AVIFileLoader().GetMetadataFromAVIFile(item);
        if (size >= 1 && AVIFileParser::IsAbortedRecording(path, static_cast<int64_t>(size)) &&
            (!loaded || item.metadataLoaded))
            std::abort();
    }

    const std::string path = FuzzScratch::Write(marked, "x.avi", data, size);
    RecordingItem item(DateTime{}, Always, path, "x.avi");
    if (!AVIFileLoader().GetMetadataFromAVIFile(item))
        return 0;
    if (item.metadataLoaded && item.gSensorTimes.size() != item.gSensorSamples.size())
        std::abort();

    const double duration = item.duration;
    double fromInput = 0.0;
    if (size >= sizeof fromInput)
        std::memcpy(&fromInput, data + size - sizeof fromInput, sizeof fromInput);
    for (const double seconds : {0.0, -1.0, 0.5, duration / 2, duration, duration + 1, fromInput,
                                 std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::max(),
                                 std::numeric_limits<double>::lowest(), std::numeric_limits<double>::denorm_min()})
        LookUp(item, seconds);
    for (const double time : item.gSensorTimes)
        LookUp(item, time);

    // The second extraction is answered from the item.
    if (!AVIFileLoader().GetMetadataFromAVIFile(item))
        std::abort();
    return 0;
}
