// The built program as a person meets it: started in demo mode (offscreen),
// driven by a script through its real widgets, and watched from outside: its
// exit status and time, its threads at the end, the processes it starts, the
// settings it leaves. The program comes from $KESTOV_MANAGER: the program's
// test copy, which is the program's code with the script player added.
#include "child_process.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Manager() {
    const char* p = std::getenv("KESTOV_MANAGER");
    return p ? p : "";
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Connect (the port dialog must preselect the simulated module), read back,
// rename the module and read it back again, scan until every device is
// listed, stop, close. CAPTION_CHANGE, SCAN and STOP are the captions in the
// language under test.
const char* const kSessionScript = R"(
accept-port-dialog
wait-enabled ctl1010
expect-text ctl1009 v1.2.0
expect-text ctl1014 LV200
expect-text ctl1015 CAPTION_CHANGE
set-text ctl1014 E2E-1
click ctl1015
expect-box 112
click ctl1010
wait-disabled ctl1010
wait-enabled ctl1010
expect-text ctl1014 E2E-1
sim-devices 12 100
click ctl1026
expect-text ctl1026 STOP
wait-rows 12
click ctl1026
expect-text ctl1026 SCAN
wait-enabled ctl1010
close
)";

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

class DemoRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() { e2e::BecomeSubreaper(); }

    void SetUp() override {
        ASSERT_FALSE(Manager().empty()) << "KESTOV_MANAGER names the program under test";
        char tmpl[] = "/tmp/kestov-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        fs::create_directories(m_dir / "config");
        fs::create_directories(m_dir / "home");
        fs::create_directories(m_dir / "runtime");
        fs::permissions(m_dir / "runtime", fs::perms::owner_all);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path WriteScript(const std::string& text) {
        const fs::path p = m_dir / ("run" + std::to_string(++m_scripts) + ".script");
        std::ofstream(p) << text;
        return p;
    }

    e2e::RunOptions Options(const fs::path& script, const std::string& model, bool korean) {
        e2e::RunOptions o;
        o.args = {"--demo", model, "--script", script.string()};
        o.env = {{"QT_QPA_PLATFORM", "offscreen"},
                 {"XDG_CONFIG_HOME", (m_dir / "config").string()},
                 {"HOME", (m_dir / "home").string()},
                 {"XDG_RUNTIME_DIR", (m_dir / "runtime").string()},
                 // No desktop services: the toolkit's bus thread would outlive the window.
                 {"DBUS_SESSION_BUS_ADDRESS", ""},
                 {"QT_QPA_PLATFORMTHEME", ""},
                 {"LC_ALL", ""},
                 {"LC_MESSAGES", ""},
                 {"LANGUAGE", korean ? "ko" : "en"},
                 {"LANG", korean ? "ko_KR.UTF-8" : "C.UTF-8"}};
        o.deadline = 30s;
        o.watchFor = "script: closing the window";
        return o;
    }

    // Exit status 0 in good time, every step passed, nothing left behind.
    static void ExpectCleanEnd(const e2e::RunResult& r) {
        EXPECT_TRUE(r.exited) << "killed at the deadline\n" << r.output;
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("script: result passed"), std::string::npos) << r.output;
        EXPECT_LT(r.took, 15s) << r.output;
        EXPECT_GE(r.afterWatched.count(), 0) << "the window was never closed\n" << r.output;
        EXPECT_LT(r.afterWatched, 5s) << "slow to end after the window closed";
        EXPECT_TRUE(r.children.empty()) << "the program started a process";
        EXPECT_TRUE(r.leftovers.empty()) << "a process outlived the program";
        const int start = e2e::ThreadsAt(r.output, "threads-start");
        const int beforeOpen = e2e::ThreadsAt(r.output, "threads-before-open");
        const int end = e2e::ThreadsAt(r.output, "threads-end");
        ASSERT_GT(beforeOpen, 0) << r.output;
        ASSERT_GT(end, 0) << r.output;
        EXPECT_LE(end, beforeOpen) << r.output;
        EXPECT_LE(end, start) << "a thread outlived the window\n" << r.output;
    }

    fs::path m_dir;
    int m_scripts = 0;
};

TEST_F(DemoRun, SessionEndsCleanlyAndKeepsTheRealSettings) {
    // The user's real settings name a real adapter; the demo must not replace it.
    const fs::path real = m_dir / "config/Talvern/kestov-lv200-manager.conf";
    fs::create_directories(real.parent_path());
    const std::string realText = "[Default%20Values]\nApplication%20COM%20port=/dev/ttyUSB0\n";
    std::ofstream(real) << realText;

    std::string script = Replace(kSessionScript, "CAPTION_CHANGE", "Change");
    script = Replace(Replace(script, "STOP", "Stop"), "SCAN", "Scan");
    const auto r = e2e::Run(Manager(), Options(WriteScript(script), "LV200", false));
    ExpectCleanEnd(r);
    EXPECT_NE(r.output.find("demo mode: simulated KESTOV-LV200 on /dev/pts/"), std::string::npos) << r.output;
    EXPECT_EQ(Slurp(real), realText);
    EXPECT_NE(Slurp(m_dir / "config/Talvern/kestov-lv200-manager/demo.ini").find("/dev/pts/"), std::string::npos);
}

TEST_F(DemoRun, KoreanSessionShowsKoreanCaptions) {
    std::string script = Replace(kSessionScript, "CAPTION_CHANGE", "이름 변경");
    script = Replace(Replace(script, "STOP", "중지"), "SCAN", "검색");
    const auto r = e2e::Run(Manager(), Options(WriteScript(script), "LV200", true));
    ExpectCleanEnd(r);
}

TEST_F(DemoRun, UnsupportedModelIsRefusedAndThePortDialogReturns) {
    const auto r = e2e::Run(Manager(), Options(WriteScript(R"(
accept-port-dialog
expect-box 137
accept-port-dialog
expect-box 137
close
)"),
                                               "ACME-X1", false));
    ExpectCleanEnd(r);
    EXPECT_NE(r.output.find("simulated ACME-X1"), std::string::npos) << r.output;
}

TEST_F(DemoRun, AFailedStepEndsTheRunWithAnError) {
    // Guards the checks above: a script that cannot pass must not end well.
    const auto r = e2e::Run(Manager(), Options(WriteScript(R"(
accept-port-dialog
wait-enabled ctl1010
timeout 300
expect-text ctl1014 NOT-THE-NAME
close
)"),
                                               "LV200", false));
    EXPECT_TRUE(r.exited) << r.output;
    EXPECT_NE(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("FAILED at line"), std::string::npos) << r.output;
    EXPECT_LT(r.took, 15s);
    EXPECT_TRUE(r.leftovers.empty());
}

// Settings files the program did not write, or that are not files at all:
// the window starts with the defaults, nothing crashes or hangs. A file the
// program can read takes its settings with everything else kept; one it
// cannot read is left as it is, and the user is told the session's settings
// will not be saved.
TEST_F(DemoRun, HostileSettingsFilesGiveTheDefaults) {
    // Qt's own format decodes "@Variant(" values recursively: a list in a
    // list in a list ... (type 9, one element) 30,000 levels deep.
    std::string nested = "[Default%20Values]\nName%20filter%20check=1\nApplication%20parity=@Variant(";
    for (int i = 0; i < 30000; ++i) nested += "\\0\\0\\0\\t\\0\\0\\0\\x1";
    nested += "\\0\\0\\0\\x2\\0\\0\\0\\x5)\n";
    std::string noise;
    std::uint32_t x = 12345;
    for (int i = 0; i < 64 * 1024; ++i) noise += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    const std::string huge = "[Default%20Values]\nName%20filter%20value=" + std::string(10 << 20, 'A') + "\n";
    const std::string wrongTypes =
        "[Default%20Values]\n"
        "Name%20filter%20value=x, y\n"
        "Name%20filter%20check=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x1)\n"
        "RSSI%20filter%20check=@ByteArray(1)\n"
        "Scan%20RSSI%20filter%20value=99999999999\n"
        "Beacon%20Adv.%20Data%20Format=hex\n";
    enum Kind { File, Unreadable, Directory, Fifo };
    const bool root = geteuid() == 0;  // reads what others may not
    const struct Case {
        const char* name;
        Kind kind;
        std::string text;
        bool saves;  // the program can write its settings afterwards
    } cases[] = {
        {"nested variant", File, nested, true},
        {"random bytes", File, noise, false},
        {"10 MB", File, huge, false},
        {"wrong types", File, wrongTypes, true},
        {"unreadable", Unreadable, nested, root},
        {"directory", Directory, "", false},
        {"fifo", Fifo, "", false},
    };
    const fs::path file = m_dir / "config/Talvern/kestov-lv200-manager/demo.ini";
    fs::create_directories(file.parent_path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Before any module answers: the filters as the settings gave them.
        const fs::path script = WriteScript(std::string("wait-port-dialog\n") +
                                            (c.saves ? "" : "expect-box-containing will not be saved\n") +
                                            "expect-text ctl1025 TALVERN\n"
                                            "expect-text ctl1028 -45\n"
                                            "close\n");
        std::error_code ec;
        fs::remove_all(file, ec);
        switch (c.kind) {
        case File:
        case Unreadable:
            std::ofstream(file, std::ios::binary) << c.text;
            if (c.kind == Unreadable) fs::permissions(file, fs::perms::none);
            break;
        case Directory:
            fs::create_directory(file);
            break;
        case Fifo:
            ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
            break;
        }
        const auto r = e2e::Run(Manager(), Options(script, "LV200", false));
        EXPECT_TRUE(r.exited) << "killed at the deadline\n" << r.output;
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("script: result passed"), std::string::npos) << r.output;
        EXPECT_LT(r.took, 15s) << r.output;
        EXPECT_TRUE(r.leftovers.empty()) << "a process outlived the program";
        if (c.kind == File || c.kind == Unreadable)
            fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        if (c.saves) {
            // The demo remembers its module's port at start, and keeps the rest.
            const std::string after = Slurp(file);
            EXPECT_NE(after.find("Application%20COM%20port=/dev/pts/"), std::string::npos);
            for (const char* line :
                 {"Name%20filter%20check=", "Application%20parity=@Variant(", "RSSI%20filter%20check=@ByteArray(1)"}) {
                if (c.text.find(line) != std::string::npos) EXPECT_NE(after.find(line), std::string::npos) << line;
            }
        } else if (c.kind == File || c.kind == Unreadable) {
            EXPECT_TRUE(Slurp(file) == c.text) << "a file the program could not read was written over";
        }
    }
}

// A traffic log that is a FIFO, remembered or given on the command line,
// never holds up the start: the window comes and says why it does not log.
TEST_F(DemoRun, ATrafficLogThatIsAFifoDoesNotHoldUpTheStart) {
    const fs::path remembered = m_dir / "home/.local/share/Talvern/kestov-lv200-manager/traffic.log";
    fs::create_directories(remembered.parent_path());
    ASSERT_EQ(mkfifo(remembered.c_str(), 0600), 0);
    const fs::path given = m_dir / "given.log";
    ASSERT_EQ(mkfifo(given.c_str(), 0600), 0);
    const fs::path settings = m_dir / "config/Talvern/kestov-lv200-manager/demo.ini";
    fs::create_directories(settings.parent_path());
    const fs::path script = WriteScript(R"(
expect-box-containing FIFO
accept-port-dialog
wait-enabled ctl1010
close
)");
    for (const bool fromCommandLine : {false, true}) {
        SCOPED_TRACE(fromCommandLine ? "--traffic-log" : "remembered");
        std::ofstream(settings) << "[Default%20Values]\nTraffic%20log%20check=" << (fromCommandLine ? 0 : 1) << "\n";
        auto o = Options(script, "LV200", false);
        if (fromCommandLine) o.args.insert(o.args.end(), {"--traffic-log", given.string()});
        const auto r = e2e::Run(Manager(), o);
        ExpectCleanEnd(r);
        if (!fromCommandLine) {
            EXPECT_NE(Slurp(settings).find("Traffic%20log%20check=0"), std::string::npos)
                << "the next start would try again";
        }
    }
}

// A serial device the user may not open: the system's reason and the group
// to join. Needs root to play an ordinary user; skipped otherwise.
TEST_F(DemoRun, PortWithoutPermissionNamesTheGroupToJoin) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is missing";
    const group* dialout = getgrnam("dialout");
    if (!dialout) GTEST_SKIP() << "no dialout group";
    fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    // The build tree may be closed to the other user: run a copy of the
    // program from the open test directory (it carries its resources inside).
    const fs::path program = m_dir / "kestov-lv200-manager";
    fs::copy_file(Manager(), program);
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    const fs::path port = m_dir / "ttyUSB9";
    std::ofstream(port) << "";
    ASSERT_EQ(chown(port.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(port.c_str(), 0660), 0);
    for (const char* d : {"config", "home", "runtime"}) ASSERT_EQ(chown((m_dir / d).c_str(), 65534, 65534), 0);

    const fs::path script = WriteScript("accept-port-dialog " + port.string() + R"(
expect-box-containing "dialout"
close
)");
    chmod(script.c_str(), 0644);
    auto o = Options(script, "LV200", false);
    o.wrapper = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    const auto r = e2e::Run(program.string(), o);
    ExpectCleanEnd(r);
    // The box: message 104, the system's reason, then the line about the group.
    EXPECT_NE(r.output.find("script: box Unable to open a COM port.: Permission denied / "), std::string::npos)
        << r.output;
}

}  // namespace
