// The clip writer on arbitrary recordings: it must neither crash nor leave a file behind when it refuses.
// The first two bytes choose the range; short inputs are padded past the size of an aborted recording so
// that the container reader parses them.

#include "recording/ClipWriter.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const fs::path folder = [] {
        char pattern[] = "/tmp/tessaro-fuzz-clip-XXXXXX";
        return fs::path(mkdtemp(pattern));
    }();
    const fs::path source = folder / "source.avi";
    const fs::path clip = folder / "clip.avi";
    std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (bytes.size() <= 30720)
        bytes.resize(30721, '\0');
    {
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string why;
    const bool written = WriteClip(source.string(), data[0] % 16, data[1] % 32, clip.string(), &why);
    std::error_code ignored;
    if (!written && fs::exists(clip, ignored))
        std::abort();  // a refusal must leave nothing at the destination
    fs::remove(clip, ignored);
    return 0;
}
