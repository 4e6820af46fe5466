#include "widgets/CSkinListCtrl.h"

#include "widgets/CSkinHeaderCtrl.h"
#include "widgets/CSkinVerticleScrollbar.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <cstdlib>

namespace {

const QColor kGround(51, 51, 51);

// The leading whole number of a text, 0 when it starts with none (as the numbers have always been read).
int LeadingNumber(const QString& text)
{
    return int(std::strtol(text.toUtf8().constData(), nullptr, 10));
}

// Paints each cell in its row's colours; the view's own highlight and focus frame never show.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(CSkinListCtrl* list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const CSkinListCtrl::RowColours colours = m_list->ColoursOf(index, selected);
        painter->fillRect(option.rect, colours.background);
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
        plain.backgroundBrush = Qt::NoBrush;
        plain.palette.setColor(QPalette::Text, colours.text);
        const QRect textArea = option.rect.adjusted(4, 0, -4, 0);
        painter->save();
        painter->setPen(colours.text);
        painter->setFont(plain.font);
        const QString shown = plain.fontMetrics.elidedText(plain.text, Qt::ElideRight, textArea.width());
        painter->drawText(textArea, int(plain.displayAlignment) | Qt::TextSingleLine, shown);
        painter->restore();
    }

private:
    CSkinListCtrl* m_list;
};

}  // namespace

CSkinListCtrl::CSkinListCtrl(QWidget* parent) : QTreeWidget(parent), m_header(new CSkinHeaderCtrl(this))
{
    setHeader(m_header);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(false);  // the rows show their own colours, never a focus frame
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFrameShape(QFrame::NoFrame);
    setIndentation(0);  // the only children are the reason lines under unreadable rows
    setItemDelegate(new RowDelegate(this));
}

void CSkinListCtrl::Init()
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, kGround);
    palette.setColor(QPalette::Window, kGround);
    setPalette(palette);

    m_scrollBar = new CSkinVerticleScrollbar(parentWidget() ? parentWidget() : this);
    m_scrollBar->setObjectName(QStringLiteral("scrollbar%1").arg(kScrollBarId));
    m_scrollBar->Init(this);
    m_scrollBar->show();
    // Whatever moves the table's position (wheel, keys, rows coming and going) moves the thumb.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_scrollBar, &CSkinVerticleScrollbar::UpdateThumbPosition);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, m_scrollBar, &CSkinVerticleScrollbar::UpdateThumbPosition);
    PositionScrollBar();
    m_clicked = true;
}

void CSkinListCtrl::PositionScrollBar()
{
    if (!m_scrollBar)
        return;
    const QRect list = geometry();
    m_scrollBar->setGeometry(list.x() + list.width() - 22, list.y(), 20, list.height() + 2);
    m_scrollBar->UpdateThumbPosition();
}

CSkinListCtrl::RowColours CSkinListCtrl::ColoursOfRow(int row, bool selected) const
{
    RowColours colours{row % 2 ? QColor(60, 60, 60) : QColor(80, 80, 80), QColor(200, 200, 200)};
    if (selected)
        colours = {QColor(255, 165, 0), QColor(20, 20, 20)};
    // The row being played wins over the selection.
    if (LeadingNumber(model()->index(row, 0).data().toString()) == m_currentNumber)
        colours = {QColor(49, 106, 197), QColor(200, 200, 200)};
    return colours;
}

CSkinListCtrl::RowColours CSkinListCtrl::ColoursOf(const QModelIndex& index, bool selected) const
{
    const QModelIndex row = index.parent().isValid() ? index.parent() : index;
    RowColours colours = ColoursOfRow(row.row(), selected && !index.parent().isValid());
    if (!selected && model()->index(index.row(), 0, index.parent()).data(kUnreadableRole).toBool())
        colours.text = QColor(240, 128, 112);
    return colours;
}

void CSkinListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    QTreeWidget::drawRow(painter, option, index);
    if (!selected || !m_clicked)
        return;
    // After a click the selection has been shown once; it goes once the row has been drawn.
    const QPersistentModelIndex row(index);
    auto* self = const_cast<CSkinListCtrl*>(this);
    QMetaObject::invokeMethod(
        self,
        [self, row] {
            if (row.isValid() && self->selectionModel())
                self->selectionModel()->select(row, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        },
        Qt::QueuedConnection);
}
