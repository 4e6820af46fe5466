#include "widgets/CMyBitmapButton.h"

#include "widgets/ResourceManager.h"

#include <QPainter>

CMyBitmapButton::CMyBitmapButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

bool CMyBitmapButton::LoadBitmaps(quint16 normal, quint16 selected, quint16 focus, quint16 disabled)
{
    m_normal = m_selected = m_focus = m_disabled = QPixmap();
    update();
    const ResourceManager* resources = ResourceManager::GetInstance();
    if (normal == 0 || (m_normal = resources->LoadBitmap(normal)).isNull())
        return false;
    bool allLoaded = true;
    const auto load = [&](quint16 id, QPixmap& into) {
        if (id != 0 && (into = resources->LoadBitmap(id)).isNull())
            allLoaded = false;
    };
    load(selected, m_selected);
    load(focus, m_focus);
    load(disabled, m_disabled);
    return allLoaded;
}

void CMyBitmapButton::SizeToContent()
{
    if (!m_normal.isNull())
        resize(m_normal.deviceIndependentSize().toSize());
}

const QPixmap& CMyBitmapButton::CurrentBitmap() const
{
    const QPixmap* chosen = &m_normal;
    if (isDown())
        chosen = &m_selected;
    else if (hasFocus())
        chosen = &m_focus;
    else if (!isEnabled())
        chosen = &m_disabled;
    return chosen->isNull() ? m_normal : *chosen;
}

QSize CMyBitmapButton::sizeHint() const
{
    return m_normal.isNull() ? QSize(16, 16) : m_normal.deviceIndependentSize().toSize();
}

void CMyBitmapButton::paintEvent(QPaintEvent*)
{
    const QPixmap& bitmap = CurrentBitmap();
    if (!bitmap.isNull())
        QPainter(this).drawPixmap(0, 0, bitmap);
}
