// kestovctl station end to end: simulated modules appear in a watched folder
// while the program runs; Ctrl+C and a kill at random moments.
#include "sim/kestov_sim.h"
#include "tool_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

namespace {

template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds limit = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::vector<json> JsonLines(const std::string& text) {
    std::vector<json> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        // A line cut short by a kill is not a line.
        const json j = json::parse(line, nullptr, false);
        if (j.is_object()) {
            out.push_back(j);
        }
    }
    return out;
}

// Whether a SIGINT sent to the process waits for delivery.
bool SigintPending(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("ShdPnd:", 0) == 0 || line.rfind("SigPnd:", 0) == 0) {
            if (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) {
                return true;
            }
        }
    }
    return false;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class StationCli : public ::testing::Test {
protected:
    StationCli() {
        char tmpl[] = "/tmp/stationcliXXXXXX";
        m_root = ::mkdtemp(tmpl);
        m_ports = m_root + "/ports";
        fs::create_directory(m_ports);
        m_profile = m_root + "/module.json";
        std::ofstream(m_profile) << R"({"format":"kestov-lv2xx-profile","version":1,"interval":250})";
    }
    ~StationCli() override {
        m_sims.clear();
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    sim::KestovSimulator& Plug(const std::string& name, uint8_t last, unsigned paceBaud = 0) {
        auto s = std::make_unique<sim::KestovSimulator>();
        sim::SimState state = sim::DefaultState("KESTOV-LV200");
        state.address[5] = last;
        s->SetState(state);
        s->SetPaceBaud(paceBaud);
        EXPECT_TRUE(s->Start());
        fs::create_symlink(s->DevicePath(), m_ports + "/" + name);
        m_sims.push_back(std::move(s));
        return *m_sims.back();
    }
    void Unplug() {
        for (const auto& entry : fs::directory_iterator(m_ports)) {
            fs::remove(entry.path());
        }
        m_sims.clear();
    }
    std::vector<std::string> Args(const std::string& log) const {
        return {"--json", "station", m_profile, "--dir", m_ports, "--log", log, "--name", "ST-{addr4}"};
    }
    std::size_t RecordLines(const std::string& log) const { return JsonLines(ReadFile(log)).size(); }

    std::string m_root, m_ports, m_profile;
    std::vector<std::unique_ptr<sim::KestovSimulator>> m_sims;
};

TEST_F(StationCli, ProvisionsWhatIsPluggedInUntilCtrlC) {
    const std::string log = m_root + "/record.jsonl";
    const ToolRun run = RunTool(Args(log), 60s, [&](pid_t pid) {
        Plug("a", 0x01);
        Plug("b", 0x02);
        Plug("quiet", 0x03).SetSilent(true);
        EXPECT_TRUE(WaitUntil([&] { return RecordLines(log) == 2; }));
        ::kill(pid, SIGINT);
    });
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::vector<std::string>> states;
    json summary;
    for (const json& j : JsonLines(run.out)) {
        EXPECT_EQ(j["schema"], 1);
        if (j["type"] == "port") {
            std::vector<std::string>& s = states[fs::path(j["port"].get<std::string>()).filename()];
            if (s.empty() || s.back() != j["state"]) {
                s.push_back(j["state"]);
            }
        } else {
            summary = j;
        }
    }
    const std::vector<std::string> progress = {"waiting", "identifying", "writing", "verifying", "done"};
    EXPECT_EQ(states["a"], progress);
    EXPECT_EQ(states["b"], progress);
    EXPECT_EQ(summary["summary"]["done"], 2) << run.out;
    EXPECT_EQ(summary["exit"], 0);
    EXPECT_EQ(m_sims[0]->State().name, "ST-4D01");
    EXPECT_EQ(m_sims[1]->State().advInterval, 250u);
}

// One Ctrl+C lets the module in progress finish; a second stops it after its
// command in flight, and the record says what was written.
TEST_F(StationCli, CtrlCWithAModuleInProgress) {
    struct Case {
        int signals;
        int status;
        const char* result;
    };
    for (const Case& c : {Case{1, 0, "done"}, Case{2, 130, "failed"}}) {
        SCOPED_TRACE(c.signals);
        const std::string log = m_root + "/record" + std::to_string(c.signals) + ".jsonl";
        const ToolRun run = RunTool(Args(log), 60s, [&](pid_t pid) {
            sim::KestovSimulator& s = Plug("slow" + std::to_string(c.signals), static_cast<uint8_t>(c.signals));
            s.SetDelayFor("AT+ADVINTERVAL=", 700ms);
            EXPECT_TRUE(WaitUntil([&] {
                for (const std::string& cmd : s.Commands()) {
                    if (cmd.rfind("AT+ADVINTERVAL=", 0) == 0) return true;
                }
                return false;
            }));
            ::kill(pid, SIGINT);
            if (c.signals == 2) {
                // Two signals pending at once are one; the second follows the first's delivery.
                EXPECT_TRUE(WaitUntil([&] { return !SigintPending(pid); }));
                ::kill(pid, SIGINT);
            }
        });
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find("letting the modules in progress finish"), std::string::npos) << run.err;
        const std::vector<json> record = JsonLines(ReadFile(log));
        ASSERT_EQ(record.size(), 1u);
        EXPECT_EQ(record[0]["result"], c.result);
        EXPECT_EQ(record[0]["written"], json::array({"name", "interval"}));
        const json summary = JsonLines(run.out).back();
        EXPECT_EQ(summary["summary"]["stoppedInProgress"].size(), c.signals == 2 ? 1u : 0u) << run.out;
        Unplug();
    }
}

// Killed at random moments: every module the program showed as done has its
// line in the record.
TEST_F(StationCli, TheRecordSurvivesAKill) {
    std::mt19937 random(20);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        const std::string log = m_root + "/killed" + std::to_string(round) + ".jsonl";
        const int kill = std::uniform_int_distribution<int>(1, 5)(random);
        std::vector<std::string> args = Args(log);
        args.push_back("--again");
        const ToolRun run = RunTool(args, 60s, [&](pid_t pid) {
            for (int i = 0; i < 6; ++i) {
                Plug("r" + std::to_string(round) + "m" + std::to_string(i), static_cast<uint8_t>(16 * round + i),
                     115200);
            }
            // Killed once some modules were recorded, while others are in progress.
            EXPECT_TRUE(WaitUntil([&] { return RecordLines(log) >= static_cast<std::size_t>(kill); }));
            ::kill(pid, SIGKILL);
        });
        EXPECT_EQ(run.status, -1) << "killed";
        std::set<std::string> shown, recorded;
        for (const json& j : JsonLines(run.out)) {
            if (j["type"] == "port" && j["state"] == "done") {
                shown.insert(j["address"].get<std::string>());
            }
        }
        for (const json& j : JsonLines(ReadFile(log))) {
            if (j["result"] == "done") {
                recorded.insert(j["address"].get<std::string>());
            }
        }
        for (const std::string& address : shown) {
            EXPECT_EQ(recorded.count(address), 1u) << address << " was shown as done but is not in the record";
        }
        EXPECT_FALSE(shown.empty());
        Unplug();
    }
}

}  // namespace
