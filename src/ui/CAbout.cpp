#include "ui/CAbout.h"
#include "widgets/SkinIds.h"

#include "widgets/CMyBitmapButton.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinFont.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {

constexpr QSize kBoxSize(291, 159);

void StyleText(QWidget* widget)
{
    widget->setFont(SkinFont(QStringLiteral("MS Sans Serif"), 17, QFont::DemiBold));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColor(200, 200, 200));
    widget->setPalette(palette);
}

}  // namespace

CAbout::CAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(kProductName);
    setFixedSize(kBoxSize);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);

    m_band = ResourceManager::GetInstance()->LoadBitmap(SkinId::kAboutBand);

    m_ok = new CMyBitmapButton(this);
    m_ok->setObjectName("OK");
    m_ok->setGeometry(190, 120, 60, 25);
    m_ok->LoadBitmaps(SkinId::kAboutOkNormal, SkinId::kAboutOkPressed, SkinId::kAboutOkNormal,
                      SkinId::kAboutOkNormal);
    m_ok->SizeToContent();
    m_ok->setFocus();
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);

    m_product = new QLabel(QString::fromUtf8(kProductName), this);
    m_product->setGeometry(30, 50, 250, 30);
    m_version = new QLabel(QString::fromUtf8(kVersion), this);
    m_version->setGeometry(30, 80, 250, 30);
    for (QLabel* label : {m_product, m_version}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        StyleText(label);
    }

    // The band stands in for the missing caption.
    m_bandArea = new QWidget(this);
    m_bandArea->setGeometry(0, 0, 291, 29);
    m_bandArea->installEventFilter(this);
}

void CAbout::paintEvent(QPaintEvent*)
{
    // A thin border in place of the caption's frame.
    QPainter painter(this);
    painter.drawPixmap(QRect(0, 0, 291, 28), m_band);
    painter.setPen(QColor(80, 80, 80));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool CAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_bandArea)
        return QDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            break;
        // The window manager moves the box as it would by a caption; where it cannot, the box follows
        // the mouse itself.
        m_movingByHand = !(windowHandle() && windowHandle()->startSystemMove());
        m_grabOffset = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
    case QEvent::MouseMove:
        if (m_movingByHand && (mouse->buttons() & Qt::LeftButton))
            move(mouse->globalPosition().toPoint() - m_grabOffset);
        return m_movingByHand;
    case QEvent::MouseButtonRelease:
        m_movingByHand = false;
        return true;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
