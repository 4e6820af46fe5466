#include "support/GeneratedFiles.h"
#include "support/DefaultSetupFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;

// Seconds since an arbitrary day of a YYYYMMDD_HHMMSS text, enough to compare nearby times.
long long SecondsOf(const std::string& t)
{
    const int day = std::stoi(t.substr(6, 2));
    return ((day * 24LL + std::stoi(t.substr(9, 2))) * 60 + std::stoi(t.substr(11, 2))) * 60 + std::stoi(t.substr(13, 2));
}

TEST(SampleCardCard, DemoCardHasTheCameraLayoutAndEveryKindOfRecording)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    const ProgramRun run = RunSampleCard({"card", card.string(), "--recordings", "8", "--seconds", "2", "--seed", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    EXPECT_EQ(ReadFileBytes(card / "setup.cfg"), kDefaultSetupFile);

    std::vector<GroundTruth> recordings;
    std::set<std::string> kinds;
    int aborted = 0, sdExit = 0;
    for (const auto& entry : fs::recursive_directory_iterator(card)) {
        if (entry.path().extension() != ".avi")
            continue;
        const std::string name = entry.path().filename().string();
        const std::string folder = entry.path().parent_path().filename().string();
        SCOPED_TRACE(name);
        EXPECT_EQ(entry.path().parent_path().parent_path().filename(), "CL_BLACKBOX");
        const std::string kind = name.substr(0, 3);
        kinds.insert(kind);
        EXPECT_EQ(folder, kind[0] == 'E' || kind == "MDI" ? "MP4_EVENT" : "MP4_INFINITE");
        const std::string bytes = ReadFileBytes(entry.path());
        const bool indexed = FindChunk(TopLevelChunks(bytes), "idx1").has_value();
        if (!fs::exists(GroundTruthPath(entry.path()))) {
            ++aborted;
            EXPECT_LE(bytes.size(), 30720u);
            EXPECT_FALSE(indexed);
            continue;
        }
        const GroundTruth truth = LoadGroundTruth(entry.path());
        EXPECT_EQ(truth.file, name);
        EXPECT_EQ(truth.kind, kind);
        EXPECT_EQ(indexed, truth.variant == "complete");
        EXPECT_EQ(U32At(bytes, 56), static_cast<uint32_t>(truth.channels + 2)) << "streams";
        if (name.find("SDEXIT") != std::string::npos) {
            ++sdExit;
            EXPECT_TRUE(indexed);
        }
        recordings.push_back(truth);
    }
    EXPECT_EQ(aborted, 1);
    EXPECT_EQ(sdExit, 1);
    EXPECT_EQ(kinds, (std::set<std::string>{"REC", "EVT", "EVS", "PRK", "PAK", "MDI"}));
    ASSERT_EQ(recordings.size(), 9u);
    auto count = [&](auto predicate) { return std::count_if(recordings.begin(), recordings.end(), predicate); };
    EXPECT_GE(count([](const GroundTruth& t) { return t.channels == 1; }), 1);
    EXPECT_GE(count([](const GroundTruth& t) { return t.variant == "powercut-cut-last"; }), 1);
    EXPECT_GE(count([](const GroundTruth& t) { return t.variant == "powercut"; }), 1);

    // One recording after another, as the camera starts the next file when the last one ends.
    std::sort(recordings.begin(), recordings.end(),
              [](const GroundTruth& a, const GroundTruth& b) { return a.start < b.start; });
    for (size_t i = 1; i < recordings.size(); ++i)
        EXPECT_EQ(SecondsOf(recordings[i].start), SecondsOf(recordings[i - 1].start) + recordings[i - 1].seconds)
            << recordings[i].file;
}

}  // namespace
