#pragma once

// The dark table of the recording list: rows in two greys, the selected row orange, the row being
// played blue, an unreadable recording's text red; a header of the skin's pieces; a picture scroll bar beside it in place of its own.

#include "widgets/CSkinVerticleScrollbar.h"

#include <QColor>
#include <QPointer>
#include <QTreeWidget>

class CSkinHeaderCtrl;

class CSkinListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kScrollBarId = 0xFFFF;
    // Set (true) on column 0 of a row whose recording cannot be played, and of the line under it that
    // says why: they are drawn in the warning colour. Such a line is a child of its row, spans the
    // columns and takes the row's background.
    static constexpr int kUnreadableRole = Qt::UserRole + 1;

    struct RowColours {
        QColor background;
        QColor text;
    };

    explicit CSkinListCtrl(QWidget* parent = nullptr);

    // Once, after the table has its parent: hides the table's own scroll bars and puts the skinned one
    // beside it, as a sibling.
    void Init();
    // Places the scroll bar along the table's right edge; the owner calls it after every resize.
    void PositionScrollBar();

    // The colours of a row as drawn now.
    RowColours ColoursOfRow(int row, bool selected) const;
    // The colours of any index of the table, the line under an unreadable row included.
    RowColours ColoursOf(const QModelIndex& index, bool selected) const;

    CSkinHeaderCtrl* Header() const { return m_header; }
    CSkinVerticleScrollbar* ScrollBar() const { return m_scrollBar; }

    // Set by the owner (repaint the table afterwards). While m_clicked is set, a selection shows
    // orange only until its row is drawn again; while it is clear, selections stay.
    bool m_clicked = false;
    // The number (first column) of the recording being played; -1 for none.
    int m_currentNumber = -1;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CSkinHeaderCtrl* m_header;
    QPointer<CSkinVerticleScrollbar> m_scrollBar;
};
