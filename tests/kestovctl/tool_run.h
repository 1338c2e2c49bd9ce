// Runs kestovctl as a child process and collects its output and status.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>
#include <string>
#include <vector>

struct ToolRun {
    int status = -1;  // exit status; -1 when it did not end in time
    std::string out;
    std::string err;
};

// Runs a program (all[0], a path) with its arguments. A run that takes
// longer than the limit is killed. meanwhile, when given, runs on a thread of
// its own with the child's pid while the child runs.
inline ToolRun RunProgram(std::vector<std::string> all, std::chrono::milliseconds limit = std::chrono::seconds(60),
                          const std::function<void(pid_t)>& meanwhile = {}) {
    ToolRun run;
    int outPipe[2], errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
        return run;
    }
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    std::thread helper;
    if (meanwhile) {
        helper = std::thread(meanwhile, pid);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(fds, 2, 100) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buf[4096];
                const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                } else {
                    sinks[i]->append(buf, static_cast<std::size_t>(n));
                }
            }
        }
    }
    if (open > 0) {
        ::kill(pid, SIGKILL);
    }
    for (pollfd& p : fds) {
        if (p.fd >= 0) {
            ::close(p.fd);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (helper.joinable()) {
        helper.join();
    }
    if (open == 0 && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    return run;
}

#ifdef KESTOVCTL_PATH
inline ToolRun RunTool(const std::vector<std::string>& args, std::chrono::milliseconds limit = std::chrono::seconds(60),
                       const std::function<void(pid_t)>& meanwhile = {}) {
    std::vector<std::string> all = {KESTOVCTL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(all, limit, meanwhile);
}
#endif
