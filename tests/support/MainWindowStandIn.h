#pragma once

#include "session/PlaybackSession.h"

// Does what the main window does with the messages the panes rely on: selects the recording, reads its
// metadata when the engine opens it, stores the position.
class MainWindowStandIn final : public IListener {
public:
    explicit MainWindowStandIn(PlaybackSession& session) : m_session(session) {}
    void update(int32_t message, MessageParam* param) override
    {
        if (message == VIDEO_INDEX_SELECT)
            m_session.SetCurrentIndex(param->index);
        else if (message == VIDEO_OPENING)
            ReadCurrentMetadata();
        else if (message == VIDEO_FRAME_POSITION_CHANGED)
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
