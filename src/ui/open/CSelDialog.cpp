#include "ui/open/CSelDialog.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "ui/open/OpenRules.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

CSelDialog::CSelDialog(QWidget* window, const QString& folder) : QFileDialog(window)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilter(QStringLiteral("avi Files (*.avi)"));
    setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    setLabelText(QFileDialog::FileName, QString::fromStdString(LoadString(StringId::kSelectedItemLabel)));
    setLabelText(QFileDialog::Accept, QString::fromStdString(LoadString(StringId::kOkButton)));
    // One filter only: its row says nothing the list does not show.
    if (auto* typeLabel = findChild<QLabel*>(QStringLiteral("fileTypeLabel")))
        typeLabel->hide();
    if (auto* typeCombo = findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        typeCombo->hide();
    if (window)
        move(window->window()->geometry().topLeft() + QPoint(60, 100));

    // Folders and an empty choice may be confirmed too; the stock dialog would grey OK out for them.
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>())
        if (view->selectionModel())
            connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CSelDialog::KeepOkEnabled);
    connect(this, &QFileDialog::directoryEntered, this, &CSelDialog::KeepOkEnabled);
    if (auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(nameBox, &QLineEdit::textChanged, this, &CSelDialog::KeepOkEnabled);
    KeepOkEnabled();
}

QString CSelDialog::CurrentFolder() const
{
    return directory().absolutePath();
}

void CSelDialog::KeepOkEnabled()
{
    QTimer::singleShot(0, this, [this] {
        if (auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            if (QPushButton* ok = box->button(QDialogButtonBox::Open))
                ok->setEnabled(true);
    });
}

void CSelDialog::accept()
{
    std::vector<SelectedItem> selected;
    const auto* model = findChild<QFileSystemModel*>();
    auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (model && list && list->selectionModel()) {
        for (const QModelIndex& index : list->selectionModel()->selectedRows())
            selected.push_back({model->fileName(index).toStdString(), model->isDir(index)});
    }
    const auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const std::string text = nameBox ? nameBox->text().toStdString() : std::string();
    // A folder typed into the name box is entered, as the stock dialog does.
    if (selected.empty() && !text.empty() && text.find('"') == std::string::npos) {
        const QString typed = QDir(CurrentFolder()).absoluteFilePath(nameBox->text());
        if (QFileInfo(typed).isDir()) {
            setDirectory(typed);
            return;
        }
    }
    m_selectedPaths.clear();
    for (const std::string& path : SelectedPaths(CurrentFolder().toStdString(), selected, text))
        m_selectedPaths.push_back(QString::fromStdString(path));
    QDialog::accept();
}
