// Benchmark driver for the repair, and the maker of the long recording both the repair and the clip
// benchmarks use.
//   tessaro_bench_repair extend IN.avi OUT.avi MEGABYTES   a long recording: IN's movie data repeated
//   tessaro_bench_repair repair BROKEN.avi HOLDING_DIR      repairs once; prints seconds and peak RSS

#include "recording/AVIFileRecovery.h"
#include "recording/LittleEndian.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

uint32_t Get32(const std::string& bytes, size_t pos)
{
    return LoadLE32(reinterpret_cast<const unsigned char*>(bytes.data() + pos));
}

void Put32(std::string& bytes, size_t pos, uint32_t value)
{
    StoreLE32(reinterpret_cast<unsigned char*>(bytes.data() + pos), value);
}

// Repeats the movie data of a complete recording until the file reaches the wanted size, keeping the
// camera's layout: the same header with its counts multiplied, one movie list, one index.
int Extend(const std::string& in, const std::string& out, long megabytes)
{
    std::ifstream input(in, std::ios::binary);
    std::string source((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    size_t movi = 0, idx1 = 0, hdrl = 0;
    for (size_t pos = 12; pos + 12 <= source.size();) {
        if (source.compare(pos, 4, "LIST") == 0 && source.compare(pos + 8, 4, "hdrl") == 0)
            hdrl = pos;
        if (source.compare(pos, 4, "LIST") == 0 && source.compare(pos + 8, 4, "movi") == 0)
            movi = pos;
        if (source.compare(pos, 4, "idx1") == 0)
            idx1 = pos;
        uint32_t size = Get32(source, pos + 4);
        pos += 8 + size + (size & 1);
    }
    if (!movi || !idx1 || !hdrl) {
        std::fprintf(stderr, "extend: %s is not a complete recording\n", in.c_str());
        return 1;
    }
    const std::string movieData = source.substr(movi + 12, idx1 - movi - 12);
    const std::string index = source.substr(idx1 + 8, Get32(source, idx1 + 4));
    const size_t wanted = static_cast<size_t>(megabytes) << 20;
    const size_t repeats = std::max<size_t>(1, (wanted - movi) / (movieData.size() + index.size()));

    std::string header = source.substr(0, movi + 12);
    const size_t moviSize = 4 + repeats * movieData.size();
    const size_t fileSize = movi + 8 + moviSize + 8 + repeats * index.size();
    Put32(header, 4, static_cast<uint32_t>(fileSize - 8));
    Put32(header, movi + 4, static_cast<uint32_t>(moviSize));
    // The counts grow with the repeats: total frames, and each stream's length.
    Put32(header, hdrl + 12 + 8 + 16, static_cast<uint32_t>(Get32(header, hdrl + 12 + 8 + 16) * repeats));
    for (size_t pos = hdrl + 12; pos + 8 <= movi;) {
        uint32_t size = Get32(header, pos + 4);
        if (header.compare(pos, 4, "LIST") == 0 && header.compare(pos + 8, 4, "strl") == 0)
            Put32(header, pos + 20 + 32, static_cast<uint32_t>(Get32(header, pos + 20 + 32) * repeats));
        pos += 8 + size + (size & 1);
    }

    std::ofstream output(out, std::ios::binary | std::ios::trunc);
    output << header;
    for (size_t r = 0; r < repeats; ++r)
        output << movieData;
    std::string indexHeader = "idx1    ";
    Put32(indexHeader, 4, static_cast<uint32_t>(repeats * index.size()));
    output << indexHeader;
    std::string shifted = index;
    for (size_t r = 0; r < repeats; ++r) {
        for (size_t e = 0; e + 16 <= index.size(); e += 16)
            Put32(shifted, e + 8, static_cast<uint32_t>(Get32(index, e + 8) + r * movieData.size()));
        output << shifted;
    }
    output.close();
    if (!output) {
        std::fprintf(stderr, "extend: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("extended %s %zu times: %zu bytes\n", in.c_str(), repeats, fileSize);
    return 0;
}

int Repair(const std::string& broken, const std::string& holding)
{
    AVIFileRecovery recovery(holding);
    std::string repaired;
    const auto start = std::chrono::steady_clock::now();
    const Result ok = recovery.Recover(broken, repaired);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (!ok) {
        std::fprintf(stderr, "repair failed: %s\n", ok.Describe().c_str());
        return 1;
    }
    std::printf("seconds=%.6f peak_rss_kib=%ld\n", seconds, usage.ru_maxrss);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "extend")
        return Extend(args[1], args[2], std::atol(args[3].c_str()));
    if (args.size() == 3 && args[0] == "repair")
        return Repair(args[1], args[2]);
    std::fprintf(stderr, "usage: tessaro_bench_repair extend IN OUT MEGABYTES | repair BROKEN HOLDING_DIR\n");
    return 2;
}
