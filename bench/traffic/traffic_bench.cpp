// The traffic window under the worst traffic the wire can carry.
//
//   flood   a 10-second scan with the module paced at 115200 baud and more
//           reports than the wire takes, the traffic window open and
//           following the end: lines shown against lines the module sent,
//           the longest gap of a 10 ms timer on the window thread, and the
//           growth of the peak resident size
//   ring    the window's model, shown in a table, filled past its bound
//           (200,000 lines) in the tap's batch size: growth of the peak
//           resident size, time per batch with the view's share
//   soak    a long flood (default 600 s, 500 devices, paced at 115200 baud)
//           with the traffic window and the scan monitor open (sorted by the
//           last RSSI, eight devices plotted): resident size at 30 s and at
//           the end and its largest value after 30 s, and the gaps of a 10 ms
//           timer on the window thread (longest, 95th percentile); with
//           --prefill N the traffic view starts with N lines and the scan
//           monitor with N reports (as the late part of a long flood finds
//           them), so minutes of flood are not needed to reach a full ring
//
//   backlog the tap with the traffic view closed and no log, as it runs from
//           the port's open on: time per event on the engine's threads with
//           the bound of TrafficSession::kBacklogLines, the memory a full
//           backlog of scan reports holds, and a transaction's round trip
//           with no observer against one with the bounded recorder
//
// Each figure is measured in a process of its own, so one peak does not hide
// the other:
//
//   traffic_bench flood [seconds]
//   traffic_bench ring
//   traffic_bench soak [seconds] [devices] [--unique] [--prefill N]
//   traffic_bench backlog
#include "window_controls.h"
#include "link/comm.h"
#include "ops/traffic/traffic_recorder.h"
#include "sim/kestov_sim.h"
#include "ui/main/main_window.h"
#include "ui/monitor/rssi_plot.h"
#include "ui/monitor/scan_monitor_model.h"
#include "ui/monitor/scan_monitor_window.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"
#include "ui/traffic/traffic_model.h"
#include "ui/traffic/traffic_session.h"
#include "ui/traffic/traffic_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// Peak and current resident size of this process, in kB.
long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
    }
    return -1;
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

struct Gaps {
    double longestMs = 0;
    double p99Ms = 0;
    double p95Ms = 0;
    int over50 = 0;
    int over100 = 0;
};

// Runs the event loop for a while and measures the gaps between the ticks of
// a 10 ms timer on this (the window's) thread; `each` runs once a second.
Gaps TimerGaps(int runMs, const std::function<void(int second)>& each = {}) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    std::vector<double> gaps;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back((now - last) / 1e6);
        last = now;
    });
    tick.start();
    QTimer second;
    int seconds = 0;
    if (each) {
        second.setInterval(1000);
        QObject::connect(&second, &QTimer::timeout, [&] { each(++seconds); });
        second.start();
    }
    QEventLoop loop;
    QTimer::singleShot(runMs, &loop, &QEventLoop::quit);
    loop.exec();
    Gaps g;
    if (gaps.empty()) return g;
    std::sort(gaps.begin(), gaps.end());
    g.longestMs = gaps.back();
    g.p99Ms = gaps[gaps.size() * 99 / 100];
    g.p95Ms = gaps[gaps.size() * 95 / 100];
    g.over50 = static_cast<int>(std::count_if(gaps.begin(), gaps.end(), [](double x) { return x >= 50; }));
    g.over100 = static_cast<int>(std::count_if(gaps.begin(), gaps.end(), [](double x) { return x >= 100; }));
    return g;
}

// Scan report lines as the module sends them, for filling a view up front.
std::vector<TapEvent> SyntheticReports(std::size_t from, std::size_t count, std::size_t devices) {
    std::vector<TapEvent> events;
    events.reserve(count);
    for (std::size_t i = from; i < from + count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "+C04E30%06zX,-%zu,Dev%05zu\r", i % devices, 40 + (i % 50), i % devices);
        events.push_back({int64_t(i) * 1000000, TapDirection::Received, TapRoute::ScanReport, line, ""});
    }
    return events;
}

bool IsScanReportLine(const TapEvent& e) {
    return e.direction == TapDirection::Received && !e.bytes.empty() && e.bytes[0] == '+' && e.bytes.find(',') == 13;
}

// Starts the simulated module and answers the window's dialogs: the port
// dialog picks the module's port, messages go to stderr.
bool StartAndAnswerDialogs(sim::KestovSimulator& simulator) {
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    ComConfigDlg::SetModalSeam([&simulator](ComConfigDlg& dlg) {
        dlg.findChild<QComboBox*>(QStringLiteral("portCombo"))
            ->setEditText(QString::fromStdString(simulator.DevicePath()));
        dlg.accept();
        return dlg.result();
    });
    MessageBoxSeam::SetHandler(
        [](QWidget*, const QString& text, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
            std::fprintf(stderr, "message: %s\n", qPrintable(text));
            return QMessageBox::Ok;
        });
    return true;
}

int Flood(int seconds) {
    sim::KestovSimulator simulator("KESTOV-LV200");
    simulator.SetScanDevices(sim::KestovSimulator::MakeDevices(500));
    simulator.SetScanRate(20000);  // far more than 115200 baud carries
    simulator.SetPaceBaud(115200);
    if (!StartAndAnswerDialogs(simulator)) return 1;

    const long rssBefore = StatusKb("VmHWM");
    int status = 0;
    {
        CKESTOVLV2xxManagerDlg window;
        window.show();
        if (!WaitFor([&] { return Ctl(window, 1010)->isEnabled(); })) {
            std::fprintf(stderr, "no read-back\n");
            return 1;
        }
        window.findChild<QAction*>(QStringLiteral("cmdTraffic"))->trigger();
        TrafficModel& model = TrafficRows(window);
        // The machine's own noise: the same timer with the window open and idle.
        const Gaps idle = TimerGaps(2000);
        const std::size_t rowsBefore = model.Kept();
        const std::size_t sentBefore = simulator.ReportsSent();
        qobject_cast<QAbstractButton*>(Ctl(window, 1026))->click();
        const Gaps gap = TimerGaps(seconds * 1000);
        qobject_cast<QAbstractButton*>(Ctl(window, 1026))->click();
        WaitFor([&] { return Ctl(window, 1010)->isEnabled(); });
        // Reports that came in after the stop's reply wait in the engine until
        // the next command; a read-back sends them through.
        qobject_cast<QAbstractButton*>(Ctl(window, 1010))->click();
        WaitFor([&] { return Ctl(window, 1010)->isEnabled(); });
        TimerGaps(300);  // the last batch
        const std::size_t sent = simulator.ReportsSent() - sentBefore;
        std::size_t shown = 0;
        std::size_t bytes = 0;
        for (int r = 0; r < model.rowCount(); ++r) {
            const TapEvent& e = model.EventAt(r);
            if (IsScanReportLine(e)) {
                ++shown;
                bytes += e.bytes.size();
            }
        }
        const long rssAfter = StatusKb("VmHWM");
        std::printf(
            "flood: %d s at 115200 baud, %zu reports sent by the module, %zu shown (%zu lost), "
            "%.0f lines/s, %.0f bytes/s of reports\n",
            seconds, sent, shown, sent > shown ? sent - shown : 0, shown / double(seconds), bytes / double(seconds));
        std::printf("flood: rows in the view %d (%zu before the scan), dropped by the bound %llu\n", model.rowCount(),
                    rowsBefore, static_cast<unsigned long long>(model.Dropped()));
        std::printf(
            "flood: 10 ms timer on the window thread: longest gap %.1f ms (target < 50), 99th percentile "
            "%.1f ms, %d gaps of 50 ms or more; idle window before the scan: longest %.1f ms\n",
            gap.longestMs, gap.p99Ms, gap.over50, idle.longestMs);
        std::printf("flood: peak RSS growth %.1f MB (window, view and rows)\n", (rssAfter - rssBefore) / 1024.0);
        status = (sent == shown && gap.longestMs < 50) ? 0 : 3;
    }
    simulator.Stop();
    ComConfigDlg::SetModalSeam({});
    MessageBoxSeam::SetHandler({});
    return status;
}

int Soak(int seconds, std::size_t devices, bool unique, std::size_t prefill) {
    sim::KestovSimulator simulator("KESTOV-LV200");
    simulator.SetScanDevices(sim::KestovSimulator::MakeDevices(devices));
    simulator.SetScanRate(20000);  // far more than 115200 baud carries
    simulator.SetRssiJitter(8);
    simulator.SetUniqueAddresses(unique);
    simulator.SetPaceBaud(115200);
    if (!StartAndAnswerDialogs(simulator)) return 1;
    int status = 0;
    {
        CKESTOVLV2xxManagerDlg window;
        window.show();
        if (!WaitFor([&] { return Ctl(window, 1010)->isEnabled(); })) {
            std::fprintf(stderr, "no read-back\n");
            return 1;
        }
        window.findChild<QAction*>(QStringLiteral("cmdTraffic"))->trigger();
        OpenMonitor(window);
        ScanMonitorWindow* monitor = window.findChild<ScanMonitorWindow*>(QStringLiteral("scanMonitor"));
        // The tap's batch size; the view takes each batch as it would live.
        for (std::size_t n = 0; n < prefill; n += 1000) {
            TrafficRows(window).AppendBatch(SyntheticReports(n, std::min<std::size_t>(1000, prefill - n), devices));
            QCoreApplication::processEvents();
        }
        const long rssOpen = StatusKb("VmRSS");
        qobject_cast<QAbstractButton*>(Ctl(window, 1026))->click();
        if (!WaitFor([&] { return MonitorModel(monitor)->rowCount() >= static_cast<int>(RssiPlot::kMaxDevices); })) {
            std::fprintf(stderr, "the scan did not start\n");
            return 1;
        }
        if (prefill > 0) {
            // Fed on the window thread, where the scan's own reports arrive.
            auto& record = const_cast<ScanRecord&>(window.Ops().ScanRecording());
            const std::size_t population = unique ? ScanStats::kDefaultCapacity : devices;
            for (std::size_t i = 0; i < prefill; ++i) {
                char address[32];
                std::snprintf(address, sizeof address, "D0%010zX", i % population);
                record.Add(address, "Pre" + std::to_string(i % population), -40 - int(i % 50));
            }
            monitor->RefreshNow();
        }
        MonitorTable(monitor)->sortByColumn(ScanMonitorModel::LastRssi, Qt::DescendingOrder);
        QItemSelectionModel* selection = MonitorTable(monitor)->selectionModel();
        for (int row = 0; row < static_cast<int>(RssiPlot::kMaxDevices); ++row)
            selection->select(MonitorModel(monitor)->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        long rssAt30 = -1, rssMaxAfter30 = 0, rss = 0;
        const std::size_t sentBefore = simulator.ReportsSent();
        const Gaps gap = TimerGaps(seconds * 1000, [&](int second) {
            rss = StatusKb("VmRSS");
            if (second == 30) rssAt30 = rss;
            if (second >= 30) rssMaxAfter30 = std::max(rssMaxAfter30, rss);
            if (second % 30 == 0)
                std::printf("soak: %4d s  RSS %.1f MB  devices %zu  reports %llu\n", second, rss / 1024.0,
                            window.Ops().ScanRecording().Stats().Devices().size(),
                            static_cast<unsigned long long>(window.Ops().ScanRecording().Stats().TotalReports()));
            std::fflush(stdout);
        });
        const std::size_t sent = simulator.ReportsSent() - sentBefore;
        qobject_cast<QAbstractButton*>(Ctl(window, 1026))->click();
        WaitFor([&] { return Ctl(window, 1010)->isEnabled(); });
        std::printf(
            "soak: %d s flood at 115200 baud from %zu %s, traffic window and scan monitor open, "
            "%zu reports sent (%.0f/s), %zu lines and reports filled in before\n",
            seconds, devices, unique ? "ever-new addresses" : "devices", sent, sent / double(seconds), prefill);
        std::printf("soak: traffic rows kept %zu, dropped %llu; monitor rows %d\n", TrafficRows(window).Kept(),
                    static_cast<unsigned long long>(TrafficRows(window).Dropped()), MonitorModel(monitor)->rowCount());
        std::printf(
            "soak: RSS with both windows open before the scan %.1f MB, at 30 s %.1f MB, at the end %.1f MB, "
            "largest after 30 s %.1f MB (target: flat after 30 s, below 120 MB)\n",
            rssOpen / 1024.0, rssAt30 / 1024.0, rss / 1024.0, rssMaxAfter30 / 1024.0);
        std::printf(
            "soak: 10 ms timer on the window thread: longest gap %.1f ms (target < 100), 95th percentile "
            "%.1f ms, 99th %.1f ms, %d gaps of 50 ms or more, %d of 100 ms or more\n",
            gap.longestMs, gap.p95Ms, gap.p99Ms, gap.over50, gap.over100);
        status = gap.longestMs < 100 && rss < 120 * 1024 ? 0 : 3;
    }
    simulator.Stop();
    ComConfigDlg::SetModalSeam({});
    MessageBoxSeam::SetHandler({});
    return status;
}

double MedianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int Backlog() {
    // 1. The engine's share: OnTraffic of a scan report line with the bound.
    const std::vector<TapEvent> reports = SyntheticReports(0, 1000, 500);
    const int total = 2000000;
    const long before = StatusKb("VmRSS");
    std::size_t held = 0;
    double nsPerEvent = 0;
    uint64_t dropped = 0;
    {
        traffic::TrafficRecorder recorder;
        recorder.SetLimit(TrafficSession::kBacklogLines);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < total; ++i) recorder.OnTraffic(reports[static_cast<std::size_t>(i) % reports.size()]);
        nsPerEvent = static_cast<double>(t.nsecsElapsed()) / total;
        dropped = recorder.Dropped();
        const long full = StatusKb("VmRSS");
        const std::vector<TapEvent> kept = recorder.TakePending();
        for (const TapEvent& e : kept) held += sizeof(TapEvent) + e.bytes.capacity() + e.command.capacity();
        std::printf(
            "backlog: %d scan reports through the tap with the view closed: %zu kept (bound %zu), %llu "
            "dropped, %.0f ns per event\n",
            total, kept.size(), TrafficSession::kBacklogLines, static_cast<unsigned long long>(dropped), nsPerEvent);
        std::printf("backlog: a full backlog holds %.2f MB (events and their texts); resident size grew %.2f MB\n",
                    held / 1048576.0, (full - before) / 1024.0);
    }
    // 2. A transaction's round trip, without an observer and with the bounded recorder.
    sim::KestovSimulator module("KESTOV-LV200");
    std::string error;
    if (!module.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    module.SetScanDevices({});
    KestovLV2xxComm comm;
    std::error_code ec;
    comm.Open(ec, module.DevicePath(), 115200, 0, 0);
    if (ec) return 1;
    traffic::TrafficRecorder recorder;
    recorder.SetLimit(TrafficSession::kBacklogLines);
    std::vector<double> plain, tapped;
    for (int block = 0; block < 20; ++block) {
        for (const bool on : {false, true}) {
            comm.SetTap(on ? &recorder : nullptr);
            for (int i = 0; i < 100; ++i) {
                QElapsedTimer t;
                t.start();
                const auto reply = comm.SendCommand("AT+VER?\r", 8, ATCMD_VER_Q, 1200);
                if (ReplyCode(reply.get()) != ATRES_VERSION) return 1;
                (on ? tapped : plain).push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
            }
        }
    }
    comm.SetTap(nullptr);
    comm.Close();
    const double a = MedianOf(plain), b = MedianOf(tapped);
    std::printf(
        "backlog: round trip of AT+VER? (%zu each): median %.1f us without an observer, %.1f us with the "
        "bounded recorder (%+.1f%%)\n",
        plain.size(), a, b, (b - a) * 100.0 / a);
    return 0;
}

int Ring() {
    const long before = StatusKb("VmHWM");
    TrafficModel model;
    // Shown, as in the window, so the view's share of each batch counts.
    QTableView view;
    view.setModel(&model);
    view.resize(800, 400);
    view.show();
    const int total = 250000;
    const int batch = 1000;
    QElapsedTimer t;
    t.start();
    qint64 worstBatchNs = 0;
    for (int n = 0; n < total; n += batch) {
        std::vector<TapEvent> events;
        events.reserve(batch);
        for (int i = 0; i < batch; ++i) {
            char line[64];
            std::snprintf(line, sizeof line, "+C04E30%06X,-%d,Dev%05d\r", n + i, 40 + (i % 50), (n + i) % 100000);
            events.push_back({int64_t(n + i) * 1000000, TapDirection::Received, TapRoute::ScanReport, line, ""});
        }
        const qint64 start = t.nsecsElapsed();
        model.AppendBatch(std::move(events));
        QCoreApplication::processEvents();
        worstBatchNs = std::max(worstBatchNs, t.nsecsElapsed() - start);
    }
    const long after = StatusKb("VmHWM");
    std::printf("ring: %d lines appended in batches of %d, %zu kept, %llu dropped\n", total, batch, model.Kept(),
                static_cast<unsigned long long>(model.Dropped()));
    std::printf("ring: peak RSS growth %.1f MB (target < 60), slowest batch %.2f ms\n", (after - before) / 1024.0,
                worstBatchNs / 1e6);
    return (after - before) < 60 * 1024 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string mode = argc > 1 ? argv[1] : "";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    if (mode != "flood" && mode != "ring" && mode != "soak" && mode != "backlog") {
        std::fprintf(stderr,
                     "usage: traffic_bench flood [seconds] | ring | soak [seconds] [devices] [--unique] "
                     "[--prefill N] | backlog\n");
        return 2;
    }
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SettingsStore::UseFile(dir.filePath(QStringLiteral("bench.ini")));
    int status = 0;
    if (mode == "soak") {
        const std::size_t devices = argc > 3 ? static_cast<std::size_t>(std::atol(argv[3])) : 500;
        bool unique = false;
        std::size_t prefill = 0;
        for (int i = 4; i < argc; ++i) {
            if (std::string(argv[i]) == "--unique") unique = true;
            if (std::string(argv[i]) == "--prefill" && i + 1 < argc)
                prefill = static_cast<std::size_t>(std::atol(argv[++i]));
        }
        status = Soak(argc > 2 && seconds > 0 ? seconds : 600, devices > 0 ? devices : 500, unique, prefill);
    } else if (mode == "backlog") {
        status = Backlog();
    } else {
        status = mode == "ring" ? Ring() : Flood(seconds > 0 ? seconds : 10);
    }
    SettingsStore::UseFile(QString());
    return status;
}
