#include "session/PlaybackSession.h"

#include "infra/DiagnosticLog.h"
#include "infra/ThreadPriority.h"
#include "recording/AVIFileLoader.h"

#include <algorithm>
#include <optional>
#include <string>

namespace {

const char* const kClass = "PlaybackSession";

// The session's one use of the metadata reader: a fresh loader per request.
bool ReadMetadata(RecordingItem& item)
{
    AVIFileLoader loader;
    return loader.GetMetadataFromAVIFile(item);
}

// The dispatch thread runs every view's update, so it asks for the highest priority this process may
// give a thread and goes on without it when refused. Views start the engine's threads inside a
// NormalPriorityScope, so they do not inherit it.
void RaiseDispatchPriority()
{
    std::string error;
    if (!RaiseThreadPriority(error))
        WriteLog("Dispatch thread keeps its normal priority: " + error, kClass, "DispatchLoop", kLogType,
                 kLogLevelNormal);
}

// Whether the item can be played under the filter (0 all); Parking covers the parking-motion recordings
// too. A recording listed as unreadable is never one to play.
bool Matches(const RecordingItem& item, int32_t type)
{
    return item.IsPlayable() && (type == 0 || item.type == type || (type == Parking && item.type == ParkingMotion));
}

}  // namespace

PlaybackSession& PlaybackSession::GetInstance()
{
    static PlaybackSession instance;
    return instance;
}

PlaybackSession::PlaybackSession()
{
    m_dispatchThread = std::thread(&PlaybackSession::DispatchLoop, this);
}

PlaybackSession::~PlaybackSession()
{
    Shutdown();
    // Only left joinable when the dispatch thread itself shut the session down.
    if (m_dispatchThread.joinable())
        m_dispatchThread.detach();
}

void PlaybackSession::Post(int32_t message, std::unique_ptr<MessageParam> param)
{
    std::lock_guard lock(m_queueLock);
    if (!m_running)
        return;
    m_queue.push_back({message, std::move(param)});
    m_queueChanged.notify_one();
}

void PlaybackSession::ClearQueue()
{
    std::deque<QueuedMessage> dropped;
    std::lock_guard lock(m_queueLock);
    dropped.swap(m_queue);
}

void PlaybackSession::DropWaitingMessages(std::initializer_list<int32_t> messages)
{
    std::deque<QueuedMessage> dropped;
    std::lock_guard lock(m_queueLock);
    std::erase_if(m_queue, [&](QueuedMessage& queued) {
        if (std::find(messages.begin(), messages.end(), queued.message) == messages.end())
            return false;
        // The arguments go after the lock is released, as ClearQueue's do.
        dropped.push_back(std::move(queued));
        return true;
    });
}

void PlaybackSession::AddListener(IListener* listener)
{
    std::lock_guard lock(m_listenersLock);
    m_listeners.push_back(listener);
}

void PlaybackSession::RemoveListener(IListener* listener)
{
    std::lock_guard lock(m_listenersLock);
    std::erase(m_listeners, listener);
}

void PlaybackSession::DispatchLoop()
{
    RaiseDispatchPriority();
    while (true) {
        QueuedMessage queued;
        {
            // An idle session waits for the next post instead of polling, so it answers at once.
            std::unique_lock lock(m_queueLock);
            m_queueChanged.wait(lock, [this] { return !m_running || !m_queue.empty(); });
            if (!m_running)
                return;
            queued = std::move(m_queue.front());
            m_queue.pop_front();
        }
        Deliver(queued);
        // The argument goes with `queued` here, after every listener has seen it.
    }
}

void PlaybackSession::Deliver(QueuedMessage& queued)
{
    std::lock_guard lock(m_listenersLock);
    // A listener may add or remove listeners (itself included) from inside update(): walk a copy, so the
    // list can change under us, and skip whoever has been removed meanwhile, since it may be gone.
    // Listeners added during this delivery start with the next message.
    const std::vector<IListener*> listeners = m_listeners;
    for (IListener* listener : listeners) {
        if (!m_running)
            return;
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
            continue;
        listener->update(queued.message, queued.param.get());
    }
}

void PlaybackSession::SetRecordings(std::vector<std::unique_ptr<RecordingItem>> list)
{
    WriteLog("Set recordings: " + std::to_string(list.size()), kClass, "SetRecordings", kLogType,
             kLogLevelNormal);
    std::lock_guard lock(m_recordingsLock);
    m_clearedRecordings.clear();
    m_recordings.clear();
    for (auto& item : list)
        if (item)
            m_recordings.push_back(std::move(item));
    // The first recording that can be played is current.
    currentIndex = 0;
    (void)SetCurrentIndex(0);
}

std::vector<RecordingItem*> PlaybackSession::GetRecordings() const
{
    std::lock_guard lock(m_recordingsLock);
    std::vector<RecordingItem*> copy;
    copy.reserve(m_recordings.size());
    for (const auto& item : m_recordings)
        copy.push_back(item.get());
    return copy;
}

void PlaybackSession::VisitRecordings(const std::function<void(const RecordingItem&)>& visit) const
{
    std::lock_guard lock(m_recordingsLock);
    for (const auto& item : m_recordings)
        visit(*item);
}

void PlaybackSession::ClearRecordings()
{
    WriteLog("Clear recordings", kClass, "ClearRecordings", kLogType, kLogLevelNormal);
    std::lock_guard lock(m_recordingsLock);
    for (auto& item : m_recordings)
        m_clearedRecordings.push_back(std::move(item));
    m_recordings.clear();
}

RecordingItem* PlaybackSession::GetCurrentRecording() const
{
    std::lock_guard lock(m_recordingsLock);
    const auto index = static_cast<uint32_t>(currentIndex.load());
    // An unreadable recording is never handed out to be played, whatever points at it.
    return index < m_recordings.size() && m_recordings[index]->IsPlayable() ? m_recordings[index].get() : nullptr;
}

bool PlaybackSession::SetCurrentIndex(int32_t index)
{
    std::lock_guard lock(m_recordingsLock);
    const auto count = static_cast<int32_t>(m_recordings.size());
    if (index < 0 || index >= count)
        return false;
    // An unreadable recording is never current: the next one that can be played is, from the start of the
    // list when none follows.
    for (int32_t step = 0; step < count; ++step) {
        const int32_t candidate = (index + step) % count;
        if (m_recordings[candidate]->IsPlayable()) {
            currentIndex = candidate;
            return true;
        }
    }
    return false;
}

bool PlaybackSession::LoadCurrentMetadata()
{
    // Reading a long recording takes a while: the list stays unlocked meanwhile (a Next click asks it for
    // the neighbours from the user-interface thread), and the result is swapped in under the lock.
    RecordingItem* item = nullptr;
    std::optional<RecordingItem> read;
    {
        std::lock_guard lock(m_recordingsLock);
        item = GetCurrentRecording();
        if (!item)
            return false;
        read.emplace(*item);
    }
    WriteLog("Load metadata: " + read->path, kClass, "LoadCurrentMetadata", kLogType, kLogLevelNormal);
    const bool ok = ReadMetadata(*read);
    std::lock_guard lock(m_recordingsLock);
    // The list may have been replaced meanwhile; the result then belongs to no one.
    const bool stillListed = std::any_of(m_recordings.begin(), m_recordings.end(),
                                         [&](const auto& listed) { return listed.get() == item; });
    if (!stillListed)
        return false;
    *item = std::move(*read);
    return ok;
}

bool PlaybackSession::GetPreviousIndex(int32_t& index) const
{
    std::lock_guard lock(m_recordingsLock);
    const int32_t current = currentIndex;
    const int32_t count = static_cast<int32_t>(m_recordings.size());
    const int32_t type = filter;
    int32_t found = -1;
    for (int32_t i = std::min(current, count) - 1; i >= 0 && found < 0; --i)
        if (Matches(*m_recordings[i], type))
            found = i;
    // Under a filter, nothing before the current one: the first match from the current one on.
    for (int32_t i = std::max(current, 0); type != 0 && i < count && found < 0; ++i)
        if (Matches(*m_recordings[i], type))
            found = i;
    // A filter that matches nothing steps back unfiltered.
    for (int32_t i = std::min(current, count) - 1; type != 0 && i >= 0 && found < 0; --i)
        if (Matches(*m_recordings[i], 0))
            found = i;
    // An index outside the list (the list was cleared under the current index) is no previous recording.
    if (found < 0 || found == current) {
        index = current;
        return false;
    }
    index = found;
    return true;
}

bool PlaybackSession::GetNextIndex(int32_t& index) const
{
    std::lock_guard lock(m_recordingsLock);
    const int32_t current = currentIndex;
    const int32_t count = static_cast<int32_t>(m_recordings.size());
    const int32_t type = filter;
    int32_t next = -1;
    for (int32_t i = std::max(current + 1, 0); i < count && next < 0; ++i)
        if (Matches(*m_recordings[i], type))
            next = i;
    // Under a filter, nothing after the current one: wrap to the start of the list.
    for (int32_t i = 0; type != 0 && i < std::min(current, count) && next < 0; ++i)
        if (Matches(*m_recordings[i], type))
            next = i;
    if (next < 0) {
        index = 0;
        return false;
    }
    index = next;
    return true;
}

template <typename Less>
void PlaybackSession::SortBy(Less less)
{
    std::lock_guard lock(m_recordingsLock);
    const int32_t current = currentIndex;
    const RecordingItem* playing =
        current >= 0 && size_t(current) < m_recordings.size() ? m_recordings[current].get() : nullptr;
    // Equal keys keep their order, as the list pane's repeated sorts expect.
    std::stable_sort(m_recordings.begin(), m_recordings.end(),
                     [&less](const auto& a, const auto& b) { return less(*a, *b); });
    // The recording being played stays the current one wherever it moved; otherwise the highlight, map,
    // graph and previous/next would follow whichever recording took its old place.
    for (size_t i = 0; playing && i < m_recordings.size(); ++i)
        if (m_recordings[i].get() == playing)
            currentIndex = static_cast<int32_t>(i);
}

void PlaybackSession::SortByDate()
{
    SortBy([](const RecordingItem& a, const RecordingItem& b) { return a.dateText < b.dateText; });
}

void PlaybackSession::SortByTime()
{
    SortBy([](const RecordingItem& a, const RecordingItem& b) { return a.timeText < b.timeText; });
}

void PlaybackSession::SortByType()
{
    SortBy([](const RecordingItem& a, const RecordingItem& b) { return a.type < b.type; });
}

void PlaybackSession::Renumber()
{
    std::lock_guard lock(m_recordingsLock);
    for (size_t i = 0; i < m_recordings.size(); ++i)
        m_recordings[i]->number = static_cast<int32_t>(i + 1);
}

void PlaybackSession::StopDelivery()
{
    std::lock_guard lock(m_queueLock);
    m_running = false;
    m_queueChanged.notify_all();
}

void PlaybackSession::Shutdown()
{
    StopDelivery();
    // The thread finishes the listener it is calling, then sees the flag. From inside update() it cannot
    // wait for itself; the destructor lets it go instead.
    if (m_dispatchThread.joinable() && m_dispatchThread.get_id() != std::this_thread::get_id()) {
        m_dispatchThread.join();
        WriteLog("Dispatch thread ended", kClass, "Shutdown", kLogType, kLogLevelNormal);
    }
    ClearQueue();
    std::lock_guard lock(m_recordingsLock);
    m_recordings.clear();
    m_clearedRecordings.clear();
}
