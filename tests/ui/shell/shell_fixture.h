// Shared set-up for the shell tests: a temporary settings file, English or
// Korean texts on request, and no seam left behind.
#pragma once

#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

// The port dialog's controls, found by their object names.
template <typename T>
T* DialogControl(const ComConfigDlg& dlg, const char* name) {
    T* w = dlg.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}
inline QComboBox* PortCombo(const ComConfigDlg& d) { return DialogControl<QComboBox>(d, "portCombo"); }
inline QPushButton* FindButton(const ComConfigDlg& d) { return DialogControl<QPushButton>(d, "findModule"); }
inline QLabel* PortInfo(const ComConfigDlg& d) { return DialogControl<QLabel>(d, "portInfo"); }
inline QCheckBox* ReconnectCheck(const ComConfigDlg& d) { return DialogControl<QCheckBox>(d, "reconnect"); }
inline CHTRichEditCtrl* Instruction(const ComConfigDlg& d) { return DialogControl<CHTRichEditCtrl>(d, "instruction"); }
inline GdiplusImgCtrl* DialPicture(const ComConfigDlg& d) { return DialogControl<GdiplusImgCtrl>(d, "dialPicture"); }

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SettingsStore::UseFile(dir.filePath(QStringLiteral("settings.ini")));
        SetKoreanUiOverride(0);
    }
    void TearDown() override {
        SettingsStore::UseFile(QString());
        SetKoreanUiOverride(-1);
        PortListSource::Install(nullptr);
        ComConfigDlg::SetModalSeam({});
        MessageBoxSeam::SetHandler({});
    }
    // Runs the dialog; the seam does what the user would and answers.
    static std::optional<PortSettings> Run(ComConfigDlg& dlg, const std::function<int(ComConfigDlg&)>& user) {
        ComConfigDlg::SetModalSeam(user);
        return dlg.DoModal();
    }
    // The port the dialog answers when shown again and OK is pressed at once.
    static QString OkAnswer(ComConfigDlg& dlg) {
        const std::optional<PortSettings> chosen = Run(dlg, [](ComConfigDlg& d) {
            d.accept();
            return d.result();
        });
        return chosen ? QString::fromStdU16String(chosen->m_portName) : QStringLiteral("<cancelled>");
    }
    QString IniPath() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QTemporaryDir dir;
};
