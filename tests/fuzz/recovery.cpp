// The repair on one file's bytes: the move into the holding folder, the chunk scan and the rewrite. It must
// neither crash nor write outside the scratch folder, and it never alters the broken file it keeps.

#include "FuzzScratch.h"

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"
#include "recording/AVIFileRecovery.h"

#include <cstdlib>
#include <iterator>

namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzScratch& scratch = FuzzScratch::Instance();
    const std::filesystem::path card = scratch.Folder("card");
    const std::filesystem::path holding = scratch.Folder("holding");
    const std::string path = FuzzScratch::Write(card, "x.avi", data, size);

    AVIFileRecovery recovery(holding);
    std::string repairedPath;
    const bool repaired = recovery.Recover(path, repairedPath).Ok();
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path moved = holding / "x.avi";
    // Whatever the outcome, the broken file is kept as it was: on the card or in the holding folder.
    if (std::filesystem::exists(moved) ? ReadAll(moved) != input
                                       : !std::filesystem::exists(path) || ReadAll(path) != input)
        std::abort();
    if (!repaired)
        return 0;
    if (repairedPath != path || !std::filesystem::exists(path))
        std::abort();

    // The repaired copy is read like any other recording.
    RecordingItem item(DateTime{}, Always, path, "x.avi");
    AVIFileLoader().GetMetadataFromAVIFile(item);
    GetGpsSampleAt(item, 1.0);
    GetGSensorSampleAt(item, 1.0);
    return 0;
}
