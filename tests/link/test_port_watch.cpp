// The port watcher over a folder of links to pseudo-terminals, as the
// station's tests and simulators use it; event-driven and polling alike.
#include "link/port_watch.h"
#include "pty_peer.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct TempDir {
    TempDir() {
        char tmpl[] = "/tmp/portwatchXXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string Entry(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

// Waits (generously) until the watcher reports changes; empty when none came.
std::vector<PortChange> NextChanges(PortWatch& w) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<PortChange> c = w.Wait(2s);
        if (!c.empty()) {
            return c;
        }
    }
    return {};
}

class PortWatchTest : public ::testing::TestWithParam<bool> {
protected:
    std::unique_ptr<PortWatch> Make(const std::string& pattern = {}) {
        PortWatchOptions o;
        o.system = false;
        o.dirs = {m_dir.path};
        o.pattern = pattern;
        o.forcePolling = GetParam();
        auto w = PortWatch::Create(o);
        EXPECT_EQ(w->EventDriven(), !GetParam());
        return w;
    }
    TempDir m_dir;
};

TEST_P(PortWatchTest, LinksComeAndGoAsPortsOthersAreNoPorts) {
    linktest::PtyPeer first;
    fs::create_symlink(first.Path(), m_dir.Entry("a"));
    auto w = Make();
    // What is there at the start is reported first.
    std::vector<PortChange> c = w->Wait(0ms);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_TRUE(c[0].appeared);
    EXPECT_EQ(c[0].port.path, m_dir.Entry("a"));
    EXPECT_EQ(c[0].port.byId, m_dir.Entry("a"));
    EXPECT_EQ(c[0].port.device, fs::canonical(first.Path()).string());

    // Neither a file, a dangling link nor a folder is a port.
    std::ofstream(m_dir.Entry("file")) << "x";
    fs::create_symlink(m_dir.Entry("nothing"), m_dir.Entry("dangling"));
    fs::create_directory(m_dir.Entry("sub"));
    linktest::PtyPeer second;
    fs::create_symlink(second.Path(), m_dir.Entry("b"));
    std::vector<PortChange> all;
    while (all.empty() || all.back().port.path != m_dir.Entry("b")) {
        c = NextChanges(*w);
        ASSERT_FALSE(c.empty());
        all.insert(all.end(), c.begin(), c.end());
    }
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(all[0].appeared);

    fs::remove(m_dir.Entry("a"));
    c = NextChanges(*w);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_FALSE(c[0].appeared);
    EXPECT_EQ(c[0].port.path, m_dir.Entry("a"));
    ASSERT_EQ(w->Present().size(), 1u);
    EXPECT_EQ(w->Present()[0].path, m_dir.Entry("b"));

    // Removed and made again at once (a quick replug): it went and came back.
    if (!GetParam()) {
        fs::remove(m_dir.Entry("b"));
        fs::create_symlink(second.Path(), m_dir.Entry("b"));
        c = NextChanges(*w);
        ASSERT_EQ(c.size(), 2u);
        EXPECT_FALSE(c[0].appeared);
        EXPECT_TRUE(c[1].appeared);
    }

    // The same name coming to lead to another terminal: that port went, another came.
    fs::create_symlink(first.Path(), m_dir.Entry("tmp"));
    fs::rename(m_dir.Entry("tmp"), m_dir.Entry("b"));
    c = NextChanges(*w);
    ASSERT_EQ(c.size(), 2u);
    const std::string firstDevice = fs::canonical(first.Path()).string();
    const std::string secondDevice = fs::canonical(second.Path()).string();
    EXPECT_FALSE(c[0].appeared);
    EXPECT_EQ(c[0].port.device, secondDevice);
    EXPECT_TRUE(c[1].appeared);
    EXPECT_EQ(c[1].port.device, firstDevice);
    EXPECT_EQ(c[1].port.path, m_dir.Entry("b"));
}

TEST_P(PortWatchTest, PatternChoosesThePorts) {
    linktest::PtyPeer peer;
    fs::create_symlink(peer.Path(), m_dir.Entry("mod-1"));
    fs::create_symlink(peer.Path(), m_dir.Entry("other"));
    auto w = Make("*/mod-*");
    std::vector<PortChange> c = w->Wait(0ms);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].port.path, m_dir.Entry("mod-1"));
}

TEST_P(PortWatchTest, WakeEndsAWait) {
    auto w = Make();
    w->Wait(0ms);
    std::thread waker([&] { w->Wake(); });
    // Without the wake this waits for an hour, well past the test's time-out.
    const auto c = w->Wait(std::chrono::hours(1));
    waker.join();
    EXPECT_TRUE(c.empty());
}

INSTANTIATE_TEST_SUITE_P(Watch, PortWatchTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Polling" : "Events"; });

}  // namespace
