#include "Card.h"

#include "settings/CQZSetupData.h"
#include "infra/FileIo.h"

#include "devsupport/AviLayout.h"

#include "FileOutput.h"
#include "Recording.h"

#include <vector>

namespace fs = std::filesystem;

namespace {

enum class Variant { Complete, PowerCut, PowerCutInsideLastChunk };

struct CardEntry {
    const char* kind;
    int channels;
    Variant variant;
};

// The order in which a card's recordings are made; longer cards repeat it. The first six already hold
// every variant a reader has to cope with.
const CardEntry kCardPlan[] = {
    {"REC", 2, Variant::Complete},
    {"EVT", 2, Variant::Complete},
    {"REC", 1, Variant::Complete},
    {"REC", 2, Variant::PowerCutInsideLastChunk},
    {"EVS", 2, Variant::Complete},
    {"PRK", 2, Variant::Complete},
    {"MDI", 2, Variant::Complete},
    {"PAK", 2, Variant::PowerCut},
};

fs::path FolderFor(const fs::path& root, const std::string& kind)
{
    const bool event = IsEventKind(kind) || kind == "MDI";
    return root / "CL_BLACKBOX" / (event ? "MP4_EVENT" : "MP4_INFINITE");
}

}  // namespace

std::string DefaultSetupText()
{
    // A new camera's settings: the same defaults the viewer falls back to.
    return ToCrLf(CQZSetupData().BuildText());
}

bool WriteDemoCard(const fs::path& root, const CardSpec& spec, std::string& reason)
{
    std::error_code error;
    for (const char* folder : {"MP4_INFINITE", "MP4_EVENT"}) {
        fs::create_directories(root / "CL_BLACKBOX" / folder, error);
        if (error) {
            reason = "cannot create " + (root / "CL_BLACKBOX" / folder).string() + ": " + error.message();
            return false;
        }
    }
    if (!WriteFileAtomically(root / "setup.cfg", DefaultSetupText(), reason))
        return false;

    CameraTime start;
    auto make = [&](const std::string& kind, int channels, int seconds, uint64_t seed, const std::string& name,
                    GeneratedRecording& recording) {
        RecordingSpec recordingSpec{kind, seconds, channels, start, seed};
        return GenerateRecording(recordingSpec, name, recording, reason);
    };

    const int planSize = static_cast<int>(std::size(kCardPlan));
    for (int i = 0; i < spec.recordings; ++i) {
        const CardEntry& entry = kCardPlan[i % planSize];
        const std::string name = CameraFileName(entry.kind, start);
        GeneratedRecording recording;
        if (!make(entry.kind, entry.channels, spec.seconds, spec.seed * 1000 + uint64_t(i), name, recording))
            return false;
        if (entry.variant != Variant::Complete) {
            const bool cutLast = entry.variant == Variant::PowerCutInsideLastChunk;
            if (!avi::MakePowerCut(recording.bytes, cutLast, reason))
                return false;
            recording.groundTruth = PowerCutGroundTruth(recording.groundTruth, cutLast, name);
        }
        if (!WriteRecordingFiles(FolderFor(root, entry.kind) / name, recording, reason))
            return false;
        start = start.Plus(spec.seconds);
    }

    // A short but complete recording whose name carries SDEXIT: small as it is, readers must take it
    // for a recording and not for an aborted file.
    GeneratedRecording sdExit;
    const std::string sdExitName = "REC_" + start.ToNameText() + "_SDEXIT.avi";
    if (!make("REC", 1, 1, spec.seed * 1000 + 998, sdExitName, sdExit) ||
        !WriteRecordingFiles(FolderFor(root, "REC") / sdExitName, sdExit, reason))
        return false;
    start = start.Plus(1);

    // Switched off right after it started a file: a few kilobytes without an index and no sidecar,
    // because no reader lists such a file.
    std::string aborted;
    const std::string abortedName = CameraFileName("REC", start);
    return GenerateAbortedFile({"REC", 1, 2, start, spec.seed * 1000 + 999}, abortedName, aborted, reason) &&
           WriteFileAtomically(FolderFor(root, "REC") / abortedName, aborted, reason);
}
