#pragma once

#include "session/PlaybackSession.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

// What every listener of one test saw, in the order the dispatch thread delivered it.
struct DeliveryLog {
    struct Entry {
        std::string listener;
        int32_t message;
        int32_t index;  // the argument's index, -1 without an argument
        friend bool operator==(const Entry&, const Entry&) = default;
        friend void PrintTo(const Entry& e, std::ostream* out)
        {
            *out << e.listener << ":" << SessionMessageName(e.message) << "(" << e.index << ")";
        }
    };

    void Add(Entry entry)
    {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
        changed.notify_all();
    }
    // Waits (at most a generous while, so a fault fails instead of hanging) for `count` entries.
    bool WaitForCount(size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return entries.size() >= count; });
    }
    std::vector<Entry> Snapshot()
    {
        std::lock_guard lock(mutex);
        return entries;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Entry> entries;
};

// A listener that writes every delivery into the log and then runs an optional action.
class LoggingListener : public IListener {
public:
    LoggingListener(std::string name, DeliveryLog& log) : m_name(std::move(name)), m_log(log) {}

    void update(int32_t message, MessageParam* param) override
    {
        m_log.Add({m_name, message, param ? param->index : -1});
        if (onUpdate)
            onUpdate(message, param);
    }

    std::function<void(int32_t, MessageParam*)> onUpdate;

private:
    std::string m_name;
    DeliveryLog& m_log;
};

// Holds the dispatch thread inside update() until released, so that messages pile up behind it.
class Gate {
public:
    void WaitInside()  // called by the listener
    {
        std::unique_lock lock(m_mutex);
        m_inside = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
    }
    bool WaitUntilEntered()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_inside; });
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_inside = false;
    bool m_open = false;
};

inline std::unique_ptr<MessageParam> WithIndex(int32_t index)
{
    auto param = std::make_unique<MessageParam>();
    param->index = index;
    return param;
}
