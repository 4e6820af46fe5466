#pragma once

// How a view follows the session. Every pane and dialog that listens uses the same three pieces:
//
//   class SomePane : public QWidget, public IListener {
//       SomePane(QWidget* parent, PlaybackSession& session)
//           : QWidget(parent), m_session(session) { ...build children...; m_listening = {session, *this}; }
//       void update(int32_t message, MessageParam* param) override;  // a dispatcher, one method a message
//       PlaybackSession& m_session;
//       ...
//       SessionSubscription m_listening;  // declared last: it is removed before any other member goes
//   };
//
// - SessionSubscription adds the listener and removes it when it goes. Declared as the view's last member
//   it goes first, while every other member (and every child widget) still exists; once it has gone no
//   update() is running and none will start.
// - update() runs on the session's dispatch thread. It changes only the model or the engine there and
//   hands every widget change to the user-interface thread with OnUiThread(this, ...), which queues it
//   behind the changes queued before it (so the order of messages holds) and drops it if the view has gone.
// - PostMessage() posts with a fresh argument, as every poster must.

#include "session/PlaybackSession.h"

#include <QMetaObject>
#include <QObject>

#include <memory>
#include <utility>

class SessionSubscription {
public:
    SessionSubscription() = default;
    SessionSubscription(PlaybackSession& session, IListener& listener) : m_session(&session), m_listener(&listener)
    {
        m_session->AddListener(m_listener);
    }
    ~SessionSubscription() { Reset(); }

    SessionSubscription(SessionSubscription&& other) noexcept
        : m_session(std::exchange(other.m_session, nullptr)), m_listener(std::exchange(other.m_listener, nullptr))
    {
    }
    SessionSubscription& operator=(SessionSubscription&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_session = std::exchange(other.m_session, nullptr);
            m_listener = std::exchange(other.m_listener, nullptr);
        }
        return *this;
    }
    SessionSubscription(const SessionSubscription&) = delete;
    SessionSubscription& operator=(const SessionSubscription&) = delete;

    // Removes the listener now (waiting while a message is being delivered). Further calls do nothing.
    void Reset()
    {
        if (m_session)
            m_session->RemoveListener(m_listener);
        m_session = nullptr;
        m_listener = nullptr;
    }
    bool IsActive() const { return m_session != nullptr; }

private:
    PlaybackSession* m_session = nullptr;
    IListener* m_listener = nullptr;
};

// Runs change on the user-interface thread (the thread of view), after every change queued to view before
// it. Never waits; the change is dropped when view is destroyed first.
template <typename Change>
void OnUiThread(QObject* view, Change&& change)
{
    QMetaObject::invokeMethod(view, std::forward<Change>(change), Qt::QueuedConnection);
}

// Posts a message with a fresh argument.
inline void PostMessage(PlaybackSession& session, int32_t message,
                        std::unique_ptr<MessageParam> param = std::make_unique<MessageParam>())
{
    session.Post(message, std::move(param));
}
