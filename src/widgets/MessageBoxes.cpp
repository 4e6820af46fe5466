#include "widgets/MessageBoxes.h"

#include <QDesktopServices>
#include <QFileDialog>
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

    QMessageBox::StandardButton Ask(QWidget* owner, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override
    {
        QMessageBox box(QMessageBox::NoIcon, caption, text, buttons, owner);
        box.setDefaultButton(defaultButton);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QMessageBox::StandardButton ShowWithIcon(QWidget* owner, const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) override
    {
        QMessageBox box(icon, caption, text, buttons, owner);
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
