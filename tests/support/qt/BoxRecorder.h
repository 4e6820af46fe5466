#pragma once

#include "widgets/MessageBoxes.h"

#include <QCoreApplication>
#include <QThread>

#include <deque>
#include <vector>

// Answers message boxes and the file and folder choosers instead of showing them; installed while it lives.
class BoxRecorder final : public IMessageBoxes {
public:
    BoxRecorder() { SetMessageBoxes(this); }
    ~BoxRecorder() override { SetMessageBoxes(nullptr); }
    // One box as it was raised.
    struct Box {
        QString caption, text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        bool onUiThread;
    };

    QMessageBox::StandardButton Show(QWidget* owner, const QString& caption, const QString& text,
                                     QMessageBox::StandardButtons buttons) override
    {
        return ShowWithIcon(owner, caption, text, buttons, QMessageBox::NoIcon);
    }
    QMessageBox::StandardButton ShowWithIcon(QWidget*, const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) override
    {
        texts.push_back(text);
        boxes.push_back({caption, text, buttons, icon, QThread::currentThread() == qApp->thread()});
        if (answers.empty())
            return QMessageBox::Ok;
        const QMessageBox::StandardButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QMessageBox::StandardButton Ask(QWidget* owner, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override
    {
        defaults.push_back(defaultButton);
        return Show(owner, caption, text, buttons);
    }
    void OpenFolder(const QString& folder) override { openedFolders.push_back(folder); }
    QString ChooseFolder(QWidget*, const QString& title, const QString& start) override
    {
        chooserTitles.push_back(title);
        chooserStarts.push_back(start);
        return chosenFolder;
    }
    QString ChooseSaveFile(QWidget*, const QString& title, const QString& suggestedPath, const QString&,
                           QString* filter) override
    {
        chooserTitles.push_back(title);
        suggestedPaths.push_back(suggestedPath);
        if (filter)
            *filter = chosenFilter;
        return chosenFile;
    }

    // The buttons to press, one per box in turn; Ok once they run out.
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<QString> texts;
    std::vector<Box> boxes;
    std::vector<QString> openedFolders;
    std::vector<QMessageBox::StandardButton> defaults;
    std::vector<QString> chooserTitles;
    std::vector<QString> chooserStarts;  // the folder each folder chooser opened in
    QString chosenFolder;
    std::vector<QString> suggestedPaths;
    QString chosenFile;
    QString chosenFilter;
};
