// Start-up: names, language, icon and translations before the main window runs.
#include "ui/shell/application.h"
#include "ui/shell/strings.h"

#include <QApplication>
#include <QIcon>
#include <gtest/gtest.h>

namespace {

TEST(Application, PreparesEverythingThenRunsTheMainWindowOnce) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SetKoreanUiOverride(1);
    char name[] = "/opt/somewhere/kestov-lv200-manager";
    char* argv[] = {name, nullptr};
    int argc = 1;
    int runs = 0;
    const int status = CKESTOVLV2xxManagerApp().Run(argc, argv, [&] {
        ++runs;
        ASSERT_NE(QApplication::instance(), nullptr);
        EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Talvern"));
        // The running executable's file name (argv[0] above names another place).
        EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("ui_shell_startup_tests"));
        EXPECT_FALSE(QApplication::windowIcon().isNull());
        EXPECT_EQ(QCoreApplication::translate("Strings", "Scan"), QStringLiteral("검색"));
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(QApplication::instance(), nullptr) << "torn down when the main window is done";
    SetKoreanUiOverride(-1);
}

}  // namespace
