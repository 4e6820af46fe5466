#include "SampleCardSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace {

std::string Quote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string FourCCAt(const std::string& bytes, size_t offset)
{
    return offset + 4 <= bytes.size() ? bytes.substr(offset, 4) : std::string();
}

}  // namespace

RunResult RunSampleCard(const std::vector<std::string>& arguments)
{
    std::string command = Quote(TESSARO_SAMPLECARD);
    for (const std::string& argument : arguments)
        command += " " + Quote(argument);
    command += " 2>&1";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

uint32_t U32At(const std::string& bytes, size_t offset)
{
    if (offset + 4 > bytes.size()) {
        ADD_FAILURE() << "read past the end at " << offset;
        return 0;
    }
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset + 3])) << 24;
}

std::vector<const AviChunk*> ParsedAvi::ChunksWithId(const std::string& id) const
{
    std::vector<const AviChunk*> found;
    for (const AviChunk& chunk : chunks)
        if (chunk.id == id)
            found.push_back(&chunk);
    return found;
}

ParsedAvi ParseAvi(const std::string& path)
{
    ParsedAvi avi;
    avi.bytes = ReadFileBytes(path);
    const std::string& b = avi.bytes;
    if (FourCCAt(b, 0) != "RIFF" || FourCCAt(b, 8) != "AVI ") {
        ADD_FAILURE() << path << " is not RIFF AVI";
        return avi;
    }
    avi.riffSize = U32At(b, 4);

    // Top-level chunks are walked by their real extent so that power-cut copies (sizes 0) parse too.
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const std::string id = FourCCAt(b, pos);
        uint32_t size = U32At(b, pos + 4);
        if (id == "LIST" && FourCCAt(b, pos + 8) == "movi") {
            avi.moviOffset = static_cast<uint32_t>(pos);
            avi.moviSize = size;
            size_t child = pos + 12;
            while (child + 8 <= b.size()) {
                const std::string childId = FourCCAt(b, child);
                if (childId == "idx1" || (avi.moviSize != 0 && child >= pos + 8 + avi.moviSize))
                    break;
                AviChunk chunk{childId, static_cast<uint32_t>(child), U32At(b, child + 4), {}};
                chunk.data = b.substr(child + 8, chunk.size);
                avi.chunks.push_back(chunk);
                child += 8 + chunk.size + (chunk.size % 2);
            }
            pos = child;
            continue;
        }
        if (id == "LIST" && FourCCAt(b, pos + 8) == "hdrl") {
            for (size_t child = pos + 12; child + 8 <= pos + 8 + size;) {
                const uint32_t childSize = U32At(b, child + 4);
                if (FourCCAt(b, child) == "avih") {
                    avi.totalFrames = U32At(b, child + 8 + 16);
                    avi.streamCount = U32At(b, child + 8 + 24);
                } else if (FourCCAt(b, child) == "LIST" && FourCCAt(b, child + 8) == "strl") {
                    const size_t strh = child + 12;
                    EXPECT_EQ(FourCCAt(b, strh), "strh");
                    EXPECT_EQ(U32At(b, strh + 4), 56u);
                    AviStreamHeader s;
                    s.headerOffset = static_cast<uint32_t>(strh + 8);
                    s.fccType = FourCCAt(b, strh + 8);
                    s.handler = FourCCAt(b, strh + 12);
                    s.scale = U32At(b, strh + 8 + 20);
                    s.rate = U32At(b, strh + 8 + 24);
                    s.length = U32At(b, strh + 8 + 32);
                    s.suggestedBufferSize = U32At(b, strh + 8 + 36);
                    const size_t strf = strh + 8 + 56;
                    EXPECT_EQ(FourCCAt(b, strf), "strf");
                    s.formatSize = U32At(b, strf + 4);
                    EXPECT_EQ(strf + 8 + s.formatSize, child + 8 + childSize) << "strl holds strh and strf only";
                    avi.streams.push_back(s);
                }
                child += 8 + childSize + (childSize % 2);
            }
        } else if (id == "idx1") {
            avi.hasIndex = true;
            avi.idx1Offset = static_cast<uint32_t>(pos);
            EXPECT_EQ(size % 16, 0u);
            for (size_t e = pos + 8; e + 16 <= pos + 8 + size && e + 16 <= b.size(); e += 16)
                avi.index.push_back({FourCCAt(b, e), U32At(b, e + 4), U32At(b, e + 8), U32At(b, e + 12)});
        }
        pos += 8 + size + (size % 2);
    }
    return avi;
}

std::vector<NalUnit> NalUnitsOf(const std::string& annexB)
{
    std::vector<NalUnit> units;
    for (size_t i = 0; i + 3 < annexB.size(); ++i) {
        if (annexB[i] == 0 && annexB[i + 1] == 0 && annexB[i + 2] == 1) {
            const size_t startCode = i > 0 && annexB[i - 1] == 0 ? 4 : 3;
            units.push_back({static_cast<uint8_t>(annexB[i + 3]) & 0x1F, startCode, i + 3});
            i += 2;
        }
    }
    return units;
}

namespace {

GeneratedFile Generate(const std::string& name, const std::vector<std::string>& options)
{
    static TempDir folder;  // lives until the suite ends
    GeneratedFile file;
    file.path = folder / name;
    std::vector<std::string> args = {"recording", file.path};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult run = RunSampleCard(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    file.avi = ParseAvi(file.path);
    file.truth = JsonValue::ParseFile(file.path + ".json");
    return file;
}

}  // namespace

const GeneratedFile& TwoChannelRecording()
{
    static const GeneratedFile file = Generate("REC_20120820_235958_F.avi", {"--seconds", "6", "--seed", "7"});
    return file;
}

const GeneratedFile& OneChannelEvent()
{
    static const GeneratedFile file =
        Generate("EVT_20120821_083000_F.avi", {"--seconds", "4", "--channels", "1"});
    return file;
}
