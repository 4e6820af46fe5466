#pragma once

// Message boxes that a view raises on its own (a capture went wrong, a file was saved) go through this
// small interface: the program shows real modal boxes, tests install a recorder that answers instead.
// Every call is made on the user-interface thread.

#include <QMessageBox>
#include <QString>

class QWidget;

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows text with the caption and the buttons over owner; returns the button chosen.
    virtual QMessageBox::StandardButton Show(QWidget* owner, const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons) = 0;
    // Opens a folder in the desktop's file manager.
    virtual void OpenFolder(const QString& folder) = 0;
    // Like Show, with the button that Enter presses. The default ignores it, for recorders that answer.
    virtual QMessageBox::StandardButton Ask(QWidget* owner, const QString& caption, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton);
    // Like Show, with an icon (a warning, a question). The default ignores it, for recorders that answer.
    virtual QMessageBox::StandardButton ShowWithIcon(QWidget* owner, const QString& caption, const QString& text,
                                                     QMessageBox::StandardButtons buttons, QMessageBox::Icon icon);
    // The folder chooser (folders only): the chosen folder, empty when the user cancels.
    virtual QString ChooseFolder(QWidget* owner, const QString& title, const QString& start);
    // The save-file chooser: the chosen path, empty when the user cancels. `filters` as Qt writes them
    // ("GPX (*.gpx);;CSV (*.csv)"); `filter` gets the one chosen.
    virtual QString ChooseSaveFile(QWidget* owner, const QString& title, const QString& suggestedPath,
                                   const QString& filters, QString* filter);
};

// The message boxes in force: the real ones unless a test installed its own.
IMessageBoxes& GetMessageBoxes();
// Installs message boxes (nullptr restores the real ones). The caller keeps ownership.
void SetMessageBoxes(IMessageBoxes* boxes);
// The program's main window: a real box asked for without an owner (one raised while the window starts,
// before any window is active) is centred on it rather than on the screen. Not owned; forgotten when it
// is destroyed.
void SetMainWindowForMessageBoxes(QWidget* window);
