#include "widgets/MessageBoxes.h"

#include <QDesktopServices>
#include <QUrl>

#include <atomic>

namespace {

class QtMessageBoxes final : public IMessageBoxes {
public:
    QMessageBox::StandardButton Show(QWidget* owner, const QString& caption, const QString& text,
                                     QMessageBox::StandardButtons buttons) override
    {
        QMessageBox box(QMessageBox::NoIcon, caption, text, buttons, owner);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    void OpenFolder(const QString& folder) override { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }
};

QtMessageBoxes g_qtMessageBoxes;
std::atomic<IMessageBoxes*> g_messageBoxes{nullptr};

}  // namespace

IMessageBoxes& GetMessageBoxes()
{
    IMessageBoxes* installed = g_messageBoxes.load();
    return installed ? *installed : g_qtMessageBoxes;
}

void SetMessageBoxes(IMessageBoxes* boxes)
{
    g_messageBoxes.store(boxes);
}
