// The lock files of classic serial programs (LCK..<device>): a live one keeps
// every open off the device, a stale one is cleared, and ours marks the
// device while it is open.
#include "link/comm.h"
#include "link/device_access.h"
#include "link/serialport.h"
#include "ops/ports/port_probe.h"
#include "sim/kestov_sim.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A budget no loaded machine runs out of.
constexpr unsigned kProbeBudgetMs = 6000;

// A private lock directory for the test's duration.
class PortLock : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kestov-lock-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ::setenv("KESTOV_LOCK_DIR", dir.c_str(), 1);
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        lockPath = uucp_lock::PathFor(fs::canonical(sim.DevicePath()).string());
    }
    void TearDown() override {
        ::unsetenv("KESTOV_LOCK_DIR");
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }

    void WriteLock(const std::string& content) const { std::ofstream(lockPath, std::ios::binary) << content; }
    std::string ReadLock() const {
        std::ifstream in(lockPath, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool LockExists() const { return fs::exists(lockPath); }

    std::string dir;
    std::string lockPath;
    sim::KestovSimulator sim{"KESTOV-LV210"};
};

std::string Ascii(long pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%10ld\n", pid);
    return text;
}

std::string Binary(int pid) { return std::string(reinterpret_cast<const char*>(&pid), sizeof pid); }

// A process id that no process has any more.
pid_t GonePid() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST_F(PortLock, NameIsTheDeviceUnderDevWithSlashesAsUnderscores) {
    EXPECT_EQ(uucp_lock::PathFor("/dev/ttyUSB0"), dir + "/LCK..ttyUSB0");
    EXPECT_EQ(uucp_lock::PathFor("/dev/pts/3"), dir + "/LCK..pts_3");
    EXPECT_EQ(uucp_lock::ParseOwner("      1234\n"), 1234);
    EXPECT_EQ(uucp_lock::ParseOwner("1234"), 1234);
    EXPECT_EQ(uucp_lock::ParseOwner(Binary(4321)), 4321);
    EXPECT_EQ(uucp_lock::ParseOwner(""), 0);
    EXPECT_EQ(uucp_lock::ParseOwner("minicom\n"), 0);
}

TEST_F(PortLock, OpenHonoursLiveLocksClearsStaleOnesAndMarksTheDeviceWhileOpen) {
    struct Case {
        const char* what;
        std::string content;  // empty: no lock file
        bool refused;
    };
    const Case cases[] = {
        {"no lock", "", false},
        {"live lock of another process", Ascii(::getppid()), true},
        {"live lock as a binary int", Binary(static_cast<int>(::getppid())), true},
        {"stale lock", Ascii(GonePid()), false},
        {"lock with our own id", Ascii(::getpid()), false},
        {"garbage", "not a pid at all\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(lockPath);
        if (!c.content.empty()) {
            WriteLock(c.content);
        }
        sim.ClearLog();
        KestovLV2xxComm comm;
        std::error_code ec;
        comm.Open(ec, sim.DevicePath(), 115200, 0, 0);
        if (c.refused) {
            EXPECT_EQ(ec, PortError::InUse);
            EXPECT_EQ(ec.message(), "in use by another program");
            EXPECT_FALSE(comm.IsOpen());
            EXPECT_EQ(ReadLock(), c.content) << "another program's lock is left alone";
            continue;
        }
        ASSERT_FALSE(ec) << ec.message();
        EXPECT_EQ(ReadLock(), Ascii(::getpid())) << "our lock while open";
        comm.Close();
        EXPECT_FALSE(LockExists()) << "our lock goes with the close";
    }
    // No temporary file is left behind.
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        EXPECT_EQ(e.path().filename().string().rfind("LTMP", 0), std::string::npos) << e.path();
    }
}

TEST_F(PortLock, ALockTakenWhileWeHoldTheDeviceIsNotRemovedOnClose) {
    KestovLV2xxComm comm;
    std::error_code ec;
    comm.Open(ec, sim.DevicePath(), 115200, 0, 0);
    ASSERT_FALSE(ec);
    // Someone cleared ours and put theirs (as a careless program might).
    WriteLock(Ascii(::getppid()));
    comm.Close();
    EXPECT_EQ(ReadLock(), Ascii(::getppid()));
}

TEST_F(PortLock, WithoutAWritableLockDirectoryLocksAreHonouredAndNoneIsMade) {
    // A lock directory that is missing: the port opens all the same.
    const std::string missing = dir + "/missing";
    ::setenv("KESTOV_LOCK_DIR", missing.c_str(), 1);
    KestovLV2xxComm comm;
    std::error_code ec;
    comm.Open(ec, sim.DevicePath(), 115200, 0, 0);
    ASSERT_FALSE(ec) << ec.message();
    EXPECT_FALSE(fs::exists(missing));
    comm.Close();
    ::setenv("KESTOV_LOCK_DIR", dir.c_str(), 1);

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes any directory";
    }
    // One that may not be written: another's lock in it still counts.
    WriteLock(Ascii(::getppid()));
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    comm.Open(ec, sim.DevicePath(), 115200, 0, 0);
    EXPECT_EQ(ec, PortError::InUse);
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove(lockPath);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    comm.Open(ec, sim.DevicePath(), 115200, 0, 0);
    ASSERT_FALSE(ec) << ec.message();
    EXPECT_FALSE(LockExists());
    comm.Close();
}

TEST_F(PortLock, ProbeLeavesALockedPortUntouchedAndFindsTheModuleOnceFreed) {
    WriteLock(Ascii(::getppid()));
    std::vector<ProbeResult> results = ProbePorts({sim.DevicePath()}, kProbeBudgetMs);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, ProbeOutcome::InUse);
    EXPECT_TRUE(sim.Commands().empty()) << "nothing written to another program's port";
    EXPECT_EQ(ReadLock(), Ascii(::getppid()));

    WriteLock(Ascii(GonePid()));
    results = ProbePorts({sim.DevicePath()}, kProbeBudgetMs);
    EXPECT_EQ(results[0].outcome, ProbeOutcome::Module);
    EXPECT_FALSE(LockExists()) << "the stale lock went, and ours with the probe";
}

}  // namespace
