#include "ui/list/VideoListControl.h"

#include "infra/DiagnosticLog.h"
#include "infra/MenuTable.h"
#include "ui/TrackExportAction.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "widgets/CMyBitmapButton.h"
#include "widgets/CSkinHeaderCtrl.h"
#include "widgets/CSkinListCtrl.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinIds.h"
#include "widgets/SkinFont.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyle>

#include <array>

namespace {

constexpr const char* kClass = "VideoListControl";
const QColor kGround(51, 51, 51);
const QColor kCaptionColour(200, 200, 200);

struct Bitmaps {
    quint16 normal, selected, focus, disabled;
};

// The pictures of each filter button: while it is the active filter, otherwise, and before the first list.
struct ButtonLook {
    Bitmaps active, otherwise, initial;
};
using namespace SkinId;
constexpr std::array<ButtonLook, 4> kButtonLooks = {{
    {{kFilterAllActive, kFilterAllActive, kFilterAllActive, kFilterAllDisabled},
     {kFilterAllNormal, kFilterAllNormal, kFilterAllNormal, kFilterAllDisabled},
     {kFilterAllActive, kFilterAllActive, kFilterAllActive, kFilterAllActive}},
    {{kFilterEventActive, kFilterEventActive, kFilterEventActive, kFilterEventDisabled},
     {kFilterEventNormal, kFilterEventNormal, kFilterEventNormal, kFilterEventDisabled},
     {kFilterEventNormal, kFilterEventNormal, kFilterEventNormal, kFilterEventDisabled}},
    // Before the first list Always has always borrowed Event's pressed and focus pictures; it is disabled
    // then, so only its own disabled picture shows.
    {{kFilterAlwaysActive, kFilterAlwaysActive, kFilterAlwaysActive, kFilterAlwaysDisabled},
     {kFilterAlwaysNormal, kFilterAlwaysNormal, kFilterAlwaysNormal, kFilterAlwaysDisabled},
     {kFilterAlwaysNormal, kFilterEventNormal, kFilterEventNormal, kFilterAlwaysDisabled}},
    {{kFilterParkingActive, kFilterParkingActive, kFilterParkingActive, kFilterParkingDisabled},
     {kFilterParkingNormal, kFilterParkingNormal, kFilterParkingNormal, kFilterParkingDisabled},
     {kFilterParkingNormal, kFilterParkingNormal, kFilterParkingNormal, kFilterParkingDisabled}},
}};
constexpr int kButtonX[4] = {85, 133, 181, 229};

void Load(CMyBitmapButton* button, const Bitmaps& bitmaps)
{
    button->LoadBitmaps(bitmaps.normal, bitmaps.selected, bitmaps.focus, bitmaps.disabled);
}

QString Text(int stringId)
{
    return QString::fromStdString(LoadString(stringId));
}

}  // namespace

VideoListControl::VideoListControl(QWidget* parent, PlaybackSession& session)
    : QWidget(parent), m_session(session), m_list(new CSkinListCtrl(this)), m_title(new QLabel(QStringLiteral("Video List"), this))
{
    setObjectName(QStringLiteral("VideoListControl"));
    setAutoFillBackground(false);

    m_title->setFont(SkinFont(QStringLiteral("MS Sans Serif"), 13, QFont::DemiBold));
    QPalette caption = m_title->palette();
    caption.setColor(QPalette::WindowText, kCaptionColour);
    m_title->setPalette(caption);
    m_title->setAttribute(Qt::WA_TranslucentBackground);

    m_list->setObjectName(QStringLiteral("list%1").arg(kListId));
    // The columns are narrow (69 pixels for a date): a small, narrow face keeps "2012-08-20" whole.
    QFont rows = SkinFont(QStringLiteral("Tahoma"), 13);
    rows.setStretch(QFont::Condensed);
    m_list->setFont(rows);
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({Text(StringId::kIndexColumn), Text(StringId::kDateColumn), Text(StringId::kTimeColumn),
                             Text(StringId::kTypeColumn)});
    m_list->setSortingEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->Header()->setSectionsMovable(true);
    m_list->Header()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->Header()->setSectionsClickable(true);
    m_list->Header()->setStretchLastSection(false);
    m_list->Header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->Init();
    m_list->m_currentNumber = 0;

    m_allButton = new CMyBitmapButton(this);
    m_eventButton = new CMyBitmapButton(this);
    m_alwaysButton = new CMyBitmapButton(this);
    m_parkingButton = new CMyBitmapButton(this);
    const int buttonIds[4] = {kAllButtonId, kEventButtonId, kAlwaysButtonId, kParkingButtonId};
    for (int f = All; f <= ParkingOnly; ++f) {
        CMyBitmapButton* button = FilterButton(Filter(f));
        button->setObjectName(QStringLiteral("button%1").arg(buttonIds[f]));
        button->setCheckable(true);
        Load(button, kButtonLooks[f].initial);
        button->setEnabled(false);
        connect(button, &QAbstractButton::clicked, this, [this, f] { FilterBy(Filter(f)); });
        button->installEventFilter(this);
    }
    m_headerBitmap = ResourceManager::GetInstance()->LoadBitmap(SkinId::kPaneHeader);

    connect(m_list->Header(), &QHeaderView::sectionClicked, this, &VideoListControl::OnHeaderClicked);
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) {
                // The reason line under an unreadable row belongs to that row.
                OnNMDblclkVideolist(index.parent().isValid() ? index.parent().row() : index.row());
            });
    connect(m_list, &QAbstractItemView::pressed, this, [this] { m_list->m_clicked = true; });
    // Empty space in the table is not an item: a double-click there reaches OnNMDblclkVideolist as -1.
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);

    resize(sizeHint());
    m_listening = {session, *this};
}

VideoListControl::~VideoListControl()
{
    // The subscription goes first: after it no update() runs. The pane owns no recording.
    m_listening.Reset();
}

CMyBitmapButton* VideoListControl::FilterButton(Filter filter) const
{
    switch (filter) {
    case All: return m_allButton;
    case EventOnly: return m_eventButton;
    case AlwaysOnly: return m_alwaysButton;
    case ParkingOnly: return m_parkingButton;
    }
    return nullptr;
}

std::vector<int> VideoListControl::ColumnWidths(int tableWidth)
{
    const int u = (tableWidth - 50) / 10;
    return {int(u * 1.5), u * 3, int(u * 2.5), u * 3};
}

std::vector<VideoListControl::Row> VideoListControl::ReadSessionRows() const
{
    std::vector<Row> rows;
    m_session.VisitRecordings([&rows](const RecordingItem& item) {
        rows.push_back({item.number, item.dateText, item.timeText, item.type, item.fileName, GetUnreadableText(item)});
    });
    return rows;
}

void VideoListControl::update(int32_t message, MessageParam*)
{
    switch (message) {
    case VIDEO_FILES_OPENED:
        OnUiThread(this, [this, rows = ReadSessionRows()]() mutable { RefreshFromSession(std::move(rows)); });
        break;
    case VIDEO_PLAY:
    case VIDEO_STOP:
    case VIDEO_PREVIOUS:
    case VIDEO_NEXT:
    case NEW_VIDEO_PLAY:
        // A list of only unreadable recordings has none playing.
        OnUiThread(this, [this, number = m_session.GetCurrentRecording() ? m_session.currentIndex + 1 : -1] {
            ShowPlayed(number);
        });
        break;
    case VIDEO_FILE_NOT_FOUND:
        m_session.ClearRecordings();
        OnUiThread(this, [this] { Empty(); });
        break;
    default:
        break;
    }
}

void VideoListControl::SplitByType(std::vector<Row> rows)
{
    m_eventItems.clear();
    m_alwaysItems.clear();
    m_parkingItems.clear();
    for (const Row& row : rows) {
        if (row.type == Event)
            m_eventItems.push_back(row);
        else if (row.type == Always)
            m_alwaysItems.push_back(row);
        else if (row.type == Parking || row.type == ParkingMotion)
            m_parkingItems.push_back(row);
    }
    m_allItems = std::move(rows);
}

void VideoListControl::RefreshFromSession(std::vector<Row> rows)
{
    SplitByType(std::move(rows));
    m_list->m_currentNumber = 1;
    FillTable(m_allItems);
    m_currentNumber = 1;
    m_currentRow = RowOfNumber(1, All);
    EnableFilterButtons();
    // The session's filter stays as it is; the table shows every recording again.
    ShowActiveFilter(All);
}

void VideoListControl::FillTable(const std::vector<Row>& rows)
{
    m_list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(int(rows.size()));
    for (const Row& row : rows) {
        const bool unreadable = !row.unreadable.empty();
        auto* item = new QTreeWidgetItem({QString::number(row.number), QString::fromStdString(row.dateText),
                                          QString::fromStdString(row.timeText),
                                          unreadable ? Text(StringId::kUnreadableLabel)
                                                     : QString::fromStdString(GetRecordingTypeLabel(row.type))});
        for (int column = 0; column < 4; ++column)
            item->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
        if (unreadable) {
            const QString why = QString::fromStdString(row.fileName + ": " + row.unreadable);
            for (int column = 0; column < 4; ++column)
                item->setToolTip(column, why);
            item->setData(0, CSkinListCtrl::kUnreadableRole, true);
        }
        items.push_back(item);
    }
    m_list->addTopLevelItems(items);
    // The reason goes on a line of its own under the row: the columns are too narrow for it.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].unreadable.empty())
            continue;
        QTreeWidgetItem* item = items[int(i)];
        auto* reason = new QTreeWidgetItem(item, {QStringLiteral("\u2514 ") + QString::fromStdString(rows[i].unreadable)});
        reason->setFlags(Qt::ItemIsEnabled);
        reason->setToolTip(0, item->toolTip(0));
        reason->setData(0, CSkinListCtrl::kUnreadableRole, true);
        reason->setFirstColumnSpanned(true);
        item->setExpanded(true);
    }
}

void VideoListControl::EnableFilterButtons()
{
    m_allButton->setEnabled(true);
    m_eventButton->setEnabled(!m_eventItems.empty());
    m_alwaysButton->setEnabled(!m_alwaysItems.empty());
    m_parkingButton->setEnabled(!m_parkingItems.empty());
}

void VideoListControl::ShowActiveFilter(Filter filter)
{
    m_activeFilter = filter;
    FilterButton(filter)->setFocus();
    for (int f = All; f <= ParkingOnly; ++f) {
        CMyBitmapButton* button = FilterButton(Filter(f));
        Load(button, f == filter ? kButtonLooks[f].active : kButtonLooks[f].otherwise);
        button->setChecked(f == filter);
        button->update();
    }
}

const std::vector<VideoListControl::Row>& VideoListControl::RowsOf(Filter filter) const
{
    switch (filter) {
    case EventOnly: return m_eventItems;
    case AlwaysOnly: return m_alwaysItems;
    case ParkingOnly: return m_parkingItems;
    case All: break;
    }
    return m_allItems;
}

int VideoListControl::RowOfNumber(int number, Filter filter) const
{
    const std::vector<Row>& rows = RowsOf(filter);
    if (filter == All)
        return number >= 1 && size_t(number) <= rows.size() ? number - 1 : -1;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].number == number)
            return int(i);
    return -1;
}

void VideoListControl::FilterBy(Filter filter)
{
    m_session.filter = filter;
    FillTable(RowsOf(filter));
    m_currentRow = RowOfNumber(m_currentNumber, filter);
    if (m_currentRow >= 0)
        m_list->scrollToItem(m_list->topLevelItem(m_currentRow));
    m_list->viewport()->update();
    ShowActiveFilter(filter);
}

void VideoListControl::OnMenuCommand(int command)
{
    if (command == kMenuAll) {
        EnableFilterButtons();
        FilterBy(All);
        return;
    }
    // A kind the list does not hold cannot be chosen, as its button cannot.
    const Filter filter = command == kMenuAlways ? AlwaysOnly
                          : command == kMenuEvent ? EventOnly
                          : command == kMenuParking ? ParkingOnly
                                                    : All;
    if (filter != All && !RowsOf(filter).empty())
        FilterBy(filter);
}

void VideoListControl::OnNMDblclkVideolist(int row)
{
    WriteLog("List Item Duble Click", kClass, "OnNMDblclkVideolist", kLogType, kLogLevelNormal);
    QTreeWidgetItem* item = row >= 0 ? m_list->topLevelItem(row) : nullptr;
    // A recording that cannot be played is never sent to the engine; its row says why.
    if (item && !item->data(0, CSkinListCtrl::kUnreadableRole).toBool()) {
        const int number = item->text(0).toInt();
        auto select = std::make_unique<MessageParam>();
        select->index = number - 1;
        PostMessage(m_session, VIDEO_INDEX_SELECT, std::move(select));
        PostMessage(m_session, VIDEO_MEDIA_LOAD);
        PostMessage(m_session, NEW_VIDEO_PLAY);
        m_currentNumber = number;
        m_currentRow = row;
        m_list->viewport()->update();
    }
    WriteLog("end", kClass, "OnNMDblclkVideolist", kLogType, kLogLevelNormal);
}

void VideoListControl::OnHeaderClicked(int column)
{
    if (column <= 0)
        return;
    if (column == 1)
        m_session.SortByDate();
    else if (column == 2)
        m_session.SortByTime();
    else if (column == 3)
        m_session.SortByType();
    m_session.Renumber();
    SplitByType(ReadSessionRows());
    // The played recording keeps playing under its new number.
    if (m_currentNumber > 0) {
        m_currentNumber = m_session.currentIndex + 1;
        m_list->m_currentNumber = m_currentNumber;
    }
    for (int f = All; f <= ParkingOnly; ++f) {
        if (FilterButton(Filter(f))->isChecked()) {
            FilterBy(Filter(f));
            break;
        }
    }
}

void VideoListControl::ShowPlayed(int number)
{
    m_list->m_clicked = false;
    m_currentNumber = number;
    m_list->m_currentNumber = number;
    // The table shows the active filter's rows, whatever the session's filter says after a new list.
    m_currentRow = RowOfNumber(number, m_activeFilter);
    if (m_currentRow >= 0)
        m_list->scrollToItem(m_list->topLevelItem(m_currentRow));
    m_list->viewport()->update();
}

void VideoListControl::Empty()
{
    m_list->clear();
    m_list->m_currentNumber = -1;
    m_currentNumber = -1;
    m_currentRow = -1;
    m_allItems.clear();
    m_eventItems.clear();
    m_alwaysItems.clear();
    m_parkingItems.clear();
    m_list->viewport()->update();
}

void VideoListControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kGround);
    if (!m_headerBitmap.isNull())
        painter.drawPixmap(QRect(0, 0, width(), 33), m_headerBitmap);
}

void VideoListControl::resizeEvent(QResizeEvent*)
{
    const int w = width();
    const int h = height();
    m_title->setGeometry(10, 11, 70, 20);
    for (int f = All; f <= ParkingOnly; ++f)
        FilterButton(Filter(f))->setGeometry(kButtonX[f], 5, 43, 23);
    m_list->setGeometry(1, 35, w + 1, h - 38);
    const std::vector<int> widths = ColumnWidths(m_list->width());
    for (int column = 0; column < 4; ++column)
        m_list->setColumnWidth(column, widths[column]);
    m_list->PositionScrollBar();
    // The table's own scroll bars never show; the skinned one stands in.
    const int arrow = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_list->setMask(QRegion(0, 0, w - 21, h - arrow));
}

void VideoListControl::contextMenuEvent(QContextMenuEvent* event)
{
    const std::vector<MenuEntry> menus = LoadMainMenu();
    if (menus.size() < 2)
        return;
    const Language language = CurrentLanguage();
    QMenu menu(this);
    for (const MenuEntry& entry : menus[1].children) {
        if (entry.kind != MenuEntry::Item)
            continue;
        QAction* action = menu.addAction(QString::fromStdString(entry.Text(language)));
        const int command = entry.id;
        connect(action, &QAction::triggered, this, [this, command] { OnMenuCommand(command); });
    }
    menu.addSeparator();
    AddExportTrackAction(menu, this, m_session);
    menu.exec(event->globalPos());
}

bool VideoListControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        // Shortcuts have reached the window before this; the table and the buttons get no other key (no
        // arrow keys, no type-ahead), so the played row is the only thing that moves the table.
        return true;
    }
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_list->indexAt(mouse->position().toPoint()).isValid())
            OnNMDblclkVideolist(-1);
    }
    return QWidget::eventFilter(watched, event);
}

void VideoListControl::keyPressEvent(QKeyEvent* event)
{
    event->accept();
}
