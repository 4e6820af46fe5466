// The repair on arbitrary bytes: it must neither crash nor write outside its folder, whatever the file says.

#include "recording/AVIFileRecovery.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path folder = [] {
        char pattern[] = "/tmp/tessaro-fuzz-recovery-XXXXXX";
        return fs::path(mkdtemp(pattern));
    }();
    const fs::path card = folder / "card";
    fs::create_directories(card);
    const fs::path file = card / "REC_20240101_000000_F.avi";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    AVIFileRecovery recovery(folder / "BROKENFILES");
    std::string repaired;
    recovery.Recover(file.string(), repaired);
    std::error_code ignored;
    fs::remove_all(card, ignored);
    fs::remove_all(folder / "BROKENFILES", ignored);
    return 0;
}
