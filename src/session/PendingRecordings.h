#pragma once

#include "recording/CFileLoader.h"
#include "session/PlaybackSession.h"

#include <mutex>

// The list of recordings a user has just opened, on its way to the session. The window's thread stores
// it and posts the opening sequence; the dispatch thread takes it over on VIDEO_LIST_UPDATE, so the
// session's list only changes between deliveries, never under a view that is reading it.
class PendingRecordings {
public:
    explicit PendingRecordings(PlaybackSession& session) : m_session(session) {}

    // Keeps list (destroying a list still waiting, which nobody has seen) and posts VIDEO_LIST_UPDATE,
    // VIDEO_FILES_OPENED, VIDEO_INDEX_SELECT (index 0), VIDEO_MEDIA_LOAD and NEW_VIDEO_PLAY. Both happen
    // under one lock, so two quick lists post their sequences whole and in order.
    void SetVideoFiles(RecordingList list);

    // On VIDEO_LIST_UPDATE: gives the waiting list to the session. A second update of two quick lists
    // finds nothing waiting and leaves the session's list alone; false then.
    bool HandOver();

    bool HasPending() const;

private:
    PlaybackSession& m_session;
    mutable std::mutex m_pendingLock;
    RecordingList m_pendingItems;
};
