// Which paths may be opened as the module's serial line: the check of a
// name, and the transport refusing what the check refuses.
#include "link/port_path.h"
#include "link/serialport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A pseudo-terminal pair, as the simulator makes one.
struct Pty {
    Pty() {
        char name[128] = {};
        EXPECT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
};

std::error_code Check(const std::string& name) { return CheckPortPath(name).error; }

TEST(PortPath, RefusesWhatIsNoSerialLine) {
    const std::error_code kNoSuchFile(ENOENT, std::system_category());
    const struct {
        const char* name;
        std::error_code expected;
    } cases[] = {
        {"", kNoSuchFile},
        {"/dev/kestov-no-such-port", kNoSuchFile},
        {"/dev/../etc/passwd", PortPathError::NotADevice},
        {"/dev/null", PortPathError::NotASerialLine},
        {"null", PortPathError::NotASerialLine},
        {"/dev/tty", PortPathError::NotASerialLine},
        {"/dev/ptmx", PortPathError::NotASerialLine},
        {"/dev/tty1", PortPathError::NotASerialLine},
    };
    for (const auto& c : cases) {
        std::error_code probe;
        if (c.name[0] == '/' && !fs::exists(c.name, probe) && c.expected != kNoSuchFile) {
            continue;  // not on this system
        }
        EXPECT_EQ(Check(c.name), c.expected) << c.name << ": " << Check(c.name).message();
    }
    // Callers that look for "not a tty" still see it.
    EXPECT_EQ(Check("/dev/null"), std::errc::inappropriate_io_control_operation);
}

TEST(PortPath, PseudoTerminalPassesAndLinksAreCheckedByTheirTarget) {
    Pty pty;
    const PortPathCheck direct = CheckPortPath(pty.path);
    EXPECT_FALSE(direct.error) << direct.error.message();
    EXPECT_EQ(direct.device, pty.path);

    const fs::path link = fs::temp_directory_path() / ("kestov-port-link-" + std::to_string(::getpid()));
    fs::remove(link);
    fs::create_symlink(pty.path, link);
    const PortPathCheck viaLink = CheckPortPath(link.string());
    EXPECT_FALSE(viaLink.error) << viaLink.error.message();
    EXPECT_EQ(viaLink.device, pty.path);

    // A link to something that is no serial line is refused by what it points at.
    fs::remove(link);
    fs::create_symlink("/dev/null", link);
    EXPECT_EQ(Check(link.string()), PortPathError::NotASerialLine);
    fs::remove(link);
}

// Every way of asking whether a terminal is another session's gives the same
// answer: the process list, a child of ours, and a child in a host program
// that ignores SIGCHLD and so cannot wait for it (the process list answers).
void ExpectEveryWay(const std::string& path, std::error_code expected) {
    struct Way {
        const char* name;
        SessionCheck how;
        bool ignoreChildren;
    };
    for (const Way& way :
         {Way{"process list", SessionCheck::ProcessList, false}, Way{"child", SessionCheck::Child, false},
          Way{"child, SIGCHLD ignored", SessionCheck::Child, true}}) {
        SetSessionCheck(way.how);
        const auto old = ::signal(SIGCHLD, way.ignoreChildren ? SIG_IGN : SIG_DFL);
        EXPECT_EQ(Check(path), expected) << way.name;
        ::signal(SIGCHLD, old);
    }
    SetSessionCheck(SessionCheck::ProcessList);
}

// A child process makes the terminal its session's controlling terminal, as a
// shell in a terminal window has it: the child must not use it as its port,
// and neither may we.
TEST(PortPath, SessionTerminalsAreRefusedAndNeverOpened) {
    Pty pty;
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int own = -1;
        if (::setsid() >= 0 && ::ioctl(pty.slave, TIOCSCTTY, 0) == 0) {
            own = CheckPortPath(pty.path).error == PortPathError::OwnTerminal ? 1 : 0;
        }
        const char answer = static_cast<char>('0' + (own < 0 ? 2 : own));
        (void)!::write(toParent[1], &answer, 1);
        char done = 0;
        (void)!::read(toChild[0], &done, 1);
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(toParent[0], &answer, 1), 1);
    EXPECT_EQ(answer, '1') << "the child's own terminal (2: it could not take the terminal)";

    ExpectEveryWay(pty.path, PortPathError::SessionTerminal);
    auto port = std::make_shared<CSerialportMP>(IoServiceExec::Instance().Context());
    std::error_code ec;
    port->Open(ec, pty.path, 115200, 0, 0);
    EXPECT_EQ(ec, PortPathError::SessionTerminal) << ec.message();
    EXPECT_FALSE(port->IsOpen());

    (void)!::write(toChild[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
}

// Asking whether a free terminal belongs to a session must not leave it
// taken: a child can still make it its controlling terminal afterwards, and
// once that child's session has released it, it passes again.
TEST(PortPath, TheSessionCheckLeavesAFreeTerminalFree) {
    Pty pty;
    ASSERT_FALSE(Check(pty.path)) << Check(pty.path).message();
    ASSERT_FALSE(Check(pty.path)) << "asked twice";
    ExpectEveryWay(pty.path, std::error_code());
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool took = ::setsid() >= 0 && ::ioctl(pty.slave, TIOCSCTTY, 0) == 0;
        (void)!::write(toParent[1], took ? "1" : "0", 1);
        char done = 0;
        (void)!::read(toChild[0], &done, 1);
        ::signal(SIGHUP, SIG_IGN);
        ::ioctl(pty.slave, TIOCNOTTY);
        (void)!::write(toParent[1], "r", 1);
        (void)!::read(toChild[0], &done, 1);
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(toParent[0], &answer, 1), 1);
    EXPECT_EQ(answer, '1') << "the terminal was left taken by the check";
    EXPECT_EQ(Check(pty.path), PortPathError::SessionTerminal);
    (void)!::write(toChild[1], "x", 1);
    ASSERT_EQ(::read(toParent[0], &answer, 1), 1);
    EXPECT_FALSE(Check(pty.path)) << "released by its session";
    (void)!::write(toChild[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
}

}  // namespace
