#include "widgets/MessageBoxReporter.h"

#include "widgets/MessageBoxes.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

MessageBoxReporter::MessageBoxReporter()
{
    SetReporter(this);
}

MessageBoxReporter::~MessageBoxReporter()
{
    SetReporter(nullptr);
}

void MessageBoxReporter::Report(const ReportedMessage& message)
{
    const QString text = QString::fromStdString(message.text);
    {
        std::lock_guard lock(m_lock);
        if (!m_waitingOrShown.insert(text).second)
            return;
    }
    if (QThread::currentThread() == thread())
        Show(text);
    else
        QMetaObject::invokeMethod(this, [this, text] { Show(text); }, Qt::QueuedConnection);
}

void MessageBoxReporter::Show(const QString& text)
{
    // Over the window that owns the active one: a passing window (the loading window of a scan) may go
    // while the box is open, and would take the box with it.
    QWidget* owner = QApplication::activeWindow();
    while (owner && owner->parentWidget())
        owner = owner->parentWidget()->window();
    GetMessageBoxes().Show(owner, QString(), text, QMessageBox::Ok);
    std::lock_guard lock(m_lock);
    m_waitingOrShown.erase(text);
}
