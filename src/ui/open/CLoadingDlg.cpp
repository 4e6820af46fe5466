#include "ui/open/CLoadingDlg.h"

#include "ui/DialogTexts.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CLoadingDlg::CLoadingDlg(QWidget* window)
    : QDialog(window), m_progressText(new QLabel(this)), m_progressBar(new QProgressBar(this)),
      m_cancel(new QPushButton(DialogText("loading.cancel"), this))
{
    setObjectName(QStringLiteral("CLoadingDlg"));
    setWindowTitle(DialogText("loading.caption"));
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    for (const char* key : {"loading.opening", "loading.wait", "loading.cardNote"})
        layout->addWidget(new QLabel(DialogText(key), this));
    layout->addSpacing(6);
    m_progressBar->setRange(0, 0);  // busy until the files are counted
    m_progressBar->setTextVisible(false);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_progressText);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, &CLoadingDlg::CancelRequested);
    SetProgress(0, 0, 0);
}

void CLoadingDlg::ShowCentred()
{
    adjustSize();
    if (QWidget* window = parentWidget() ? parentWidget()->window() : nullptr)
        move(window->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
}

void CLoadingDlg::SetProgress(std::size_t done, std::size_t total, std::size_t found)
{
    if (total > 0) {
        m_progressBar->setRange(0, int(total));
        m_progressBar->setValue(int(done));
    }
    m_progressText->setText(
        DialogText("loading.progress").arg(qulonglong(done)).arg(qulonglong(total)).arg(qulonglong(found)));
}

void CLoadingDlg::reject()
{
    m_cancel->setEnabled(false);
    emit CancelRequested();
}
