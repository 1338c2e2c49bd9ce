// kestovctl end to end, against simulated modules on pseudo-terminals.
#include "sim/kestov_sim.h"
#include "sim_device.h"
#include "tool_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

using nlohmann::json;
using Strings = std::vector<std::string>;

namespace {

std::unique_ptr<sim::KestovSimulator> StartModule(const std::string& model = "KESTOV-LV200") {
    auto module = std::make_unique<sim::KestovSimulator>(model);
    std::string error;
    EXPECT_TRUE(module->Start(&error)) << error;
    module->SetScanDevices({});
    return module;
}

using testsupport::Writes;

std::string TempFile(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

json Json(const std::string& text) { return json::parse(text, nullptr, false); }

}  // namespace

TEST(Kestovctl, InfoReadsEverythingBack) {
    auto module = StartModule("KESTOV-LV230");
    const ToolRun run = RunTool({"--json", "info", module->DevicePath()});
    ASSERT_EQ(run.status, 0) << run.err;
    const json j = Json(run.out);
    EXPECT_EQ(j["model"], "KESTOV-LV230");
    EXPECT_EQ(j["address"], "001A2B3C4D5E");
    EXPECT_EQ(j["slots"].size(), 7u);
    EXPECT_FALSE(j.contains("beacon"));
    EXPECT_TRUE(Writes(*module).empty());

    const ToolRun human = RunTool({"info", module->DevicePath()});
    EXPECT_EQ(human.status, 0);
    EXPECT_NE(human.out.find("KESTOV-LV230"), std::string::npos);
}

TEST(Kestovctl, ExitStatusSaysWhatWentWrong) {
    auto other = StartModule("KESTOV-LV250");
    auto silent = StartModule();
    silent->SetSilent(true);
    auto refusing = StartModule();
    refusing->SetErrorFor("AT+ADVINTERVAL=");
    const std::string profile = TempFile("minimal.json", R"({"format":"kestov-lv2xx-profile","version":1})");
    // A classic serial program (this test process, for once) has its lock file on the port.
    auto locked = StartModule();
    const std::string lockDir = ::testing::TempDir() + "/kestovctl-locks";
    std::filesystem::create_directories(lockDir);
    ::setenv("KESTOV_LOCK_DIR", lockDir.c_str(), 1);
    std::string device = std::filesystem::canonical(locked->DevicePath()).string().substr(5);
    std::replace(device.begin(), device.end(), '/', '_');
    char owner[16];
    std::snprintf(owner, sizeof owner, "%10d\n", static_cast<int>(::getpid()));
    TempFile("kestovctl-locks/LCK.." + device, owner);
    struct Case {
        const char* name;
        Strings args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"no subcommand", {}, 2, ""},
        {"missing port", {"info", "/dev/no-such-port"}, 3, "cannot open"},
        {"port locked by another program", {"info", locked->DevicePath()}, 3, "in use by another program"},
        {"wrong model", {"info", other->DevicePath()}, 4, "KESTOV-LV250"},
        {"nothing answers", {"info", silent->DevicePath()}, 4, "no KESTOV LV2xx module answers"},
        {"refused value",
         {"set", refusing->DevicePath(), "interval=500"},
         5,
         "AT+ADVINTERVAL=500: the module refused it"},
        {"reset unconfirmed", {"factory-reset", refusing->DevicePath()}, 2, "--yes"},
        // Control characters read as in the traffic view.
        {"control character shown", {"set", refusing->DevicePath(), "A\rB"}, 2, "got \"A<CR>B\""},
        {"names too long",
         {"provision", profile, refusing->DevicePath(), "--name", "KST-{addr}"},
         2,
         "Device name is too long."},
        // The information reply could not be split back: refused before sending.
        {"comma in name", {"set", refusing->DevicePath(), "name=a,b"}, 2, "cannot contain a comma"},
        {"comma from a template",
         {"provision", profile, refusing->DevicePath(), "--name", "a,{seq}"},
         2,
         "cannot contain a comma"},
        {"no scan time", {"scan", refusing->DevicePath(), "--seconds", "0"}, 2, "more than 0 seconds"},
        {"negative scan time", {"scan", refusing->DevicePath(), "--seconds", "-1"}, 2, "more than 0 seconds"},
        {"unknown subcommand", {"frobnicate", refusing->DevicePath()}, 2, "unknown subcommand \"frobnicate\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line: " << run.err;
    }
    EXPECT_TRUE(Writes(*refusing).size() == 1) << "only the refused write";
    EXPECT_TRUE(locked->Commands().empty()) << "nothing sent into the other program's session";
    ::unsetenv("KESTOV_LOCK_DIR");
}

TEST(Kestovctl, SetChangesOnlyWhatIsNamedAndRefusesWhatTheWindowRefuses) {
    auto module = StartModule();
    const ToolRun refused = RunTool({"set", module->DevicePath(), "interval=300", "name=NINEBYTES"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("Device name is too long."), std::string::npos) << refused.err;
    EXPECT_TRUE(module->Commands().empty()) << "refused before the port is opened";

    const ToolRun run = RunTool(
        {"--json", "set", module->DevicePath(), "interval=300", "parity=even", "slot3=a0b1c2d3e403,tag", "name=LV200"});
    ASSERT_EQ(run.status, 0) << run.err;
    // The name already is LV200: not written. UART options keep what was not named.
    EXPECT_EQ(Writes(*module), (Strings{"AT+ADVINTERVAL=300", "AT+UARTOPT=0,E,1", "AT+SETSLOT=3,A0B1C2D3E403,tag"}));
    const json j = Json(run.out);
    ASSERT_EQ(j["changes"].size(), 3u);
    for (const json& c : j["changes"]) {
        EXPECT_EQ(c["status"], "verified") << c.dump();
    }
    EXPECT_EQ(module->State().advInterval, 300u);
}

TEST(Kestovctl, ExportApplyRoundTripAndDryRun) {
    auto source = StartModule();
    sim::SimState s = source->State();
    s.name = "Src";
    s.advInterval = 640;
    s.parity = 'O';
    s.stopBits = 2;
    s.flowControl = 1;
    s.slotTable[0].used = true;
    s.slotTable[0].address[5] = 0x11;
    s.slotTable[0].tag = "one";
    s.slotTable[7].used = true;
    s.slotTable[7].address[5] = 0x88;
    s.beaconHex = "0201060AFF";
    s.userBeacon = true;
    source->SetState(s);
    const ToolRun exported = RunTool({"export", source->DevicePath()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string file = TempFile("module.json", exported.out);

    auto target = StartModule();
    const ToolRun dry = RunTool({"apply", target->DevicePath(), file, "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("slot8"), std::string::npos) << dry.out;
    EXPECT_TRUE(Writes(*target).empty()) << "a dry run writes nothing";

    const ToolRun apply = RunTool({"apply", target->DevicePath(), file});
    ASSERT_EQ(apply.status, 0) << apply.err;
    // In the window's order: name, interval, UART, slots, beacon.
    EXPECT_EQ(Writes(*target),
              (Strings{"AT+MANUF=Src", "AT+ADVINTERVAL=640", "AT+UARTOPT=1,O,2", "AT+SETSLOT=1,000000000011,one",
                       "AT+SETSLOT=8,000000000088", "AT+BEACON=0201060AFF", "AT+UCBEACON=ON"}));
    const ToolRun again = RunTool({"export", target->DevicePath()});
    EXPECT_EQ(again.out, exported.out) << "the target now holds the same settings";

    // The LV230 lacks slot 8 and the beacon: refused before anything is written.
    auto lv230 = StartModule("KESTOV-LV230");
    const ToolRun refused = RunTool({"apply", lv230->DevicePath(), file});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find("slot8"), std::string::npos) << refused.err;
    EXPECT_TRUE(Writes(*lv230).empty());
    const ToolRun skipped = RunTool({"apply", lv230->DevicePath(), file, "--skip-unsupported"});
    EXPECT_EQ(skipped.status, 0) << skipped.err;
    EXPECT_EQ(lv230->State().name, "Src");
}

TEST(Kestovctl, BrokenProfilesWriteNothing) {
    auto module = StartModule();
    for (const std::string& text : {std::string("{"), std::string(R"({"format":"kestov-lv2xx-profile","version":7})"),
                                    std::string(R"({"format":"kestov-lv2xx-profile","version":1,"name":"A\rATZ"})")}) {
        SCOPED_TRACE(text);
        const ToolRun run = RunTool({"apply", module->DevicePath(), TempFile("broken.json", text)});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("broken.json: "), std::string::npos) << run.err;
    }
    EXPECT_TRUE(module->Commands().empty());
}

TEST(Kestovctl, ProvisionGoesOnPastAFailedModule) {
    std::vector<std::unique_ptr<sim::KestovSimulator>> modules;
    for (int i = 0; i < 3; ++i) {
        modules.push_back(StartModule());
        sim::SimState s = modules.back()->State();
        s.address[5] = static_cast<uint8_t>(0xA0 + i);
        modules.back()->SetState(s);
    }
    // The second module refuses the second slot write.
    modules[1]->SetErrorFor("AT+SETSLOT=2");
    const std::string file = TempFile("provision.json",
                                      R"({"format":"kestov-lv2xx-profile","version":1,"interval":500,
            "slots":[{"slot":1,"address":"A0B1C2D3E401"},{"slot":2,"address":"A0B1C2D3E402"}]})");
    const ToolRun run = RunTool({"--json", "provision", file, modules[0]->DevicePath(), modules[1]->DevicePath(),
                                 modules[2]->DevicePath(), "--name", "KST-{addr4}"});
    EXPECT_EQ(run.status, 5) << run.err;

    std::map<std::string, json> finals;
    json summary;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const json j = Json(line);
        ASSERT_FALSE(j.is_discarded()) << line;
        if (j.contains("summary")) summary = j["summary"];
        if (j.contains("ok")) finals[j["port"].get<std::string>()] = j;
    }
    EXPECT_EQ(summary["succeeded"], 2);
    EXPECT_EQ(summary["failed"], 1);
    const json& failed = finals[modules[1]->DevicePath()];
    EXPECT_EQ(failed["written"], (Strings{"name", "interval", "slot1"})) << failed.dump();
    EXPECT_NE(failed["error"].get<std::string>().find("AT+SETSLOT=2"), std::string::npos);
    for (int i : {0, 2}) {
        EXPECT_EQ(finals[modules[i]->DevicePath()]["ok"], true);
    }
    EXPECT_EQ(modules[0]->State().name, "KST-4DA0");
    EXPECT_EQ(modules[2]->State().name, "KST-4DA2");
    EXPECT_EQ(modules[2]->State().advInterval, 500u);
}

TEST(Kestovctl, ScanListsDevicesAndStopsTheModule) {
    auto module = StartModule();
    module->SetScanDevices({testsupport::Device(0x01, "near", -40), testsupport::Device(0x02, "far", -90)});
    const ToolRun run = RunTool({"--json", "scan", module->DevicePath(), "--seconds", "1", "--rssi", "-60"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json j = Json(run.out);
    ASSERT_EQ(j["devices"].size(), 1u) << run.out;
    EXPECT_EQ(j["devices"][0]["address"], "C01122334401");
    EXPECT_EQ(j["devices"][0]["maxRssi"], -40);
    EXPECT_GT(j["devices"][0]["hits"].get<int>(), 1);
    EXPECT_EQ(module->Commands().back(), "AT+STOPSCAN");
    EXPECT_FALSE(module->State().scanning);
}

TEST(Kestovctl, AScanOfEverNewAddressesKeepsTheMostRecentAndCountsTheRest) {
    auto module = StartModule();
    module->SetScanDevices(sim::KestovSimulator::MakeDevices(3));
    module->SetUniqueAddresses(true);
    module->SetScanRate(2000);
    for (const bool asJson : {true, false}) {
        SCOPED_TRACE(asJson ? "json" : "text");
        std::vector<std::string> args = {"scan", module->DevicePath(), "--seconds", "1", "--max-devices", "20"};
        if (asJson) args.insert(args.begin(), "--json");
        const ToolRun run = RunTool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(module->Commands().back(), "AT+STOPSCAN");
        if (!asJson) {
            EXPECT_NE(run.out.find("20 devices,"), std::string::npos) << run.out;
            EXPECT_NE(run.out.find("not listed: only the 20 most recently seen are kept"), std::string::npos)
                << run.out;
            continue;
        }
        const json j = Json(run.out);
        const uint64_t reports = j["reports"].get<uint64_t>();
        ASSERT_GT(reports, 20u) << "the module sends 2,000 a second";
        ASSERT_EQ(j["devices"].size(), 20u);
        EXPECT_EQ(j["deviceLimit"], 20);
        // Every report came from a new address: each beyond the cap dropped one.
        EXPECT_EQ(j["droppedDevices"].get<uint64_t>(), reports - 20);
        EXPECT_EQ(j["droppedReports"].get<uint64_t>(), reports - 20);
        // The kept are the newest, listed in the order they were first seen.
        std::string previous;
        for (const json& d : j["devices"]) {
            EXPECT_EQ(d["hits"], 1);
            EXPECT_LT(previous, d["address"].get<std::string>());
            previous = d["address"].get<std::string>();
        }
    }
}

TEST(Kestovctl, CtrlCStopsTheModulesScanBeforeExiting) {
    auto module = StartModule();
    const ToolRun run =
        RunTool({"scan", module->DevicePath(), "--until-interrupted"}, std::chrono::seconds(60), [&](pid_t pid) {
            // AT, AT+MODEL?, AT+SF=OFF, AT+STARTSCAN
            EXPECT_TRUE(module->WaitForCommands(4, std::chrono::seconds(20)));
            ::kill(pid, SIGINT);
        });
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_EQ(module->Commands().back(), "AT+STOPSCAN");
    EXPECT_FALSE(module->State().scanning);
    EXPECT_NE(run.out.find("0 devices"), std::string::npos) << run.out;
}

TEST(Kestovctl, ProbeSaysWhichPortsHoldAModule) {
    auto module = StartModule("KESTOV-LV220");
    auto silent = StartModule();
    silent->SetSilent(true);
    // A budget no loaded machine runs out of; the silent port costs two AT tries of it.
    const ToolRun run = RunTool({"--json", "ports", "--probe", "--probe-ms", "6000", module->DevicePath(),
                                 silent->DevicePath(), "/dev/no-such-port"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::map<std::string, json> byPath;
    const json listed = Json(run.out);
    for (const json& p : listed["ports"]) byPath[p["path"].get<std::string>()] = p;
    EXPECT_EQ(byPath.size(), 3u) << "only the ports named";
    EXPECT_EQ(byPath[module->DevicePath()]["probe"], "module");
    EXPECT_EQ(byPath[module->DevicePath()]["model"], "KESTOV-LV220");
    EXPECT_EQ(byPath[silent->DevicePath()]["probe"], "no-module");
    EXPECT_EQ(byPath["/dev/no-such-port"]["probe"], "open-failed");
    const Strings asked = silent->Commands();
    EXPECT_TRUE(!asked.empty() && asked.size() <= 2 &&
                std::all_of(asked.begin(), asked.end(), [](const std::string& c) { return c == "AT"; }))
        << "a silent port is only asked AT, at most twice";
}

TEST(Kestovctl, ProfilesThatAreNotRegularFilesAreRefusedAtOnce) {
    auto module = StartModule();
    const std::string dir = ::testing::TempDir() + "/kestovctl-profiles";
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    const std::string fifo = dir + "/fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = TempFile("big.json", std::string(2 * 1024 * 1024, ' '));
    const struct {
        const char* name;
        std::string path;
        const char* reason;
    } cases[] = {
        {"fifo", fifo, "FIFO"},
        {"folder", dir, "folder"},
        {"device", "/dev/zero", "device"},
        {"missing", dir + "/missing.json", "No such file"},
        {"too large", big, "too large"},
    };
    for (const auto& c : cases) {
        for (const Strings& args :
             {Strings{"apply", module->DevicePath(), c.path}, Strings{"provision", c.path, module->DevicePath()}}) {
            SCOPED_TRACE(std::string(c.name) + " " + args[0]);
            // A FIFO would keep a blocking open waiting for a writer for good.
            const ToolRun run = RunTool(args, std::chrono::seconds(30));
            EXPECT_EQ(run.status, 2) << run.err;
            EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        }
    }
    EXPECT_TRUE(module->Commands().empty());
}

TEST(Kestovctl, OutputLostOnAFullDiskIsAFailure) {
    auto module = StartModule();
    for (const char* command : {"export", "info"}) {
        SCOPED_TRACE(command);
        const std::string line = std::string("timeout 60 ") + KESTOVCTL_PATH + " " + command + " " +
                                 module->DevicePath() + " 2>&1 >/dev/full";
        FILE* child = ::popen(line.c_str(), "r");
        ASSERT_NE(child, nullptr);
        std::string err;
        char buf[512];
        while (const std::size_t n = std::fread(buf, 1, sizeof buf, child)) err.append(buf, n);
        const int status = ::pclose(child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1) << err;
        EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    }
}

namespace {

// Waits (bounded) until the module has received a command starting with prefix.
bool WaitForCommandStarting(const sim::KestovSimulator& module, const std::string& prefix) {
    for (int i = 0; i < 2000; ++i) {
        for (const std::string& c : module.Commands()) {
            if (c.rfind(prefix, 0) == 0) return true;
        }
        module.WaitForCommands(module.Commands().size() + 1, std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

TEST(Kestovctl, CtrlCLetsTheWriteInFlightFinishThenSaysWhatWasWritten) {
    struct Case {
        const char* name;
        bool provision;
        bool json;
    };
    const Case cases[] = {{"set", false, false}, {"set, json", false, true}, {"provision, json", true, true}};
    const std::string profile =
        TempFile("interrupted.json", R"({"format":"kestov-lv2xx-profile","version":1,"interval":300,
            "uart":{"parity":"even"},"slots":[{"slot":1,"address":"A0B1C2D3E401"},{"slot":2,"address":"A0B1C2D3E402"}]})");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto module = StartModule();
        // The interval's reply comes late, so Ctrl+C arrives while it is in flight.
        module->SetDelayFor("AT+ADVINTERVAL=", std::chrono::milliseconds(700));
        Strings args = c.provision ? Strings{"provision", profile, module->DevicePath()}
                                   : Strings{"set",         module->DevicePath(), "interval=300",
                                             "parity=even", "slot1=A0B1C2D3E401", "slot2=A0B1C2D3E402"};
        if (c.json) args.insert(args.begin(), "--json");
        const ToolRun run = RunTool(args, std::chrono::seconds(60), [&](pid_t pid) {
            EXPECT_TRUE(WaitForCommandStarting(*module, "AT+ADVINTERVAL=300"));
            ::kill(pid, SIGINT);
        });
        EXPECT_EQ(run.status, 130) << run.err;
        // The write in flight completed and the rest were not sent (the
        // signal came during the interval's write, normally the only one).
        const Strings writes = Writes(*module);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.front(), "AT+ADVINTERVAL=300");
        EXPECT_LT(writes.size(), 4u) << "every write was sent";
        EXPECT_EQ(module->State().advInterval, 300u);
        EXPECT_NE(run.err.find("interrupted; written before the stop: interval"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("(not verified)"), std::string::npos) << run.err;
        if (!c.json) {
            EXPECT_NE(run.out.find("interval"), std::string::npos) << run.out;
            EXPECT_NE(run.out.find("not written"), std::string::npos) << run.out;
            continue;
        }
        json report, last;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            last = Json(line);
            if (last.contains("written")) report = last;
        }
        // Exactly what the module received is reported as written.
        EXPECT_EQ(report["written"].size(), writes.size()) << run.out;
        EXPECT_EQ(report["written"][0], "interval") << run.out;
        EXPECT_EQ(report["interrupted"], true);
        EXPECT_EQ(report["exit"], 130);
        EXPECT_EQ(last["exit"], 130) << "the last document stands for the whole run";
    }
}

TEST(Kestovctl, JsonSaysEveryOutcomeWithItsSchemaAndExit) {
    auto module = StartModule();
    auto other = StartModule("KESTOV-LV250");
    const std::string profile =
        TempFile("json.json", R"({"format":"kestov-lv2xx-profile","version":1,"interval":200})");
    struct Case {
        const char* name;
        Strings args;
        int status;
    };
    const Case cases[] = {
        {"usage error before parsing", {"--json", "scan"}, 2},
        {"unknown subcommand", {"--json", "frobnicate"}, 2},
        {"missing port", {"info", "/dev/no-such-port", "--json"}, 3},
        {"wrong model", {"--json", "info", other->DevicePath()}, 4},
        {"refused name", {"--json", "set", module->DevicePath(), "name=a,b"}, 2},
        {"unreadable profile", {"--json", "apply", module->DevicePath(), "/no/such.json"}, 2},
        {"provision of a missing port", {"--json", "provision", profile, "/dev/no-such-port"}, 3},
        {"info", {"--json", "info", module->DevicePath()}, 0},
        {"export", {"--json", "export", module->DevicePath()}, 0},
        {"ports", {"--json", "ports", module->DevicePath()}, 0},
        {"reboot", {"--json", "reboot", module->DevicePath()}, 0},
        {"provision", {"--json", "provision", profile, module->DevicePath()}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        std::istringstream lines(run.out);
        json last;
        int documents = 0;
        for (std::string line; std::getline(lines, line); ++documents) {
            last = Json(line);
            ASSERT_TRUE(last.is_object()) << line;
            EXPECT_EQ(last["schema"], 1) << line;
            ASSERT_TRUE(last.contains("exit")) << line;
            if (last.contains("event")) {
                // Progress events: fixed keys, no status yet.
                EXPECT_TRUE(last["exit"].is_null()) << line;
                for (const char* key : {"type", "port", "event", "detail"}) EXPECT_TRUE(last.contains(key)) << line;
            }
        }
        ASSERT_GT(documents, 0) << run.err;
        EXPECT_EQ(last["exit"], c.status) << run.out;
        if (c.status != 0) {
            EXPECT_FALSE(last.value("error", std::string()).empty() && !last.contains("summary")) << run.out;
        }
    }
}

TEST(Kestovctl, NamesItselfAndItsVersion) {
    const ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kestovctl " KESTOVCTL_VERSION "\n");
    const ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.out.find(KESTOVCTL_PATH), std::string::npos) << "no build path in the usage";
    EXPECT_NE(help.out.find("Usage: kestovctl "), std::string::npos) << help.out;
}

TEST(Kestovctl, ProfilesForAnotherModelWarnAndScanningModulesAreStopped) {
    auto module = StartModule();
    sim::SimState s = module->State();
    s.scanning = true;
    module->SetState(s);
    const ToolRun info = RunTool({"info", module->DevicePath()});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_FALSE(module->State().scanning) << "left scanning";
    EXPECT_EQ(module->Commands().back(), "AT+STOPSCAN");

    const std::string profile = TempFile(
        "lv230.json", R"({"format":"kestov-lv2xx-profile","version":1,"model":"KESTOV-LV230","interval":200})");
    for (const bool asJson : {false, true}) {
        SCOPED_TRACE(asJson ? "json" : "text");
        Strings args = {"apply", module->DevicePath(), profile};
        if (asJson) args.insert(args.begin(), "--json");
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string says =
            "warning: " + module->DevicePath() + ": the profile is for a KESTOV-LV230, this module is a KESTOV-LV200";
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
        if (asJson) {
            EXPECT_EQ(Json(run.out)["warnings"].size(), 1u) << run.out;
        }
    }
}

TEST(Kestovctl, ScanTablePadsNamesByTheColumnsTheyTake) {
    auto module = StartModule();
    std::vector<sim::SimDevice> devices;
    for (const char* name : {"plain",
                             "K\xC3\xBC"
                             "che-4",
                             "\xEB\xB6\x80\xEC\x97\x8C"}) {  // Küche-4, 부엌
        sim::SimDevice d;
        d.address[5] = static_cast<uint8_t>(devices.size() + 1);
        d.name = name;
        d.rssi = -50;
        devices.push_back(d);
    }
    module->SetScanDevices(devices);
    const ToolRun run = RunTool({"scan", module->DevicePath(), "--seconds", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Every row takes as many columns as the header: Küche-4 is 8 bytes in 7
    // columns, 부엌 6 bytes in 4.
    std::istringstream lines(run.out);
    std::string header;
    std::getline(lines, header);
    struct Row {
        std::string name;
        std::size_t columns;
    };
    for (const Row& r : {Row{"plain", 5},
                         Row{"K\xC3\xBC"
                             "che-4",
                             7},
                         Row{"\xEB\xB6\x80\xEC\x97\x8C", 4}}) {
        SCOPED_TRACE(r.name);
        const std::size_t at = run.out.find("  " + r.name + " ");
        ASSERT_NE(at, std::string::npos) << run.out;
        const std::size_t start = run.out.rfind('\n', at) + 1;
        const std::string line = run.out.substr(start, run.out.find('\n', at) - start);
        EXPECT_EQ(line.size() - r.name.size() + r.columns, header.size()) << line;
    }
}
