// The module's device disappears: with "Reconnect automatically" the window
// waits and reopens the same adapter (by its stable name, under a new path)
// on its own; without it, the error message and a closed port.
#include "window_fixture.h"

#include "ui/main/reconnect.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QRegularExpression>
#include <QTimer>

#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    e.byId = "/dev/serial/by-id/usb-KESTOV_LV200-if00-port0";
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
            EXPECT_EQ(StatusPaneText(0), QStringLiteral("COM port closed"));
            DestroyWindow();
            continue;
        }
        ASSERT_TRUE(WaitFor([&] { return StatusPaneText(0).startsWith(QStringLiteral("Waiting for the module")); }));
        EXPECT_FALSE(m_win->Ops().IsLinkOpen());

        // Plugged in again: another path, the same adapter.
        const std::string back = StartSim("KESTOV-LV210").DevicePath();
        source.ports = {Adapter(back)};
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
        const std::vector<std::string> commands = m_sim->Commands();
        ASSERT_GE(commands.size(), 2u);
        EXPECT_EQ(commands[0], "AT");
        EXPECT_EQ(commands[1], "AT+MODEL?");
        EXPECT_TRUE(StatusPaneText(0).startsWith(QString::fromStdString(back)));
        EXPECT_EQ(m_portDialogs, dialogs) << "no port dialog on the way";
        for (const Box& b : TakeBoxes()) ADD_FAILURE() << "box: " << b.text.toStdString();
        DestroyWindow();
    }
}

// Reconnection does not end at the first failed try: the module comes back
// while another program holds its port (the status bar says so), or the
// cable bounces a few times before it stays. Either way the window ends up
// connected, without a box or the port dialog.
TEST_F(ReconnectTest, KeepsTryingWhileThePortIsHeldOrBouncesUntilTheModuleIsBack) {
    SettingsStore::WriteProfileInt(ComConfigDlg::kReconnectKey, 1);
    for (const bool bounce : {false, true}) {
        SCOPED_TRACE(bounce ? "bouncing" : "held");
        source.ports = {Adapter(StartSim("KESTOV-LV210").DevicePath())};
        OpenWindow();
        const int dialogs = m_portDialogs;
        TakeBoxes();
        m_sim->HangUp();
        source.ports.clear();
        const auto waitingAfterATry = [&] {
            const QString status = StatusPaneText(0);
            return !m_win->Ops().IsLinkOpen() && status.startsWith(QStringLiteral("Waiting for the module on ")) &&
                   status.contains(QStringLiteral("(last try: "));
        };

        if (bounce) {
            for (int flicker = 0; flicker < 3; ++flicker) {
                // Back for a moment, too briefly to answer.
                sim::KestovSimulator& brief = StartSim("KESTOV-LV210");
                brief.SetSilent(true);
                source.ports = {Adapter(brief.DevicePath())};
                // A reopen reached it; then it is gone again.
                ASSERT_TRUE(WaitFor([&] { return !brief.Commands().empty(); }));
                brief.HangUp();
                source.ports.clear();
                ASSERT_TRUE(WaitFor(waitingAfterATry)) << StatusPaneText(0).toStdString();
            }
            source.ports = {Adapter(StartSim("KESTOV-LV210").DevicePath())};
        } else {
            sim::KestovSimulator& back = StartSim("KESTOV-LV210");
            const int holder = ::open(back.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            ASSERT_GE(holder, 0);
            ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
            source.ports = {Adapter(back.DevicePath())};
            ASSERT_TRUE(WaitFor([&] {
                return waitingAfterATry() &&
                       StatusPaneText(0).endsWith(QStringLiteral("(last try: in use by another program)"));
            })) << StatusPaneText(0).toStdString();
            EXPECT_TRUE(back.Commands().empty()) << "nothing sent into the other program's session";
            ::close(holder);
        }
        ASSERT_TRUE(WaitFor([&] { return Ready(); })) << StatusPaneText(0).toStdString();
        EXPECT_EQ(m_sim->Commands().at(0), "AT");
        EXPECT_EQ(m_portDialogs, dialogs) << "no port dialog on the way";
        for (const Box& b : TakeBoxes()) ADD_FAILURE() << "box: " << b.text.toStdString();
        DestroyWindow();
    }
}

// Ports from a watched folder of links (the by-id name is the link), as the
// system's source is watched: the reconnect then follows the watcher.
class WatchedFolderPorts : public PortListSource {
public:
    explicit WatchedFolderPorts(std::string folder) : dir(std::move(folder)) {}
    std::vector<SerialPortEntry> Ports() override {
        std::vector<SerialPortEntry> out;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            std::error_code lec;
            const auto target = std::filesystem::read_symlink(entry.path(), lec);
            if (lec || !std::filesystem::exists(target)) continue;
            SerialPortEntry e;
            e.path = target.string();
            e.byId = entry.path().string();
            out.push_back(e);
        }
        return out;
    }
    bool MayOpen(const std::string&, std::string&) override { return true; }
    std::optional<PortWatchOptions> WatchOptions() const override {
        PortWatchOptions options;
        options.system = false;
        options.dirs = {dir};
        return options;
    }
    std::string dir;
};

TEST_F(WindowTest, ReconnectFollowsThePortWatcherWithoutATimer) {
    SettingsStore::WriteProfileInt(ComConfigDlg::kReconnectKey, 1);
    WatchedFolderPorts source(m_tmp.filePath(QStringLiteral("ports")).toStdString());
    std::filesystem::create_directories(source.dir);
    const std::string link = source.dir + "/adapter";
    PortListSource::Install(&source);
    struct Uninstall {
        ~Uninstall() { PortListSource::Install(nullptr); }
    } uninstall;
    std::filesystem::create_symlink(StartSim("KESTOV-LV210").DevicePath(), link);
    OpenWindow();
    TakeBoxes();

    m_sim->HangUp();
    std::filesystem::remove(link);
    ASSERT_TRUE(WaitFor([&] { return StatusPaneText(0).startsWith(QStringLiteral("Waiting for the module")); }));
    auto* reconnector = m_win->findChild<LinkReconnector*>();
    ASSERT_NE(reconnector, nullptr);
    for (const QTimer* timer : reconnector->findChildren<QTimer*>()) {
        EXPECT_FALSE(timer->isActive()) << "nothing to look at until a port comes";
    }

    // Plugged in again: the same link name, another terminal.
    const std::string back = StartSim("KESTOV-LV210").DevicePath();
    std::filesystem::create_symlink(back, link);
    ASSERT_TRUE(WaitFor([&] { return Ready(); })) << StatusPaneText(0).toStdString();
    EXPECT_EQ(m_sim->Commands().at(0), "AT");
    EXPECT_TRUE(StatusPaneText(0).startsWith(QString::fromStdString(back)));
    for (const Box& b : TakeBoxes()) ADD_FAILURE() << "box: " << b.text.toStdString();
    DestroyWindow();
}

TEST(ReconnectText, SaysWhatTheLastTryMetInBothLanguages) {
    const QString port = QStringLiteral("/dev/ttyUSB0");
    EXPECT_EQ(LinkReconnector::WaitingText(port, ReconnectSnag::None, {}),
              QStringLiteral("Waiting for the module on /dev/ttyUSB0"));
    EXPECT_EQ(LinkReconnector::WaitingText(port, ReconnectSnag::InUse, {}),
              QStringLiteral("Waiting for the module on /dev/ttyUSB0 (last try: in use by another program)"));
    EXPECT_EQ(LinkReconnector::WaitingText(port, ReconnectSnag::OpenFailed, "Input/output error"),
              QStringLiteral("Waiting for the module on /dev/ttyUSB0 (last try: Input/output error)"));

    SetKoreanUiOverride(1);
    InstallTranslations(true);
    EXPECT_EQ(LinkReconnector::WaitingText(port, ReconnectSnag::InUse, {}),
              QString::fromUtf8("/dev/ttyUSB0에서 모듈을 기다리는 중 (마지막 시도: 다른 프로그램이 사용 중)"));
    for (const ReconnectSnag snag :
         {ReconnectSnag::NoPermission, ReconnectSnag::NoAnswer, ReconnectSnag::Unsupported, ReconnectSnag::Dropped}) {
        const QString text = LinkReconnector::WaitingText(port, snag, {});
        EXPECT_TRUE(text.startsWith(QString::fromUtf8("/dev/ttyUSB0에서 모듈을 기다리는 중 (마지막 시도: ")))
            << text.toStdString();
        const QString why = text.section(QString::fromUtf8("마지막 시도: "), 1);
        EXPECT_FALSE(why.contains(QRegularExpression(QStringLiteral("[a-z]"))))
            << "untranslated: " << text.toStdString();
    }
    InstallTranslations(false);
    SetKoreanUiOverride(-1);
}

}  // namespace
