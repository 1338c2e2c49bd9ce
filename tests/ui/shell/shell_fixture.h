// Shared set-up for the shell tests: a temporary settings file, English or
// Korean texts on request, and no seam left behind.
#pragma once

#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

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
