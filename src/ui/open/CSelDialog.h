#pragma once

// The Open dialog: shows recordings and folders and lets the user confirm any mix of files and folders
// (nothing selected opens the folder shown). What confirming opens comes from SelectedPaths.

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

    QStringList m_selectedPaths;
};
