// The module's device disappears: with "Reconnect automatically" the window
// waits and reopens the same adapter (by its stable name, under a new path)
// on its own; without it, the error message and a closed port.
#include "window_fixture.h"

#include "ui/shell/com_config_dlg.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/settings_store.h"

using namespace mainwin_test;

namespace {

class FakePorts : public PortListSource {
public:
    std::vector<SerialPortEntry> Ports() override { return ports; }
    bool MayOpen(const std::string&, std::string&) override { return true; }
    std::vector<SerialPortEntry> ports;
};

SerialPortEntry Adapter(const std::string& path) {
    SerialPortEntry e;
    e.path = path;
    e.by_id = "/dev/serial/by-id/usb-KESTOV_LV200-if00-port0";
    return e;
}

class ReconnectTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        PortListSource::Install(&source);
    }
    void TearDown() override {
        WindowTest::TearDown();
        PortListSource::Install(nullptr);
    }
    FakePorts source;
};

TEST_F(ReconnectTest, LostModuleIsReopenedOnlyWhenTheOptionIsOn) {
    for (const bool on : {false, true}) {
        SettingsStore::WriteProfileInt(ComConfigDlg::kReconnectKey, on ? 1 : 0);
        source.ports = {Adapter(StartSim("KESTOV-LV210").DevicePath())};
        OpenWindow();
        const int dialogs = m_portDialogs;
        TakeBoxes();

        m_sim->HangUp();
        source.ports.clear();
        if (!on) {
            EXPECT_EQ(NextBoxId(), 106);
            EXPECT_EQ(m_win->StatusPaneText(0), QStringLiteral("COM port closed"));
            DestroyWindow();
            continue;
        }
        ASSERT_TRUE(WaitFor([&] { return m_win->StatusPaneText(0).startsWith(QStringLiteral("Waiting for the module")); }));
        EXPECT_FALSE(m_win->Ops().IsLinkOpen());

        // Plugged in again: another path, the same adapter.
        const std::string back = StartSim("KESTOV-LV210").DevicePath();
        source.ports = {Adapter(back)};
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
        const std::vector<std::string> commands = m_sim->Commands();
        ASSERT_GE(commands.size(), 2u);
        EXPECT_EQ(commands[0], "AT");
        EXPECT_EQ(commands[1], "AT+MODEL?");
        EXPECT_TRUE(m_win->StatusPaneText(0).startsWith(QString::fromStdString(back)));
        EXPECT_EQ(m_portDialogs, dialogs) << "no port dialog on the way";
        for (const Box& b : TakeBoxes()) ADD_FAILURE() << "box: " << b.text.toStdString();
        DestroyWindow();
    }
}

}  // namespace
