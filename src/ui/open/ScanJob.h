#pragma once

// One scan of opened folders and files on a thread of its own, so the window keeps painting and playing
// while recordings are checked and repaired. The window polls the counters; the list is taken once the
// job has finished, complete and sorted as the scan orders it.

#include "recording/CFileLoader.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class ScanJob {
public:
    // Starts at once. repair (not owned) stands in for the loader's own repair when given. finished, when
    // given, is called on the scan's thread as its last act, so the owner need not wait for its next poll.
    ScanJob(std::vector<std::string> folders, std::vector<std::string> files, IRecordingRepair* repair = nullptr,
            std::function<void()> finished = {});
    // Cancels and waits for the thread.
    ~ScanJob();
    ScanJob(const ScanJob&) = delete;
    ScanJob& operator=(const ScanJob&) = delete;

    // The scan stops before its next file; a repair in progress finishes first.
    void Cancel() { m_cancel = true; }
    bool IsFinished() const { return m_finished; }
    // Files looked at, files to look at, recordings found so far.
    std::size_t Done() const { return m_done; }
    std::size_t Total() const { return m_total; }
    std::size_t Found() const { return m_found; }

    // Once finished: waits for the thread and hands over the list; empty after a cancel.
    RecordingList TakeResult();
    bool WasCancelled() const { return m_cancelled; }

private:
    void Run(std::vector<std::string> folders, std::vector<std::string> files, IRecordingRepair* repair,
             std::function<void()> finished);

    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
    std::atomic<std::size_t> m_done{0}, m_total{0}, m_found{0};
    RecordingList m_result;  // written by the thread before m_finished, read after the join
    std::thread m_thread;
};
