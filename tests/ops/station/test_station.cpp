// The station against simulated modules appearing and disappearing in a
// watched folder: each module done once, replugs recognised, pulled modules
// recorded as failed with what was written, other ports left alone, the
// table's values applied.
#include "link/at_protocol.h"
#include "ops/station/station.h"
#include "sim/kestov_sim.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <stdlib.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The command's text up to and including '=' (what a write starts with).
std::string WritePrefix(const char* format) {
    const std::string f = format;
    return f.substr(0, f.find('=') + 1);
}

class StationTest : public ::testing::Test {
protected:
    StationTest() {
        char tmpl[] = "/tmp/stationXXXXXX";
        m_root = ::mkdtemp(tmpl);
        m_ports = m_root + "/ports";
        fs::create_directory(m_ports);
        m_config.watch.system = false;
        m_config.watch.dirs = {m_ports};
        m_config.recordPath = m_root + "/record.jsonl";
        m_config.patch.values["interval"] = "250";
        m_config.nameTemplate = "ST-{addr4}";
        m_config.profileName = "module.json";
        m_config.profileSha256 = "ab12";
        m_config.stationName = "bench-1";
    }
    ~StationTest() override {
        m_station.reset();
        m_sims.clear();
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    void StartStation() {
        m_station = std::make_unique<Station>(m_config, [this](const PortView& v) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_views.push_back(v);
            m_changed.notify_all();
        });
        std::string error;
        ASSERT_TRUE(m_station->Start(error)) << error;
    }

    // A module plugged in as ports/<name>, address 00:1A:2B:3C:4D:<last>.
    sim::KestovSimulator& Plug(const std::string& name, uint8_t last, const std::string& model = "KESTOV-LV200") {
        auto& s = m_sims[name];
        s = std::make_unique<sim::KestovSimulator>(model);
        sim::SimState state = sim::DefaultState(model);
        state.address[5] = last;
        s->SetState(state);
        EXPECT_TRUE(s->Start());
        fs::create_symlink(s->DevicePath(), m_ports + "/" + name);
        return *s;
    }
    void Unplug(const std::string& name) { fs::remove(m_ports + "/" + name); }
    void Replug(const std::string& name) {
        Unplug(name);
        fs::create_symlink(m_sims[name]->DevicePath(), m_ports + "/" + name);
    }

    // The latest view of a port once it reaches a phase.
    PortView WaitPhase(const std::string& name, PortPhase phase, std::size_t after = 0) {
        const std::string path = m_ports + "/" + name;
        std::unique_lock<std::mutex> lock(m_mutex);
        PortView found;
        const bool ok = m_changed.wait_for(lock, 30s, [&] {
            for (std::size_t i = after; i < m_views.size(); ++i) {
                if (m_views[i].port == path && m_views[i].phase == phase) {
                    found = m_views[i];
                    return true;
                }
            }
            return false;
        });
        EXPECT_TRUE(ok) << name << " never became " << PhaseWord(phase);
        return found;
    }
    std::size_t ViewCount() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_views.size();
    }

    std::vector<nlohmann::json> Record() const {
        std::ifstream in(m_config.recordPath);
        std::vector<nlohmann::json> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    }

    std::string m_root, m_ports;
    StationConfig m_config;
    std::map<std::string, std::unique_ptr<sim::KestovSimulator>> m_sims;
    std::unique_ptr<Station> m_station;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<PortView> m_views;
};

TEST_F(StationTest, EachModuleOnceAndAReplugIsNotWrittenAgain) {
    Plug("a", 0x01);  // there before the station starts
    StartStation();
    Plug("b", 0x02);
    Plug("c", 0x03);
    for (const char* name : {"a", "b", "c"}) {
        const PortView v = WaitPhase(name, PortPhase::Done);
        EXPECT_EQ(v.name.substr(0, 3), "ST-");
    }
    EXPECT_EQ(m_sims["b"]->State().name, "ST-4D02");
    EXPECT_EQ(m_sims["b"]->State().advInterval, 250u);

    const std::vector<nlohmann::json> record = Record();
    ASSERT_EQ(record.size(), 3u);
    std::set<std::string> addresses;
    for (const nlohmann::json& line : record) {
        EXPECT_EQ(line["result"], "done");
        EXPECT_EQ(line["station"], "bench-1");
        EXPECT_EQ(line["profile"], "module.json");
        EXPECT_EQ(line["profileSha256"], "ab12");
        EXPECT_EQ(line["model"], "KESTOV-LV200");
        EXPECT_EQ(line["firmware"], "v1.2.0");
        EXPECT_EQ(line["name"], "ST-" + line["address"].get<std::string>().substr(8));
        EXPECT_EQ(line["written"], nlohmann::json::array({"name", "interval"}));
        EXPECT_TRUE(line["byId"].get<std::string>().rfind(m_ports, 0) == 0);
        EXPECT_TRUE(line["port"].get<std::string>().rfind("/dev/pts/", 0) == 0);
        EXPECT_FALSE(line["time"].get<std::string>().empty());
        addresses.insert(line["address"]);
    }
    EXPECT_EQ(addresses.size(), 3u);

    // Changed by hand, then plugged in again: recognised, not written.
    sim::SimState state = m_sims["b"]->State();
    state.advInterval = 100;
    m_sims["b"]->SetState(state);
    const std::size_t before = ViewCount();
    Replug("b");
    WaitPhase("b", PortPhase::AlreadyDone, before);
    EXPECT_EQ(m_sims["b"]->State().advInterval, 100u);
    EXPECT_EQ(Record().size(), 3u);
    EXPECT_EQ(m_station->Counts().done, 3);
    EXPECT_EQ(m_station->Counts().alreadyDone, 1);
}

TEST_F(StationTest, AgainWritesADoneModuleAndARestartKnowsWhatWasDone) {
    Plug("a", 0x01);
    StartStation();
    WaitPhase("a", PortPhase::Done);
    m_station->Stop(true);
    m_views.clear();

    // A new station reads what the record says was done.
    StartStation();
    WaitPhase("a", PortPhase::AlreadyDone);
    m_station->Stop(true);
    m_views.clear();

    m_config.again = true;
    sim::SimState state = m_sims["a"]->State();
    state.advInterval = 100;
    m_sims["a"]->SetState(state);
    StartStation();
    WaitPhase("a", PortPhase::Done);
    EXPECT_EQ(m_sims["a"]->State().advInterval, 250u);
    EXPECT_EQ(Record().size(), 2u);
}

TEST_F(StationTest, SilentAndForeignPortsAreLeftAlone) {
    StartStation();
    Plug("silent", 0x01).SetSilent(true);
    Plug("other", 0x02, "ACME-X9");
    Plug("good", 0x03);
    WaitPhase("good", PortPhase::Done);
    WaitPhase("silent", PortPhase::LeftAlone);
    WaitPhase("other", PortPhase::LeftAlone);
    EXPECT_EQ(m_sims["other"]->State().name, sim::DefaultState("ACME-X9").name);
    for (const std::string& c : m_sims["other"]->Commands()) {
        EXPECT_NE(c.rfind(WritePrefix(atcmd::kAdvIntervalSet), 0), 0u) << c;
    }
    ASSERT_EQ(Record().size(), 1u);
    EXPECT_EQ(m_station->Counts().leftAlone, 2);
}

TEST_F(StationTest, APulledModuleIsRecordedAsFailedWithWhatWasWritten) {
    StartStation();
    sim::KestovSimulator& s = Plug("a", 0x01);
    // The interval's write is held back until the module is pulled.
    const std::string interval = WritePrefix(atcmd::kAdvIntervalSet);
    s.SetDelayFor(interval, 60s);
    ASSERT_TRUE(s.WaitForCommands(1, 10s));
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    auto sent = [&] {
        for (const std::string& c : s.Commands()) {
            if (c.rfind(interval, 0) == 0) return true;
        }
        return false;
    };
    while (!sent() && std::chrono::steady_clock::now() < deadline) {
        s.WaitForCommands(s.Commands().size() + 1, 1s);
    }
    ASSERT_TRUE(sent());
    s.HangUp();
    Unplug("a");
    const PortView v = WaitPhase("a", PortPhase::Failed);
    EXPECT_EQ(v.written, std::vector<std::string>({"name"}));
    const std::vector<nlohmann::json> record = Record();
    ASSERT_EQ(record.size(), 1u);
    EXPECT_EQ(record[0]["result"], "failed");
    EXPECT_EQ(record[0]["written"], nlohmann::json::array({"name"}));
    EXPECT_FALSE(record[0]["reason"].get<std::string>().empty());
}

// A module the table names gets its row; one it lacks is refused or takes the template.
TEST_F(StationTest, TableValues) {
    struct Case {
        bool refuseMissing;
        PortPhase missing;
        std::string missingName;
    };
    for (const Case& c : {Case{false, PortPhase::Done, "ST-4D02"}, Case{true, PortPhase::Failed, "LV200"}}) {
        SCOPED_TRACE(c.refuseMissing);
        auto table = std::make_shared<ModuleTable>();
        std::string error;
        ASSERT_TRUE(
            table->LoadText("address,name,slot1\r\n"
                            "00:1A:2B:3C:4D:01,Door-1,\"A0B1C2D3E4F5,gate\"\r\n",
                            error))
            << error;
        m_config.table = table;
        m_config.refuseMissing = c.refuseMissing;
        StartStation();
        Plug("listed", 0x01);
        Plug("missing", 0x02);
        WaitPhase("listed", PortPhase::Done);
        WaitPhase("missing", c.missing);
        const sim::SimState listed = m_sims["listed"]->State();
        EXPECT_EQ(listed.name, "Door-1");
        EXPECT_EQ(listed.slotTable[0].tag, "gate");
        EXPECT_TRUE(listed.slotTable[0].used);
        EXPECT_EQ(listed.slotTable[0].address[5], 0xF5);
        EXPECT_EQ(m_sims["missing"]->State().name, c.missingName);

        m_station.reset();
        m_views.clear();
        m_sims.clear();
        Unplug("listed");
        Unplug("missing");
        fs::remove(m_config.recordPath);
    }
}

TEST(ModuleTableTest, RefusesWhatItCannotUse) {
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c : {
             Case{"name\nX\n", "needs an \"address\" or a \"serial\" column"},
             Case{"address,name\n00:1A:2B:3C:4D\n", "line 2: \"00:1A:2B:3C:4D\" is not a Bluetooth address"},
             Case{"address,interval\n001A2B3C4D01,5\n", "line 2: interval"},
             Case{"address,name\n001A2B3C4D01,a\n001a2b3c4d01,b\n", "line 3: the module is in the table twice"},
             Case{"serial,name\n\"FT12,b\n", "a quote is not closed"},
         }) {
        ModuleTable t;
        std::string error;
        EXPECT_FALSE(t.LoadText(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    ModuleTable t;
    std::string error;
    ASSERT_TRUE(t.LoadText("\xEF\xBB\xBFserial,Name\r\nFT12AB,\"say \"\"hi\"\"\"\r\n", error)) << error;
    const SettingsPatch* row = t.Find("001A2B3C4D01", "FT12AB");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->values.at("name"), "say \"hi\"");
    EXPECT_EQ(t.Find("001A2B3C4D01", "other"), nullptr);
}

}  // namespace
