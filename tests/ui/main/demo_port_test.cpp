// The demo's simulated module in the port list, described in the window's language.
#include "sim/kestov_sim.h"
#include "ui/main/demo_mode.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/strings.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(DemoPort, TheSimulatedModuleIsDescribedInTheUiLanguage) {
    const struct {
        int korean;
        const char* description;
    } cases[] = {{0, "Simulated module"}, {1, "모의 모듈"}};
    // The demo's settings file goes to the test location, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        SetKoreanUiOverride(c.korean);
        sim::KestovSimulator module("KESTOV-LV200");
        DemoModule demo(module);
        ASSERT_TRUE(demo.Start());
        std::string product = "(not listed)";
        for (const SerialPortEntry& p : PortListSource::Current().Ports()) {
            if (p.path == module.DevicePath()) product = p.product;
        }
        EXPECT_EQ(product, c.description);
    }
    SetKoreanUiOverride(-1);
    QStandardPaths::setTestModeEnabled(false);
}
