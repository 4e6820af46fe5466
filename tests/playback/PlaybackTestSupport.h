#pragma once

// What the playback suite's tests share: the engine and the skin for a suite, a stand-in for the main
// window, the log of every delivered message, and the list a new opening hands the session.

#include "playback/VlcFunctionExecutor.h"
#include "session/PlaybackSession.h"
#include "widgets/ResourceManager.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

constexpr int kWaitMs = 15000;

// The engine and the built skin for a whole suite (SetUpTestSuite / TearDownTestSuite).
inline void StartEngineAndSkin()
{
    // The virtual X server has no GL: the engine draws with plain X11.
    VlcFunctionExecutor::SetExtraEngineOptions({"--gl=none", "--gles2=none"});
    ScopedCurrentPath skinFolder(std::filesystem::path(TESSARO_SKIN_ARCHIVE).parent_path());
    ResourceManager::GetInstance();
}

inline void StopEngineAndSkin()
{
    VlcFunctionExecutor::SetExtraEngineOptions({});
    // As the main window does when it goes: the engine library is unloaded after the panes.
    VlcFunctionExecutor::DestroyInstance();
    ResourceManager::DestroyInstance();
}

// Does what the main window does with the messages the panes rely on: selects the recording, reads its
// metadata when the engine opens it, stores the position.
class MainWindowStandIn final : public IListener {
public:
    explicit MainWindowStandIn(PlaybackSession& session) : m_session(session) {}
    void update(int32_t message, MessageParam* param) override
    {
        if (message == VIDEO_INDEX_SELECT && param)
            m_session.SetCurrentIndex(param->index);
        else if (message == VIDEO_OPENING)
            ReadCurrentMetadata();
        else if (message == VIDEO_FRAME_POSITION_CHANGED && param)
            m_session.position = param->position;
    }
    // False: the recording is known to have two channels, but its metadata never becomes ready.
    bool readMetadata = true;

private:
    void ReadCurrentMetadata()
    {
        if (readMetadata)
            m_session.LoadCurrentMetadata();
        else if (RecordingItem* item = m_session.GetCurrentRecording())
            item->channelCount = 2;
    }

    PlaybackSession& m_session;
};

struct Delivered {
    int32_t message;
    MessageParam param;
};

// Every message as delivered, in order. It can hold the dispatch thread on one message, so that later
// messages pile up behind it.
class MessageLog final : public IListener {
public:
    void update(int32_t message, MessageParam* param) override
    {
        std::unique_lock lock(m_mutex);
        m_delivered.push_back({message, param ? *param : MessageParam{}});
        if (message != m_holdOn)
            return;
        m_held = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_holdOn < 0; });
    }
    std::vector<Delivered> All() const
    {
        std::lock_guard lock(m_mutex);
        return m_delivered;
    }
    std::size_t Size() const { return All().size(); }
    // The ids delivered from the first-th on.
    std::vector<int32_t> Ids(std::size_t first = 0) const
    {
        std::vector<int32_t> ids;
        const auto all = All();
        for (std::size_t i = first; i < all.size(); ++i)
            ids.push_back(all[i].message);
        return ids;
    }
    int Count(int32_t message) const
    {
        const auto ids = Ids();
        return static_cast<int>(std::count(ids.begin(), ids.end(), message));
    }
    // The deliveries of message from the first-th on.
    std::vector<Delivered> Since(std::size_t first, int32_t message) const
    {
        std::vector<Delivered> found;
        const auto all = All();
        for (std::size_t i = first; i < all.size(); ++i)
            if (all[i].message == message)
                found.push_back(all[i]);
        return found;
    }

    // Holds the dispatch thread when message arrives, until Release().
    void Hold(int32_t message)
    {
        std::lock_guard lock(m_mutex);
        m_holdOn = message;
        m_held = false;
    }
    bool WaitHeld()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return m_held; });
    }
    void Release()
    {
        std::lock_guard lock(m_mutex);
        m_holdOn = -1;
        m_changed.notify_all();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int32_t m_holdOn = -1;
    bool m_held = false;
    std::vector<Delivered> m_delivered;
};

// The items of a new list, one per path, as the main window hands them to the session.
inline std::vector<std::unique_ptr<RecordingItem>> RecordingItems(const std::vector<std::string>& paths)
{
    std::vector<std::unique_ptr<RecordingItem>> items;
    for (const std::string& path : paths)
        items.push_back(std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, path,
                                                        std::filesystem::path(path).filename().string()));
    return items;
}
