// kestov-sim: runs a simulated KESTOV LV2xx module on a pseudo-terminal until
// interrupted, so the program (or a terminal) can be pointed at its device path.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/kestov_sim.h"

namespace {

struct Options {
    std::string model = "KESTOV-LV200";
    std::string link;
    double rate = 20;
    long devices = 12;
    unsigned paceBaud = 0;
    bool echo = false;
    bool framed = false;
    bool scanning = false;
    bool straddle = false;
    bool unique = false;
    long delayMs = 0;
};

void PrintUsage(FILE* out) {
    std::fputs(
        "Usage: kestov-sim [options]\n"
        "Simulates a KESTOV LV2xx module on a pseudo-terminal and prints its device path.\n"
        "Runs until interrupted (SIGINT or SIGTERM).\n\n"
        "  --model TEXT     model text the module reports (default KESTOV-LV200)\n"
        "  --link PATH      also make PATH a symbolic link to the device (removed on exit)\n"
        "  --rate N         scan reports per second (default 20)\n"
        "  --devices N      number of simulated devices around (default 12)\n"
        "  --unique         every scan report from an address not reported before\n"
        "  --pace-baud B    send at the speed of B baud (default: as fast as possible)\n"
        "  --echo           echo each command line before the reply\n"
        "  --framed         send replies as CR LF text CR LF\n"
        "  --delay-ms N     wait N ms before each reply\n"
        "  --scanning       start scanning at once, as a module left scanning would\n"
        "  --straddle       keep a scan report half sent whenever a command arrives\n"
        "  --help           show this text\n"
        "  --version        show the version\n",
        out);
}

bool ParseNumber(const char* text, double min, double max, double& out) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || value < min || value > max) return false;
    out = value;
    return true;
}

// Returns 0 to run, 1 after --help or --version, 2 on a usage error.
int ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        double n = 0;
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 1;
        } else if (arg == "--version") {
            std::printf("kestov-sim %s\n", KESTOV_SIM_VERSION);
            return 1;
        } else if (arg == "--echo") {
            o.echo = true;
        } else if (arg == "--framed") {
            o.framed = true;
        } else if (arg == "--scanning") {
            o.scanning = true;
        } else if (arg == "--straddle") {
            o.straddle = true;
        } else if (arg == "--unique") {
            o.unique = true;
        } else if (arg == "--model" && value(v)) {
            o.model = v;
        } else if (arg == "--link" && value(v)) {
            o.link = v;
        } else if (arg == "--rate" && value(v) && ParseNumber(v, 0, 1e6, n)) {
            o.rate = n;
        } else if (arg == "--devices" && value(v) && ParseNumber(v, 0, 1e6, n)) {
            o.devices = static_cast<long>(n);
        } else if (arg == "--pace-baud" && value(v) && ParseNumber(v, 0, 1e8, n)) {
            o.paceBaud = static_cast<unsigned>(n);
        } else if (arg == "--delay-ms" && value(v) && ParseNumber(v, 0, 600000, n)) {
            o.delayMs = static_cast<long>(n);
        } else {
            std::fprintf(stderr, "kestov-sim: bad option or value: %s\n", arg.c_str());
            PrintUsage(stderr);
            return 2;
        }
    }
    return 0;
}

// Replaces an existing symbolic link at `link`, never a regular file.
bool MakeLink(const std::string& target, const std::string& link) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "kestov-sim: %s exists and is not a symbolic link\n", link.c_str());
            return false;
        }
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "kestov-sim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int rc = ParseOptions(argc, argv, o); rc != 0) return rc == 1 ? 0 : 2;

    // Block the stop signals before any thread starts, then wait for them here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::KestovSimulator module(o.model);
    module.SetScanDevices(sim::KestovSimulator::MakeDevices(static_cast<std::size_t>(o.devices)));
    module.SetScanRate(o.rate);
    module.SetPaceBaud(o.paceBaud);
    module.SetEcho(o.echo);
    module.SetFramedReplies(o.framed);
    module.SetReplyDelay(std::chrono::milliseconds(o.delayMs));
    module.SetReportStraddlesReplies(o.straddle);
    module.SetUniqueAddresses(o.unique);
    if (o.scanning) {
        sim::SimState state = module.State();
        state.scanning = true;
        module.SetState(state);
    }

    std::string error;
    if (!module.Start(&error)) {
        std::fprintf(stderr, "kestov-sim: %s\n", error.c_str());
        return 1;
    }
    const std::string path = module.DevicePath();
    if (!o.link.empty() && !MakeLink(path, o.link)) {
        module.Stop();
        return 1;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);

    module.Stop();
    if (!o.link.empty()) {
        // Only remove the link if it is still ours.
        char target[256] = {};
        const ssize_t n = ::readlink(o.link.c_str(), target, sizeof target - 1);
        if (n > 0 && path == std::string(target, static_cast<std::size_t>(n))) ::unlink(o.link.c_str());
    }
    return 0;
}
