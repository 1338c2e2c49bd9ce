// kestovctl: KESTOV LV2xx modules from the command line.
#include "commands.h"
#include "ops/scan/scan_stats.h"
#include "ops/station/exit_codes.h"
#include "interrupt.h"
#include "link/file_io.h"
#include "link/module_limits.h"
#include "link/port_path.h"
#include "report.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// Looked for before parsing, so that a usage error is JSON too.
bool AsksForJson(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            return true;
        }
    }
    return false;
}

// The first word that is not an option, when it names no subcommand.
std::string UnknownSubcommand(const CLI::App& app, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') {
            continue;
        }
        for (const CLI::App* sub : app.get_subcommands({})) {
            if (sub->get_name() == argv[i]) {
                return {};
            }
        }
        return argv[i];
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    file_io::WatchStdout();
    interrupt::Install();
    SetSessionCheck(SessionCheck::Child);  // a start-up cost that does not grow with the machine
    // The name is fixed, so usage never shows the path the program was started by.
    CLI::App app{
        "Configure KESTOV LV200/LV210/LV220/LV230 Bluetooth LE modules over a serial port.\n"
        "Set the module's dial to Set (115200 baud, 8N1).",
        "kestovctl"};
    app.set_version_flag("--version", "kestovctl " + std::string(KESTOVCTL_VERSION));
    app.require_subcommand(1);
    // --json may also follow the subcommand.
    app.fallthrough();
    GlobalOptions g;
    g.json = AsksForJson(argc, argv);
    app.add_flag("--json", g.json,
                 "Machine-readable output on stdout, also for failures: one JSON object, or JSON lines for "
                 "provision; each carries \"schema\" and \"exit\"");

    int status = EXIT_OK;
    std::string port, file, nameFilter, nameTemplate;
    std::vector<std::string> words, paths;
    bool probe = false, dryRun = false, skipUnsupported = false, yes = false;
    double seconds = 10;
    int rssi = INT_MIN;
    std::size_t maxDevices = ScanStats::kDefaultCapacity;

    auto* ports = app.add_subcommand("ports", "List serial ports");
    unsigned probeMs = 300;
    ports->add_flag("--probe", probe, "Ask each free port whether a module answers (300 ms each, in parallel)");
    ports->add_option("--probe-ms", probeMs, "How long --probe waits for the modules, in milliseconds")
        ->check(CLI::Range(50u, 60000u));
    ports->add_option("PATH", paths, "Only these device paths (pseudo-terminals, links) instead of the system's ports");
    ports->callback([&] { status = CmdPorts(g, probe, probeMs, paths); });

    auto* info = app.add_subcommand("info", "Identify the module and read everything back");
    info->add_option("PORT", port, "Serial device, e.g. /dev/ttyUSB0 or ttyUSB0")->required();
    info->callback([&] { status = CmdInfo(g, port); });

    auto* set = app.add_subcommand("set", "Change only the named settings, then verify by read-back");
    set->add_option("PORT", port, "Serial device")->required();
    set->add_option("SETTING", words,
                    "name=TEXT interval=MS parity=none|even|odd stopbits=1|2 flow=on|off beacon-hex=HEX "
                    "beacon-string=TEXT beacon-source=uart|user slotN=ADDRESS[,TAG] slotN=none")
        ->required();
    set->add_flag("--skip-unsupported", skipUnsupported, "Leave out settings the model does not have");
    set->callback([&] { status = CmdSet(g, port, words, skipUnsupported); });

    auto* scan = app.add_subcommand("scan", "Let the module scan and list the devices it sees");
    scan->add_option("PORT", port, "Serial device")->required();
    bool untilInterrupted = false;
    auto* secondsOption = scan->add_option("--seconds", seconds, "How long to scan, in seconds (more than 0)")
                              ->capture_default_str()
                              ->check(CLI::Validator(
                                  [](std::string& text) -> std::string {
                                      char* end = nullptr;
                                      const double v = std::strtod(text.c_str(), &end);
                                      if (end == text.c_str() || *end != '\0' || !(v > 0)) {
                                          return "a scan lasts more than 0 seconds, not \"" + text +
                                                 "\" (--until-interrupted scans until Ctrl+C)";
                                      }
                                      return {};
                                  },
                                  "SECONDS>0"));
    scan->add_flag("--until-interrupted", untilInterrupted, "Scan until Ctrl+C")->excludes(secondsOption);
    scan->add_option("--name-filter", nameFilter,
                     "Only names starting with this text (1 to " + std::to_string(module_limits::kMaxNameBytes) +
                         " bytes, on the module)");
    scan->add_option("--rssi", rssi, "Leave out reports weaker than this RSSI (-127 to 127)");
    scan->add_option("--max-devices", maxDevices,
                     "Devices kept; beyond it the least recently seen are dropped and counted")
        ->capture_default_str()
        ->check(CLI::Range(std::size_t{1}, std::size_t{10'000'000}));
    scan->callback([&] {
        status = CmdScan(g, port, untilInterrupted ? 0 : seconds, nameFilter, rssi != INT_MIN, rssi, maxDevices);
    });

    auto* reboot = app.add_subcommand("reboot", "Restart the module");
    reboot->add_option("PORT", port, "Serial device")->required();
    reboot->callback([&] { status = CmdReboot(g, port, false, true); });

    auto* reset = app.add_subcommand("factory-reset", "Restore the module's factory settings");
    reset->add_option("PORT", port, "Serial device")->required();
    reset->add_flag("--yes", yes, "Confirm");
    reset->callback([&] { status = CmdReboot(g, port, true, yes); });

    auto* exportCmd = app.add_subcommand("export", "Write the module's settings as a JSON profile to stdout");
    exportCmd->add_option("PORT", port, "Serial device")->required();
    exportCmd->callback([&] { status = CmdExport(g, port); });

    auto* apply = app.add_subcommand("apply", "Write what differs from a profile, then verify");
    apply->add_option("PORT", port, "Serial device")->required();
    apply->add_option("PROFILE", file, "Profile file (JSON)")->required();
    apply->add_flag("--dry-run", dryRun, "Show the differences, write nothing");
    apply->add_flag("--skip-unsupported", skipUnsupported, "Leave out fields the model does not have");
    apply->callback([&] { status = CmdApply(g, port, file, dryRun, skipUnsupported); });

    auto* provision = app.add_subcommand("provision", "Apply one profile to many modules in parallel");
    provision->add_option("PROFILE", file, "Profile file (JSON)")->required();
    provision->add_option("PORT", paths, "Serial devices, one module each")->required();
    provision->add_option("--name", nameTemplate,
                          "Name per module: {addr} {addr4} (last four address digits) {seq} {seq:03}");
    provision->add_flag("--skip-unsupported", skipUnsupported, "Leave out fields a model does not have");
    provision->callback([&] { status = CmdProvision(g, file, paths, nameTemplate, skipUnsupported); });

#ifdef KESTOVCTL_STATION
    // Watching the system's ports is built for Linux only so far.
    auto* station = app.add_subcommand("station", "Provision every module plugged in, until Ctrl+C");
    std::string table, logFile = "station-record.jsonl", pattern;
    std::vector<std::string> dirs;
    bool again = false, refuseMissing = false;
    unsigned settleMs = 100;
    station->add_option("PROFILE", file, "Profile file (JSON)")->required();
    station->add_option("--name", nameTemplate,
                        "Name per module: {addr} {addr4} (last four address digits) {seq} {seq:03} (order of arrival)");
    station->add_option("--table", table,
                        "CSV: an address or serial column and setting columns (name, slotN, ...) per module");
    station->add_flag("--refuse-missing", refuseMissing,
                      "A module the table lacks fails (default: it takes the profile and --name)");
    station->add_option("--log", logFile, "The record, appended: JSON lines, or CSV when FILE ends in .csv")
        ->capture_default_str();
    auto* portsOpt =
        station->add_option("--ports", pattern, "Only ports whose path or by-id name matches, e.g. '/dev/ttyUSB*'");
    station->add_option("--dir", dirs, "Watch this folder of links to terminals instead of the system's ports")
        ->excludes(portsOpt);
    station->add_flag("--again", again, "Write modules the record says were done with this profile");
    station->add_flag("--skip-unsupported", skipUnsupported, "Leave out fields a model does not have");
    station->add_option("--settle-ms", settleMs, "How long a new port is left to settle, in milliseconds")
        ->capture_default_str()
        ->check(CLI::Range(0u, 10000u));
    station->callback([&] {
        status = CmdStation(g, file, nameTemplate, table, refuseMissing, logFile, pattern, dirs, again, skipUnsupported,
                            settleMs);
    });
#endif

    try {
        // CLI11 would only say that the word was not expected.
        if (const std::string word = UnknownSubcommand(app, argc, argv); !word.empty()) {
            throw CLI::ParseError("unknown subcommand \"" + word + "\" (kestovctl --help lists them)", EXIT_USAGE);
        }
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        status = app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        status = app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        status = app.exit(e);
    } catch (const CLI::ParseError& e) {
        PrintError(e.what());
        status = EXIT_USAGE;
    }
    if (g.json && !JsonEmitted() && status != EXIT_OK) {
        EmitJson({{"error", FirstError()}}, status);
    }
    // Output lost on a full disk or a closed pipe is a failure, not a success.
    if (const file_io::Error e = file_io::CloseStdout()) {
        PrintError("cannot write the output: " + e.Text());
        if (status == EXIT_OK) status = EXIT_FAILED;
    }
    return status;
}
