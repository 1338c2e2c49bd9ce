#include "child_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

struct ProcInfo {
    pid_t pid;
    pid_t ppid;
    pid_t pgrp;
};

std::vector<ProcInfo> Processes() {
    std::vector<ProcInfo> out;
    DIR* dir = opendir("/proc");
    if (!dir) return out;
    while (dirent* e = readdir(dir)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;
        // The name in parentheses may hold blanks; the fields follow the last ')'.
        const auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 1));
        char state = 0;
        long ppid = 0, pgrp = 0;
        if (fields >> state >> ppid >> pgrp)
            out.push_back({static_cast<pid_t>(pid), static_cast<pid_t>(ppid), static_cast<pid_t>(pgrp)});
    }
    closedir(dir);
    return out;
}

void AddOnce(std::vector<pid_t>& list, pid_t pid) {
    if (std::find(list.begin(), list.end(), pid) == list.end()) list.push_back(pid);
}

std::vector<std::string> Environment(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        if (overrides.count(key) == 0) env.push_back(entry);
    }
    for (const auto& [key, value] : overrides) {
        if (!value.empty()) env.push_back(key + "=" + value);
    }
    return env;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

void BecomeSubreaper() { prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); }

RunResult Run(const std::string& program, const RunOptions& options) {
    RunResult result;
    char outPath[] = "/tmp/kestov-e2e-out-XXXXXX";
    const int outFd = mkstemp(outPath);
    if (outFd < 0) return result;

    std::vector<std::string> argStrings = options.wrapper;
    argStrings.push_back(program);
    argStrings.insert(argStrings.end(), options.args.begin(), options.args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = Environment(options.env);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outFd, 2);
    posix_spawn_file_actions_addclose(&actions, outFd);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);

    const auto started = Clock::now();
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(outFd);
    if (rc != 0) {
        result.output = std::string("spawn failed: ") + std::strerror(rc);
        unlink(outPath);
        return result;
    }

    int wstatus = 0;
    std::optional<Clock::time_point> watchedAt;
    for (;;) {
        if (!options.watchFor.empty() && !watchedAt && ReadFile(outPath).find(options.watchFor) != std::string::npos)
            watchedAt = Clock::now();
        const pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) {
            result.exited = true;
            break;
        }
        for (const ProcInfo& p : Processes()) {
            if (p.pid != pid && (p.ppid == pid || p.pgrp == pid)) AddOnce(result.children, p.pid);
        }
        if (Clock::now() - started > options.deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto ended = Clock::now();
    result.took = std::chrono::duration_cast<std::chrono::milliseconds>(ended - started);
    if (watchedAt) result.afterWatched = std::chrono::duration_cast<std::chrono::milliseconds>(ended - *watchedAt);
    if (result.exited && WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);

    // Anything still in its group, or handed to us as the reaper of orphans.
    for (const ProcInfo& p : Processes()) {
        if (p.pid != pid && (p.pgrp == pid || p.ppid == getpid())) AddOnce(result.leftovers, p.pid);
    }
    for (pid_t p : result.leftovers) {
        kill(p, SIGKILL);
        waitpid(p, nullptr, WNOHANG);
    }
    result.output = ReadFile(outPath);
    unlink(outPath);
    return result;
}

int ThreadsAt(const std::string& output, const std::string& label) {
    const std::string key = "script: threads " + label + " ";
    const auto at = output.find(key);
    if (at == std::string::npos) return -1;
    return std::atoi(output.c_str() + at + key.size());
}

}  // namespace e2e
