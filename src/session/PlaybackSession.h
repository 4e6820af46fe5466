#pragma once

#include "recording/RecordingItem.h"
#include "session/SessionMessage.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The model every view shares (the opened recordings, the current one, the playback position, the list
// filter) and the hub that delivers session messages to every listener, one message at a time and in
// posting order, on the session's own dispatch thread.
//
// Locks: queueLock guards the queue, listenersLock the listener list and the whole delivery of one
// message, recordingsLock the recordings and changes of currentIndex made through the operations.
// Whoever needs two of them takes listenersLock first; the dispatch thread holds it while listeners
// call the other operations.
class PlaybackSession {
public:
    // The process-wide session, created (with its dispatch thread) on the first call.
    static PlaybackSession& GetInstance();

    // A session of its own, running until Shutdown() or destruction (tests use fresh ones).
    PlaybackSession();
    ~PlaybackSession();
    PlaybackSession(const PlaybackSession&) = delete;
    PlaybackSession& operator=(const PlaybackSession&) = delete;

    // Queues a message behind every waiting one; dropped (with its argument) once the session has
    // stopped running.
    void Post(int32_t message, std::unique_ptr<MessageParam> param = nullptr);
    // Drops every waiting message; the one being delivered is not affected.
    void ClearQueue();
    // Drops the waiting messages with one of the given ids and keeps every other one in its order (a seek
    // replaces older position reports and seeks, but must not lose an opening or an end sequence).
    void DropWaitingMessages(std::initializer_list<int32_t> messages);

    // Listeners are not owned. Adding or removing one from another thread waits while a message is being
    // delivered, so once RemoveListener returns the listener is not in update() and will not be called.
    void AddListener(IListener* listener);
    void RemoveListener(IListener* listener);

    // Replaces the list (the session owns the items; null entries are skipped) and makes index 0 current.
    void SetRecordings(std::vector<std::unique_ptr<RecordingItem>> list);
    std::vector<RecordingItem*> GetRecordings() const;
    // Calls visit for each recording in list order while holding the recordings lock, so no new list can
    // destroy an item under it; for threads other than the dispatch thread, which may replace the list.
    void VisitRecordings(const std::function<void(const RecordingItem&)>& visit) const;
    // Empties the list. The items stay alive until the next SetRecordings or Shutdown, so a pointer that
    // a listener took while the same message is being delivered remains usable.
    void ClearRecordings();
    // The item at currentIndex, or null; valid until the list is replaced or shut down.
    RecordingItem* GetCurrentRecording() const;
    bool SetCurrentIndex(int32_t index);
    // Reads the current item's metadata; false without a current item or when reading fails.
    bool LoadCurrentMetadata();

    // The neighbours of the current recording under the filter (Parking covers parking motion too).
    // Neither changes currentIndex.
    bool GetPreviousIndex(int32_t& index) const;
    bool GetNextIndex(int32_t& index) const;

    // Stable ascending sorts; the current recording stays current (currentIndex follows it). The list pane
    // renumbers afterwards.
    void SortByDate();
    void SortByTime();
    void SortByType();
    void Renumber();

    // Stops queuing and delivering; the dispatch thread ends at its next check. Closing the main window
    // calls it before the views go away.
    void StopDelivery();
    bool IsRunning() const { return m_running; }
    // Stops delivery, waits for the dispatch thread to end, then releases the queue and the recordings.
    // Further calls do nothing.
    void Shutdown();

    // Read and written directly by the views.
    std::atomic<int32_t> currentIndex{0};
    std::atomic<float> position{0.0f};
    std::atomic<int32_t> filter{0};  // 0 all, 1 Event, 2 Always, 3 Parking
    std::atomic<bool> videoAreaMaximized{false};

private:
    struct QueuedMessage {
        int32_t message = 0;
        std::unique_ptr<MessageParam> param;
    };

    void DispatchLoop();
    void Deliver(QueuedMessage& queued);
    template <typename Less>
    void SortBy(Less less);

    std::atomic<bool> m_running{true};

    mutable std::recursive_mutex m_queueLock;
    std::condition_variable_any m_queueChanged;  // a message arrived or delivery stopped
    std::deque<QueuedMessage> m_queue;

    mutable std::recursive_mutex m_listenersLock;
    std::vector<IListener*> m_listeners;

    mutable std::recursive_mutex m_recordingsLock;
    std::vector<std::unique_ptr<RecordingItem>> m_recordings;
    std::vector<std::unique_ptr<RecordingItem>> m_clearedRecordings;  // kept alive, see ClearRecordings

    std::thread m_dispatchThread;
};
