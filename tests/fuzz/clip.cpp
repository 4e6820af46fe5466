// The clip writer on one file's bytes, with the range taken from the input's last two bytes (and the
// whole recording). Source and clips stay inside the scratch folder.

#include "FuzzScratch.h"

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"
#include "recording/ClipWriter.h"

#include <cstdlib>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzScratch& scratch = FuzzScratch::Instance();
    // Marked folder: small inputs are parsed instead of being set aside as aborted recordings.
    static const std::filesystem::path folder = scratch.Folder(kMarkedFolder);
    const std::filesystem::path clips = scratch.Folder(std::string(kMarkedFolder) + "/clips");
    const std::string source = FuzzScratch::Write(folder, "x.avi", data, size);

    int duration = 0;
    {
        AVIFileParser parser;
        if (parser.Open(source))
            duration = parser.GetDurationSeconds();
    }
    std::vector<std::pair<int, int>> ranges = {{0, duration}};
    if (size >= 2)
        ranges.emplace_back(static_cast<int8_t>(data[size - 2]), static_cast<int8_t>(data[size - 1]));

    int number = 0;
    int written = 0;
    for (const auto& [start, end] : ranges) {
        const std::string clip = (clips / ("c" + std::to_string(number++) + ".avi")).string();
        const bool done = WriteClip(source, start, end, clip).Ok();
        // A refused clip leaves nothing behind; a written one is there.
        if (done != std::filesystem::exists(clip))
            std::abort();
        if (!done)
            continue;
        ++written;
        RecordingItem item(DateTime{}, Always, clip, "c.avi");
        AVIFileLoader().GetMetadataFromAVIFile(item);
    }
    // No temporary file is left beside the clips.
    if (std::distance(std::filesystem::directory_iterator(clips), std::filesystem::directory_iterator()) != written)
        std::abort();
    return 0;
}
