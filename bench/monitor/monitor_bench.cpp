// The scan monitor under load, in one process on the offscreen platform: the
// real main window against the simulated module (unpaced), 10,000 devices
// sending 1,000 reports a second, the monitor open with 8 devices plotted.
// It prints
//   - the longest gap of a 10 ms timer on the window thread during the scan
//   - the peak resident size
//   - the reports the module sent against the hits the monitor counted
//
//   monitor_bench [seconds=60] [reports-per-second=1000] [devices=10000]
#include "window_controls.h"
#include "ops/scan/scan_record.h"
#include "sim/kestov_sim.h"
#include "ui/main/main_window.h"
#include "ui/monitor/rssi_plot.h"
#include "ui/monitor/scan_monitor_model.h"
#include "ui/monitor/scan_monitor_window.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop until pred() holds or the time is up.
bool RunUntil(const std::function<bool()>& pred, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (pred()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    if (!pred()) loop.exec();
    return pred();
}

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const double rate = argc > 2 ? std::atof(argv[2]) : 1000;
    const std::size_t deviceCount = argc > 3 ? static_cast<std::size_t>(std::atol(argv[3])) : 10000;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    SettingsStore::UseFile(tmp.filePath(QStringLiteral("settings.ini")));
    int boxes = 0;
    MessageBoxSeam::SetHandler(
        [&](QWidget*, const QString& text, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
            ++boxes;
            std::fprintf(stderr, "unexpected message: %s\n", text.toLocal8Bit().constData());
            return QMessageBox::Ok;
        });

    sim::KestovSimulator module;
    module.SetScanDevices(sim::KestovSimulator::MakeDevices(deviceCount));
    module.SetScanRate(rate);
    module.SetRssiJitter(8);
    std::string error;
    if (!module.Start(&error)) {
        std::fprintf(stderr, "cannot start the simulated module: %s\n", error.c_str());
        return 1;
    }
    const QString path = QString::fromStdString(module.DevicePath());
    ComConfigDlg::SetModalSeam([path](ComConfigDlg& dlg) {
        dlg.findChild<QComboBox*>(QStringLiteral("portCombo"))->setEditText(path);
        dlg.accept();
        return dlg.result();
    });

    int status = 0;
    {
        CKESTOVLV2xxManagerDlg window;
        window.show();
        auto* scan = qobject_cast<QAbstractButton*>(Ctl(window, CKESTOVLV2xxManagerDlg::IDC_SCAN));
        if (!RunUntil([&] { return Ctl(window, CKESTOVLV2xxManagerDlg::IDC_REFRESH)->isEnabled(); }, 20000)) {
            std::fprintf(stderr, "no read-back\n");
            return 1;
        }
        OpenMonitor(window);
        ScanMonitorWindow* monitor = window.findChild<ScanMonitorWindow*>(QStringLiteral("scanMonitor"));
        const ScanRecord& record = window.Ops().ScanRecording();
        const long rssBefore = PeakRssKb();

        // The window thread's responsiveness: the longest wait between two
        // ticks of a 10 ms timer.
        QTimer stall;
        stall.setTimerType(Qt::PreciseTimer);
        stall.setInterval(10);
        Clock::time_point lastTick = Clock::now();
        Clock::duration maxGap{};
        QObject::connect(&stall, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            maxGap = std::max(maxGap, now - lastTick);
            lastTick = now;
        });

        scan->click();
        if (!RunUntil([&] { return record.Stats().Devices().size() >= RssiPlot::kMaxDevices; }, 20000)) {
            std::fprintf(stderr, "the scan did not start\n");
            return 1;
        }
        const auto started = Clock::now();
        lastTick = started;
        stall.start();
        // Sorted by the newest RSSI, so rows move all the time, with the
        // first eight rows plotted.
        MonitorTable(monitor)->sortByColumn(ScanMonitorModel::LastRssi, Qt::DescendingOrder);
        RunFor(200);
        QItemSelectionModel* selection = MonitorTable(monitor)->selectionModel();
        for (int row = 0; row < static_cast<int>(RssiPlot::kMaxDevices); ++row)
            selection->select(MonitorModel(monitor)->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        RunFor(seconds * 1000 - 200);
        stall.stop();
        const double scanSeconds = std::chrono::duration<double>(Clock::now() - started).count();

        // The module goes quiet; everything it sent must be counted.
        module.SetScanRate(0);
        RunUntil([&] { return record.Stats().TotalReports() == module.ReportsSent(); }, 20000);
        monitor->RefreshNow();
        uint64_t hits = 0;
        for (const ScanDeviceStats& d : record.Stats().Devices()) hits += d.hits;
        const std::size_t sent = module.ReportsSent();

        std::printf("scan monitor, %zu devices at %.0f reports/s for %.1f s (unpaced), 8 devices plotted\n",
                    deviceCount, rate, scanSeconds);
        std::printf("  longest gap of a 10 ms timer on the window thread: %.1f ms - target < 50 ms\n",
                    std::chrono::duration<double, std::milli>(maxGap).count());
        std::printf("  peak resident size: %.1f MB before the scan, %.1f MB after - target < 150 MB\n",
                    static_cast<double>(rssBefore) / 1024.0, static_cast<double>(PeakRssKb()) / 1024.0);
        std::printf("  reports sent by the module: %zu; hits counted: %llu (%s); devices: %zu of %zu; rows shown: %d\n",
                    sent, static_cast<unsigned long long>(hits), hits == sent ? "all counted" : "MISMATCH",
                    record.Stats().Devices().size(), deviceCount, MonitorModel(monitor)->rowCount());
        std::printf("  achieved rate: %.0f reports/s\n", static_cast<double>(sent) / scanSeconds);
        if (hits != sent || boxes != 0) status = 1;

        scan->click();
        RunUntil([&] { return Ctl(window, CKESTOVLV2xxManagerDlg::IDC_REFRESH)->isEnabled(); }, 20000);
    }
    module.Stop();
    ComConfigDlg::SetModalSeam({});
    MessageBoxSeam::SetHandler({});
    return status;
}
