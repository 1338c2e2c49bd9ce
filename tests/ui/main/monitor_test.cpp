// The scan monitor beside the real main window during a simulated scan.
#include "window_fixture.h"

#include "sim_slots.h"

#include "ops/scan/scan_csv.h"
#include "plot_lines.h"
#include "window_controls.h"
#include "ui/monitor/rssi_plot.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/monitor/scan_monitor_model.h"
#include "ui/monitor/monitor_text.h"
#include "ui/monitor/scan_monitor_window.h"
#include "ui/shell/strings.h"

#include "link/file_io.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <sys/stat.h>

#include <cerrno>

using namespace mainwin_test;
using testsupport::PlotLines;
using testsupport::PlotPoints;

class MonitorTest : public WindowTest {
protected:
    void TearDown() override {
        FileDialogSeam::SetHandler({});
        WindowTest::TearDown();
    }
    ScanMonitorWindow* OpenMonitor() {
        auto* action = m_win->findChild<QAction*>(QStringLiteral("cmdScanMonitor"));
        EXPECT_NE(action, nullptr);
        if (action) action->trigger();
        return m_win->findChild<ScanMonitorWindow*>(QStringLiteral("scanMonitor"));
    }
    static ScanMonitorModel& Model(ScanMonitorWindow* m) { return *MonitorModel(m); }
    static QString Cell(ScanMonitorWindow* m, int row, int column) {
        return Model(m).index(row, column).data().toString();
    }
    static int RowOfAddress(ScanMonitorWindow* m, const QString& address) {
        for (int r = 0; r < Model(m).rowCount(); ++r)
            if (Cell(m, r, ScanMonitorModel::Address) == address) return r;
        return -1;
    }
    static void SelectAddresses(ScanMonitorWindow* m, const QStringList& addresses) {
        QItemSelectionModel* s = MonitorTable(m)->selectionModel();
        s->clearSelection();
        for (const QString& a : addresses)
            s->select(Model(m).index(RowOfAddress(m, a), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static QStringList SelectedAddresses(ScanMonitorWindow* m) {
        QStringList out;
        for (const QModelIndex& i : MonitorTable(m)->selectionModel()->selectedRows()) out << i.data().toString();
        out.sort();
        return out;
    }
    // Exports through the button, answering the file dialog; the file's records.
    std::vector<std::vector<std::string>> Export(ScanMonitorWindow* m, const char* button, const QString& name) {
        const QString path = m_tmp.filePath(name);
        FileDialogSeam::SetHandler([path](QWidget*, const FileDialogSeam::Request&) { return path; });
        m->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return scan_csv::Parse(file.readAll().toStdString());
    }
};

TEST_F(MonitorTest, FollowsEveryReportPlotsTheSelectionExportsAndAssignsToASlot) {
    const QString door = QStringLiteral("C01122334401"), node = QStringLiteral("C01122334402"),
                  sensor = QStringLiteral("C01122334403");
    StartSim().SetScanDevices({Device(1, "Door", -40), Device(2, "Node,B \"x\"", -60), Device(3, "센서", -70)});
    m_sim->SetRssiJitter(5);
    OpenWindow();
    // The main list keeps its threshold; the monitor counts every report.
    Click(1027);
    Edit(1028)->setText(QStringLiteral("-50"));
    ScanMonitorWindow* mon = OpenMonitor();
    ASSERT_NE(mon, nullptr);
    EXPECT_TRUE(mon->isVisible());
    Click(1026);
    auto hitsAtLeast = [&](int n) {
        if (Model(mon).rowCount() != 3) return false;
        for (int r = 0; r < 3; ++r)
            if (Cell(mon, r, ScanMonitorModel::Hits).toInt() < n) return false;
        return true;
    };
    ASSERT_TRUE(WaitFor([&] { return hitsAtLeast(3); }));
    EXPECT_EQ(qobject_cast<QTableView*>(W(1007))->model()->rowCount(), 1);

    // Sorted, with two devices selected: the plot follows them live and the
    // selection survives the updates.
    MonitorTable(mon)->sortByColumn(ScanMonitorModel::LastRssi, Qt::DescendingOrder);
    SelectAddresses(mon, {door, sensor});
    ASSERT_EQ(PlotLines(*MonitorPlot(mon)), 2u);
    const int points = PlotPoints(*MonitorPlot(mon), 0);
    ASSERT_TRUE(WaitFor([&] { return PlotPoints(*MonitorPlot(mon), 0) > points + 3 && hitsAtLeast(points + 3); }));
    EXPECT_EQ(SelectedAddresses(mon), (QStringList{door, sensor}));
    EXPECT_FALSE(MonitorAssign(mon)->isEnabled()) << "the slot rows are locked while scanning";

    mon->findChild<QLineEdit*>(QStringLiteral("monitorFilter"))->setText(QStringLiteral("센서"));
    EXPECT_EQ(Model(mon).rowCount(), 1);
    mon->findChild<QLineEdit*>(QStringLiteral("monitorFilter"))->clear();

    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    mon->RefreshNow();
    const ScanRecord& record = m_win->Ops().ScanRecording();
    uint64_t hits = 0;
    for (int r = 0; r < Model(mon).rowCount(); ++r) hits += Cell(mon, r, ScanMonitorModel::Hits).toULongLong();
    EXPECT_EQ(hits, record.Stats().TotalReports());

    const auto table = Export(mon, "monitorExportTable", QStringLiteral("table.csv"));
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0][0], "address");
    for (std::size_t i = 1; i < table.size(); ++i)
        EXPECT_EQ(QString::fromStdString(table[i][0]), Cell(mon, static_cast<int>(i - 1), 0)) << "in table order";
    const auto nodeRow = std::find_if(table.begin(), table.end(), [](const auto& r) { return r[0] == "C01122334402"; });
    ASSERT_NE(nodeRow, table.end());
    EXPECT_EQ((*nodeRow)[1], "Node,B \"x\"");
    const auto reports = Export(mon, "monitorExportReports", QStringLiteral("reports.csv"));
    EXPECT_EQ(reports.size(), record.Stats().TotalReports() + 1);

    // Assign to slot: the first empty row, then "=>"'s own refusal.
    SelectAddresses(mon, {node});
    mon->RefreshNow();
    ASSERT_TRUE(MonitorAssign(mon)->isEnabled());
    MonitorAssign(mon)->trigger();
    EXPECT_EQ(Edit(1061)->text(), node);
    EXPECT_TRUE(Edit(1061)->isReadOnly());
    EXPECT_EQ(Edit(1043)->text(), QStringLiteral("Node,B \""));
    MonitorAssign(mon)->trigger();
    EXPECT_EQ(NextBoxId(), 120);
    SelectAddresses(mon, {sensor});
    MonitorAssign(mon)->trigger();
    EXPECT_EQ(Edit(1062)->text(), sensor);
    EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(MonitorTest, AssignSkipsRowsTheModelLacksAndSaysWhenNoneIsFree) {
    // An LV230 with its seven slots in use: row 8 exists on screen but not on the module.
    sim::SimState s = sim::DefaultState("KESTOV-LV230");
    for (uint8_t n = 1; n <= 7; ++n) SetSimSlot(s, n, {0xAA, 0, 0, 0, 0, n}, "");
    StartSim("KESTOV-LV230").SetState(s);
    m_sim->SetScanDevices({Device(9, "Lamp", -50)});
    OpenWindow();
    ScanMonitorWindow* mon = OpenMonitor();
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Model(mon).rowCount() == 1; }));
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    SelectAddresses(mon, {QStringLiteral("C01122334409")});
    mon->RefreshNow();
    MonitorAssign(mon)->trigger();
    ASSERT_TRUE(WaitFor([&] { return !m_boxes.empty(); }));
    EXPECT_EQ(TakeBoxes().front().text, MonitorTr("Every slot row holds a device. Empty one with \"X\" first."));
    EXPECT_TRUE(Edit(1068)->text().isEmpty());

    Click(1036);  // "X" on row 3
    MonitorAssign(mon)->trigger();
    EXPECT_EQ(Edit(1063)->text(), QStringLiteral("C01122334409"));
    EXPECT_TRUE(TakeBoxes().empty());
}

// Nothing arriving, nothing to draw: the monitor has no timer running, and
// the next report still reaches it without one.
TEST_F(MonitorTest, SleepsWhileNoReportArrivesAndWakesForTheNext) {
    StartSim().SetScanDevices({Device(1, "Door", -40), Device(2, "Node", -60)});
    OpenWindow();
    ScanMonitorWindow* mon = OpenMonitor();
    ASSERT_NE(mon, nullptr);
    auto timersRunning = [mon] {
        int n = 0;
        for (const QTimer* t : mon->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
            n += t->isActive() ? 1 : 0;
        return n;
    };
    EXPECT_TRUE(WaitFor([&] { return timersRunning() == 0; })) << "idle before any scan";
    auto* scan = qobject_cast<QAbstractButton*>(W(1026));
    // Each scan starts the record over, and its reports are shown.
    for (int round = 0; round < 2; ++round) {
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return scan->text() == QStringLiteral("Stop"); }));
        ASSERT_TRUE(WaitFor([&] { return Model(mon).rowCount() == 2; }));
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
        EXPECT_TRUE(WaitFor([&] { return timersRunning() == 0; })) << "idle after scan " << round;
    }
}

TEST_F(MonitorTest, SpeaksKorean) {
    SetKoreanUiOverride(1);
    InstallTranslations(true);
    StartSim();
    OpenWindow(false);
    ScanMonitorWindow* mon = OpenMonitor();
    ASSERT_NE(mon, nullptr);
    EXPECT_EQ(m_win->findChild<QAction*>(QStringLiteral("cmdScanMonitor"))->text(), QStringLiteral("검색 모니터(&M)"));
    EXPECT_EQ(mon->windowTitle(), QStringLiteral("검색 모니터"));
    EXPECT_EQ(Model(mon).headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("주소"));
    EXPECT_EQ(MonitorAssign(mon)->text(), QStringLiteral("슬롯에 할당(&A)"));
    InstallTranslations(false);
}

// Inside the screen, and every column within the window's width in both
// languages: nothing to scroll sideways for.
TEST_F(MonitorTest, TheTableFitsItsWindowInBothLanguages) {
    StartSim().SetScanDevices(sim::KestovSimulator::MakeDevices(5));
    for (const bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "Korean" : "English");
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        OpenWindow();
        ScanMonitorWindow* mon = OpenMonitor();
        ASSERT_NE(mon, nullptr);
        EXPECT_TRUE(mon->screen()->availableGeometry().contains(mon->frameGeometry()));
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return Model(mon).rowCount() == 5; }));
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
        auto* table = mon->findChild<QTableView*>(QStringLiteral("monitorTable"));
        ASSERT_TRUE(WaitFor([&] { return table->horizontalHeader()->length() > 0; }));
        EXPECT_LE(table->horizontalHeader()->length(), table->viewport()->width());
        EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0);
        // The name keeps room to be read.
        EXPECT_GE(table->columnWidth(ScanMonitorModel::Name),
                  table->fontMetrics().horizontalAdvance(QStringLiteral("Dev00000")));
        const QFontMetrics header = table->horizontalHeader()->fontMetrics();
        for (int c = ScanMonitorModel::Hits; c < ScanMonitorModel::ColumnCount; ++c) {
            const QString title = Model(mon).headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            EXPECT_LE(header.size(0, title).width(), table->columnWidth(c)) << title.toStdString();
        }
        DestroyWindow();
    }
    InstallTranslations(false);
}

// Pictures of the monitor during a scan, in both languages. Runs only when
// KESTOV_SCREENSHOT_DIR names a directory (docs are refreshed by hand).
TEST_F(MonitorTest, Screenshots) {
    const QString dir = qEnvironmentVariable("KESTOV_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KESTOV_SCREENSHOT_DIR not set";
    StartSim().SetScanDevices(sim::KestovSimulator::MakeDevices(14, 7));
    m_sim->SetRssiJitter(6);
    m_sim->SetScanRate(60);
    for (const bool korean : {false, true}) {
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        OpenWindow();
        ScanMonitorWindow* mon = OpenMonitor();
        mon->resize(1000, 640);
        Click(1026);
        ASSERT_TRUE(WaitFor(
            [&] { return Model(mon).rowCount() == 14 && m_win->Ops().ScanRecording().Stats().LatestMs() > 6000; }));
        MonitorTable(mon)->sortByColumn(ScanMonitorModel::MeanRssi, Qt::DescendingOrder);
        QItemSelectionModel* s = MonitorTable(mon)->selectionModel();
        for (int r : {0, 2, 5})
            s->select(Model(mon).index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ASSERT_TRUE(WaitFor([&] { return m_win->Ops().ScanRecording().Stats().LatestMs() > 12000; }));
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
        mon->RefreshNow();
        QCoreApplication::processEvents();
        const QString file =
            QDir(dir).filePath(korean ? QStringLiteral("monitor-ko.png") : QStringLiteral("monitor-en.png"));
        EXPECT_TRUE(mon->grab().save(file));
        DestroyWindow();
    }
    InstallTranslations(false);
}

namespace {
ssize_t MonitorDiskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}
}  // namespace

TEST_F(MonitorTest, ExportsRefuseWhatIsNotARegularFileAndKeepTheOldFileOnAFullDisk) {
    StartSim();
    OpenWindow();
    ScanMonitorWindow* mon = OpenMonitor();
    ASSERT_NE(mon, nullptr);
    const QString fifo = m_tmp.filePath(QStringLiteral("fifo.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = m_tmp.filePath(QStringLiteral("folder.csv"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString old = m_tmp.filePath(QStringLiteral("old.csv"));
    const struct {
        const char* name;
        QString path;
        bool diskFull;
        QString reason;
    } targets[] = {
        {"fifo", fifo, false, QStringLiteral("FIFO")},
        {"folder", folder, false, QStringLiteral("folder")},
        {"full disk", old, true, QStringLiteral("No space left on device")},
    };
    for (const char* button : {"monitorExportTable", "monitorExportReports"}) {
        for (const auto& t : targets) {
            SCOPED_TRACE(std::string(button) + " to " + t.name);
            {
                QFile f(old);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("old,csv\n");
            }
            const QString path = t.path;
            FileDialogSeam::SetHandler([path](QWidget*, const FileDialogSeam::Request&) { return path; });
            if (t.diskFull) file_io::testing::SetWrite(MonitorDiskFull);
            TakeBoxes();
            mon->findChild<QPushButton*>(QString::fromLatin1(button))->click();
            file_io::testing::SetWrite(nullptr);
            const auto boxes = TakeBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
            EXPECT_TRUE(boxes[0].text.contains(t.reason)) << boxes[0].text.toStdString();
            QFile f(old);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QByteArray("old,csv\n"));
        }
    }
    for (const QString& name : QDir(m_tmp.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        EXPECT_FALSE(name.startsWith(u'.')) << "a temporary stayed: " << name.toStdString();
}
