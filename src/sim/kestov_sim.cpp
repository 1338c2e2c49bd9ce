#include "sim/kestov_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <thread>

#include "sim/command_handler.h"
#include "sim/scan_reports.h"
#include "sim/wire_writer.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kMaxLine = 512;          // longer command lines are refused
constexpr auto kRestartPause = 300ms;          // ATZ / AT&F until the ready line
constexpr auto kIdleWait = 1000ms;             // poll bound when nothing is scheduled: an idle demo stays asleep
constexpr auto kMinReportWait = 1ms;           // high rates are written in batches
constexpr std::size_t kBacklogLimit = 16384;   // unsent bytes beyond which reports are dropped
constexpr std::size_t kMinPacedBacklog = 128;  // on a paced wire: about 100 ms worth, at least this
constexpr std::size_t kMaxBatch = 2000;        // reports per loop turn
constexpr std::size_t kDefaultPopulation = 12;
constexpr std::size_t kReportsBeforeStopped = 6;  // with SetReportsUntilStopped
constexpr auto kHangUpWait = 2s;

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

struct KestovSimulator::Impl {
    // ---- Shared with the owner, guarded by mu ----
    mutable std::mutex mu;
    mutable std::condition_variable cv;  // log growth, hang-up done
    SimState state;
    std::vector<SimDevice> devices = MakeDevices(kDefaultPopulation, 1);
    double rate = 20;
    int jitter = 0;
    bool uniqueAddresses = false;
    uint64_t nextUnique = 0;  // loop thread only
    unsigned paceBaud = 0;
    std::chrono::milliseconds replyDelay{0};
    bool echo = false, framed = false, split = false, silent = false, noise = false;
    std::vector<std::string> errorPrefixes;
    struct Delay {
        std::string prefix;
        std::chrono::milliseconds extra;
        std::size_t times;  // left; kEveryTime: no limit
    };
    std::vector<Delay> delayPrefixes;
    std::string stray;
    bool recordWire = false;
    std::string wireRecord;
    bool reportsUntilStopped = false;
    bool straddle = false;
    bool straddleHeadDue = false;  // the first head goes out from the loop
    std::vector<SimLogEntry> log;
    std::string path;
    bool hangUpRequested = false;
    bool hungUp = false;
    std::atomic<std::size_t> reportsSent{0};
    std::atomic<bool> stopping{false};

    // ---- Descriptors: made by Start, closed by Stop after the join ----
    int master = -1, slave = -1, wakeRead = -1, wakeWrite = -1;
    std::thread thread;

    // ---- Loop thread only ----
    struct Scheduled {
        Clock::time_point due;
        std::string bytes;
        bool afterReports = false;  // leaves after the queued reports
        std::size_t reports = 0;    // scan reports among the bytes
    };
    std::deque<Scheduled> scheduled;  // replies waiting for their time, in order
    WireWriter writer;
    std::string line;
    bool lineTooLong = false;
    bool masterDead = false;
    Clock::time_point restartUntil{};
    bool scanRunning = false;
    Clock::time_point nextReport{};
    double rateInUse = 0;
    std::size_t cursor = 0;
    SimRandom rng{0x5EED};
    unsigned noiseCount = 0;

    void ResetLoopState() {
        scheduled.clear();
        writer.Clear();
        line.clear();
        lineTooLong = false;
        masterDead = false;
        restartUntil = {};
        scanRunning = false;
        cursor = 0;
        noiseCount = 0;
    }

    void Wake() const {
        if (wakeWrite >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(wakeWrite, &byte, 1);
        }
    }

    std::string Frame(const std::string& text) const { return framed ? "\r\n" + text + "\r\n" : text + "\r"; }

    std::string NoiseLine() {
        if (noiseCount++ % 2 == 0) return "+NOISE\r";
        // Junk that starts with '#' so no reply form can mistake it for its own.
        std::string junk = "#";
        const uint32_t len = 3 + rng.Below(8);
        for (uint32_t i = 0; i < len; ++i) {
            char c;
            do {
                c = static_cast<char>(1 + rng.Below(255));
            } while (c == '\r' || c == '\n');
            junk += c;
        }
        return junk + "\r";
    }

    std::chrono::milliseconds TakeExtraDelayFor(const std::string& cmd) {
        std::chrono::milliseconds extra{0};
        for (Delay& d : delayPrefixes) {
            if (d.times == 0 || cmd.rfind(d.prefix, 0) != 0) continue;
            extra += d.extra;
            if (d.times != KestovSimulator::kEveryTime) --d.times;
        }
        return extra;
    }

    // The reports a scan still sends while its stop is on the way.
    std::string LastReports(std::size_t& count) {
        std::string out;
        count = 0;
        for (std::size_t i = 0; i < kReportsBeforeStopped; ++i) {
            const SimDevice* device = NextReportedDevice();
            if (!device) break;
            out += FormatScanReport(*device, device->rssi) + "\r";
            ++count;
        }
        return out;
    }

    // A report whose head is on the wire before a reply and whose tail
    // follows it: the head of the next one goes out right after the reply.
    std::string StraddlingReport() const {
        if (devices.empty()) return "+0A0B0C0D0E0F,-60,Straddle\r";
        return FormatScanReport(devices.front(), devices.front().rssi) + "\r";
    }
    std::string StraddleHead() const {
        const std::string r = StraddlingReport();
        return r.substr(0, r.size() / 2);
    }
    std::string StraddleTail() const {
        const std::string r = StraddlingReport();
        return r.substr(r.size() / 2);
    }

    bool MatchesErrorPrefix(const std::string& cmd) const {
        return std::any_of(errorPrefixes.begin(), errorPrefixes.end(),
                           [&](const std::string& p) { return cmd.rfind(p, 0) == 0; });
    }

    // One complete command line (caller holds mu).
    void HandleLine(Clock::time_point now) {
        log.push_back(SimLogEntry{now, line});
        cv.notify_all();
        if (now < restartUntil || silent) return;  // a restarting or mute module hears nothing
        if (echo) writer.Append(line + "\r");
        const bool stopsScan =
            reportsUntilStopped && state.scanning && line == "AT+STOPSCAN" && !silent && rate > 0 && !devices.empty();
        const CommandOutcome outcome =
            (lineTooLong || MatchesErrorPrefix(line)) ? CommandOutcome{kReplyError, false} : HandleCommand(state, line);
        auto due = now + replyDelay + TakeExtraDelayFor(line);
        if (outcome.restart) {
            due += kRestartPause;
            restartUntil = due;
        }
        if (!scheduled.empty()) due = std::max(due, scheduled.back().due);
        std::string bytes = Frame(outcome.reply);
        if (noise) bytes += NoiseLine();
        if (straddle) bytes = StraddleTail() + bytes + StraddleHead();
        bytes += stray;
        std::size_t reports = 0;
        if (stopsScan) bytes = LastReports(reports) + bytes;
        scheduled.push_back(Scheduled{due, std::move(bytes), stopsScan, reports});
        if (state.scanning && !scanRunning) {
            scanRunning = true;
            nextReport = due;  // reports follow the scanning reply
        }
    }

    void ReadCommands(Clock::time_point now) {
        char buf[4096];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
            masterDead = true;  // cannot happen while our own slave descriptor is open
            return;
        }
        std::lock_guard lock(mu);
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buf[i];
            if (c == '\n') continue;
            if (c != '\r') {
                if (line.size() < kMaxLine) {
                    line += c;
                } else {
                    lineTooLong = true;
                }
                continue;
            }
            if (!line.empty() || lineTooLong) HandleLine(now);
            line.clear();
            lineTooLong = false;
        }
    }

    void ReleaseDueReplies(Clock::time_point now) {
        while (!scheduled.empty() && scheduled.front().due <= now) {
            Scheduled& s = scheduled.front();
            if (s.afterReports) {
                writer.AppendBulk(s.bytes);
                reportsSent += s.reports;
            } else {
                writer.Append(s.bytes);
            }
            scheduled.pop_front();
        }
    }

    // Appends the reports that are due (caller holds mu).
    void EmitReports(Clock::time_point now) {
        if (!state.scanning) {
            scanRunning = false;
            return;
        }
        if (!scanRunning) {  // scanning set from outside
            scanRunning = true;
            nextReport = now;
        }
        if (rate <= 0 || silent || devices.empty()) return;
        const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
        if (rate != rateInUse) {
            rateInUse = rate;
            nextReport = std::min(nextReport, now + period);
        }
        if (now < nextReport) return;
        // A paced wire holds back little, like a module's UART buffer, so
        // reports are dropped rather than delivered seconds late.
        const std::size_t backlog =
            paceBaud > 0 ? std::max<std::size_t>(kMinPacedBacklog, paceBaud / 100) : kBacklogLimit;
        if (writer.Pending() > backlog) {
            nextReport = now + period;  // nobody reads: the module drops what it cannot send
            return;
        }
        std::size_t due = 1 + static_cast<std::size_t>((now - nextReport) / period);
        if (due > kMaxBatch) {
            due = kMaxBatch;
            nextReport = now + period;
        } else {
            nextReport += period * static_cast<long>(due);
        }
        std::string batch;
        std::size_t sent = 0;
        for (std::size_t i = 0; i < due && writer.Pending() + batch.size() <= backlog; ++i) {
            const SimDevice* device = NextReportedDevice();
            if (!device) break;
            int rssi = device->rssi;
            if (jitter > 0) rssi += static_cast<int>(rng.Below(2 * jitter + 1)) - jitter;
            rssi = std::clamp(rssi, -127, -1);
            if (uniqueAddresses) {
                // A device never seen before, with a name of the population.
                SimDevice fresh = *device;
                const uint64_t n = nextUnique++;
                for (int b = 0; b < 6; ++b) fresh.address[5 - b] = static_cast<uint8_t>(n >> (8 * b));
                fresh.address[0] |= 0xC0;
                batch += FormatScanReport(fresh, rssi);
            } else {
                batch += FormatScanReport(*device, rssi);
            }
            batch += '\r';
            ++sent;
            if (noise && sent % 5 == 0) batch += NoiseLine();
        }
        writer.AppendBulk(batch);
        reportsSent += sent;
    }

    const SimDevice* NextReportedDevice() {
        for (std::size_t tries = 0; tries < devices.size(); ++tries) {
            const SimDevice& d = devices[cursor++ % devices.size()];
            if (PassesNameFilter(state, d)) return &d;
        }
        return nullptr;
    }

    Clock::time_point NextWake(Clock::time_point now) const {
        auto until = now + kIdleWait;
        if (!scheduled.empty()) until = std::min(until, scheduled.front().due);
        if (!writer.WaitingForRoom()) until = std::min(until, writer.NextWriteAt());
        if (scanRunning && rateInUse > 0) until = std::min(until, std::max(nextReport, now + kMinReportWait));
        return std::max(until, now);
    }

    void Run() {
        while (!stopping.load()) {
            const auto now = Clock::now();
            {
                std::lock_guard lock(mu);
                if (hangUpRequested) break;
                writer.Configure(paceBaud, split);
                writer.SetRecording(recordWire);
                if (straddleHeadDue) {
                    writer.Append(StraddleHead());
                    straddleHeadDue = false;
                }
                if (!masterDead) {
                    ReleaseDueReplies(now);
                    EmitReports(now);
                }
            }
            if (!masterDead && !writer.Drain(master, now)) masterDead = true;
            if (std::string written = writer.TakeWritten(); !written.empty()) {
                std::lock_guard lock(mu);
                wireRecord += written;
            }

            const auto wait = NextWake(now) - Clock::now();
            const auto ns = std::max<long long>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count());
            const timespec timeout{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
            pollfd fds[2] = {{wakeRead, POLLIN, 0}, {master, 0, 0}};
            if (!masterDead) fds[1].events = POLLIN | (writer.WaitingForRoom() ? POLLOUT : 0);
            const nfds_t count = masterDead ? 1 : 2;
            if (::ppoll(fds, count, &timeout, nullptr) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (fds[0].revents & POLLIN) {
                char drain[64];
                while (::read(wakeRead, drain, sizeof drain) > 0) {
                }
            }
            if (!masterDead && (fds[1].revents & POLLIN)) ReadCommands(Clock::now());
        }
        std::lock_guard lock(mu);
        if (hangUpRequested) {
            // The program's side of the terminal sees the device vanish.
            CloseFd(master);
            hungUp = true;
            cv.notify_all();
        }
    }
};

KestovSimulator::KestovSimulator(const std::string& model) : m_impl(std::make_unique<Impl>()) {
    m_impl->state = DefaultState(model);
}

KestovSimulator::~KestovSimulator() { Stop(); }

bool KestovSimulator::Start(std::string* error) {
    Impl& d = *m_impl;
    if (d.thread.joinable()) return true;
    auto fail = [&](const std::string& text) {
        if (error) *error = text;
        CloseFd(d.master);
        CloseFd(d.slave);
        CloseFd(d.wakeRead);
        CloseFd(d.wakeWrite);
        return false;
    };
    // Raw from the start, so nothing is echoed or translated before the program
    // sets its own mode.
    termios tio{};
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&tio, B115200);
    if (::openpty(&d.master, &d.slave, nullptr, &tio, nullptr) != 0) return fail(ErrnoText("openpty"));
    // Keeping a slave descriptor open means the master never sees the line
    // drop when the program closes and reopens the port.
    ::fcntl(d.master, F_SETFL, ::fcntl(d.master, F_GETFL) | O_NONBLOCK);
    ::fcntl(d.master, F_SETFD, FD_CLOEXEC);
    ::fcntl(d.slave, F_SETFD, FD_CLOEXEC);
    char name[128] = {};
    if (::ttyname_r(d.slave, name, sizeof name) != 0 && ::ptsname_r(d.master, name, sizeof name) != 0)
        return fail(ErrnoText("ptsname"));
    int wake[2];
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) return fail(ErrnoText("pipe"));
    d.wakeRead = wake[0];
    d.wakeWrite = wake[1];

    d.ResetLoopState();
    d.reportsSent = 0;
    d.stopping = false;
    {
        std::lock_guard lock(d.mu);
        d.path = name;
        d.hangUpRequested = false;
        d.hungUp = false;
    }
    d.thread = std::thread([&d] { d.Run(); });
    return true;
}

void KestovSimulator::Stop() {
    Impl& d = *m_impl;
    if (d.thread.joinable()) {
        d.stopping = true;
        d.Wake();
        d.thread.join();
    }
    CloseFd(d.master);
    CloseFd(d.slave);
    CloseFd(d.wakeRead);
    CloseFd(d.wakeWrite);
}

std::string KestovSimulator::DevicePath() const {
    std::lock_guard lock(m_impl->mu);
    return m_impl->path;
}

SimState KestovSimulator::State() const {
    std::lock_guard lock(m_impl->mu);
    return m_impl->state;
}

void KestovSimulator::SetState(const SimState& state) {
    std::lock_guard lock(m_impl->mu);
    m_impl->state = state;
}

void KestovSimulator::SetScanDevices(std::vector<SimDevice> devices) {
    std::lock_guard lock(m_impl->mu);
    m_impl->devices = std::move(devices);
    m_impl->cursor = 0;
    m_impl->Wake();  // the running loop picks it up now, not at its next idle look
}

void KestovSimulator::SetScanRate(double reportsPerSecond) {
    std::lock_guard lock(m_impl->mu);
    m_impl->rate = std::max(0.0, reportsPerSecond);
    m_impl->Wake();  // the running loop picks it up now, not at its next idle look
}

void KestovSimulator::SetRssiJitter(int plusMinus) {
    std::lock_guard lock(m_impl->mu);
    m_impl->jitter = std::max(0, plusMinus);
}

void KestovSimulator::SetUniqueAddresses(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->uniqueAddresses = on;
}

void KestovSimulator::SetPaceBaud(unsigned baud) {
    std::lock_guard lock(m_impl->mu);
    m_impl->paceBaud = baud;
    m_impl->Wake();  // the running loop picks it up now, not at its next idle look
}

void KestovSimulator::SetReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_impl->mu);
    m_impl->replyDelay = std::max(delay, std::chrono::milliseconds(0));
}

void KestovSimulator::SetEcho(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->echo = on;
}

void KestovSimulator::SetFramedReplies(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->framed = on;
}

void KestovSimulator::SetSplitWrites(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->split = on;
    m_impl->Wake();  // the running loop picks it up now, not at its next idle look
}

void KestovSimulator::SetSilent(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->silent = on;
}

void KestovSimulator::SetNoise(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->noise = on;
}

void KestovSimulator::SetDelayFor(const std::string& commandPrefix, std::chrono::milliseconds extra,
                                  std::size_t times) {
    std::lock_guard lock(m_impl->mu);
    m_impl->delayPrefixes.push_back({commandPrefix, extra, times});
}

void KestovSimulator::SetStrayAfterReplies(const std::string& bytes) {
    std::lock_guard lock(m_impl->mu);
    m_impl->stray = bytes;
}

void KestovSimulator::SetReportsUntilStopped(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->reportsUntilStopped = on;
}

void KestovSimulator::SetReportStraddlesReplies(bool on) {
    std::lock_guard lock(m_impl->mu);
    if (on && !m_impl->straddle) m_impl->straddleHeadDue = true;
    m_impl->straddle = on;
    m_impl->Wake();
}

void KestovSimulator::SetErrorFor(const std::string& commandPrefix) {
    std::lock_guard lock(m_impl->mu);
    m_impl->errorPrefixes.push_back(commandPrefix);
}

void KestovSimulator::ClearErrors() {
    std::lock_guard lock(m_impl->mu);
    m_impl->errorPrefixes.clear();
    m_impl->delayPrefixes.clear();
}

void KestovSimulator::HangUp() {
    Impl& d = *m_impl;
    if (!d.thread.joinable()) return;
    std::unique_lock lock(d.mu);
    d.hangUpRequested = true;
    d.Wake();
    d.cv.wait_for(lock, kHangUpWait, [&d] { return d.hungUp; });
}

std::vector<SimLogEntry> KestovSimulator::Log() const {
    std::lock_guard lock(m_impl->mu);
    return m_impl->log;
}

std::vector<std::string> KestovSimulator::Commands() const {
    std::lock_guard lock(m_impl->mu);
    std::vector<std::string> out;
    out.reserve(m_impl->log.size());
    for (const SimLogEntry& e : m_impl->log) out.push_back(e.command);
    return out;
}

void KestovSimulator::ClearLog() {
    std::lock_guard lock(m_impl->mu);
    m_impl->log.clear();
}

bool KestovSimulator::WaitForCommands(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_impl->mu);
    return m_impl->cv.wait_for(lock, timeout, [&] { return m_impl->log.size() >= n; });
}

void KestovSimulator::SetRecordWire(bool on) {
    std::lock_guard lock(m_impl->mu);
    m_impl->recordWire = on;
    m_impl->wireRecord.clear();
}

std::string KestovSimulator::WireRecord() const {
    std::lock_guard lock(m_impl->mu);
    return m_impl->wireRecord;
}

std::size_t KestovSimulator::ReportsSent() const { return m_impl->reportsSent.load(); }

}  // namespace sim
