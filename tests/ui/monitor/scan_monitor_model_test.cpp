// The monitor's table model over a scripted scan: in-place updates that keep
// the selection and the sort, and the filters.
#include "ui/monitor/scan_monitor_model.h"
#include "ui/monitor/scan_monitor_window.h"
#include "ui/shell/strings.h"

#include <QLabel>
#include <QItemSelectionModel>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;

namespace {

class Scan {
public:
    Scan() { record.Start(t0); }
    void Report(const std::string& address, int rssi, std::chrono::milliseconds at, const std::string& name = "n") {
        record.Add(address, name, rssi, t0 + at);
    }
    ScanRecord::Clock::time_point t0 = ScanRecord::Clock::now();
    ScanRecord record;
};

QStringList Column(const ScanMonitorModel& model, int column) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << model.index(r, column).data().toString();
    return out;
}

QStringList SelectedAddresses(const QItemSelectionModel& selection) {
    QStringList out;
    for (const QModelIndex& i : selection.selectedRows()) out << i.data().toString();
    out.sort();
    return out;
}

}  // namespace

TEST(ScanMonitorModel, UpdatesMoveRowsInPlaceKeepingSelectionAndSort) {
    Scan scan;
    for (const char* a : {"A1", "B2", "C3", "D4"}) scan.Report(a, -60, 10ms);
    ScanMonitorModel model(scan.record);
    QItemSelectionModel selection(&model);
    model.Refresh();
    model.sort(ScanMonitorModel::Hits, Qt::DescendingOrder);
    selection.select(model.index(model.RowOf(2), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.select(model.index(model.RowOf(3), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.setCurrentIndex(model.index(model.RowOf(3), 1), QItemSelectionModel::NoUpdate);
    const QPersistentModelIndex held = model.index(model.RowOf(2), ScanMonitorModel::Name);

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // C3 gets 3 more reports, D4 one, a new E5 two: by hits C3, E5/D4, ...
    struct Step {
        const char* address;
        int rssi;
    };
    const Step steps[] = {{"C3", -50}, {"C3", -40}, {"C3", -45}, {"D4", -70}, {"E5", -30}, {"E5", -31}};
    int at = 20;
    for (const Step& s : steps) scan.Report(s.address, s.rssi, std::chrono::milliseconds(at++));
    model.Refresh();

    EXPECT_EQ(Column(model, ScanMonitorModel::Address), (QStringList{"C3", "D4", "E5", "A1", "B2"}))
        << "equal hits keep the order of first sighting";
    EXPECT_EQ(Column(model, ScanMonitorModel::Hits), (QStringList{"4", "2", "2", "1", "1"}));
    EXPECT_EQ(SelectedAddresses(selection), (QStringList{"C3", "D4"}));
    EXPECT_EQ(selection.currentIndex().row(), 1);
    EXPECT_EQ(held.row(), 0);
    EXPECT_EQ(held.column(), ScanMonitorModel::Name);
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(inserted.count(), 1) << "new devices come in one batch";
    EXPECT_EQ(removed.count(), 0);
    EXPECT_GE(changed.count(), 1);
    const QStringList c3 = {"C3", "n", "4", "-60", "-45", "-60", "-40", "-48.8", "0.0", "0.0"};
    QStringList row;
    for (int c = 0; c < ScanMonitorModel::ColumnCount; ++c) row << model.index(0, c).data().toString();
    EXPECT_EQ(row, c3);

    // A quiet refresh changes nothing at all.
    changed.clear();
    model.Refresh();
    EXPECT_EQ(changed.count(), 0);

    // Ascending RSSI min on a header click: the selection still follows the devices.
    model.sort(ScanMonitorModel::MinRssi, Qt::AscendingOrder);
    EXPECT_EQ(Column(model, ScanMonitorModel::Address), (QStringList{"D4", "A1", "B2", "C3", "E5"}));
    EXPECT_EQ(SelectedAddresses(selection), (QStringList{"C3", "D4"}));
}

TEST(ScanMonitorModel, FiltersOnTextAndOnTimeSinceLastSeen) {
    Scan scan;
    scan.Report("C0FFEE000001", -60, 0ms, "Door");
    scan.Report("C0FFEE000002", -60, 4000ms, "센서,1");
    scan.Report("AA0000000003", -60, 9000ms, "");
    scan.Report("AA0000000004", -60, 10000ms, "door bell");
    struct Case {
        const char* filter;
        int64_t hideAfterMs;
        QStringList shown;
    };
    const Case cases[] = {
        {"", 0, {"C0FFEE000001", "C0FFEE000002", "AA0000000003", "AA0000000004"}},
        {"door", 0, {"C0FFEE000001", "AA0000000004"}},
        {"c0ffee", 0, {"C0FFEE000001", "C0FFEE000002"}},
        {"센서", 0, {"C0FFEE000002"}},
        {"", 6000, {"C0FFEE000002", "AA0000000003", "AA0000000004"}},
        {"", 1000, {"AA0000000003", "AA0000000004"}},
        {"DOOR", 1000, {"AA0000000004"}},
        {"nothing", 0, {}},
    };
    ScanMonitorModel model(scan.record);
    model.Refresh();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        SCOPED_TRACE(c.hideAfterMs);
        model.SetFilterText(QString::fromUtf8(c.filter));
        model.SetHideAfterMs(c.hideAfterMs);
        EXPECT_EQ(Column(model, ScanMonitorModel::Address), c.shown);
    }
    // A hidden device comes back with its next report, while others age out.
    model.SetFilterText(QString());
    model.SetHideAfterMs(1000);
    scan.Report("C0FFEE000001", -61, 10500ms);
    model.Refresh();
    EXPECT_EQ(Column(model, ScanMonitorModel::Address), (QStringList{"AA0000000004", "C0FFEE000001"}));
}

TEST(ScanMonitorModel, ANewScanEmptiesTheTableOnce) {
    Scan scan;
    scan.Report("A1", -60, 0ms);
    ScanMonitorModel model(scan.record);
    model.Refresh();
    ASSERT_EQ(model.rowCount(), 1);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    scan.record.Start();
    model.Refresh();
    model.Refresh();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(resets.count(), 1);
    scan.record.Add("B2", "", -50);
    model.Refresh();
    EXPECT_EQ(Column(model, ScanMonitorModel::Address), QStringList{"B2"});
}

TEST(ScanMonitorModel, ARowWhoseDeviceWasDroppedForTheBoundShowsTheNewDevice) {
    const auto t0 = ScanRecord::Clock::now();
    ScanRecord record(2);
    record.Start(t0);
    record.Add("A1", "first", -60, t0 + 10ms);
    record.Add("B2", "second", -70, t0 + 20ms);
    ScanMonitorModel model(record);
    model.Refresh();
    model.sort(ScanMonitorModel::Address, Qt::AscendingOrder);
    ASSERT_EQ(Column(model, ScanMonitorModel::Address), (QStringList{"A1", "B2"}));
    // One report each, as before: only the device's identity tells the change.
    record.Add("Z9", "third", -80, t0 + 30ms);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.Refresh();
    EXPECT_EQ(Column(model, ScanMonitorModel::Address), (QStringList{"B2", "Z9"}));
    EXPECT_EQ(Column(model, ScanMonitorModel::Name), (QStringList{"second", "third"}));
    EXPECT_GE(changed.count(), 1);
}

TEST(ScanMonitorWindow, TheStatusLineSaysHowManyDevicesWereDroppedForTheBound) {
    const auto t0 = ScanRecord::Clock::now();
    ScanRecord record(2);
    record.Start(t0);
    ScanMonitorWindow window(record, {});
    auto* status = window.findChild<QLabel*>(QStringLiteral("monitorStatus"));
    ASSERT_NE(status, nullptr);
    record.Add("A1", "", -60, t0 + 1ms);
    record.Add("A1", "", -60, t0 + 2ms);
    record.Add("B2", "", -60, t0 + 3ms);
    window.RefreshNow();
    EXPECT_FALSE(status->text().contains(QStringLiteral("dropped"))) << status->text().toStdString();
    record.Add("C3", "", -60, t0 + 4ms);
    window.RefreshNow();
    EXPECT_TRUE(status->text().contains(
        QStringLiteral("statistics of 1 least recently seen devices (2 reports) dropped: at most 2 devices are kept")))
        << status->text().toStdString();
}

// Reports that never reached the record are told; with none lost the line
// stays as it was.
TEST(ScanMonitorWindow, TheStatusLineSaysHowManyReportsWereNotRecorded) {
    struct Case {
        uint64_t lost;
        QString status;
    };
    const Case cases[] = {
        {0, QStringLiteral("1 of 1 devices shown, 2 reports")},
        {7, QStringLiteral("1 of 1 devices shown, 2 reports; 7 reports not recorded: they came faster than the "
                           "window could take them")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lost);
        const auto t0 = ScanRecord::Clock::now();
        ScanRecord record;
        record.Start(t0);
        ScanMonitorWindow window(record, {});
        auto* status = window.findChild<QLabel*>(QStringLiteral("monitorStatus"));
        ASSERT_NE(status, nullptr);
        record.Add("A1", "", -60, t0 + 1ms);
        record.Add("A1", "", -61, t0 + 2ms);
        record.SetLost(c.lost);
        window.RefreshNow();
        EXPECT_EQ(status->text(), c.status);
        record.Start(t0 + 1s);
        window.RefreshNow();
        EXPECT_FALSE(status->text().contains(QStringLiteral("not recorded"))) << "a new scan has lost nothing";
    }
    const auto t0 = ScanRecord::Clock::now();
    ScanRecord record;
    record.Start(t0);
    InstallTranslations(true);
    ScanMonitorWindow window(record, {});
    record.SetLost(7);
    window.RefreshNow();
    const QString korean = window.findChild<QLabel*>(QStringLiteral("monitorStatus"))->text();
    InstallTranslations(false);
    EXPECT_TRUE(korean.contains(QStringLiteral("보고 7개를 기록하지 못했습니다"))) << korean.toStdString();
}
