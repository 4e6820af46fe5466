#include "ui/settings/CQZOptionDlg.h"

#include "infra/DiagnosticLog.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "infra/UserFolders.h"
#include "widgets/MessageBoxes.h"
#include "widgets/LoadText.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cstring>
#include <filesystem>

namespace {

using namespace SettingsIds;
using namespace StringId;

const char* const kClass = "CQZOptionDlg";

// A camera setting shown as a list: the field is the index plus an offset; an index past the list (or no
// selection, -1, compared unsigned) stores the fallback.
struct ValueList {
    int id;
    int labelId;
    std::vector<const char*> items;
    int offset;
    int fallback;
    int (CQZSetupData::*get)() const;
    void (CQZSetupData::*set)(int);
};

const std::vector<ValueList>& ValueLists()
{
    static const std::vector<ValueList> lists = {
        {kAccTriggerLevel, kAccTriggerLabel, {"끔", "둔감", "보통 하", "보통 중", "보통 상", "민감", "아주 민감"}, 0, 3,
         &CQZSetupData::GetAccTriggerLevel, &CQZSetupData::SetAccTriggerLevel},
        {kRecVideoQuality, kQualityLabel, {"저", "기본", "고"}, 1, 3, &CQZSetupData::GetRecVideoQuality,
         &CQZSetupData::SetRecVideoQuality},
        {kVideoChannels, kChannelsLabel, {"전방", "전후방"}, 1, 2, &CQZSetupData::GetVideoChannels,
         &CQZSetupData::SetVideoChannels},
        {kSpeakerVolume, kSpeakerLabel, {"Level 1", "Level 2", "Level 3", "Level 4", "Level 5"}, 1, 3,
         &CQZSetupData::GetSpeakerVolume, &CQZSetupData::SetSpeakerVolume},
        {kParkingModeTime, kParkingTimeLabel, {"5분", "10분", "30분"}, 0, 1, &CQZSetupData::GetParkingModeTime,
         &CQZSetupData::SetParkingModeTime},
        {kLanguage, kLanguageLabel, {"영어", "한국어"}, 0, 1, &CQZSetupData::GetLanguage, &CQZSetupData::SetLanguage},
    };
    return lists;
}

const ValueList& ListOf(int id)
{
    for (const ValueList& list : ValueLists())
        if (list.id == id)
            return list;
    return ValueLists().front();
}

// The numbers of "12/08/20" or "07:09:37"; an empty or non-numeric piece counts as 0.
std::vector<int> SplitNumbers(const std::string& text, char separator)
{
    std::vector<int> numbers;
    size_t start = 0;
    while (numbers.size() < 3) {
        const size_t end = text.find(separator, start);
        const std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        numbers.push_back(std::atoi(piece.c_str()));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    numbers.resize(3, 0);
    return numbers;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

QString TwoDigits(int value)
{
    return QString::asprintf("%.2d", value);
}

void SelectIndex(QComboBox* list, int index)
{
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

}  // namespace

CQZOptionDlg::CQZOptionDlg(std::string& rememberedDrive, SettingsEnvironment environment, QWidget* parent)
    : CSetupDlg(parent), m_rememberedDrive(rememberedDrive), m_environment(std::move(environment))
{
    setWindowTitle(LoadText(kSettingsTip));
    BuildControls();
}

CQZOptionDlg::~CQZOptionDlg()
{
    if (m_formatThread.joinable())
        m_formatThread.join();
}

void CQZOptionDlg::BuildControls()
{
    auto name = [](QWidget* widget, int id) {
        widget->setObjectName(QString::number(id));
        return widget;
    };
    auto* layout = new QVBoxLayout(this);

    auto* driveRow = new QHBoxLayout;
    m_driveList = new QComboBox(this);
    name(m_driveList, kDriveList);
    m_driveList->setMinimumWidth(320);
    m_format = new QPushButton(LoadText(kFormatButton), this);
    name(m_format, kFormat);
    m_format->setEnabled(false);
    driveRow->addWidget(new QLabel(LoadText(kDriveLabel), this));
    driveRow->addWidget(m_driveList, 1);
    driveRow->addWidget(m_format);
    auto* otherFolder = new QPushButton(LoadText(kOtherFolderButton), this);
    name(otherFolder, kOtherFolder);
    connect(otherFolder, &QPushButton::clicked, this, &CQZOptionDlg::OnBnClickedOtherFolder);
    driveRow->addWidget(otherFolder);
    layout->addLayout(driveRow);
    m_readOnlyNote = new QLabel(LoadText(kCardReadOnly), this);
    name(m_readOnlyNote, kReadOnlyNote);
    m_readOnlyNote->setWordWrap(true);
    layout->addWidget(m_readOnlyNote);

    auto* camera = new QGroupBox(LoadText(kCameraGroup), this);
    auto* cameraGrid = new QGridLayout(camera);
    int row = 0;
    for (const ValueList& list : ValueLists()) {
        auto* box = new QComboBox(camera);
        name(box, list.id);
        for (const char* item : list.items)
            box->addItem(QString::fromUtf8(item));
        box->setCurrentIndex(-1);
        const int id = list.id;
        connect(box, &QComboBox::activated, this, [this, id](int index) { StoreValue(id, index); });
        m_valueLists.emplace_back(list.id, box);
        cameraGrid->addWidget(new QLabel(LoadText(list.labelId), camera), row / 2, (row % 2) * 2);
        cameraGrid->addWidget(box, row / 2, (row % 2) * 2 + 1);
        ++row;
    }
    m_parkingModeSelect = new QCheckBox(LoadText(kParkingModeLabel), camera);
    name(m_parkingModeSelect, kParkingModeSelect);
    m_recAudioEnable = new QCheckBox(LoadText(kAudioLabel), camera);
    name(m_recAudioEnable, kRecAudioEnable);
    cameraGrid->addWidget(m_parkingModeSelect, row / 2, 0, 1, 2);
    cameraGrid->addWidget(m_recAudioEnable, row / 2, 2, 1, 2);
    layout->addWidget(camera);

    auto* clock = new QGroupBox(LoadText(kClockGroup), this);
    auto* clockGrid = new QGridLayout(clock);
    m_apply = new QCheckBox(LoadText(kApplyClockLabel), clock);
    name(m_apply, kApplyClock);
    connect(m_apply, &QCheckBox::clicked, this, &CQZOptionDlg::OnBnClickedApply);
    clockGrid->addWidget(m_apply, 0, 0, 1, 4);
    const int ids[6] = {kYear, kMonth, kDay, kHour, kMinute, kSecond};
    for (int i = 0; i < 6; ++i) {
        m_dateTime[i] = new QComboBox(clock);
        name(m_dateTime[i], ids[i]);
        clockGrid->addWidget(m_dateTime[i], 1 + i / 3, 1 + i % 3);
    }
    clockGrid->addWidget(new QLabel(LoadText(kDateLabel), clock), 1, 0);
    clockGrid->addWidget(new QLabel(LoadText(kTimeLabel), clock), 2, 0);
    layout->addWidget(clock);

    auto* viewer = new QGroupBox(LoadText(kViewerGroup), this);
    auto* viewerGrid = new QGridLayout(viewer);
    m_saveFolder = new QLineEdit(viewer);
    name(m_saveFolder, kSaveFolder);
    m_saveFolder->setReadOnly(true);
    auto* modify = new QPushButton(LoadText(kModifyButton), viewer);
    name(modify, kModify);
    connect(modify, &QPushButton::clicked, this, &CQZOptionDlg::OnBnClickedModify);
    m_scanSlider = new QSlider(Qt::Horizontal, viewer);
    name(m_scanSlider, kScanSlider);
    m_scanSlider->setRange(1, 10);
    m_scanSlider->setPageStep(1);
    m_scanValue = new QLineEdit(viewer);
    name(m_scanValue, kScanValue);
    m_scanValue->setReadOnly(true);
    m_scanValue->setFixedWidth(40);
    m_scanValue->setAlignment(Qt::AlignRight);
    connect(m_scanSlider, &QSlider::valueChanged, this, [this](int value) {
        m_scanValue->setText(QString::number(value));
        m_options.m_playValue = value >= 1 && value <= 10 ? value : 5;
    });
    viewerGrid->addWidget(new QLabel(LoadText(kFolderLabel), viewer), 0, 0);
    viewerGrid->addWidget(m_saveFolder, 0, 1);
    viewerGrid->addWidget(modify, 0, 2);
    viewerGrid->addWidget(new QLabel(LoadText(kScanIntervalLabel), viewer), 1, 0);
    viewerGrid->addWidget(m_scanSlider, 1, 1);
    viewerGrid->addWidget(m_scanValue, 1, 2);
    layout->addWidget(viewer);

    auto* busyRow = new QHBoxLayout;
    m_busyText = new QLabel(LoadText(kFormatting), this);
    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0);
    busyRow->addWidget(m_busyText);
    busyRow->addWidget(m_busy, 1);
    layout->addLayout(busyRow);

    auto* buttons = new QHBoxLayout;
    auto* defaults = new QPushButton(LoadText(kDefaultButton), this);
    name(defaults, kDefault);
    auto* save = new QPushButton(LoadText(kSaveButton), this);
    name(save, kSave);
    save->setDefault(true);
    m_save = save;
    auto* cancel = new QPushButton(LoadText(kCancelButton), this);
    name(cancel, kCancel);
    connect(m_format, &QPushButton::clicked, this, &CQZOptionDlg::OnBnClickedFormat);
    connect(defaults, &QPushButton::clicked, this, &CQZOptionDlg::OnBnClickedDefault);
    connect(save, &QPushButton::clicked, this, &CQZOptionDlg::OnBnClickedSave);
    connect(cancel, &QPushButton::clicked, this, &CQZOptionDlg::reject);
    connect(m_driveList, &QComboBox::activated, this, &CQZOptionDlg::LoadDrive);
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    // The size is fixed at what the texts of the language need, the busy row included, then it hides.
    setFixedSize(sizeHint());
    m_busyText->hide();
    m_busy->hide();
    m_readOnlyNote->hide();
}

void CQZOptionDlg::Initialise()
{
    WriteLog("Initialise", kClass, "Initialise", kLogType, kLogLevelNormal);
    m_pWorkingData = static_cast<CQZSetupData*>(m_pSetupData);
    m_startDrive = m_rememberedDrive;
    FillDriveList();
    FillValueLists();
    m_scanSlider->setValue(m_options.m_playValue);
    m_scanValue->setText(QString::number(m_options.m_playValue));
    m_saveFolder->setText(QString::fromStdString(m_options.m_saveDirectory));
    if (m_startDrive.empty())
        return;
    for (int i = 0; i < static_cast<int>(m_drives.size()); ++i) {
        if (m_drives[i].mountPoint == m_startDrive) {
            m_driveList->setCurrentIndex(i);
            LoadDrive(i);
            return;
        }
    }
    // The remembered card is gone (or was a folder picked by hand, which is picked again): open as the first
    // time, with no drive chosen. A bare mount-point folder left behind must not pass for the card.
}

void CQZOptionDlg::FillDriveList()
{
    m_drives = CardCandidates(ListDrives(m_environment.root));
    m_drives.insert(m_drives.end(), m_pickedFolders.begin(), m_pickedFolders.end());
    m_driveList->clear();
    for (const DriveInfo& drive : m_drives) {
        const QString text = QString::fromStdString(DriveItemText(drive));
        // A write-protected card is marked in the list itself, before the user picks it.
        m_driveList->addItem(drive.readOnly ? LoadText(kReadOnlyItem).arg(text) : text);
    }
    m_driveList->setCurrentIndex(-1);
    // The dialog's size is fixed; a long mount point is shown whole in the open list.
    m_driveList->view()->setMinimumWidth(m_driveList->view()->sizeHintForColumn(0) + 8);
}

void CQZOptionDlg::FillValueLists()
{
    const QString names[6][2] = {{"2011", "2030"}, {"01", "12"}, {"01", "31"}, {"00", "23"}, {"00", "59"}, {"00", "59"}};
    for (int i = 0; i < 6; ++i) {
        m_dateTime[i]->clear();
        for (int n = names[i][0].toInt(); n <= names[i][1].toInt(); ++n)
            m_dateTime[i]->addItem(i == 0 ? QString::number(n) : TwoDigits(n));
        m_dateTime[i]->setCurrentIndex(-1);
    }
}

std::unique_ptr<CQZSetupData> CQZOptionDlg::NewSetupData() const
{
    auto settings = std::make_unique<CQZSetupData>();
    if (m_environment.clock)
        settings->clock = m_environment.clock;
    return settings;
}

void CQZOptionDlg::LoadDrive(int index)
{
    if (index < 0 || index >= static_cast<int>(m_drives.size()))
        return;
    WriteLog("LoadDrive " + m_drives[index].mountPoint, kClass, "LoadDrive", kLogType, kLogLevelNormal);
    m_replacement = NewSetupData();
    m_pWorkingData = m_replacement.get();
    m_pWorkingData->SetFolder(m_drives[index].mountPoint);
    m_pWorkingData->Load();
    RefreshControls();
    UpdateFormatButton();
    UpdateReadOnlyState();
}

int CQZOptionDlg::AddPickedFolder(const std::string& folder)
{
    for (int i = 0; i < static_cast<int>(m_drives.size()); ++i)
        if (m_drives[i].mountPoint == folder)
            return i;
    m_pickedFolders.push_back(PickedFolderDrive(folder));
    FillDriveList();
    return static_cast<int>(m_drives.size()) - 1;
}

void CQZOptionDlg::OnBnClickedOtherFolder()
{
    const QString folder = GetMessageBoxes().ChooseFolder(this, LoadText(kSelectFolder), QString());
    if (folder.isEmpty())
        return;
    const int keep = m_driveList->currentIndex();
    const int index = AddPickedFolder(folder.toStdString());
    // Refilling the list loses its selection; a different folder is a drive change, the same one is not.
    m_driveList->setCurrentIndex(index);
    if (index != keep)
        LoadDrive(index);
}

void CQZOptionDlg::UpdateReadOnlyState()
{
    const DriveInfo* drive = SelectedDrive();
    const bool readOnly = drive && drive->readOnly;
    m_readOnlyNote->setVisible(readOnly);
    m_save->setEnabled(!readOnly);
}

void CQZOptionDlg::RefreshControls()
{
    m_scanSlider->setValue(m_options.m_playValue);
    m_scanValue->setText(QString::number(m_options.m_playValue));
    m_saveFolder->setText(QString::fromStdString(m_options.m_saveDirectory));
    for (auto& [id, box] : m_valueLists) {
        const ValueList& list = ListOf(id);
        SelectIndex(box, (m_pWorkingData->*list.get)() - list.offset);
    }
    m_recAudioEnable->setChecked(m_pWorkingData->GetRecAudioEnable() == 1);
    m_parkingModeSelect->setChecked(m_pWorkingData->GetParkingModeSelect() == 1);
    if (m_apply->isChecked())
        FillDateTime();
}

void CQZOptionDlg::StoreValue(int id, int index)
{
    const ValueList& list = ListOf(id);
    const bool past = static_cast<unsigned>(index) > list.items.size() - 1;
    (m_pWorkingData->*list.set)(past ? list.fallback : index + list.offset);
}

void CQZOptionDlg::FillDateTime()
{
    const std::vector<int> date = SplitNumbers(m_pWorkingData->GetDateText(), '/');
    const std::vector<int> time = SplitNumbers(m_pWorkingData->GetTimeText(), ':');
    SelectIndex(m_dateTime[0], date[0] > 11 ? date[0] - 11 : 0);
    SelectIndex(m_dateTime[1], date[1] - 1);
    SelectIndex(m_dateTime[2], date[2] - 1);
    for (int i = 0; i < 3; ++i)
        SelectIndex(m_dateTime[3 + i], time[i]);
}

void CQZOptionDlg::OnBnClickedApply(bool checked)
{
    if (checked)
        FillDateTime();
    else
        for (QComboBox* list : m_dateTime)
            list->setCurrentIndex(-1);
}

void CQZOptionDlg::OnBnClickedModify()
{
    const QString folder = GetMessageBoxes().ChooseFolder(this, LoadText(kSelectFolder), m_saveFolder->text());
    if (folder.isEmpty())
        return;
    m_options.m_saveDirectory = folder.toStdString();
    m_saveFolder->setText(folder);
}

void CQZOptionDlg::OnBnClickedDefault()
{
    WriteLog("Default", kClass, "OnBnClickedDefault", kLogType, kLogLevelNormal);
    // The card stays the target and the camera's identity read from it stays; only the settings go back.
    m_pWorkingData->ResetSettings();
    m_options = ViewerOptions();
    // As at start: the working folder may not be writable, the documents folder is.
    m_options.m_saveDirectory = DocumentsFolder().string();
    RefreshControls();
}

const DriveInfo* CQZOptionDlg::SelectedDrive() const
{
    const int index = m_driveList->currentIndex();
    return index >= 0 && index < static_cast<int>(m_drives.size()) ? &m_drives[index] : nullptr;
}

// The card is still mounted where it was listed. Writing to a bare mount-point folder would put the files on
// the system disk (and the writer would even make the folder).
bool CQZOptionDlg::SelectedDriveStillThere() const
{
    const DriveInfo* drive = SelectedDrive();
    std::error_code error;
    if (!drive || !std::filesystem::is_directory(drive->mountPoint, error))
        return false;
    if (drive->pickedFolder)
        return true;
    std::string mounted;
    for (const MountEntry& entry : ReadMountTable(m_environment.root))
        if (entry.mountPoint == drive->mountPoint)
            mounted = entry.source;
    if (drive->type == DriveType::Network)
        return mounted == drive->device;
    return !mounted.empty() &&
           KernelDeviceName(m_environment.root, mounted) == KernelDeviceName(m_environment.root, drive->device);
}

bool CQZOptionDlg::ReadClock(std::string& date, std::string& time)
{
    int index[6];
    for (int i = 0; i < 6; ++i) {
        index[i] = m_dateTime[i]->currentIndex();
        if (index[i] < 0) {
            Tell(LoadText(kSelectDateTime));
            return false;
        }
    }
    const int year = index[0] + 11;
    if (index[2] + 1 > DaysInMonth(2000 + year, index[1] + 1)) {
        Tell(LoadText(kNoSuchDate));
        return false;
    }
    date = (TwoDigits(year) + "/" + TwoDigits(index[1] + 1) + "/" + TwoDigits(index[2] + 1)).toStdString();
    time = (TwoDigits(index[3]) + ":" + TwoDigits(index[4]) + ":" + TwoDigits(index[5])).toStdString();
    return true;
}

bool CQZOptionDlg::WriteCardFile(const std::string& fileName, const std::string& text)
{
    bool toldUser = false;
    const Result written = WriteTextFile(fileName, m_pWorkingData->GetFolder(), text, &toldUser);
    if (written || toldUser)  // an old file that could not be replaced has been reported already
        return written.Ok();
    const std::string path = m_pWorkingData->GetFolder() + "/" + fileName;
    const std::string why = written.Error() ? SystemErrorText(written.Error()) : written.Reason();
    Tell(LoadText(kCannotWriteFile).arg(QString::fromStdString(path), QString::fromLocal8Bit(why.c_str())));
    return false;
}

void CQZOptionDlg::OnBnClickedSave()
{
    WriteLog("Save", kClass, "OnBnClickedSave", kLogType, kLogLevelNormal);
    if (!SelectedDrive()) {
        Tell(LoadText(kSelectDrive));
        return;
    }
    if (SelectedDrive()->readOnly) {
        Tell(LoadText(kCardWriteProtected));
        return;
    }
    m_pWorkingData->SetParkingModeSelect(m_parkingModeSelect->checkState() != Qt::Unchecked ? 1 : 0);
    m_pWorkingData->SetRecAudioEnable(m_recAudioEnable->checkState() != Qt::Unchecked ? 1 : 0);

    std::string date;
    std::string time;
    if (m_apply->isChecked() && !ReadClock(date, time))
        return;
    if (!SelectedDriveStillThere()) {
        Tell(LoadText(kCardGone));
        return;
    }
    // time.cfg first, then setup.cfg; the dialog closes only when both are on the card.
    if (m_apply->isChecked()) {
        m_pWorkingData->SetDateText(date);
        m_pWorkingData->SetTimeText(time);
        if (!WriteCardFile(m_pWorkingData->GetTimeFileName(), m_pWorkingData->BuildTimeText()))
            return;
    }
    if (!WriteCardFile(m_pWorkingData->GetSetupFileName(), m_pWorkingData->BuildText()))
        return;
    m_pSetupData = m_pWorkingData;
    m_rememberedDrive = m_pWorkingData->GetFolder();
    accept();
}

void CQZOptionDlg::UpdateFormatButton()
{
    const DriveInfo* drive = SelectedDrive();
    m_format->setEnabled(!m_formatting && drive &&
                         CheckFormatTarget(*drive, ReadFormatFacts(*drive, m_environment.root)) == 0);
}

void CQZOptionDlg::OnBnClickedFormat()
{
    const DriveInfo* selected = SelectedDrive();
    if (!selected) {
        Tell(LoadText(kSelectDrive));
        return;
    }
    const DriveInfo drive = *selected;
    if (const int refusal = CheckFormatTarget(drive, ReadFormatFacts(drive, m_environment.root))) {
        Tell(LoadText(refusal));
        UpdateFormatButton();
        return;
    }
    if (!m_environment.formatter) {
        Tell(LoadText(kNoFormatter));
        return;
    }
    const QString size = QLocale().formattedDataSize(static_cast<qint64>(drive.size), 1, QLocale::DataSizeSIFormat);
    const QString question = LoadText(kAskFormat) + "\n\n" +
                             LoadText(kWillBeErased).arg(QString::fromStdString(drive.label),
                                                     QString::fromStdString(drive.device), size);
    if (GetMessageBoxes().Ask(this, windowTitle(), question, QMessageBox::Ok | QMessageBox::Cancel,
                              QMessageBox::Cancel) != QMessageBox::Ok)
        return;

    WriteLog("Format " + drive.device, kClass, "OnBnClickedFormat", kLogType, kLogLevelNormal);
    m_formatting = true;
    setEnabled(false);
    m_busyText->show();
    m_busy->show();
    if (m_formatThread.joinable())
        m_formatThread.join();
    std::shared_ptr<ICardFormatter> formatter = m_environment.formatter;
    m_formatThread = std::thread([this, formatter, drive] {
        const FormatOutcome outcome = formatter->Format(drive);
        QMetaObject::invokeMethod(this, [this, drive, outcome] { OnFormatFinished(drive, outcome); },
                                  Qt::QueuedConnection);
    });
}

void CQZOptionDlg::OnFormatFinished(const DriveInfo& drive, const FormatOutcome& outcome)
{
    m_formatThread.join();
    m_formatting = false;
    m_busyText->hide();
    m_busy->hide();
    setEnabled(true);

    // The same device again, wherever it is mounted now; the edits stay and follow it there.
    FillDriveList();
    const std::string device = KernelDeviceName(m_environment.root, drive.device);
    for (int i = 0; i < static_cast<int>(m_drives.size()); ++i) {
        if (KernelDeviceName(m_environment.root, m_drives[i].device) == device) {
            m_driveList->setCurrentIndex(i);
            m_pWorkingData->SetFolder(m_drives[i].mountPoint);
            break;
        }
    }
    UpdateFormatButton();
    UpdateReadOnlyState();

    const QString error = QString::fromStdString(outcome.error);
    if (outcome.refusalId != 0)
        Tell(LoadText(outcome.refusalId));
    else if (!outcome.formatted)
        Tell(LoadText(kFormatFailed).arg(error));
    else  // formatted; a card that could not be mounted again says why
        Tell(error.isEmpty() ? LoadText(kFormatComplete) : LoadText(kFormatComplete) + "\n" + error);
}

void CQZOptionDlg::reject()
{
    if (m_formatting)  // the card is being formatted: the dialog waits for the outcome
        return;
    QDialog::reject();
}

void CQZOptionDlg::Tell(const QString& text)
{
    GetMessageBoxes().Show(this, windowTitle(), text, QMessageBox::Ok);
}
