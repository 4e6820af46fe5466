#include "playback/VlcFunctionExecutor.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

std::string StandIn(const std::string& name)
{
    return std::string(VLC_STANDIN_DIR) + "/lib" + name + ".so";
}

bool IsLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

// The message a load failure carries, or "" when the load succeeded.
std::string LoadFailure(const std::string& library)
{
    try {
        VlcFunctionExecutor adapter(library.c_str());
        return "";
    } catch (const VlcLoadError& error) {
        return error.what();
    }
}

template <typename T>
T* Fake(std::uintptr_t value)
{
    return reinterpret_cast<T*>(value);
}

void OnEvent(const libvlc_event_t*, void*) {}

}  // namespace

TEST(VlcFunctionExecutorLoading, RefusesALibraryLackingAnyEntryPointAndUnloadsIt)
{
    // The first, the window binding, and one the viewer never calls: each alone makes the library unusable.
    for (const char* missing :
         {"libvlc_new", "libvlc_media_player_set_xwindow", "libvlc_media_player_get_state"}) {
        SCOPED_TRACE(missing);
        const std::string library = StandIn(std::string("vlc_standin_without_") + missing);
        ASSERT_TRUE(std::filesystem::exists(library));
        EXPECT_EQ(LoadFailure(library), "Vlc Function is not imported.");
        EXPECT_FALSE(IsLoaded(library));
    }
}

TEST(VlcFunctionExecutorLoading, AMissingLibraryIsReportedAsSuch)
{
    TempDir dir;
    EXPECT_EQ(LoadFailure(dir / "libvlc.so.5"), "libvlc.dll or libvlccore.dll file is not exist.");
    EXPECT_EQ(LoadFailure("libvlc-that-is-not-installed.so.5"), "libvlc.dll or libvlccore.dll file is not exist.");
}

TEST(VlcFunctionExecutorLoading, ACompleteLibraryStaysLoadedUntilTheAdapterGoes)
{
    const std::string library = StandIn("vlc_standin_complete");
    {
        VlcFunctionExecutor adapter(library.c_str());
        EXPECT_TRUE(IsLoaded(library));
        EXPECT_NE(adapter.libvlc_media_player_get_state, nullptr);
    }
    EXPECT_FALSE(IsLoaded(library));
}

TEST(VlcFunctionExecutorLoading, TheSingleInstanceIsRetriedAfterAFailureAndThenKept)
{
    const std::string library = StandIn("vlc_standin_complete");
    EXPECT_THROW(VlcFunctionExecutor::Instance("libvlc-that-is-not-installed.so.5"), VlcLoadError);
    VlcFunctionExecutor* first = VlcFunctionExecutor::Instance(library.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(VlcFunctionExecutor::Instance("libvlc-that-is-not-installed.so.5"), first);
    VlcFunctionExecutor::DestroyInstance();
    EXPECT_FALSE(IsLoaded(library));
}

class VlcWrappers : public ::testing::Test {
protected:
    VlcWrappers() : m_cwd(m_dir.path()), m_log(m_dir.path()), adapter(StandIn("vlc_standin_complete").c_str())
    {
        journal = reinterpret_cast<const char* (*)()>(dlsym(adapter.m_module, "vlc_standin_journal"));
        clear = reinterpret_cast<void (*)()>(dlsym(adapter.m_module, "vlc_standin_clear"));
        clear();
    }
    ~VlcWrappers() override { VlcFunctionExecutor::PublishSecondChannelPlayer(nullptr); }

    TempDir m_dir;
    ScopedCurrentPath m_cwd;
    LogCapture m_log;
    VlcFunctionExecutor adapter;
    const char* (*journal)() = nullptr;
    void (*clear)() = nullptr;
};

TEST_F(VlcWrappers, EachLogsItsEntryPointThenCallsItAndHandsTheResultBack)
{
    auto* player = Fake<libvlc_media_player_t>(0x11);
    auto* media = Fake<libvlc_media_t>(0x22);
    auto* manager = Fake<libvlc_event_manager_t>(0x33);
    VlcFunctionExecutor::PublishSecondChannelPlayer(Fake<libvlc_media_player_t>(0x44));

    struct Case {
        const char* entryPoint;
        const char* message;
        std::function<long()> call;
        std::string engineCall;
        long result;
    };
    const Case cases[] = {
        {"libvlc_media_player_play", "Media Player Play", [&] { return adapter.MediaPlayerPlay(player); },
         "play 17", 17},
        {"libvlc_media_player_stop", "Media Player Stop", [&] { adapter.MediaPlayerStop(player); return 0L; },
         "stop 17", 0},
        {"libvlc_media_player_set_xwindow", "Media Player Set Xwindow",
         [&] { adapter.MediaPlayerSetXwindow(player, 0x2a00007); return 0L; }, "set_xwindow 17 44040199", 0},
        {"libvlc_media_player_set_media", "Media Player Set Media",
         [&] { adapter.MediaPlayerSetMedia(player, media); return 0L; }, "set_media 17 34", 0},
        // Pausing never resumes: the flag is always 1.
        {"libvlc_media_player_set_pause", "Media Player Set Pause",
         [&] { adapter.MediaPlayerSetPause(player); return 0L; }, "set_pause 17 1", 0},
        {"libvlc_media_player_is_playing", "Media Player is Playing",
         [&] { return adapter.MediaPlayerIsPlaying(player); }, "is_playing 17", 23},
        {"libvlc_media_player_event_manager", "Event Manager",
         [&] { return static_cast<long>(reinterpret_cast<std::uintptr_t>(adapter.EventManager(player))); },
         "event_manager 17", 0xE0},
        {"libvlc_event_attach", "Event Attach",
         [&] { adapter.EventAttach(manager, libvlc_MediaPlayerPositionChanged, OnEvent); return 0L; },
         "event_attach 51 268 callback 0", 0},
        {"libvlc_audio_set_volume", "Audio Set Volume", [&] { return adapter.AudioSetVolume(player, 30); },
         "set_volume 17 30", 29},
        {"libvlc_media_player_set_rate", "Media Player Set Rate",
         [&] { return adapter.MediaPlayerSetRate(player, 0.25f); }, "set_rate 17 0.250000", 31},
        {"libvlc_media_player_set_position", "Media Player Set Position",
         [&] { adapter.MediaPlayerSetPosition(player, 0.5f); return 0L; }, "set_position 17 0.500000", 0},
        // The track is chosen on the channel-2 player, whichever player the caller deals with.
        {"libvlc_video_set_track", "Set Track", [&] { return adapter.SetTrack(1); }, "set_track 68 1", 37},
        {"libvlc_video_take_snapshot", "Snap Shot",
         [&] { adapter.SnapShot(player, "/tmp/still.png"); return 0L; }, "take_snapshot 17 0 /tmp/still.png 0 0", 0},
        {"libvlc_video_set_aspect_ratio", "Set Aspect Ratio",
         [&] { adapter.SetAspectRatio(player); return 0L; }, "set_aspect_ratio 17 16:9", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entryPoint);
        clear();
        const int before = m_log.Count("VlcFunctionExecutor", c.entryPoint, c.message);
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(std::string(journal()), c.engineCall + ";");
        EXPECT_EQ(m_log.Count("VlcFunctionExecutor", c.entryPoint, c.message), before + 1);
    }
}

TEST_F(VlcWrappers, SetTrackWithoutAChannelTwoPlayerCallsNothing)
{
    EXPECT_EQ(adapter.SetTrack(1), -1);
    EXPECT_STREQ(journal(), "");
}

TEST_F(VlcWrappers, SetTrackFollowsThePlayerPublishedLast)
{
    VlcFunctionExecutor::PublishSecondChannelPlayer(Fake<libvlc_media_player_t>(0x44));
    VlcFunctionExecutor::PublishSecondChannelPlayer(Fake<libvlc_media_player_t>(0x55));
    adapter.SetTrack(-1);
    EXPECT_STREQ(journal(), "set_track 85 -1;");
}

// Only options this engine knows: one it no longer knows is warned about on the terminal.
TEST(VlcFunctionExecutorUtilities, EngineOptionsAreOnlyOptionsTheEngineKnows)
{
    const std::vector<std::string> expected = {"-I", "dummy", "--ignore-config", "--no-osd",
                                               "--disable-screensaver", "--no-snapshot-preview"};
    EXPECT_EQ(VlcFunctionExecutor::EngineOptions(), expected);
}

TEST(VlcFunctionExecutorUtilities, WideToUtf8PathFitsTheBufferOrLeavesItAlone)
{
    const std::wstring emoji = L"\U0001F697";  // four bytes in UTF-8
    struct Case {
        const char* name;
        std::wstring path;
        bool converted;
        std::string utf8;
    };
    const Case cases[] = {
        {"empty", L"", true, ""},
        {"ascii", L"/media/card/REC_20240101.avi", true, "/media/card/REC_20240101.avi"},
        {"korean", L"/home/\uC601\uC0C1.avi", true, "/home/\xEC\x98\x81\xEC\x83\x81.avi"},
        {"259 bytes", std::wstring(259, L'a'), true, std::string(259, 'a')},
        {"260 bytes", std::wstring(260, L'a'), false, ""},
        {"four-byte character ending at 259", std::wstring(255, L'a') + emoji, true,
         std::string(255, 'a') + "\xF0\x9F\x9A\x97"},
        {"four-byte character crossing 259", std::wstring(256, L'a') + emoji, false, ""},
        {"three-byte characters to 261", std::wstring(87, L'\uC601'), false, ""},
        {"lone surrogate", std::wstring(L"/a") + wchar_t(0xD800), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[VlcFunctionExecutor::kPathBufferSize];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(VlcFunctionExecutor::WideToUtf8Path(c.path, buffer), c.converted);
        if (c.converted)
            EXPECT_EQ(std::string(buffer), c.utf8);
        else
            EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#'));
    }
}

TEST(VlcFunctionExecutorEngine, TheRealEngineStartsWithItsOptionsAndIsReleasedCleanly)
{
    VlcFunctionExecutor adapter(VlcFunctionExecutor::kLibraryName);
    libvlc_instance_t* instance = adapter.NewEngineInstance();
    ASSERT_NE(instance, nullptr);
    libvlc_media_player_t* player = adapter.libvlc_media_player_new(instance);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(adapter.MediaPlayerIsPlaying(player), 0);
    adapter.libvlc_media_player_release(player);
    adapter.libvlc_release(instance);
}

TEST(VlcFunctionExecutorEngine, ExtraOptionsFollowItsOwnInEveryNewInstance)
{
    VlcFunctionExecutor adapter(VlcFunctionExecutor::kLibraryName);
    // The engine refuses an option it does not know, so a refusal shows the extra option was passed.
    VlcFunctionExecutor::SetExtraEngineOptions({"--an-option-no-engine-knows"});
    EXPECT_EQ(adapter.NewEngineInstance(), nullptr);
    VlcFunctionExecutor::SetExtraEngineOptions({"--gl=none", "--gles2=none"});
    libvlc_instance_t* instance = adapter.NewEngineInstance();
    EXPECT_NE(instance, nullptr);
    if (instance)
        adapter.libvlc_release(instance);
    VlcFunctionExecutor::SetExtraEngineOptions({});
}

// The warm-up's instance loads the plug-ins early; the first real instance waits for it, and the warm one
// goes once a real one exists. An adapter that goes while its warm-up still runs waits for it.
TEST(VlcFunctionExecutorEngine, AWarmUpLeavesTheRealInstancesWorkingAndEndsWithTheAdapter)
{
    VlcFunctionExecutor::SetExtraEngineOptions({"--gl=none", "--gles2=none"});
    {
        VlcFunctionExecutor adapter(VlcFunctionExecutor::kLibraryName);
        adapter.StartWarmUp();
        adapter.StartWarmUp();  // a second call changes nothing
        libvlc_instance_t* first = adapter.NewEngineInstance();
        libvlc_instance_t* second = adapter.NewEngineInstance();
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        for (libvlc_instance_t* instance : {first, second}) {
            libvlc_media_player_t* player = adapter.libvlc_media_player_new(instance);
            ASSERT_NE(player, nullptr);
            adapter.libvlc_media_player_release(player);
            adapter.libvlc_release(instance);
        }
    }
    {
        VlcFunctionExecutor adapter(VlcFunctionExecutor::kLibraryName);
        adapter.StartWarmUp();
    }
    VlcFunctionExecutor::SetExtraEngineOptions({});
}
