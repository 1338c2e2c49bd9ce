#include "ui/monitor/scan_monitor_model.h"

#include "ui/monitor/monitor_text.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

QString Seconds(int64_t ms) { return QString::number(static_cast<double>(ms) / 1000.0, 'f', 1); }

}  // namespace

ScanMonitorModel::ScanMonitorModel(const ScanRecord& record, QObject* parent)
    : QAbstractTableModel(parent), m_record(record), m_generation(record.Generation()) {}

int ScanMonitorModel::RowOf(std::size_t device) const { return device < m_rowOf.size() ? m_rowOf[device] : -1; }

void ScanMonitorModel::Reset() {
    beginResetModel();
    m_order.clear();
    m_rowOf.clear();
    m_hitsSeen.clear();
    m_serialSeen.clear();
    m_names.clear();
    m_totalSeen = 0;
    m_generation = m_record.Generation();
    endResetModel();
}

void ScanMonitorModel::SetFilterText(const QString& text) {
    if (text == m_filter) return;
    m_filter = text;
    m_criteriaChanged = true;
    Refresh();
}

void ScanMonitorModel::SetHideAfterMs(int64_t ms) {
    if (ms == m_hideAfterMs) return;
    m_hideAfterMs = ms;
    m_criteriaChanged = true;
    Refresh();
}

bool ScanMonitorModel::Accepts(std::size_t device) const {
    const ScanDeviceStats& d = m_record.Stats().Devices()[device];
    if (m_hideAfterMs > 0 && m_record.Stats().LatestMs() - d.lastSeenMs > m_hideAfterMs) return false;
    if (m_filter.isEmpty()) return true;
    return m_names[device].contains(m_filter, Qt::CaseInsensitive) ||
           QLatin1String(d.address.data(), static_cast<qsizetype>(d.address.size()))
               .contains(m_filter, Qt::CaseInsensitive);
}

bool ScanMonitorModel::Less(std::size_t a, std::size_t b) const {
    const ScanDeviceStats& x = m_record.Stats().Devices()[a];
    const ScanDeviceStats& y = m_record.Stats().Devices()[b];
    int c = 0;
    auto cmp = [](auto p, auto q) { return p < q ? -1 : (q < p ? 1 : 0); };
    switch (m_sortColumn) {
    case Address:
        c = x.address.compare(y.address);
        break;
    case Name:
        c = m_names[a].compare(m_names[b], Qt::CaseInsensitive);
        break;
    case Hits:
        c = cmp(x.hits, y.hits);
        break;
    case FirstRssi:
        c = cmp(x.firstRssi, y.firstRssi);
        break;
    case LastRssi:
        c = cmp(x.lastRssi, y.lastRssi);
        break;
    case MinRssi:
        c = cmp(x.minRssi, y.minRssi);
        break;
    case MaxRssi:
        c = cmp(x.maxRssi, y.maxRssi);
        break;
    case MeanRssi:
        c = cmp(x.MeanRssi(), y.MeanRssi());
        break;
    case FirstSeen:
        c = cmp(x.firstSeenMs, y.firstSeenMs);
        break;
    case LastSeen:
        c = cmp(x.lastSeenMs, y.lastSeenMs);
        break;
    default:
        break;
    }
    if (m_sortOrder == Qt::DescendingOrder) c = -c;
    // Ties keep the order of first sighting, so equal rows never swap places.
    return c != 0 ? c < 0 : x.serial < y.serial;
}

void ScanMonitorModel::Refresh() {
    if (m_record.Generation() != m_generation) Reset();
    const auto& devices = m_record.Stats().Devices();
    const std::size_t known = m_hitsSeen.size();
    const std::size_t count = devices.size();
    if (count == known && m_record.Stats().TotalReports() == m_totalSeen && !m_criteriaChanged) return;

    // Which shown rows changed, to repaint just their span.
    int firstChanged = INT_MAX, lastChanged = -1;
    m_hitsSeen.resize(count, 0);
    m_serialSeen.resize(count, UINT64_MAX);
    m_names.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        // A slot whose device was dropped for the bound holds a new device.
        if (devices[i].hits == m_hitsSeen[i] && devices[i].serial == m_serialSeen[i]) continue;
        m_hitsSeen[i] = devices[i].hits;
        m_serialSeen[i] = devices[i].serial;
        m_names[i] = QString::fromStdString(devices[i].name);
        if (const int row = RowOf(i); row >= 0) {
            firstChanged = std::min(firstChanged, row);
            lastChanged = std::max(lastChanged, row);
        }
    }
    m_totalSeen = m_record.Stats().TotalReports();
    m_rowOf.resize(count, -1);

    std::vector<char> shown(count);
    for (std::size_t i = 0; i < count; ++i) shown[i] = Accepts(i) ? 1 : 0;
    RemoveHiddenRows(shown);
    AppendNewRows(shown);
    const bool moved = (m_sortColumn >= 0 &&
                        !std::is_sorted(m_order.begin(), m_order.end(), [this](auto a, auto b) { return Less(a, b); }));
    if (moved) {
        RestoreOrder();
        firstChanged = 0;
        lastChanged = rowCount() - 1;
    }
    m_criteriaChanged = false;
    if (lastChanged >= 0 && lastChanged >= firstChanged && firstChanged < rowCount()) {
        lastChanged = std::min(lastChanged, rowCount() - 1);
        emit dataChanged(index(firstChanged, 0), index(lastChanged, ColumnCount - 1), {Qt::DisplayRole});
    }
}

void ScanMonitorModel::RemoveHiddenRows(const std::vector<char>& shown) {
    // From the end, one call per run of neighbouring rows.
    int row = static_cast<int>(m_order.size()) - 1;
    bool removed = false;
    while (row >= 0) {
        if (shown[m_order[static_cast<std::size_t>(row)]]) {
            --row;
            continue;
        }
        const int last = row;
        while (row - 1 >= 0 && !shown[m_order[static_cast<std::size_t>(row - 1)]]) --row;
        beginRemoveRows(QModelIndex(), row, last);
        for (int r = row; r <= last; ++r) m_rowOf[m_order[static_cast<std::size_t>(r)]] = -1;
        m_order.erase(m_order.begin() + row, m_order.begin() + last + 1);
        endRemoveRows();
        removed = true;
        --row;
    }
    if (removed) RebuildRowIndex();
}

void ScanMonitorModel::AppendNewRows(const std::vector<char>& shown) {
    // At the end, in one go; the sort then moves them to their places.
    std::vector<std::size_t> added;
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (shown[i] && m_rowOf[i] < 0) added.push_back(i);
    if (added.empty()) return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    for (const std::size_t device : added) {
        m_rowOf[device] = static_cast<int>(m_order.size());
        m_order.push_back(device);
    }
    endInsertRows();
}

void ScanMonitorModel::RestoreOrder() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> devicesBefore;
    devicesBefore.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before) devicesBefore.push_back(DeviceAt(i.row()));
    std::sort(m_order.begin(), m_order.end(), [this](auto a, auto b) { return Less(a, b); });
    RebuildRowIndex();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k)
        after.push_back(index(m_rowOf[devicesBefore[static_cast<std::size_t>(k)]], before[k].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ScanMonitorModel::RebuildRowIndex() {
    std::fill(m_rowOf.begin(), m_rowOf.end(), -1);
    for (std::size_t r = 0; r < m_order.size(); ++r) m_rowOf[m_order[r]] = static_cast<int>(r);
}

void ScanMonitorModel::sort(int column, Qt::SortOrder order) {
    if (column == m_sortColumn && order == m_sortOrder) return;
    m_sortColumn = column;
    m_sortOrder = order;
    if (m_sortColumn >= 0 && !m_order.empty()) {
        RestoreOrder();
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::DisplayRole});
    }
}

int ScanMonitorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int ScanMonitorModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ScanMonitorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const std::size_t device = DeviceAt(index.row());
    const ScanDeviceStats& d = m_record.Stats().Devices()[device];
    if (role == Qt::TextAlignmentRole) {
        const Qt::Alignment h = index.column() <= Name ? Qt::AlignLeft : Qt::AlignRight;
        return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    switch (index.column()) {
    case Address:
        return QString::fromLatin1(d.address.data(), static_cast<qsizetype>(d.address.size()));
    case Name:
        return m_names[device];
    case Hits:
        return QString::number(d.hits);
    case FirstRssi:
        return QString::number(d.firstRssi);
    case LastRssi:
        return QString::number(d.lastRssi);
    case MinRssi:
        return QString::number(d.minRssi);
    case MaxRssi:
        return QString::number(d.maxRssi);
    case MeanRssi:
        return QString::number(d.MeanRssi(), 'f', 1);
    case FirstSeen:
        return Seconds(d.firstSeenMs);
    case LastSeen:
        return Seconds(d.lastSeenMs);
    default:
        return {};
    }
}

QVariant ScanMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[ColumnCount] = {
        QT_TRANSLATE_NOOP("ScanMonitor", "Address"),        QT_TRANSLATE_NOOP("ScanMonitor", "Name"),
        QT_TRANSLATE_NOOP("ScanMonitor", "Hits"),           QT_TRANSLATE_NOOP("ScanMonitor", "First RSSI"),
        QT_TRANSLATE_NOOP("ScanMonitor", "Last RSSI"),      QT_TRANSLATE_NOOP("ScanMonitor", "Min RSSI"),
        QT_TRANSLATE_NOOP("ScanMonitor", "Max RSSI"),       QT_TRANSLATE_NOOP("ScanMonitor", "Mean RSSI"),
        QT_TRANSLATE_NOOP("ScanMonitor", "First seen (s)"), QT_TRANSLATE_NOOP("ScanMonitor", "Last seen (s)"),
    };
    if (section < 0 || section >= ColumnCount) return {};
    QString title = MonitorTr(kTitles[section]);
    // The number columns' titles take two lines, so that all columns fit the
    // window's width: broken at the space nearest the middle.
    if (section >= Hits) {
        int best = -1;
        for (int i = 0; i < title.size(); ++i)
            if (title[i] == QLatin1Char(' ') &&
                (best < 0 || std::abs(i - title.size() / 2) < std::abs(best - title.size() / 2)))
                best = i;
        if (best > 0) title[best] = QLatin1Char('\n');
    }
    return title;
}

Qt::ItemFlags ScanMonitorModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
