// scan: the module looks for devices until the time is up or Ctrl+C, and
// the tool lists what it saw with RSSI figures.
#include "commands.h"
#include "ops/station/exit_codes.h"
#include "interrupt.h"
#include "ops/station/module_link.h"
#include "ops/rules/input_rules.h"
#include "ops/session/record_text.h"
#include "ops/rules/rule_text.h"
#include "ops/scan/scan_stats.h"
#include "ops/rules/string_ids.h"
#include "report.h"
#include "text_width.h"

#include <chrono>
#include <cstdio>
#include <vector>

int CmdScan(const GlobalOptions& g, const std::string& port, double seconds, const std::string& nameFilter,
            bool rssiSet, int rssiMin, std::size_t maxDevices) {
    if (!nameFilter.empty() && input_rules::CheckScanFilterName(nameFilter) != 0) {
        PrintError(RuleText(IDS_INVALID_FILTER_NAME) + " (1 to " + std::to_string(module_limits::kMaxNameBytes) +
                   " bytes)");
        return EXIT_USAGE;
    }
    if (rssiSet && (rssiMin < input_rules::kMinRssi || rssiMin > input_rules::kMaxRssi)) {
        PrintError(RuleText(IDS_INVALID_RSSI) + " (-127 to 127)");
        return EXIT_USAGE;
    }
    OpenResult opened = OpenModule(port);
    if (!opened.link) {
        PrintError(opened.error);
        return opened.exitCode;
    }
    // Ctrl+C ends the wait for the next report; the module's scan is then stopped.
    using Clock = std::chrono::steady_clock;
    // Counted from the module's start of the scan, which the first check follows.
    Clock::time_point start{};
    bool started = false;
    const auto elapsedMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    ScanStats stats(maxDevices);
    const SessionResult r = opened.link->session.Scan(
        nameFilter,
        [&] {
            if (!started) {
                started = true;
                start = Clock::now();
            }
            return !interrupt::Requested() && (seconds <= 0 || elapsedMs() < static_cast<long>(seconds * 1000));
        },
        [&](const lv2xx_scan_report& report) {
            if (rssiSet && report.rssi < rssiMin) {
                return;
            }
            BtAddress address;
            std::copy(std::begin(report.address), std::end(report.address), address.begin());
            stats.Add(AddressText(address), FieldText(report.name), report.rssi, elapsedMs());
        });
    if (!r) {
        PrintError(port + ": scan failed: " + r.Describe());
        return ExitFor(r);
    }

    const std::vector<std::size_t> order = stats.SlotsByFirstSighting();
    // Names are padded by the columns they take, not by their bytes.
    constexpr std::size_t kNameColumns = 20;
    if (g.json) {
        nlohmann::json devices = nlohmann::json::array();
        for (const std::size_t slot : order) {
            const ScanDeviceStats& d = stats.Devices()[slot];
            devices.push_back({{"address", d.address},
                               {"name", d.name},
                               {"hits", d.hits},
                               {"firstRssi", d.firstRssi},
                               {"lastRssi", d.lastRssi},
                               {"minRssi", d.minRssi},
                               {"maxRssi", d.maxRssi},
                               {"meanRssi", d.MeanRssi()},
                               {"firstSeenMs", d.firstSeenMs},
                               {"lastSeenMs", d.lastSeenMs}});
        }
        EmitJson({{"port", port},
                  {"reports", stats.TotalReports()},
                  {"devices", devices},
                  {"deviceLimit", stats.Capacity()},
                  {"droppedDevices", stats.DroppedDevices()},
                  {"droppedReports", stats.DroppedReports()},
                  {"interrupted", interrupt::Requested()}},
                 interrupt::Requested() ? EXIT_INTERRUPTED : EXIT_OK);
    } else {
        std::printf("%-12s  %s %6s %5s %5s %5s %5s %6s\n", "ADDRESS", PadToWidth("NAME", kNameColumns).c_str(), "HITS",
                    "FIRST", "LAST", "MIN", "MAX", "MEAN");
        for (const std::size_t slot : order) {
            const ScanDeviceStats& d = stats.Devices()[slot];
            std::string name;
            for (unsigned char c : d.name) {
                name.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
            }
            std::printf("%-12s  %s %6llu %5d %5d %5d %5d %6.1f\n", d.address.c_str(),
                        PadToWidth(name, kNameColumns).c_str(), static_cast<unsigned long long>(d.hits), d.firstRssi,
                        d.lastRssi, d.minRssi, d.maxRssi, d.MeanRssi());
        }
        std::printf("%zu devices, %llu reports\n", stats.Devices().size(),
                    static_cast<unsigned long long>(stats.TotalReports()));
        if (stats.DroppedDevices() > 0) {
            std::printf("%llu more devices (%llu reports) not listed: only the %zu most recently seen are kept\n",
                        static_cast<unsigned long long>(stats.DroppedDevices()),
                        static_cast<unsigned long long>(stats.DroppedReports()), stats.Capacity());
        }
    }
    return interrupt::Requested() ? EXIT_INTERRUPTED : EXIT_OK;
}
