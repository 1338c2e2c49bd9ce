// provision: one profile onto many modules at once, one link per port. A
// port that fails never stops the others; the exit status is 0 only when
// every port succeeded.
#include "ops/station/apply_runner.h"
#include "commands.h"
#include "interrupt.h"
#include "link/platform.h"
#include "ops/station/exit_codes.h"
#include "report.h"

#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>

namespace {

// Progress on a terminal: one live line per port, redrawn in place.
class LiveLines {
public:
    explicit LiveLines(const std::vector<std::string>& ports) : m_ports(ports), m_lines(ports.size(), "waiting") {
        Draw(false);
    }
    void Set(std::size_t i, const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines[i] = text;
        Draw(true);
    }

private:
    void Draw(bool over) {
        if (over) {
            std::printf("\033[%zuA", m_lines.size());
        }
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            std::printf("\033[2K%-20s %s\n", m_ports[i].c_str(), m_lines[i].c_str());
        }
        std::fflush(stdout);
    }
    std::vector<std::string> m_ports;
    std::vector<std::string> m_lines;
    std::mutex m_mutex;
};

}  // namespace

bool CheckNameTemplate(const std::string& nameTemplate, int largestSequence, std::string& error) {
    if (nameTemplate.empty()) {
        return true;
    }
    // The longest name the template can give, checked before any port is touched.
    std::string longest;
    if (!ExpandNameTemplate(nameTemplate, "000000000000", largestSequence, longest, error)) {
        return false;
    }
    SettingsPatch check;
    if (error = settings_patch::AddAssignment(check, "name=" + longest); !error.empty()) {
        error = "--name gives \"" + longest + "\": " + error;
        return false;
    }
    return true;
}

int CmdProvision(const GlobalOptions& g, const std::string& file, const std::vector<std::string>& ports,
                 const std::string& nameTemplate, bool skipUnsupported) {
    SettingsPatch patch;
    std::string error, profileModel;
    if (!LoadProfileFile(file, patch, profileModel, error)) {
        PrintError(error);
        return EXIT_USAGE;
    }
    if (!CheckNameTemplate(nameTemplate, static_cast<int>(ports.size()), error)) {
        PrintError(error);
        return EXIT_USAGE;
    }

    const bool live = !g.json && platform::StdoutIsTerminal();
    std::unique_ptr<LiveLines> lines = live ? std::make_unique<LiveLines>(ports) : nullptr;
    std::mutex outMutex;
    std::vector<PortReport> reports(ports.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        workers.emplace_back([&, i] {
            ApplyRequest request;
            request.keepGoing = [] { return !interrupt::Requested(); };
            request.port = ports[i];
            request.patch = patch;
            request.skipUnsupported = skipUnsupported;
            request.nameTemplate = nameTemplate;
            request.sequence = static_cast<int>(i + 1);
            request.profileModel = profileModel;
            reports[i] =
                RunApply(request, [&](const std::string& port, const std::string& event, const std::string& detail) {
                    if (lines) {
                        lines->Set(i, detail.empty() ? event : event + " " + detail);
                    } else if (g.json) {
                        // Fixed keys; "exit" stays null until the port's report.
                        EmitJson({{"type", "event"}, {"port", port}, {"event", event}, {"detail", detail}}, nullptr);
                    }
                });
            const PortReport& r = reports[i];
            const std::string done = r.exitCode == 0 ? "ok" : "FAILED: " + r.error;
            if (lines) {
                lines->Set(i, done);
            } else {
                if (g.json) {
                    nlohmann::json j = PortReportJson(r);
                    j["type"] = "port";
                    EmitJson(j, r.exitCode);
                } else {
                    std::lock_guard<std::mutex> lock(outMutex);
                    std::printf("%-20s %s\n", r.port.c_str(), done.c_str());
                    std::fflush(stdout);
                }
            }
        });
    }
    for (std::thread& t : workers) {
        t.join();
    }

    int failed = 0;
    int status = EXIT_OK;
    bool interrupted = false;
    for (const PortReport& r : reports) {
        if (r.exitCode != 0) {
            ++failed;
            status = status == EXIT_OK ? r.exitCode : status;
        }
        interrupted = interrupted || r.interrupted;
    }
    // Ctrl+C decides the status, whatever else failed.
    if (interrupted) {
        status = EXIT_INTERRUPTED;
    }
    for (const PortReport& r : reports) {
        for (const std::string& w : r.warnings) {
            PrintWarning(w);
        }
    }
    if (g.json) {
        nlohmann::json summary = {{"ports", ports.size()},
                                  {"succeeded", ports.size() - failed},
                                  {"failed", failed},
                                  {"interrupted", interrupted}};
        EmitJson({{"type", "summary"}, {"summary", summary}}, status);
    } else {
        std::printf("\n%zu of %zu modules provisioned\n", ports.size() - static_cast<std::size_t>(failed),
                    ports.size());
        for (const PortReport& r : reports) {
            if (r.exitCode != 0) {
                std::printf("%-20s failed; written before the failure: %s\n", r.port.c_str(),
                            r.outcome.written.empty() ? "nothing" : JoinedWords(r.outcome.written).c_str());
            }
        }
    }
    for (const PortReport& r : reports) {
        if (r.exitCode != 0) {
            PrintError(r.error);
        }
    }
    return status;
}
