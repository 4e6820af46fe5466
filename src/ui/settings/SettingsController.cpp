#include "ui/settings/SettingsController.h"

#include "infra/DiagnosticLog.h"

SettingsController::SettingsController(std::string& rememberedDrive, SettingsEnvironment environment,
                                       QWidget* parent)
    : m_setupData(std::make_unique<CQZSetupData>())
{
    if (environment.clock)
        m_setupData->clock = environment.clock;
    m_dialog = std::make_unique<CQZOptionDlg>(rememberedDrive, std::move(environment), parent);
}

SettingsController::~SettingsController() = default;

bool SettingsController::Run()
{
    WriteLog("Run", "SettingsController", "Run", kLogType, kLogLevelNormal);
    m_setupData->Load();
    m_dialog->m_pSetupData = m_setupData.get();
    m_dialog->m_options = m_options;
    m_dialog->Initialise();
    if (m_dialog->exec() != QDialog::Accepted)
        return false;
    // The dialog has written time.cfg and setup.cfg before it closed; nothing is left to write here.
    m_options = m_dialog->m_options;
    if (std::unique_ptr<CQZSetupData> replacement = m_dialog->TakeReplacement();
        replacement && m_dialog->m_pSetupData == replacement.get())
        m_setupData = std::move(replacement);
    m_dialog->m_pSetupData = m_setupData.get();
    return true;
}
