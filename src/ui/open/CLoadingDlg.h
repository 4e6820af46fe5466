#pragma once

// The small window shown while recordings are being opened: three lines of text, how far the scan is,
// and Cancel. It is modal to the main window only, so the window behind paints and plays on but takes
// no input.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class CLoadingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLoadingDlg(QWidget* window);

    // Shows it centred on the window.
    void ShowCentred();
    void SetProgress(std::size_t done, std::size_t total, std::size_t found);

    QLabel* ProgressLabel() const { return m_progressText; }
    QProgressBar* ProgressBar() const { return m_progressBar; }
    QPushButton* CancelButton() const { return m_cancel; }

signals:
    void CancelRequested();

protected:
    // Escape and the close box ask to cancel as well; the window goes when the scan has stopped.
    void reject() override;

private:
    QLabel* m_progressText;
    QProgressBar* m_progressBar;
    QPushButton* m_cancel;
};
