#include "ui/open/CSelDialog.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "ui/open/OpenRules.h"
#include "widgets/MessageBoxes.h"

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

void CSelDialog::GoTo(const QString& folder)
{
    setDirectory(folder);
    if (auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView")); list && list->selectionModel())
        list->selectionModel()->clearSelection();
    if (auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        nameBox->clear();
        nameBox->setFocus();
    }
    KeepOkEnabled();
}

void CSelDialog::Confirm(const QStringList& paths)
{
    m_selectedPaths = paths;
    QDialog::accept();
}

void CSelDialog::accept()
{
    const QString shown = CurrentFolder();
    // Only the items of the folder shown: while a path is typed the stock dialog also selects what it
    // names elsewhere.
    std::vector<SelectedItem> selected;
    const auto* model = findChild<QFileSystemModel*>();
    auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (model && list && list->selectionModel()) {
        for (const QModelIndex& index : list->selectionModel()->selectedRows())
            if (index.parent() == list->rootIndex())
                selected.push_back({model->fileName(index).toStdString(), model->isDir(index)});
    }
    const auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const std::string text = nameBox ? nameBox->text().toStdString() : std::string();

    // A path in the name box (typed, or the one file selected) decides, unless the selection says more.
    const TypedPath typed = ResolveTypedPath(shown.toStdString(), text, QDir::homePath().toStdString());
    const bool typedAlone =
        selected.empty() ||
        (selected.size() == 1 &&
         QDir(shown).absoluteFilePath(QString::fromStdString(selected[0].name)).toStdString() == typed.path);
    if (typed.kind != TypedPath::None && typedAlone) {
        const QString path = QString::fromStdString(typed.path);
        switch (typed.kind) {
        case TypedPath::Folder:
            // Enter goes into a folder; Enter again, with nothing typed, opens the folder shown.
            if (QDir(path) != QDir(shown))
                GoTo(path);
            else
                Confirm({path});
            return;
        case TypedPath::File:
            Confirm({path});
            return;
        case TypedPath::Missing:
            GetMessageBoxes().ShowWithIcon(
                this, windowTitle(),
                QString::fromStdString(FormatString(StringId::kPathCannotBeOpened,
                                                    {typed.path, SystemErrorText(typed.error)})),
                QMessageBox::Ok, QMessageBox::Warning);
            return;
        case TypedPath::None:
            break;
        }
    }
    QStringList paths;
    for (const std::string& path : SelectedPaths(shown.toStdString(), selected, text))
        paths.push_back(QString::fromStdString(path));
    Confirm(paths);
}
