// station: provisions every module plugged in until Ctrl+C. The first Ctrl+C
// takes no new ports and lets the modules in progress finish; a second stops
// them after their command in flight.
#include "commands.h"
#include "interrupt.h"
#include "link/platform.h"
#include "ops/station/apply_runner.h"
#include "ops/station/exit_codes.h"
#include "ops/station/sha256.h"
#include "ops/station/station.h"
#include "report.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// What a terminal shows: one line per port, redrawn in place, and the counts.
class StationLines {
public:
    void Show(const PortView& v, const StationCounts& c) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_rows.emplace(v.port, m_order.size()).second) {
            m_order.push_back(v.port);
        }
        m_text[v.port] = Line(v);
        m_counts = c;
        Draw();
    }

    static std::string Line(const PortView& v) {
        std::string line = PhaseWord(v.phase);
        for (const std::string* s : {&v.model, &v.address, &v.name}) {
            if (!s->empty()) {
                line += "  " + *s;
            }
        }
        if (!v.detail.empty()) {
            line += v.phase == PortPhase::Failed ? "  reason: " + v.detail : "  " + v.detail;
        }
        if (v.phase == PortPhase::Done || v.phase == PortPhase::Failed) {
            char s[32];
            std::snprintf(s, sizeof s, "  %.1f s", v.seconds);
            line += s;
        }
        return line;
    }

private:
    void Draw() {
        if (m_drawn > 0) {
            std::printf("\033[%zuA", m_drawn);
        }
        for (const std::string& port : m_order) {
            std::printf("\033[2K%-28s %s\n", port.c_str(), m_text[port].c_str());
        }
        std::printf("\033[2Kdone %d   failed %d   already done %d   left alone %d\n", m_counts.done, m_counts.failed,
                    m_counts.alreadyDone, m_counts.leftAlone);
        std::fflush(stdout);
        m_drawn = m_order.size() + 1;
    }

    std::mutex m_mutex;
    std::map<std::string, std::size_t> m_rows;
    std::vector<std::string> m_order;
    std::map<std::string, std::string> m_text;
    StationCounts m_counts;
    std::size_t m_drawn = 0;
};

nlohmann::json ViewJson(const PortView& v) {
    return {{"type", "port"},
            {"port", v.port},
            {"device", v.device},
            {"byId", v.byId},
            {"state", PhaseWord(v.phase)},
            {"address", v.address},
            {"model", v.model},
            {"name", v.name},
            {"detail", v.detail},
            {"written", v.written},
            {"seconds", v.seconds}};
}

}  // namespace

int CmdStation(const GlobalOptions& g, const std::string& file, const std::string& nameTemplate,
               const std::string& table, bool refuseMissing, const std::string& log, const std::string& pattern,
               const std::vector<std::string>& dirs, bool again, bool skipUnsupported, unsigned settleMs) {
    StationConfig config;
    std::string error, text;
    if (!LoadProfileFile(file, config.patch, config.profileModel, error, &text)) {
        PrintError(error);
        return EXIT_USAGE;
    }
    // {seq} grows with every port; four digits is a long day at the bench.
    if (!CheckNameTemplate(nameTemplate, 9999, error)) {
        PrintError(error);
        return EXIT_USAGE;
    }
    if (!table.empty()) {
        auto loaded = std::make_shared<ModuleTable>();
        if (!loaded->Load(table, error)) {
            PrintError(error);
            return EXIT_USAGE;
        }
        config.table = loaded;
    } else if (refuseMissing) {
        PrintError("--refuse-missing needs --table");
        return EXIT_USAGE;
    }
    config.profileName = std::filesystem::path(file).filename().string();
    config.profileSha256 = Sha256Hex(text);
    config.nameTemplate = nameTemplate;
    config.refuseMissing = refuseMissing;
    config.again = again;
    config.skipUnsupported = skipUnsupported;
    config.recordPath = log;
    config.watch.system = dirs.empty();
    config.watch.dirs = dirs;
    config.watch.pattern = pattern;
    config.settle = std::chrono::milliseconds(settleMs);

    const bool live = !g.json && platform::StdoutIsTerminal();
    StationLines lines;
    std::mutex outMutex;
    std::map<std::string, std::string> lastLine;  // a line is printed when it changes
    Station* station = nullptr;
    Station s(config, [&](const PortView& v) {
        const StationCounts counts = station ? station->Counts() : StationCounts{};
        if (g.json) {
            EmitJson(ViewJson(v), nullptr);
        } else if (live) {
            lines.Show(v, counts);
        } else {
            std::lock_guard<std::mutex> lock(outMutex);
            const std::string line = StationLines::Line(v);
            if (std::exchange(lastLine[v.port], line) != line) {
                std::printf("%-28s %s\n", v.port.c_str(), line.c_str());
                std::fflush(stdout);
            }
        }
    });
    station = &s;
    if (!s.Start(error)) {
        PrintError(error);
        return EXIT_PORT;
    }
    if (!g.json) {
        std::printf("Watching %s for modules; the record is %s. Ctrl+C ends.\n",
                    dirs.empty() ? "the serial ports" : JoinedWords(dirs, ", ").c_str(), log.c_str());
        std::fflush(stdout);
    }

    // Sleeps until Ctrl+C: no wake-ups between modules.
    while (interrupt::Count() == 0) {
        interrupt::Wait();
    }

    std::vector<std::string> busy;
    for (const PortView& v : s.Ports()) {
        if (v.phase == PortPhase::Identifying || v.phase == PortPhase::Writing || v.phase == PortPhase::Verifying) {
            busy.push_back(v.port);
        }
    }
    if (!busy.empty()) {
        PrintWarning("stopping; letting the modules in progress finish: " + JoinedWords(busy, ", ") +
                     " (Ctrl+C again stops them after their command in flight)");
    }
    std::atomic<bool> stopped{false};
    bool aborted = false;
    std::thread stopper([&] {
        s.Stop(true);
        stopped.store(true);
        interrupt::Wake();
    });
    while (!stopped.load()) {
        if (!aborted && interrupt::Count() >= 2) {
            if (!busy.empty()) {
                PrintWarning("stopping the modules in progress after their command in flight");
            }
            aborted = true;
            s.AbortInProgress();
        }
        interrupt::Wait();
    }
    stopper.join();

    const StationCounts c = s.Counts();
    std::vector<std::string> cut;  // stopped before they were done
    for (const PortView& v : s.Ports()) {
        if (std::find(busy.begin(), busy.end(), v.port) != busy.end() && v.phase == PortPhase::Failed) {
            cut.push_back(v.port);
        }
    }
    const int status = !cut.empty() ? EXIT_INTERRUPTED : c.failed > 0 ? EXIT_FAILED : EXIT_OK;
    if (g.json) {
        EmitJson({{"type", "summary"},
                  {"summary",
                   {{"done", c.done},
                    {"failed", c.failed},
                    {"alreadyDone", c.alreadyDone},
                    {"leftAlone", c.leftAlone},
                    {"finishedAfterStop", busy.size() - cut.size()},
                    {"stoppedInProgress", cut}}}},
                 status);
    } else {
        std::printf("\n%d done, %d failed, %d already done, %d left alone\n", c.done, c.failed, c.alreadyDone,
                    c.leftAlone);
        if (!busy.empty()) {
            std::printf("in progress at the stop: %s; stopped before done: %s\n", JoinedWords(busy, ", ").c_str(),
                        cut.empty() ? "none" : JoinedWords(cut, ", ").c_str());
        }
    }
    return status;
}
