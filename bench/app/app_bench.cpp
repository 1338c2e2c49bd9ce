// The whole program, timed from outside: it starts the manager's test copy
// (the program's code with the script player) in demo mode, offscreen, with a
// script and reads the figures the script prints.
//
//   start-up  process start to the COM port dialog shown (warm: one run first
//             is not counted), median of 5
//   connect   Ok in the dialog to the filled window, the module paced at 115200
//             baud, against the wire time of the bytes exchanged, median of 5
//   memory    peak resident size after a scan that lists 10,000 devices, and the
//             longest gap of a 10 ms timer while they arrive
//
//   app_bench SCRIPTED_MANAGER [runs]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    bool ok = false;
    double spawnedAtMs = 0;  // on the same clock as the script's "monotonic"
    std::string output;
};

std::string g_dir;

Run RunManager(const std::string& manager, const std::string& script, const std::string& model = "LV200") {
    Run run;
    const std::string scriptPath = g_dir + "/bench.script";
    std::ofstream(scriptPath) << script;
    const std::string outPath = g_dir + "/out.txt";
    const int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string s = *e;
        if (s.rfind("QT_QPA_PLATFORM=", 0) == 0 || s.rfind("XDG_CONFIG_HOME=", 0) == 0 || s.rfind("LANGUAGE=", 0) == 0)
            continue;
        env.push_back(s);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("XDG_CONFIG_HOME=" + g_dir);
    env.push_back("LANGUAGE=en");
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = {manager, "--demo", model, "--script", scriptPath};
    std::vector<char*> argv;
    for (auto& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_adddup2(&actions, fd, 2);
    posix_spawn_file_actions_addclose(&actions, fd);
    pid_t pid = -1;
    run.spawnedAtMs = std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fd);
    if (rc != 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(outPath);
    std::ostringstream s;
    s << in.rdbuf();
    run.output = s.str();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!run.ok) std::fprintf(stderr, "run failed:\n%s\n", run.output.c_str());
    return run;
}

// The value of "key=" on the script's line that starts with `prefix`.
double Field(const std::string& output, const std::string& prefix, const std::string& key) {
    const auto line = output.find("script: " + prefix);
    if (line == std::string::npos) return -1;
    const auto end = output.find('\n', line);
    const std::string text = output.substr(line, end - line);
    const auto at = text.find(" " + key + "=");
    if (at == std::string::npos) return -1;
    return std::atof(text.c_str() + at + key.size() + 2);
}

struct Stats {
    double median = 0, min = 0, max = 0;
};

Stats Summarise(std::vector<double> v) {
    Stats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.min = v.front();
    s.max = v.back();
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    return s;
}

void StartUp(const std::string& manager, int runs) {
    const char* script = "wait-port-dialog\nprint-elapsed dialog\nclose\n";
    RunManager(manager, script);  // warm-up: files in the page cache
    std::vector<double> total, inProgram;
    for (int i = 0; i < runs; ++i) {
        const Run r = RunManager(manager, script);
        if (!r.ok) return;
        total.push_back(Field(r.output, "elapsed dialog", "monotonic") - r.spawnedAtMs);
        inProgram.push_back(Field(r.output, "elapsed dialog", "start"));
    }
    const Stats t = Summarise(total), p = Summarise(inProgram);
    std::printf(
        "start-up to the port dialog shown: median %.1f ms (min %.1f, max %.1f; %d runs)"
        " - target < 300 ms\n",
        t.median, t.min, t.max, runs);
    std::printf("  of which after main() began: median %.1f ms\n", p.median);
}

void Connect(const std::string& manager, int runs) {
    const char* script =
        "sim-pace 115200\n"
        "sim-clear-log\n"
        "accept-port-dialog\n"
        "wait-enabled ctl1010\n"
        "print-elapsed connect\n"
        "print-wire connect 115200\n"
        "close\n";
    std::vector<double> took, wire;
    std::string commands;
    double bytes = 0, replyBytes = 0, replyMs = 0;
    for (int i = 0; i < runs; ++i) {
        const Run r = RunManager(manager, script);
        if (!r.ok) return;
        took.push_back(Field(r.output, "elapsed connect", "mark"));
        wire.push_back(Field(r.output, "wire connect", "wire_ms"));
        bytes = Field(r.output, "wire connect", "bytes");
        replyBytes = Field(r.output, "wire connect", "reply_bytes");
        replyMs = Field(r.output, "wire connect", "reply_ms");
        const auto at = r.output.find(" list=");
        commands = r.output.substr(at + 6, r.output.find('\n', at) - at - 6);
    }
    const Stats t = Summarise(took), w = Summarise(wire);
    std::printf("connect (Ok to filled window) at 115200 baud: median %.1f ms (min %.1f, max %.1f; %d runs)\n",
                t.median, t.min, t.max, runs);
    std::printf(
        "  wire time of the %.0f bytes exchanged (commands and replies): %.1f ms; ratio %.2f"
        " - target <= 1.5\n",
        bytes, w.median, t.median / w.median);
    std::printf("  the module's %.0f reply bytes alone (what the simulator paces): %.1f ms; ratio %.2f\n", replyBytes,
                replyMs, t.median / replyMs);
    std::printf("  commands: %s\n", commands.c_str());
}

void Memory(const std::string& manager) {
    const char* script =
        "sim-devices 10000 4000\n"
        "accept-port-dialog\n"
        "wait-enabled ctl1010\n"
        "print-rss before-scan\n"
        "timeout 300000\n"
        "stall-reset\n"
        "mark\n"
        "click ctl1026\n"
        "wait-rows 10000\n"
        "print-elapsed scan\n"
        "print-stall scan\n"
        "print-rss after-scan\n"
        "click ctl1026\n"
        "expect-text ctl1026 Scan\n"
        "close\n";
    const Run r = RunManager(manager, script);
    if (!r.ok) return;
    const double scanMs = Field(r.output, "elapsed scan", "mark");
    std::printf("scan listing 10,000 devices: %.1f s (%.0f rows/s)\n", scanMs / 1000.0, 10000.0 / (scanMs / 1000.0));
    std::printf("  peak resident size: %.1f MB before the scan, %.1f MB after - target < 100 MB\n",
                Field(r.output, "rss before-scan", "peak_kb") / 1024.0,
                Field(r.output, "rss after-scan", "peak_kb") / 1024.0);
    std::printf("  longest gap of a 10 ms timer while the rows arrived: %.1f ms\n",
                Field(r.output, "stall scan", "max_gap_ms"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_bench SCRIPTED_MANAGER [runs]\n");
        return 2;
    }
    const std::string manager = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    char tmpl[] = "/tmp/kestov-app-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    g_dir = tmpl;
    StartUp(manager, runs);
    Connect(manager, runs);
    Memory(manager);
    std::system(("rm -rf '" + g_dir + "'").c_str());
    return 0;
}
