// Shared set-up for the shell tests: a temporary settings file, English or
// Korean texts on request, and no seam left behind.
#pragma once

#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        ComConfigDlg::SetEnumerator({});
        ComConfigDlg::SetModalSeam({});
        MessageBoxSeam::SetHandler({});
    }
    QString IniPath() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QTemporaryDir dir;
};
