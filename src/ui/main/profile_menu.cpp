// Menu > Export settings... and Import settings...: the module's settings
// as a profile file, with the same profile code as the command-line tool.
// Import reads the module once, shows what would change against that read
// and asks before anything is written; one read-back afterwards verifies the
// writes and fills the window.
#include "ops/profiles/profile.h"
#include "ops/session/settings_patch.h"
#include "ui/main/main_window.h"
#include "ui/main/profile_text.h"
#include "ui/main/window_text.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/shell/file_error_text.h"
#include "ui/shell/message_box.h"
#include "ui/station/station_window.h"

#include <QMenu>

#include <QCoreApplication>

#include <utility>

namespace {

QString Pt(const char* text) { return QCoreApplication::translate("Profiles", text); }

// Where a profile goes (save) or comes from (open), in the profile files' last folder.
QString AskProfileFile(QWidget* parent, FileDialogSeam::Mode mode, const QString& title, const QString& suggested) {
    return FileDialogSeam::Ask(parent,
                               {mode, title, suggested, Pt("Settings profiles (*.json)"), QStringLiteral("profile")});
}

}  // namespace

bool CKESTOVLV2xxManagerDlg::ReadyForProfiles() {
    if (m_ops.IsLinkOpen() && !m_ops.IsBusy() && m_ops.Model() != MODEL_NONE && m_ops.ScanState() == SCAN_IDLE &&
        m_profileStep == ProfileStep::None) {
        return true;
    }
    ShowMessageText(Pt("Connect a module and wait until its settings are shown."), MsgIcon::Error);
    return false;
}

void CKESTOVLV2xxManagerDlg::RunProfileJob(ProfileStep step) {
    m_profileStep = step;
    m_ops.Records().m_profileReadOnly = step != ProfileStep::ImportWrite;
    EnableControls(false);
    m_ops.QueueJob(JOB_APPLY_PROFILE, false);
    m_ops.StartBusy();
}

void CKESTOVLV2xxManagerDlg::OnExportSettings() {
    BeginExport(this, Pt("Export settings"), QStringLiteral("module.json"), false);
}

void CKESTOVLV2xxManagerDlg::TakeProfileForStation() {
    BeginExport(m_station ? static_cast<QWidget*>(m_station) : this, Pt("Take the connected module as the profile"),
                QStringLiteral("station-profile.json"), true);
}

void CKESTOVLV2xxManagerDlg::BeginExport(QWidget* dialogParent, const QString& title, const QString& suggested,
                                         bool forStation) {
    if (!ReadyForProfiles()) {
        return;
    }
    m_profilePath = AskProfileFile(dialogParent, FileDialogSeam::Mode::Save, title, suggested);
    if (!m_profilePath.isEmpty()) {
        m_exportForStation = forStation;
        // The module is read first: the window may show typed values it never read back.
        RunProfileJob(ProfileStep::ExportRead);
    }
}

void CKESTOVLV2xxManagerDlg::OnImportSettings() {
    if (!ReadyForProfiles()) {
        return;
    }
    const QString path = AskProfileFile(this, FileDialogSeam::Mode::Open, Pt("Import settings"), QString());
    if (path.isEmpty()) {
        return;
    }
    // Regular files only, opened without blocking: a FIFO is refused, not waited on.
    const file_io::ReadResult read = ReadWholeFile(path, profile::kMaxBytes);
    if (read.error) {
        ShowMessageText(Pt("Could not read the file: %1").arg(FileErrorText(read.error)), MsgIcon::Error);
        return;
    }
    const profile::Parsed parsed = profile::Parse(read.data);
    if (!parsed.error.empty()) {
        ShowMessageText(Pt("This profile cannot be used:\n%1").arg(profile_text::Refusal(parsed)), MsgIcon::Error);
        return;
    }
    m_ops.Records().m_patchToWrite = parsed.patch;
    m_importModel = parsed.model;
    // The differences are shown against the module as it is now.
    RunProfileJob(ProfileStep::ImportRead);
}

void CKESTOVLV2xxManagerDlg::ShowProfileResult(bool ok) {
    const ProfileStep step = m_profileStep;
    m_profileStep = ProfileStep::None;
    const bool forStation = std::exchange(m_exportForStation, false);
    const ApplyOutcome& outcome = m_ops.Records().m_applyOutcome;
    if (!ok) {
        const QString why = step == ProfileStep::ImportWrite
                                ? profile_text::ImportFailure(outcome, m_ops.Records().m_profileBase.model)
                                : profile_text::SessionFailure(outcome.failure);
        const QString what =
            step == ProfileStep::ExportRead ? Pt("Failed exporting settings: %1") : Pt("Failed importing settings: %1");
        ShowMessageText(what.arg(why), MsgIcon::Error);
        // A read-back after the writes has filled the window already.
        if (!(step == ProfileStep::ImportWrite && outcome.verified)) {
            m_ops.Reidentify();
        }
        return;
    }
    switch (step) {
    case ProfileStep::ExportRead:
        ExportRead(forStation);
        break;
    case ProfileStep::ImportRead:
        AskAndImport();
        break;
    case ProfileStep::ImportWrite:
        // The read-back that verified the writes has filled the window.
        ShowMessageText(Pt("Completed importing settings."), MsgIcon::Information);
        break;
    case ProfileStep::None:
        break;
    }
}

void CKESTOVLV2xxManagerDlg::ExportRead(bool forStation) {
    const std::string text = profile::Export(m_ops.Records().m_applyOutcome.after);
    const file_io::Error error =
        WriteWholeFile(m_profilePath, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (error) {
        ShowMessageText(Pt("Could not write the file: %1").arg(FileErrorText(error)), MsgIcon::Error);
    } else if (forStation && m_station) {
        m_station->UseProfile(m_profilePath);  // the station says so where the user is looking
    } else {
        ShowMessageText(Pt("Settings exported."), MsgIcon::Information);
    }
    EnableControls(true);
}

void CKESTOVLV2xxManagerDlg::AskAndImport() {
    DeviceRecords& records = m_ops.Records();
    // The writes go against this read: the one whose differences are shown.
    records.m_profileBase = records.m_applyOutcome.after;
    const DeviceSettings& current = records.m_profileBase;
    SettingsPatch& patch = records.m_patchToWrite;
    const std::vector<std::string> lacking = settings_patch::UnsupportedFields(patch, current.model);
    settings_patch::DropUnsupported(patch, current.model);
    const std::vector<FieldChange> changes = settings_patch::Diff(patch, current);
    if (changes.empty()) {
        ShowMessageText(Pt("The module already holds these settings."), MsgIcon::Information);
        EnableControls(true);
        return;
    }
    // Refused here, before asking, as the window refuses the same rows.
    if (const setting_fields::Refusal refusal =
            settings_patch::CheckTarget(settings_patch::Applied(patch, current), changes)) {
        ShowMessageText(Pt("This profile cannot be used:\n%1").arg(RuleMessage(refusal)), MsgIcon::Error);
        EnableControls(true);
        return;
    }
    QString list = profile_text::Differences(changes);
    if (!m_importModel.empty() && m_importModel != current.modelName) {
        // Applied all the same, as kestovctl does; the user decides.
        list += Pt("This profile was made for a %1; this module is a %2.\n")
                    .arg(QString::fromStdString(m_importModel), QString::fromStdString(current.modelName));
    }
    if (!lacking.empty()) {
        QString fields;
        for (const std::string& f : lacking) {
            fields += (fields.isEmpty() ? QString() : QStringLiteral(", ")) + FieldLabel(f);
        }
        list += Pt("Left out, this model does not have them: %1\n").arg(fields);
    }
    const auto answer =
        MessageBoxSeam::Show(this, Pt("These settings will change:\n\n%1\nWrite them to the module?").arg(list),
                             QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel);
    if (answer != QMessageBox::Ok) {
        EnableControls(true);
        return;
    }
    RunProfileJob(ProfileStep::ImportWrite);
}

void CKESTOVLV2xxManagerDlg::AddProfileMenuItems(QMenu* menu) {
    QAction* exportAction = menu->addAction(Pt("&Export settings..."));
    exportAction->setObjectName(QStringLiteral("cmdExportSettings"));
    QAction* importAction = menu->addAction(Pt("&Import settings..."));
    importAction->setObjectName(QStringLiteral("cmdImportSettings"));
    connect(exportAction, &QAction::triggered, this, [this] { OnExportSettings(); });
    connect(importAction, &QAction::triggered, this, [this] { OnImportSettings(); });
}
