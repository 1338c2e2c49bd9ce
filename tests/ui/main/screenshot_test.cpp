// Pictures of the window after a read-back, in both languages. Runs only when
// KESTOV_SCREENSHOT_DIR names a directory (docs are refreshed by hand).
#include "window_fixture.h"

#include "sim_slots.h"

#include "ui/shell/strings.h"

#include <QDir>
#include <QPixmap>

using namespace mainwin_test;

TEST_F(WindowTest, Screenshots) {
    const QString dir = qEnvironmentVariable("KESTOV_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KESTOV_SCREENSHOT_DIR not set";
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    SetSimSlot(s, 1, {0xC0, 0x4E, 0x30, 0x12, 0x34, 0x56}, "Door");
    s.userBeacon = true;
    s.beaconHex = "48656C6C6F";
    StartSim().SetState(s);
    for (const bool korean : {false, true}) {
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        OpenWindow();
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return m_win->ScanListCount() >= 6; }));
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
        QCoreApplication::processEvents();
        const QString file =
            QDir(dir).filePath(korean ? QStringLiteral("screenshot-ko.png") : QStringLiteral("screenshot-en.png"));
        EXPECT_TRUE(m_win->grab().save(file));
        DestroyWindow();
    }
    InstallTranslations(false);
}
