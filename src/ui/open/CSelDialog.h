#pragma once

// The Open dialog: shows recordings and folders and lets the user confirm any mix of files and folders
// (nothing selected opens the folder shown). A path typed into the name box (absolute, from "~", or
// relative to the folder shown) opens the file it names; a folder is entered, and Enter again opens it.
// What confirming a selection opens comes from SelectedPaths.

#include <QFileDialog>
#include <QStringList>

class CSelDialog : public QFileDialog {
    Q_OBJECT
public:
    // folder: where it opens (the start-up folder when empty). Placed at the window's top-left + (60, 100).
    CSelDialog(QWidget* window, const QString& folder);

    // Filled when the user confirms.
    const QStringList& SelectedPathList() const { return m_selectedPaths; }
    // The folder shown when confirmed.
    QString CurrentFolder() const;

public slots:
    void accept() override;

private:
    void KeepOkEnabled();
    // Shows folder, with nothing selected and nothing typed.
    void GoTo(const QString& folder);
    void Confirm(const QStringList& paths);

    QStringList m_selectedPaths;
};
