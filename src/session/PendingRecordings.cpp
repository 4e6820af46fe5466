#include "session/PendingRecordings.h"

#include <utility>

void PendingRecordings::SetVideoFiles(RecordingList list)
{
    std::lock_guard lock(m_pendingLock);
    m_pendingItems = std::move(list);
    const int32_t sequence[] = {VIDEO_LIST_UPDATE, VIDEO_FILES_OPENED, VIDEO_INDEX_SELECT, VIDEO_MEDIA_LOAD,
                                NEW_VIDEO_PLAY};
    for (int32_t message : sequence) {
        auto param = std::make_unique<MessageParam>();
        param->index = 0;
        m_session.Post(message, std::move(param));
    }
}

bool PendingRecordings::HandOver()
{
    RecordingList list;
    {
        std::lock_guard lock(m_pendingLock);
        if (m_pendingItems.empty())
            return false;
        list = std::move(m_pendingItems);
        m_pendingItems.clear();
    }
    m_session.SetRecordings(std::move(list));
    return true;
}

bool PendingRecordings::HasPending() const
{
    std::lock_guard lock(m_pendingLock);
    return !m_pendingItems.empty();
}
