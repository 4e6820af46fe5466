// Benchmark driver for the clip writer: tessaro_bench_clip SOURCE START END OUT writes one clip and prints
// the seconds it took and the peak RSS.

#include "recording/ClipWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: tessaro_bench_clip SOURCE START END OUT\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const Result ok = WriteClip(argv[1], std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "clip failed: %s\n", ok.Describe().c_str());
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds=%.6f peak_rss_kib=%ld\n", seconds, usage.ru_maxrss);
    return 0;
}
