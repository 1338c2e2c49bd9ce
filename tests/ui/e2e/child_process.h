// Runs the built program as a child process in its own process group, with
// its output in a file, and watches for processes it might start.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace e2e {

struct RunResult {
    bool exited = false;  // ended by itself (not killed at the deadline)
    int status = -1;      // exit status when exited normally, else -1
    std::string output;   // stdout and stderr
    std::chrono::milliseconds took{0};
    std::vector<pid_t> children;   // processes seen with the program as parent
    std::vector<pid_t> leftovers;  // processes of its group or reparented to us after it ended
    // Time from the first appearance of RunOptions::watchFor in the output to the end; -1 if never seen.
    std::chrono::milliseconds afterWatched{-1};
};

struct RunOptions {
    std::vector<std::string> args;              // without the program itself
    std::map<std::string, std::string> env;     // set (an empty value unsets)
    std::chrono::milliseconds deadline{30000};  // killed after this
    std::vector<std::string> wrapper;           // e.g. setpriv ... in front of the program
    std::string watchFor;                       // output text whose appearance is timed
};

// Makes this process the reaper of orphans, so a grandchild left behind by
// the program becomes our child and is seen. Call once before Run.
void BecomeSubreaper();

RunResult Run(const std::string& program, const RunOptions& options);

// The number after "script: threads LABEL " in the output, or -1.
int ThreadsAt(const std::string& output, const std::string& label);

}  // namespace e2e
