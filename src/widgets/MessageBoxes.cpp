#include "widgets/MessageBoxes.h"

#include "infra/DiagnosticLog.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPointer>
#include <QUrl>

#include <atomic>

namespace {

QPointer<QWidget> g_mainWindow;

// A box is centred on the window of its owner; without one, on the main window. What it says goes to the
// diagnostic log as well.
QWidget* OwnerOf(QWidget* owner, const QString& text)
{
    WriteLog("Message box: " + text.toStdString(), "MessageBoxes", "Show", kLogType, kLogLevelNormal);
    return owner ? owner->window() : g_mainWindow.data();
}

// Qt places a dialog before the box has worked out its size, so a box with a long text would sit off
// the middle: it is placed again once it knows its size, before it is mapped.
class CentredBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        if (QWidget* owner = parentWidget())
            move(owner->window()->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
};

class QtMessageBoxes final : public IMessageBoxes {
public:
    QMessageBox::StandardButton Show(QWidget* owner, const QString& caption, const QString& text,
                                     QMessageBox::StandardButtons buttons) override
    {
        CentredBox box(QMessageBox::NoIcon, caption, text, buttons, OwnerOf(owner, text));
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    void OpenFolder(const QString& folder) override { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

    QMessageBox::StandardButton Ask(QWidget* owner, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override
    {
        CentredBox box(QMessageBox::NoIcon, caption, text, buttons, OwnerOf(owner, text));
        box.setDefaultButton(defaultButton);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QMessageBox::StandardButton ShowWithIcon(QWidget* owner, const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) override
    {
        CentredBox box(icon, caption, text, buttons, OwnerOf(owner, text));
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }
};

QtMessageBoxes g_qtMessageBoxes;
std::atomic<IMessageBoxes*> g_messageBoxes{nullptr};

}  // namespace

QMessageBox::StandardButton IMessageBoxes::Ask(QWidget* owner, const QString& caption, const QString& text,
                                               QMessageBox::StandardButtons buttons, QMessageBox::StandardButton)
{
    return Show(owner, caption, text, buttons);
}

QMessageBox::StandardButton IMessageBoxes::ShowWithIcon(QWidget* owner, const QString& caption, const QString& text,
                                                        QMessageBox::StandardButtons buttons, QMessageBox::Icon)
{
    return Show(owner, caption, text, buttons);
}

QString IMessageBoxes::ChooseFolder(QWidget* owner, const QString& title, const QString& start)
{
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

QString IMessageBoxes::ChooseSaveFile(QWidget* owner, const QString& title, const QString& suggestedPath,
                                      const QString& filters, QString* filter)
{
    return QFileDialog::getSaveFileName(owner, title, suggestedPath, filters, filter);
}

IMessageBoxes& GetMessageBoxes()
{
    IMessageBoxes* installed = g_messageBoxes.load();
    return installed ? *installed : g_qtMessageBoxes;
}

void SetMessageBoxes(IMessageBoxes* boxes)
{
    g_messageBoxes.store(boxes);
}

void SetMainWindowForMessageBoxes(QWidget* window)
{
    g_mainWindow = window;
}
