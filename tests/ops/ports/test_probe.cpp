// Finding modules: three simulated ports, one with a module, one silent and
// one that another program holds, probed together.
#include "ops/ports/port_probe.h"
#include "sim/kestov_sim.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

namespace {

// A budget no loaded machine runs out of; silent ports cost two AT tries of it.
constexpr unsigned kBudgetMs = 6000;

struct Port {
    explicit Port(const std::string& model = "KESTOV-LV210") : sim(model) {
        std::string error;
        EXPECT_TRUE(sim.Start(&error)) << error;
    }
    sim::KestovSimulator sim;
};

// Another program's hold on a device: its own open file with the lock.
struct Holder {
    explicit Holder(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    }
    ~Holder() { ::close(fd); }
    int fd;
};

tcflag_t LocalModes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(fd, &t);
    ::close(fd);
    return t.c_lflag;
}

void SetLocalModes(const std::string& path, tcflag_t modes) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(fd, &t);
    t.c_lflag = modes;
    ::tcsetattr(fd, TCSANOW, &t);
    ::close(fd);
}

TEST(ProbePorts, MarksTheModuleAndLeavesSilentAndHeldPortsAlone) {
    Port module, silent, held;
    silent.sim.SetSilent(true);
    Holder holder(held.sim.DevicePath());
    // A terminal in cooked mode, as a login line would be: the probe must
    // put that back.
    SetLocalModes(silent.sim.DevicePath(), ICANON | ECHO | ISIG);

    const std::vector<std::string> paths = {silent.sim.DevicePath(), module.sim.DevicePath(), held.sim.DevicePath(),
                                            "/dev/null"};
    const std::vector<ProbeResult> results = ProbePorts(paths, kBudgetMs);
    ASSERT_EQ(results.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(results[i].path, paths[i]);

    EXPECT_EQ(results[0].outcome, ProbeOutcome::NoModule);
    EXPECT_EQ(results[1].outcome, ProbeOutcome::Module);
    EXPECT_EQ(results[1].model, "KESTOV-LV210");
    EXPECT_EQ(results[2].outcome, ProbeOutcome::InUse);
    EXPECT_EQ(results[3].outcome, ProbeOutcome::OpenFailed);
    EXPECT_FALSE(results[3].detail.empty());

    // Only the two questions, and nothing at all to the held port.
    EXPECT_EQ(module.sim.Commands(), (std::vector<std::string>{"AT", "AT+MODEL?"}));
    for (const std::string& c : silent.sim.Commands()) EXPECT_EQ(c, "AT");
    EXPECT_TRUE(held.sim.Commands().empty());
    EXPECT_EQ(LocalModes(silent.sim.DevicePath()) & (ICANON | ECHO | ISIG), tcflag_t(ICANON | ECHO | ISIG));
}

TEST(ProbePorts, AnotherModelAnswersButIsNoModuleOfTheSeries) {
    Port other("ACME-BT42");
    const std::vector<ProbeResult> results = ProbePorts({other.sim.DevicePath()}, kBudgetMs);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, ProbeOutcome::NoModule);
    EXPECT_EQ(results[0].model, "ACME-BT42");
}

// A by-id link and the path it names are one device: asked once, and both
// get the answer (a second open would find the device held by the first).
TEST(ProbePorts, ADeviceNamedTwiceIsAskedOnce) {
    Port module;
    char tmpl[] = "/tmp/kestov-byid-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string link = std::string(tmpl) + "/usb-KESTOV_LV210-if00-port0";
    ASSERT_EQ(::symlink(module.sim.DevicePath().c_str(), link.c_str()), 0);

    const std::vector<ProbeResult> results = ProbePorts({link, module.sim.DevicePath()}, kBudgetMs);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].path, link);
    EXPECT_EQ(results[1].path, module.sim.DevicePath());
    for (const ProbeResult& r : results) {
        EXPECT_EQ(r.outcome, ProbeOutcome::Module) << r.path << ": " << r.detail;
        EXPECT_EQ(r.model, "KESTOV-LV210");
    }
    EXPECT_EQ(module.sim.Commands(), (std::vector<std::string>{"AT", "AT+MODEL?"}));
    ::unlink(link.c_str());
    ::rmdir(tmpl);
}

}  // namespace
