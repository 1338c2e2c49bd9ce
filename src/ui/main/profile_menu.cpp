// Menu > Export settings... and Import settings...: the module's settings
// as a profile file, with the same profile code as the command-line tool.
// Import shows what would change and asks before anything is written; the
// module is read back afterwards.
#include "ops/profiles/profile.h"
#include "ops/session/settings_patch.h"
#include "ui/main/main_window.h"
#include "ui/main/window_text.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/shell/file_error_text.h"
#include "ui/shell/message_box.h"

#include <QMenu>

#include <QCoreApplication>

namespace {

QString Pt(const char* text) { return QCoreApplication::translate("Profiles", text); }

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Export asks where to save, import what to open.
QString ChooseProfileFile(QWidget* parent, bool save) {
    const QString filter = Pt("Settings profiles (*.json)");
    const QString kind = QStringLiteral("profile");
    return save ? FileDialogSeam::Ask(parent, {FileDialogSeam::Mode::Save, Pt("Export settings"),
                                               QStringLiteral("module.json"), filter, kind})
                : FileDialogSeam::Ask(parent,
                                      {FileDialogSeam::Mode::Open, Pt("Import settings"), QString(), filter, kind});
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
    if (!ReadyForProfiles()) {
        return;
    }
    m_profilePath = ChooseProfileFile(this, true);
    if (!m_profilePath.isEmpty()) {
        // The module is read first: the window may show typed values it never read back.
        RunProfileJob(ProfileStep::ExportRead);
    }
}

void CKESTOVLV2xxManagerDlg::OnImportSettings() {
    if (!ReadyForProfiles()) {
        return;
    }
    const QString path = ChooseProfileFile(this, false);
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
        // A value an input rule refuses reads as the window's own message for it.
        const QString why = parsed.rule
                                ? (parsed.where.empty() ? QString() : Utf8(parsed.where) + QStringLiteral(": ")) +
                                      RuleMessage(parsed.rule)
                                : Utf8(parsed.error);
        ShowMessageText(Pt("This profile cannot be used:\n%1").arg(why), MsgIcon::Error);
        return;
    }
    m_ops.Records().m_patchToWrite = parsed.patch;
    // The differences are shown against the module as it is now.
    RunProfileJob(ProfileStep::ImportRead);
}

void CKESTOVLV2xxManagerDlg::ShowProfileResult(bool ok, const std::string& detail) {
    const ProfileStep step = m_profileStep;
    m_profileStep = ProfileStep::None;
    if (!ok) {
        const QString what =
            step == ProfileStep::ExportRead ? Pt("Failed exporting settings: %1") : Pt("Failed importing settings: %1");
        ShowMessageText(what.arg(Utf8(detail)), MsgIcon::Error);
        m_ops.Reidentify();
        return;
    }
    switch (step) {
    case ProfileStep::ExportRead:
        ExportRead();
        break;
    case ProfileStep::ImportRead:
        AskAndImport();
        break;
    case ProfileStep::ImportWrite:
        ShowMessageText(Pt("Completed importing settings."), MsgIcon::Information);
        m_ops.QueueJob(JOB_IDENTIFY, false);
        break;
    case ProfileStep::None:
        break;
    }
}

void CKESTOVLV2xxManagerDlg::ExportRead() {
    const std::string text = profile::Export(m_ops.Records().m_applyOutcome.after);
    const file_io::Error error =
        WriteWholeFile(m_profilePath, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (error) {
        ShowMessageText(Pt("Could not write the file: %1").arg(FileErrorText(error)), MsgIcon::Error);
    } else {
        ShowMessageText(Pt("Settings exported."), MsgIcon::Information);
    }
    EnableControls(true);
}

void CKESTOVLV2xxManagerDlg::AskAndImport() {
    const DeviceSettings& current = m_ops.Records().m_applyOutcome.after;
    SettingsPatch& patch = m_ops.Records().m_patchToWrite;
    const std::vector<std::string> lacking = settings_patch::UnsupportedFields(patch, current.model);
    settings_patch::DropUnsupported(patch, current.model);
    const std::vector<FieldChange> changes = settings_patch::Diff(patch, current);
    if (changes.empty()) {
        ShowMessageText(Pt("The module already holds these settings."), MsgIcon::Information);
        EnableControls(true);
        return;
    }
    QString list;
    for (const FieldChange& c : changes) {
        list += QStringLiteral("%1: %2 \u2192 %3\n").arg(FieldLabel(c.field), Utf8(c.from), Utf8(c.to));
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
