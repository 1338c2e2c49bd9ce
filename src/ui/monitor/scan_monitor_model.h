// The scan monitor's table: one row per device of a ScanRecord, with its
// statistics. Refresh() brings the rows up to date in place (new devices
// appended, changed ones repainted, the order restored with one layout
// change), so a view keeps its selection and scroll position. Sorting and
// the two filters live here too: with ten thousand rows changing many times
// a second, comparing the records directly costs far less than going through
// a proxy model's data() calls.
#pragma once

#include "ops/scan/scan_record.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

class ScanMonitorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int {
        Address,
        Name,
        Hits,
        FirstRssi,
        LastRssi,
        MinRssi,
        MaxRssi,
        MeanRssi,
        FirstSeen,
        LastSeen,
        ColumnCount
    };

    explicit ScanMonitorModel(const ScanRecord& record, QObject* parent = nullptr);

    // Takes in what the record gained since the last call. A new scan in the
    // record empties the table.
    void Refresh();
    // Case-insensitive text the address or the name must contain; empty: all.
    void SetFilterText(const QString& text);
    // Hides devices whose last report is this much older than the scan's
    // newest report; 0 hides nothing.
    void SetHideAfterMs(int64_t ms);

    // Index into the record's devices of a row, and back (-1: not shown).
    std::size_t DeviceAt(int row) const { return m_order[static_cast<std::size_t>(row)]; }
    int RowOf(std::size_t device) const;
    // Devices in row order, as shown.
    const std::vector<std::size_t>& ShownDevices() const { return m_order; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void Reset();
    bool Accepts(std::size_t device) const;
    bool Less(std::size_t a, std::size_t b) const;
    void RemoveHiddenRows(const std::vector<char>& shown);
    void AppendNewRows(const std::vector<char>& shown);
    void RestoreOrder();
    void RebuildRowIndex();

    const ScanRecord& m_record;
    uint64_t m_generation = 0;
    uint64_t m_totalSeen = 0;
    std::vector<std::size_t> m_order;    // row -> device
    std::vector<int> m_rowOf;            // device -> row, -1 when hidden
    std::vector<uint64_t> m_hitsSeen;    // device -> hits at the last refresh
    std::vector<uint64_t> m_serialSeen;  // device -> its serial then
    std::vector<QString> m_names;        // device -> name, converted once per change
    QString m_filter;
    int64_t m_hideAfterMs = 0;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_criteriaChanged = false;
};
