// The message for a port that refused to open: IDS_OPEN_PORT_FAILED with the system's
// reason, and, when a group grants access, one more line naming that group.
#include "ui/main/main_window.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"
#include "ops/rules/string_ids.h"
#include "ui/shell/strings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

class OpenErrorTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        SettingsStore::UseFile(m_tmp.filePath(QStringLiteral("settings.ini")));
        SetKoreanUiOverride(GetParam() ? 1 : 0);
        InstallTranslations(GetParam());
        MessageBoxSeam::SetHandler([this](QWidget*, const QString& text, const QString&, QMessageBox::Icon icon,
                                          QMessageBox::StandardButtons) {
            m_texts.push_back(text);
            m_icons.push_back(icon);
            return QMessageBox::Ok;
        });
    }
    void TearDown() override {
        MessageBoxSeam::SetHandler({});
        InstallTranslations(false);
        SetKoreanUiOverride(-1);
        SettingsStore::UseFile(QString());
    }

    QTemporaryDir m_tmp;
    std::vector<QString> m_texts;
    std::vector<QMessageBox::Icon> m_icons;
};

TEST_P(OpenErrorTest, ReasonThenTheGroupToJoin) {
    CKESTOVLV2xxManagerDlg window;  // not shown: no port dialog
    window.ShowOpenPortError("Permission denied", "dialout");
    window.ShowOpenPortError("No such file or directory", "");
    ASSERT_EQ(m_texts.size(), 2u);

    const QString head = LoadStringRes(IDS_OPEN_PORT_FAILED) + QStringLiteral(": Permission denied");
    const QStringList lines = m_texts[0].split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << m_texts[0].toStdString();
    EXPECT_EQ(lines[0], head);
    EXPECT_TRUE(lines[1].contains(QStringLiteral("\"dialout\""))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("usermod -aG dialout"))) << lines[1].toStdString();
    if (GetParam()) {
        EXPECT_TRUE(lines[1].contains(QStringLiteral("그룹"))) << lines[1].toStdString();
    }
    EXPECT_EQ(m_icons[0], QMessageBox::Critical);

    // No group to name: the reason alone.
    EXPECT_EQ(m_texts[1], LoadStringRes(IDS_OPEN_PORT_FAILED) + QStringLiteral(": No such file or directory"));
}

INSTANTIATE_TEST_SUITE_P(Languages, OpenErrorTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Korean" : "English"; });

}  // namespace
