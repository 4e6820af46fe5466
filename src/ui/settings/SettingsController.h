#pragma once

#include "settings/CQZSetupData.h"
#include "settings/ViewerOptions.h"
#include "ui/settings/CQZOptionDlg.h"

#include <memory>
#include <string>

class QWidget;

// One run of the settings dialog for the main window: it owns the dialog and the camera settings and
// hands the edited viewer options back.
class SettingsController {
public:
    // `rememberedDrive`: the main window's drive of the last Save; the dialog pre-selects it and Save sets it.
    SettingsController(std::string& rememberedDrive, SettingsEnvironment environment = {},
                       QWidget* parent = nullptr);
    ~SettingsController();

    void SetOptions(const ViewerOptions& options) { m_options = options; }
    // Shows the dialog modally; true when it ended with Save (its files are then written).
    bool Run();
    ViewerOptions GetOptions() const { return m_options; }

    CQZOptionDlg& Dialog() { return *m_dialog; }
    const CQZSetupData& SetupData() const { return *m_setupData; }

private:
    std::unique_ptr<CQZSetupData> m_setupData;
    std::unique_ptr<CQZOptionDlg> m_dialog;
    ViewerOptions m_options;
};
