#include "output/BusyDialog.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <exception>
#include <optional>
#include <thread>

namespace {

// A note with a running bar; only Finish() closes it (Esc and the close box do nothing).
class BusyDialog final : public QDialog {
public:
    BusyDialog(QWidget* owner, const QString& text)
        : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName("BusyDialog");
        setWindowTitle(QApplication::applicationDisplayName());
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(text, this));
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);  // no known end: a running bar
        layout->addWidget(bar);
        setMinimumWidth(360);
    }
    void Finish()
    {
        m_finished = true;
        accept();
    }
    void reject() override
    {
        if (m_finished)
            QDialog::reject();
    }

private:
    bool m_finished = false;
};

}  // namespace

Result RunBehindBusyDialog(QWidget* owner, const QString& text, const std::function<Result()>& work)
{
    BusyDialog busy(owner, text);
    std::optional<Result> outcome;
    std::thread worker([&] {
        Result result = Result::Failure("the work stopped early");
        try {
            result = work();
        } catch (const std::exception& error) {  // out of memory, say: told as a failure, never a crash
            result = Result::Failure(error.what());
        }
        // Handed back through the dialog's own queue: it is read on the user-interface thread only.
        QMetaObject::invokeMethod(
            &busy,
            [&, result] {
                outcome = result;
                busy.Finish();
            },
            Qt::QueuedConnection);
    });
    busy.exec();
    worker.join();
    return *outcome;
}
