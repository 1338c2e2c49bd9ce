// The scan monitor: a window beside the main window with every device of the
// current (or last) scan, its statistics, an RSSI plot of the selected
// devices and CSV export. It reads the ScanRecord of the device operations
// on the window thread, at most ten times a second and only after the record
// changed.
#pragma once

#include "ops/scan/scan_record.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;
class RssiPlot;
class ScanMonitorModel;

class ScanMonitorWindow : public QWidget {
    Q_OBJECT
public:
    // Where "Assign to slot" puts a device: the main window's slot rows.
    struct SlotTarget {
        std::function<bool()> available;  // the rows take a device right now
        std::function<void(const QString& address, const QString& name)> assign;
    };
    static constexpr int kRefreshMs = 100;

    ScanMonitorWindow(const ScanRecord& record, SlotTarget target, QWidget* parent = nullptr);
    ~ScanMonitorWindow() override;

    // The main window's menu item that opens it.
    static QString MenuText();

    // What the timer does: takes in the new reports.
    void RefreshNow();
    bool ExportTable();
    bool ExportReports();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void BuildLayout();
    void RetranslateUi();
    void OnSelectionChanged();
    void OnContextMenu(const QPoint& pos);
    void OnAssign();
    void UpdateStatus();
    // The record changed: refresh now, or when the last refresh is kRefreshMs old.
    void ScheduleRefresh();
    std::vector<std::size_t> SelectedDevices() const;
    bool SaveCsv(const QString& caption, const QString& suggestedName, const std::function<void(std::ostream&)>& write);

    const ScanRecord& m_record;
    SlotTarget m_target;
    ScanMonitorModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    RssiPlot* m_plot = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    QCheckBox* m_hideCheck = nullptr;
    QSpinBox* m_hideSeconds = nullptr;
    QPushButton* m_exportTable = nullptr;
    QPushButton* m_exportReports = nullptr;
    QLabel* m_status = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_assignAction = nullptr;
    QTimer* m_timer = nullptr;  // single shot, armed by a change of the record
    QElapsedTimer m_lastRefresh;
    std::size_t m_selectedCount = 0;
};
