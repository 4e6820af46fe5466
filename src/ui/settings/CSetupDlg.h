#pragma once

#include "settings/CQZSetupData.h"
#include "settings/ViewerOptions.h"

#include <QDialog>

// A settings dialog: the camera settings handed in (and, after Save, handed back) and a copy of the
// viewer's options.
class CSetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSetupDlg(QWidget* parent = nullptr) : QDialog(parent) {}

    CSetupDataEx* m_pSetupData = nullptr;
    ViewerOptions m_options;
};
