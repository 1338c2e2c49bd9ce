// The main window's jobs against a simulated module paced at 115200 baud in
// both directions, and what the connected program does while nothing happens.
//
//   jobs    each job clicked N times (default 7): click to the result shown
//           (fields filled and the window enabled again, the result box, the
//           Scan/Stop button), against the wire time of every byte exchanged
//           (10 bits per byte: the commands, and what the module sent, scan
//           reports included) plus the pauses the module needs between
//           commands; also click to the first command at the module
//   idle    wake-ups per second of the window thread (timer events it
//           handles, context switches) and of each thread of the process,
//           connected and idle: no other window, the traffic view open, the
//           scan monitor open too
//
//   window_bench [runs] [idle-seconds=10]
#include "window_controls.h"
#include "sim/kestov_sim.h"
#include "ui/main/main_window.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kBaud = 115200;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

void Click(CKESTOVLV2xxManagerDlg& window, int id) { qobject_cast<QAbstractButton*>(Ctl(window, id))->click(); }

bool Enabled(CKESTOVLV2xxManagerDlg& window, int id) { return Ctl(window, id)->isEnabled(); }

// The pauses the module needs around a command (the step table's rows).
double PauseMsOf(const std::string& command) {
    if (command.rfind("AT+SETSLOT=", 0) == 0 || command.rfind("AT+DELSLOT=", 0) == 0) return 100;
    if (command.rfind("AT+BEACON=", 0) == 0 || command.rfind("AT+UCBEACON=", 0) == 0) return 200;
    if (command == "AT+STARTSCAN") return 500;
    return 0;
}

struct Sample {
    double shownMs = 0;      // click to the result shown
    double firstCmdMs = 0;   // click to the first command at the module
    double afterLastMs = 0;  // the last command at the module to the result shown
    double wireMs = 0;       // bytes both ways at the baud rate
    double pauseMs = 0;      // the module's pauses
    std::size_t commands = 0;
};

struct Job {
    const char* name;
    std::function<void(CKESTOVLV2xxManagerDlg&)> prepare;  // before the click (not timed)
    int button;
    std::function<bool(CKESTOVLV2xxManagerDlg&, bool boxSeen)> shown;
    std::function<void(CKESTOVLV2xxManagerDlg&)> settle;  // after the sample (not timed)
};

void SetText(CKESTOVLV2xxManagerDlg& window, int id, const QString& text) {
    qobject_cast<QLineEdit*>(Ctl(window, id))->setText(text);
}

QString ButtonText(CKESTOVLV2xxManagerDlg& window, int id) {
    return qobject_cast<QAbstractButton*>(Ctl(window, id))->text();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Context switches of each thread of this process, by thread id.
std::map<std::string, std::pair<std::string, long>> ThreadSwitches() {
    std::map<std::string, std::pair<std::string, long>> out;
    for (const QString& tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const std::string base = "/proc/self/task/" + tid.toStdString();
        std::ifstream status(base + "/status");
        std::string line, name;
        long switches = 0;
        while (std::getline(status, line)) {
            if (line.rfind("Name:", 0) == 0) name = line.substr(line.find_first_not_of(" \t", 5));
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                switches += std::atol(line.c_str() + line.find(':') + 1);
        }
        out[tid.toStdString()] = {name, switches};
    }
    return out;
}

// Counts the timer events the window thread handles.
class TimerCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Timer) {
            ++count;
            ++byClass[std::string(watched->metaObject()->className()) + "/" + watched->objectName().toStdString()];
        }
        return QObject::eventFilter(watched, e);
    }
    long count = 0;
    std::map<std::string, long> byClass;  // who got them
};

void Idle(const char* label, int seconds, const std::string& simThreadNote) {
    // Let whatever the last action started run out first.
    QEventLoop settle;
    QTimer::singleShot(1500, &settle, &QEventLoop::quit);
    settle.exec();

    TimerCounter counter;
    qApp->installEventFilter(&counter);
    const auto before = ThreadSwitches();
    const std::string mainTid = std::to_string(::getpid());
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const auto after = ThreadSwitches();
    qApp->removeEventFilter(&counter);

    // The end of the measurement is one timer event and one wake-up of its own.
    const double timers = static_cast<double>(counter.count - 1) / seconds;
    const long mainSwitches = after.at(mainTid).second - before.at(mainTid).second - 1;
    std::printf("  %-34s window thread: %5.2f timer events/s, %5.2f wake-ups/s\n", label, timers,
                static_cast<double>(mainSwitches) / seconds);
    std::string receivers;
    for (const auto& [who, n] : counter.byClass) receivers += " " + who + " " + std::to_string(n);
    if (!receivers.empty()) std::printf("  %-34s timer events went to:%s\n", "", receivers.c_str());
    std::string others;
    for (const auto& [tid, entry] : after) {
        if (tid == mainTid) continue;
        const auto was = before.find(tid);
        const long d = entry.second - (was == before.end() ? 0 : was->second.second);
        char part[96];
        std::snprintf(part, sizeof part, "%s%s %.2f/s", others.empty() ? "" : ", ", entry.first.c_str(),
                      static_cast<double>(d) / seconds);
        others += part;
    }
    std::printf("  %-34s other threads: %s%s\n", "", others.c_str(), simThreadNote.c_str());
}

int Run(int runs, int idleSeconds) {
    sim::KestovSimulator simulator("KESTOV-LV200");
    simulator.SetScanDevices(sim::KestovSimulator::MakeDevices(20));
    simulator.SetScanRate(20);
    simulator.SetPaceBaud(kBaud);
    simulator.SetRecordWire(true);
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    ComConfigDlg::SetModalSeam([&](ComConfigDlg& dlg) {
        dlg.findChild<QComboBox*>()->setEditText(QString::fromStdString(simulator.DevicePath()));
        dlg.accept();
        return dlg.result();
    });
    bool boxSeen = false;
    Clock::time_point boxAt;
    std::size_t wireBefore = 0, wireAtBox = 0;  // bytes the module sent, as recorded
    std::map<std::string, std::string> boxOf;   // the box each job ended with
    std::string boxText;
    MessageBoxSeam::SetHandler(
        [&](QWidget*, const QString& text, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
            if (!boxSeen) {
                boxAt = Clock::now();
                wireAtBox = simulator.WireRecord().size();
                boxText = text.toStdString();
            }
            boxSeen = true;
            return QMessageBox::Ok;
        });

    CKESTOVLV2xxManagerDlg window;
    window.show();
    if (!WaitFor([&] { return Enabled(window, CKESTOVLV2xxManagerDlg::IDC_REFRESH); })) {
        std::fprintf(stderr, "no read-back\n");
        return 1;
    }

    using Dlg = CKESTOVLV2xxManagerDlg;
    auto enabledAgain = [](Dlg& w, bool) { return w.isEnabled() && Ctl(w, Dlg::IDC_REFRESH)->isEnabled(); };
    auto box = [](Dlg&, bool seen) { return seen; };
    auto readBackDone = [](Dlg& w) { WaitFor([&] { return Ctl(w, Dlg::IDC_REFRESH)->isEnabled(); }); };
    int nameRound = 0;
    const std::vector<Job> jobs = {
        {"Refresh Info.", {}, Dlg::IDC_REFRESH, enabledAgain, {}},
        {"Change name", [&](Dlg& w) { SetText(w, Dlg::IDC_DEVICE_NAME, QStringLiteral("Bench%1").arg(++nameRound)); },
         Dlg::IDC_CHANGE_NAME, box, readBackDone},
        {"Advertising interval",
         [&](Dlg& w) { SetText(w, Dlg::IDC_ADV_INTERVAL, QString::number(100 + (++nameRound % 50))); },
         Dlg::IDC_ADV_SAVE, box, readBackDone},
        {"UART options", {}, Dlg::IDC_UART_APPLY, box, readBackDone},
        {"Slots save",
         [&](Dlg& w) {
             SetText(w, Dlg::IDC_SLOT_ADDRESS_1, QStringLiteral("C04E30000001"));
             SetText(w, Dlg::IDC_SLOT_TAG_1, QStringLiteral("T%1").arg(++nameRound % 10));
         },
         Dlg::IDC_SLOTS_SAVE, box, readBackDone},
        {"Beacon save", {}, Dlg::IDC_BEACON_SAVE, box, readBackDone},
        {"Scan start",
         {},
         Dlg::IDC_SCAN,
         [](Dlg& w, bool) { return ButtonText(w, Dlg::IDC_SCAN).contains(QStringLiteral("Stop")); },
         {}},
        {"Scan stop",
         {},
         Dlg::IDC_SCAN,
         [](Dlg& w, bool) {
             return ButtonText(w, Dlg::IDC_SCAN).contains(QStringLiteral("Scan")) &&
                    Ctl(w, Dlg::IDC_REFRESH)->isEnabled();
         },
         {}},
    };

    std::printf(
        "window jobs at %u baud both ways, %d runs each (median / max; ratio = shown / "
        "(wire + pauses); target: shown <= 1.2 x (wire + pauses) + 10 ms)\n",
        kBaud, runs);
    std::map<std::string, std::vector<Sample>> samples;
    for (int r = 0; r < runs; ++r) {
        for (const Job& job : jobs) {
            if (job.prepare) job.prepare(window);
            if (!WaitFor([&] { return Enabled(window, job.button); })) {
                std::fprintf(stderr, "%s: the button stays disabled\n", job.name);
                return 1;
            }
            simulator.ClearLog();
            wireBefore = simulator.WireRecord().size();
            boxSeen = false;
            const Clock::time_point clicked = Clock::now();
            Click(window, job.button);
            if (!WaitFor([&] { return job.shown(window, boxSeen); })) {
                std::fprintf(stderr, "%s: no result shown\n", job.name);
                return 1;
            }
            const Clock::time_point shownAt = boxSeen ? boxAt : Clock::now();
            const std::size_t moduleBytes = (boxSeen ? wireAtBox : simulator.WireRecord().size()) - wireBefore;
            Sample s;
            s.shownMs = Ms(shownAt - clicked);
            const std::vector<sim::SimLogEntry> log = simulator.Log();
            // Only the commands up to the result belong to this job; what the
            // module sent meanwhile (replies and scan reports) as recorded.
            std::size_t bytes = moduleBytes;
            for (const sim::SimLogEntry& e : log) {
                if (e.at > shownAt) break;
                if (s.commands == 0) s.firstCmdMs = Ms(e.at - clicked);
                ++s.commands;
                s.afterLastMs = Ms(shownAt - e.at);
                bytes += e.command.size() + 1;
                s.pauseMs += PauseMsOf(e.command);
            }
            s.wireMs = bytes * 10.0 * 1000.0 / kBaud;
            samples[job.name].push_back(s);
            if (boxSeen) boxOf[job.name] = boxText;
            if (job.settle) job.settle(window);
        }
    }
    for (const Job& job : jobs) {
        const std::vector<Sample>& v = samples[job.name];
        std::vector<double> shown, first, ratio, afterLast;
        double worstRatio = 0, maxShown = 0;
        for (const Sample& s : v) {
            shown.push_back(s.shownMs);
            first.push_back(s.firstCmdMs);
            afterLast.push_back(s.afterLastMs);
            const double budget = s.wireMs + s.pauseMs;
            ratio.push_back(s.shownMs / budget);
            worstRatio = std::max(worstRatio, s.shownMs / budget);
            maxShown = std::max(maxShown, s.shownMs);
        }
        const Sample& last = v.back();
        const double budget = last.wireMs + last.pauseMs;
        std::printf(
            "  %-21s %2zu cmds  wire %6.1f + pauses %5.0f ms | shown %6.1f / %6.1f ms | ratio %.2f / %.2f"
            " | target %6.1f ms %s | first command after %.1f ms, shown %.1f ms after the last\n",
            job.name, last.commands, last.wireMs, last.pauseMs, Median(shown), maxShown, Median(ratio), worstRatio,
            1.2 * budget + 10, maxShown <= 1.2 * budget + 10 ? "met" : "MISSED", Median(first), Median(afterLast));
        if (boxOf.count(job.name)) std::printf("  %-21s (shown: \"%s\")\n", "", boxOf[job.name].c_str());
    }

    std::printf("idle, connected, %d s each (the simulated module runs in this process: its thread is listed)\n",
                idleSeconds);
    Idle("main window only", idleSeconds, "");
    window.findChild<QAction*>(QStringLiteral("cmdTraffic"))->trigger();
    Idle("with the traffic view", idleSeconds, "");
    OpenMonitor(window);
    Idle("with the traffic view and monitor", idleSeconds, "");
    window.close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    SettingsStore::UseFile(home.filePath(QStringLiteral("bench.ini")));
    const int status = Run(runs, idleSeconds);
    SettingsStore::UseFile(QString());
    return status;
}
