// Feeds arbitrary bytes to the container reader and the metadata loader as a recording file.

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The marker makes small inputs count as recordings instead of aborted ones.
    static const std::string path = "fuzz_SDEXIT_" + std::to_string(getpid()) + ".avi";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    {
        AVIFileParser parser;
        if (parser.Open(path)) {
            parser.FindChunks("idx1");
            parser.GetStreamChunkIds();
            parser.GetDurationSeconds();
            parser.GetTotalFrames();
            parser.CountVideoStreams();
        }
    }
    RecordingItem item(DateTime{}, Unknown, path, path);
    AVIFileLoader loader;
    loader.GetMetadataFromAVIFile(item);
    for (double t : {-1.0, 0.0, 0.5, 30.0, 1e9})
        (void)GetGSensorSampleAt(item, t), (void)GetGpsSampleAt(item, t);
    std::remove(path.c_str());
    return 0;
}
