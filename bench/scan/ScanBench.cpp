// Measures the card scan and the metadata extraction in-process.
//   tessaro_bench_scan scan DIR [REPEATS]      bytes read per recording (rchar) and scan time
//   tessaro_bench_scan metadata FILE [REPEATS] time of one metadata extraction
// Prints key=value lines.

#include "infra/Reporter.h"
#include "recording/AVIFileLoader.h"
#include "recording/CFileLoader.h"
#include "support/BytesRead.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class SilentReporter final : public IReporter {
public:
    void Report(const ReportedMessage& message) override { last = message.text; }
    std::string last;
};

int Scan(const std::string& folder, int repeats)
{
    SilentReporter reporter;
    SetReporter(&reporter);
    double best = 1e30;
    std::size_t count = 0;
    long long bytes = 0;
    for (int i = 0; i < repeats; ++i) {
        const long long before = BytesReadSoFar();
        const double start = Now();
        const RecordingList list = CFileLoader().ScanRecordings({folder}, {});
        best = std::min(best, Now() - start);
        bytes = BytesReadSoFar() - before;
        count = list.size();
    }
    SetReporter(nullptr);
    const std::size_t candidates = CFileLoader::CollectVideoFiles(folder).size();
    if (count == 0) {
        std::fprintf(stderr, "no recordings in %s (%s)\n", folder.c_str(), reporter.last.c_str());
        return 1;
    }
    // Every candidate file is opened, listed or not (power-cut and aborted files too).
    std::printf("files=%zu\nrecordings=%zu\nscan_seconds=%.6f\nbytes_per_recording=%lld\n"
                "bytes_per_listed_recording=%lld\n",
                candidates, count, best, bytes / static_cast<long long>(candidates),
                bytes / static_cast<long long>(count));
    return 0;
}

int Metadata(const std::string& path, int repeats)
{
    double best = 1e30;
    std::size_t gps = 0;
    std::size_t gSensor = 0;
    for (int i = 0; i < repeats; ++i) {
        RecordingItem item(DateTime{}, Unknown, path, path);
        const double start = Now();
        AVIFileLoader loader;
        if (!loader.GetMetadataFromAVIFile(item) || !item.metadataLoaded) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        best = std::min(best, Now() - start);
        gps = item.gpsSamples.size();
        gSensor = item.gSensorSamples.size();
    }
    std::printf("metadata_seconds=%.6f\ngps_samples=%zu\ngsensor_samples=%zu\n", best, gps, gSensor);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s scan DIR [REPEATS] | metadata FILE [REPEATS]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    if (mode == "scan")
        return Scan(argv[2], repeats);
    if (mode == "metadata")
        return Metadata(argv[2], repeats);
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
