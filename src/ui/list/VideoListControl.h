#pragma once

// The recording list pane: the opened recordings as a table (number, date, time, type), four toggle
// buttons and a context menu that restrict it to one kind, header clicks that sort the session's list,
// double-click to play, and the played row kept highlighted and in view. A recording that cannot be played
// is listed all the same, marked unreadable with the reason on a line of its own below it.

#include "playback/SessionView.h"

#include <QPixmap>
#include <QWidget>

#include <string>
#include <vector>

class CMyBitmapButton;
class CSkinListCtrl;
class QLabel;

class VideoListControl : public QWidget, public IListener {
    Q_OBJECT
public:
    // Filters, as kept in the session's `filter`.
    enum Filter { All = 0, EventOnly = 1, AlwaysOnly = 2, ParkingOnly = 3 };

    // Control and command ids.
    static constexpr int kListId = 1122;
    static constexpr int kAllButtonId = 1135;
    static constexpr int kEventButtonId = 32777;
    static constexpr int kAlwaysButtonId = 32778;
    static constexpr int kParkingButtonId = 32779;
    static constexpr int kMenuAll = 40018;
    static constexpr int kMenuAlways = 40019;
    static constexpr int kMenuEvent = 40020;
    static constexpr int kMenuParking = 40021;

    // What the pane keeps of a recording: values, never a pointer into the session's list, which a new
    // list destroys while the pane may still be showing the old one.
    struct Row {
        int number = 0;
        std::string dateText, timeText;
        int type = 0;
        std::string fileName;
        std::string unreadable;  // why the recording cannot be played; empty when it can
        bool operator==(const Row&) const = default;
    };

    VideoListControl(QWidget* parent, PlaybackSession& session);
    ~VideoListControl() override;

    void update(int32_t message, MessageParam* param) override;

    // Commands and notifications, public so the main window and tests can drive them.
    void FilterBy(Filter filter);
    void OnMenuCommand(int command);
    void OnNMDblclkVideolist(int row);
    void OnHeaderClicked(int column);

    // Row of the table showing recording number n under filter f; -1 when it is not there.
    int RowOfNumber(int number, Filter filter) const;

    CSkinListCtrl* List() const { return m_list; }
    CMyBitmapButton* FilterButton(Filter filter) const;
    Filter ActiveFilter() const { return m_activeFilter; }
    int CurrentRow() const { return m_currentRow; }
    int CurrentNumber() const { return m_currentNumber; }
    QSize sizeHint() const override { return {280, 406}; }

    // The widths of the four columns for a table of the given width.
    static std::vector<int> ColumnWidths(int tableWidth);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RefreshFromSession(std::vector<Row> rows);
    void SplitByType(std::vector<Row> rows);
    void FillTable(const std::vector<Row>& rows);
    void EnableFilterButtons();
    void ShowActiveFilter(Filter filter);
    void ShowPlayed(int number);
    void Empty();
    const std::vector<Row>& RowsOf(Filter filter) const;
    std::vector<Row> ReadSessionRows() const;

    PlaybackSession& m_session;
    CSkinListCtrl* m_list = nullptr;
    QLabel* m_title = nullptr;
    CMyBitmapButton* m_allButton = nullptr;
    CMyBitmapButton* m_eventButton = nullptr;
    CMyBitmapButton* m_alwaysButton = nullptr;
    CMyBitmapButton* m_parkingButton = nullptr;
    QPixmap m_headerBitmap;

    // Touched on the user-interface thread only.
    std::vector<Row> m_allItems, m_eventItems, m_alwaysItems, m_parkingItems;
    Filter m_activeFilter = All;
    int m_currentRow = -1;
    int m_currentNumber = -1;

    SessionSubscription m_listening;  // last: removed first
};
