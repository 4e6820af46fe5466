// tessaro-gallery: every skinned control with its pictures, in each of its states, on one window, for
// looking the skin over. --screenshot <file.png> saves the window and quits.
//
// The program lives beside the skin archive CorvellResource.rcc, where the resource manager finds it.

#include "widgets/CBitmapSlider.h"
#include "widgets/CButtonStyle.h"
#include "widgets/CMyBitmapButton.h"
#include "widgets/CMySliderControl.h"
#include "widgets/CPicture.h"
#include "widgets/CSkinListCtrl.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinIds.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <array>
#include <cstdio>

namespace {

using namespace SkinId;

const QColor kGround(51, 51, 51);

// A strip that shows a skin picture stretched over it, as the panes do with their backgrounds.
class Backdrop : public QWidget {
public:
    Backdrop(QWidget* parent, const QPixmap& picture, QRect geometry) : QWidget(parent), m_picture(picture)
    {
        setGeometry(geometry);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawPixmap(rect(), m_picture); }

private:
    QPixmap m_picture;
};

QLabel* Caption(QWidget* parent, const QString& text, QPoint at, int width = 300)
{
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(200, 200, 200));
    label->setPalette(palette);
    label->setGeometry(at.x(), at.y(), width, 14);
    return label;
}

// Puts a control into a mouse state by the events the user would cause.
void Hover(QWidget* widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void Press(QWidget* widget, QPoint at)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

void AddIconButtons(QWidget* window, const ResourceManager& skin, int top)
{
    Caption(window, "CButtonStyle: normal, hover, pressed, disabled look (player pane; title band)", {10, top}, 520);
    const QPixmap pane = skin.LoadBitmap(kPlayerBackground);
    const QPixmap band = skin.LoadBitmap(kTitleBand);
    auto* paneStrip = new Backdrop(window, pane, QRect(10, top + 18, 190, 48));
    auto* bandStrip = new Backdrop(window, band, QRect(220, top + 18, 210, 46));
    struct Row {
        QWidget* strip;
        int backdropId;
        const QPixmap* backdrop;
        int normal, pressed, hover, disabled;
    };
    const Row rows[] = {{paneStrip, kPlayerBackground, &pane, kPlayNormal, kPlayPressed, kPlayHover, kPlayDisabled},
                        {bandStrip, kTitleBand, &band, kCaptureNormal, kCapturePressed, kCaptureHover, kCaptureDisabled}};
    for (const Row& row : rows) {
        for (int state = 0; state < 4; ++state) {
            auto* button = new CButtonStyle(row.strip);
            button->setGeometry(8 + 46 * state, 8, 32, 32);
            button->SetBackdrop(row.backdropId, *row.backdrop);
            if (state == 3)
                button->SetIcons(row.disabled, row.disabled, row.disabled);
            else
                button->SetIcons(row.normal, row.pressed, row.hover);
            if (state == 1)
                Hover(button);
            if (state == 2) {
                Hover(button);
                Press(button, {10, 10});
            }
        }
    }
}

void AddBitmapButtons(QWidget* window, const ResourceManager& skin, int top)
{
    Caption(window, "CMyBitmapButton: normal and pressed; filter buttons active, normal, disabled", {10, top}, 520);
    auto* band = new Backdrop(window, skin.LoadBitmap(kTitleBand), QRect(10, top + 18, 170, 46));
    const int windowButtons[][2] = {
        {kMinimizeNormal, kMinimizePressed}, {kMaximizeNormal, kMaximizePressed}, {kCloseNormal, kClosePressed}};
    for (int i = 0; i < 3; ++i)
        for (int pressed = 0; pressed < 2; ++pressed) {
            auto* button = new CMyBitmapButton(band);
            button->LoadBitmaps(quint16(windowButtons[i][0]), quint16(windowButtons[i][1]));
            button->SizeToContent();
            button->move(8 + 52 * i + 25 * pressed, 12);
            button->setDown(pressed);
        }
    auto* header = new Backdrop(window, skin.LoadBitmap(kPaneHeader), QRect(190, top + 18, 560, 33));
    const int filters[][3] = {{kFilterAllActive, kFilterAllNormal, kFilterAllDisabled},
                              {kFilterEventActive, kFilterEventNormal, kFilterEventDisabled},
                              {kFilterAlwaysActive, kFilterAlwaysNormal, kFilterAlwaysDisabled},
                              {kFilterParkingActive, kFilterParkingNormal, kFilterParkingDisabled}};
    for (int i = 0; i < 4; ++i) {
        for (int look = 0; look < 3; ++look) {
            auto* button = new CMyBitmapButton(header);
            button->LoadBitmaps(quint16(filters[i][look]));
            button->SizeToContent();
            button->move(6 + 138 * i + 44 * look, 5);
        }
    }
    auto* ground = new QWidget(window);
    ground->setGeometry(190, top + 53, 560, 30);
    const int small[][2] = {{kSpeedNormal, kSpeedPressed},           {kBrightnessNormal, kBrightnessPressed},
                            {kSoundNormal, kSoundPressed},           {kMutedNormal, kMutedPressed},
                            {kChannel1Selected, kChannel1Normal},    {kChannel2Selected, kChannel2Normal},
                            {kAllChannelsSelected, kAllChannelsNormal}, {kAboutOkNormal, kAboutOkPressed}};
    int x = 6;
    for (const auto& ids : small)
        for (int pressed = 0; pressed < 2; ++pressed) {
            auto* button = new CMyBitmapButton(ground);
            button->LoadBitmaps(quint16(ids[0]), quint16(ids[1]));
            button->SizeToContent();
            button->move(x, 2);
            button->setDown(pressed);
            x += button->width() + 3;
        }
}

void AddSliders(QWidget* window, const ResourceManager& skin, int top)
{
    Caption(window, "CBitmapSlider: 0, 60, 100 of 0..100", {10, top});
    auto* pane = new Backdrop(window, skin.LoadBitmap(kPlayerBackground), QRect(10, top + 18, 250, 31));
    for (int i = 0; i < 3; ++i) {
        auto* slider = new CBitmapSlider(pane, 1100 + i);
        slider->move(6 + 80 * i, 5);
        slider->SetChannelBitmaps();
        slider->SetPos(std::array{0, 60, 100}[i]);
    }
    Caption(window, "CMySliderControl: 0, 40 %, 70 % held, 70 % without the fill", {290, top}, 420);
    for (int i = 0; i < 4; ++i) {
        auto* slider = new CMySliderControl(window);
        slider->setRange(0, 10000);
        slider->setGeometry(290 + (i % 2) * 235, top + 18 + (i / 2) * 30, 225, 28);
        slider->setValue(std::array{0, 4000, 7000, 7000}[i]);
        if (i == 2)
            Press(slider, slider->ThumbRect().center());
        if (i == 3)
            slider->SetDrawFill(false);
    }
}

void AddSpeedPanel(QWidget* window, const ResourceManager& skin, int top)
{
    Caption(window, "CPicture: panel, digits with white clear", {10, top});
    auto* panel = new CPicture(window);
    panel->SetBitmap(skin.LoadBitmap(kSpeedPanel));
    panel->setGeometry(10, top + 18, 124, 38);
    const std::pair<int, int> digits[] = {
        {21, kDigit1}, {32, kDigit2}, {43, kDigit3}, {54, kDigitPoint}, {60, kDigit4}};  // "123.4"
    for (auto [x, id] : digits) {
        auto* digit = new CPicture(panel);
        digit->SetTransparentColor(Qt::white);
        digit->SetBitmap(skin.LoadBitmap(id));
        digit->setGeometry(x, 11, digit->sizeHint().width(), 16);
    }
}

void AddTable(QWidget* window, int top)
{
    Caption(window, "CSkinListCtrl: played row 3 (blue, also selected), row 6 selected, scrolled by 1", {10, top}, 520);
    auto* pane = new QWidget(window);
    pane->setGeometry(10, top + 18, 420, 230);
    auto* list = new CSkinListCtrl(pane);
    list->setColumnCount(4);
    list->setHeaderLabels({"No", "Date", "Time", "Recording type of the file"});
    list->setGeometry(0, 0, 420, 228);
    list->setColumnWidth(0, 50);
    list->setColumnWidth(1, 120);
    list->setColumnWidth(2, 100);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    const char* types[] = {"Event", "Always", "Parking"};
    for (int n = 1; n <= 40; ++n)
        new QTreeWidgetItem(list, {QString::number(n), QStringLiteral("2026-12-%1").arg(n % 28 + 1, 2, 10, QChar('0')),
                                   QStringLiteral("09:%1:07").arg(n % 60, 2, 10, QChar('0')), types[n % 3]});
    list->Init();
    list->m_clicked = false;  // selections stay, as during playback
    list->m_currentNumber = 3;
    list->topLevelItem(2)->setSelected(true);
    list->topLevelItem(5)->setSelected(true);
    QTimer::singleShot(0, list, [list] { list->verticalScrollBar()->setValue(1); });
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Every skinned control of the viewer, in its states.");
    parser.addHelpOption();
    const QCommandLineOption screenshot("screenshot", "Save the window to <file> and quit.", "file");
    parser.addOption(screenshot);
    parser.process(application);

    const ResourceManager& skin = *ResourceManager::GetInstance();
    if (!skin.GetModule())
        std::fprintf(stderr, "tessaro-gallery: no %s beside the program or in the current folder\n",
                     ResourceManager::kArchiveName);

    QWidget window;
    window.setWindowTitle("Tessaro skin gallery");
    window.resize(770, 580);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, kGround);
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    AddIconButtons(&window, skin, 8);
    AddBitmapButtons(&window, skin, 84);
    AddSliders(&window, skin, 194);
    AddSpeedPanel(&window, skin, 270);
    AddTable(&window, 320);
    window.show();

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(300, &window, [&window, file] {
            const bool saved = window.grab().save(file);
            std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(file));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    const int result = application.exec();
    ResourceManager::DestroyInstance();
    return result;
}
