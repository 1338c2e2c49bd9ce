// kestovctl.exe end to end under Wine, against simulated modules that run
// natively on pseudo-terminals, each mapped to a COM port of the Wine prefix
// by a dosdevices link. The Linux program runs beside it where the two must
// say the same. Needs KESTOV_WINE (the wine loader), KESTOV_WIN_KESTOVCTL
// (kestovctl.exe) and WINEPREFIX (a prefix made for the run).
#include "sim/kestov_sim.h"
#include "sim_device.h"
#include "tool_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using nlohmann::json;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// kestovctl.exe under Wine.
ToolRun Win(const Strings& args, const std::function<void(pid_t)>& meanwhile = {}) {
    Strings all = {Env("KESTOV_WINE"), Env("KESTOV_WIN_KESTOVCTL")};
    all.insert(all.end(), args.begin(), args.end());
    ToolRun run = RunProgram(all, std::chrono::seconds(120), meanwhile);
    // The Windows runtime writes text with CR LF line ends.
    for (std::string* text : {&run.out, &run.err}) {
        std::string plain;
        for (char c : *text) {
            if (c != '\r') plain += c;
        }
        *text = plain;
    }
    return run;
}

// The Linux program.
ToolRun Native(const Strings& args) {
    Strings all = {KESTOVCTL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(all);
}

// What follows "cannot open: " (the reason), or the whole text.
std::string Reason(const std::string& err) {
    const std::size_t at = err.find("cannot open: ");
    std::string reason = at == std::string::npos ? err : err.substr(at + 13);
    while (!reason.empty() && reason.back() == '\n') reason.pop_back();
    return reason;
}

json Json(const std::string& text) { return json::parse(text, nullptr, false); }

using testsupport::Writes;

// Simulated modules on COM10, COM11, ... of the prefix; links and registry
// entries go with the fixture.
class WineKestovctl : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("KESTOV_WINE").empty() || Env("KESTOV_WIN_KESTOVCTL").empty() || Env("WINEPREFIX").empty()) {
            GTEST_SKIP() << "KESTOV_WINE, KESTOV_WIN_KESTOVCTL and WINEPREFIX name the Windows program and its prefix";
        }
    }
    void TearDown() override {
        for (const std::string& link : m_links) {
            std::error_code ignored;
            fs::remove(link, ignored);
        }
        for (const std::string& value : m_listed) {
            RunProgram({Env("KESTOV_WINE"), "reg", "delete", kSerialMap, "/v", value, "/f"});
        }
    }

    // A running module as the next COM port; its name ("COM10").
    std::string AddModule(const std::string& model = "KESTOV-LV200") {
        auto module = std::make_unique<sim::KestovSimulator>(model);
        std::string error;
        EXPECT_TRUE(module->Start(&error)) << error;
        module->SetScanDevices({});
        const std::string port = "COM" + std::to_string(kFirstPort + m_modules.size());
        const std::string link = Env("WINEPREFIX") + "/dosdevices/com" + port.substr(3);
        std::error_code ec;
        fs::remove(link, ec);
        fs::create_symlink(module->DevicePath(), link, ec);
        EXPECT_FALSE(ec) << link << ": " << ec.message();
        m_links.push_back(link);
        m_modules.push_back(std::move(module));
        return port;
    }
    sim::KestovSimulator& Module(std::size_t i) { return *m_modules[i]; }

    // Lists the port in the registry's serial device map, as a driver would.
    void List(const std::string& port) {
        const std::string value = "\\Device\\KestovTest" + port;
        const ToolRun run = RunProgram({Env("KESTOV_WINE"), "reg", "add", kSerialMap, "/v", value, "/d", port, "/f"});
        ASSERT_EQ(run.status, 0) << run.err;
        m_listed.push_back(value);
    }

    static constexpr const char* kSerialMap = "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
    static constexpr std::size_t kFirstPort = 10;
    std::vector<std::unique_ptr<sim::KestovSimulator>> m_modules;
    Strings m_links;
    Strings m_listed;
};

std::string TempFile(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace

TEST_F(WineKestovctl, PortsListsTheMappedPortsAndTheProbeFindsTheModules) {
    const std::string lv200 = AddModule();
    const std::string lv230 = AddModule("KESTOV-LV230");
    List(lv200);
    List(lv230);
    const ToolRun listed = Win({"--json", "ports"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    Strings paths;
    const json list = Json(listed.out);
    for (const json& p : list["ports"]) {
        paths.push_back(p["path"].get<std::string>());
    }
    EXPECT_NE(std::find(paths.begin(), paths.end(), lv200), paths.end()) << listed.out;
    EXPECT_NE(std::find(paths.begin(), paths.end(), lv230), paths.end()) << listed.out;

    // Only the named ports: the prefix's own COM1 may be a real line.
    const ToolRun probed = Win({"--json", "ports", "--probe", lv200, "\\\\.\\" + lv230});
    ASSERT_EQ(probed.status, 0) << probed.err;
    const json ports = Json(probed.out)["ports"];
    ASSERT_EQ(ports.size(), 2u) << probed.out;
    EXPECT_EQ(ports[0]["probe"], "module");
    EXPECT_EQ(ports[0]["model"], "KESTOV-LV200");
    EXPECT_EQ(ports[1]["model"], "KESTOV-LV230");
    EXPECT_TRUE(Writes(Module(0)).empty());
}

TEST_F(WineKestovctl, InfoJsonReadsEverythingBack) {
    const std::string port = AddModule("KESTOV-LV230");
    for (const std::string& name : {port, "\\\\.\\" + port}) {
        const ToolRun run = Win({"--json", "info", name});
        ASSERT_EQ(run.status, 0) << run.err;
        const json j = Json(run.out);
        EXPECT_EQ(j["model"], "KESTOV-LV230");
        EXPECT_EQ(j["address"], "001A2B3C4D5E");
        EXPECT_EQ(j["slots"].size(), 7u);
        EXPECT_FALSE(j.contains("beacon"));
    }
    EXPECT_TRUE(Writes(Module(0)).empty());
}

// The runtime is told of every invalid parameter (a descriptor closed twice at
// exit was one); real Windows may end the program for it.
TEST_F(WineKestovctl, ExitsWithoutAnInvalidParameterToTheRuntime) {
    const std::string port = AddModule("KESTOV-LV200");
    const std::string before = Env("WINEDEBUG");
    ::setenv("WINEDEBUG", "-all,err+msvcrt", 1);
    for (const Strings& args : {Strings{"--version"}, Strings{"--json", "info", port}}) {
        const ToolRun run = Win(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("invalid_parameter"), std::string::npos) << args.back() << ": " << run.err;
    }
    ::setenv("WINEDEBUG", before.c_str(), 1);
}

TEST_F(WineKestovctl, WhatIsNotASerialPortIsRefusedAsOnLinux) {
    const std::string file = TempFile("not-a-port.txt", "text");
    struct Case {
        std::string windows;
        std::string linux;
    };
    const Case cases[] = {
        {"C:\\windows\\win.ini", file},  // a file
        {"C:\\windows", "/tmp"},         // a folder
        {"NUL", "/dev/null"},            // a device that is no serial line
        {"COM99", "/dev/ttyKESTOV-none"},
    };
    for (const Case& c : cases) {
        const ToolRun win = Win({"info", c.windows});
        const ToolRun native = Native({"info", c.linux});
        EXPECT_EQ(win.status, 3) << c.windows << ": " << win.err;
        EXPECT_EQ(win.status, native.status) << c.windows;
        EXPECT_EQ(Reason(win.err), Reason(native.err)) << c.windows;
    }
}

TEST_F(WineKestovctl, SetChangesWhatIsNamedAndRefusesAsOnLinux) {
    const std::string port = AddModule();
    const ToolRun set = Win({"set", port, "name=KST-01", "interval=250"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(Module(0).State().name, "KST-01");
    EXPECT_EQ(Module(0).State().advInterval, 250u);

    AddModule();  // for the Linux program, on its own pseudo-terminal
    for (const char* assignment : {"interval=5", "name=a,b", "parity=sometimes"}) {
        const std::size_t before = Writes(Module(0)).size();
        const ToolRun win = Win({"set", port, assignment});
        const ToolRun native = Native({"set", Module(1).DevicePath(), assignment});
        EXPECT_EQ(win.status, 2) << assignment << ": " << win.err;
        EXPECT_EQ(win.err, native.err) << assignment;
        EXPECT_EQ(Writes(Module(0)).size(), before) << "refused before anything is written";
    }
    EXPECT_TRUE(Writes(Module(1)).empty());
}

TEST_F(WineKestovctl, ExportThenApplyGivesTheSameSettings) {
    const std::string source = AddModule();
    sim::SimState s = Module(0).State();
    s.name = "Src";
    s.advInterval = 640;
    s.parity = 'O';
    s.slotTable[0].used = true;
    s.slotTable[0].address[5] = 0x11;
    s.slotTable[0].tag = "one";
    s.beaconHex = "0201060AFF";
    s.userBeacon = true;
    Module(0).SetState(s);
    const ToolRun exported = Win({"export", source});
    ASSERT_EQ(exported.status, 0) << exported.err;
    // The file as a Windows user has it, CR LF line ends included.
    std::string crlf;
    for (char c : exported.out) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::string file = TempFile("exported.json", crlf);

    const std::string target = AddModule();
    const std::string windowsFile = "Z:" + file;
    const ToolRun apply = Win({"apply", target, windowsFile});
    ASSERT_EQ(apply.status, 0) << apply.err;
    EXPECT_EQ(Writes(Module(1)), (Strings{"AT+MANUF=Src", "AT+ADVINTERVAL=640", "AT+UARTOPT=0,O,1",
                                          "AT+SETSLOT=1,000000000011,one", "AT+BEACON=0201060AFF", "AT+UCBEACON=ON"}));
    const ToolRun again = Win({"export", target});
    EXPECT_EQ(again.out, exported.out);
}

TEST_F(WineKestovctl, ProvisionsThreeModulesInParallel) {
    Strings ports;
    for (int i = 0; i < 3; ++i) {
        ports.push_back(AddModule());
        sim::SimState s = Module(i).State();
        s.address[5] = static_cast<uint8_t>(0xA0 + i);
        Module(i).SetState(s);
    }
    const std::string file = "Z:" + TempFile("provision.json", R"({"format":"kestov-lv2xx-profile","version":1,
        "interval":500,"slots":[{"slot":1,"address":"A0B1C2D3E401"}]})");
    const ToolRun run = Win({"--json", "provision", file, ports[0], ports[1], ports[2], "--name", "KST-{addr4}"});
    ASSERT_EQ(run.status, 0) << run.err;
    json summary;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const json j = Json(line);
        ASSERT_FALSE(j.is_discarded()) << line;
        if (j.contains("summary")) summary = j["summary"];
    }
    EXPECT_EQ(summary["succeeded"], 3) << run.out;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Module(i).State().name, "KST-4DA" + std::to_string(i));
        EXPECT_EQ(Module(i).State().advInterval, 500u);
    }
}

TEST_F(WineKestovctl, CtrlCDuringAScanStopsTheModule) {
    const std::string port = AddModule();
    const ToolRun run = Win({"scan", port, "--until-interrupted"}, [&](pid_t pid) {
        // AT, AT+MODEL?, AT+SF=OFF, AT+STARTSCAN
        EXPECT_TRUE(Module(0).WaitForCommands(4, std::chrono::seconds(60)));
        ::kill(pid, SIGINT);
    });
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_EQ(Module(0).Commands().back(), "AT+STOPSCAN");
    EXPECT_FALSE(Module(0).State().scanning);
}

// The read loop sees the device go (a read sized to what the driver holds
// still fails when the other side hangs up), and the program ends as on Linux.
TEST_F(WineKestovctl, AModuleThatVanishesDuringAScanEndsItAsOnLinux) {
    const std::string port = AddModule();
    AddModule();  // for the Linux program
    const std::string linuxPort = Module(1).DevicePath();
    const ToolRun wine = Win({"scan", port, "--until-interrupted"}, [&](pid_t) {
        EXPECT_TRUE(Module(0).WaitForCommands(4, std::chrono::seconds(60)));
        Module(0).HangUp();
    });
    const ToolRun native =
        RunProgram({KESTOVCTL_PATH, "scan", linuxPort, "--until-interrupted"}, std::chrono::seconds(60), [&](pid_t) {
            EXPECT_TRUE(Module(1).WaitForCommands(4, std::chrono::seconds(20)));
            Module(1).HangUp();
        });
    EXPECT_NE(native.status, 0) << native.err;
    EXPECT_EQ(wine.status, native.status) << wine.err;
}

TEST_F(WineKestovctl, ASecondProgramOnThePortIsToldItIsInUse) {
    const std::string port = AddModule();
    AddModule();  // for the Linux program, on its own pseudo-terminal
    const std::string linuxPort = Module(1).DevicePath();
    ToolRun second, secondNative, probe;
    const ToolRun first = Win({"scan", port, "--until-interrupted"}, [&](pid_t pid) {
        EXPECT_TRUE(Module(0).WaitForCommands(4, std::chrono::seconds(60)));
        second = Win({"info", port});
        probe = Win({"--json", "ports", "--probe", port});
        ::kill(pid, SIGINT);
    });
    // The same on Linux: a program holding the port, and a second one.
    RunProgram({KESTOVCTL_PATH, "scan", linuxPort, "--until-interrupted"}, std::chrono::seconds(60), [&](pid_t pid) {
        EXPECT_TRUE(Module(1).WaitForCommands(4, std::chrono::seconds(20)));
        secondNative = Native({"info", linuxPort});
        ::kill(pid, SIGINT);
    });
    EXPECT_EQ(first.status, 130) << first.err;
    EXPECT_EQ(second.status, 3) << second.err;
    EXPECT_EQ(second.status, secondNative.status);
    EXPECT_EQ(Reason(second.err), "in use by another program");
    EXPECT_EQ(Reason(second.err), Reason(secondNative.err));
    // The probe does not touch a port another program has.
    const json probed = Json(probe.out);
    ASSERT_EQ(probed["ports"].size(), 1u) << probe.out;
    EXPECT_EQ(probed["ports"][0]["probe"], "in-use");
    // Once the first has ended, the port is free again.
    EXPECT_EQ(Win({"info", port}).status, 0);
}
