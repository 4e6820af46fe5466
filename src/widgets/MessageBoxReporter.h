#pragma once

// The user interface's reporter: what the core has to tell the user appears in a message box over the
// active window. The core may report from a worker (a scan runs off the interface thread); then the box
// is queued to the interface thread and Report returns at once. A text already on screen, or already
// on its way there, is not queued a second time.

#include "infra/Reporter.h"

#include <QObject>
#include <QString>

#include <mutex>
#include <set>

class MessageBoxReporter final : public QObject, public IReporter {
    Q_OBJECT
public:
    // Created on the interface thread; installs itself as the reporter while it lives.
    MessageBoxReporter();
    ~MessageBoxReporter() override;

    void Report(const ReportedMessage& message) override;

private:
    void Show(const QString& text);

    std::mutex m_lock;
    std::set<QString> m_waitingOrShown;
};
