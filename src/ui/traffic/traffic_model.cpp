#include "ui/traffic/traffic_model.h"

#include "ops/traffic/traffic_text.h"
#include "ui/controls/palette_colors.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QFontDatabase>

namespace {

QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

QFont TrafficModel::WireFont() {
    // Columns of escapes line up in a fixed-pitch font. A Latin one comes
    // first: Korean fonts draw the backslash as a won sign (\x1B would read
    // as ₩x1B); Hangul still comes from the fallback fonts.
    static const QFont font = [] {
        QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        f.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                       QStringLiteral("Noto Sans Mono"), f.family()});
        f.setStyleHint(QFont::Monospace);
        f.setFixedPitch(true);
        return f;
    }();
    return font;
}

TrafficModel::TrafficModel(std::size_t capacity, QObject* parent) : QAbstractTableModel(parent), m_ring(capacity) {
    SetPalette(QPalette());  // the application's, until a view gives its own
}

void TrafficModel::AppendBatch(std::vector<TapEvent>&& events) {
    if (events.empty()) return;
    m_ring.Append(std::move(events));
    ForgetDropped();
    if (!m_paused) ShowFrom(m_shownUpTo);
    emit CountsChanged();
}

void TrafficModel::ForgetDropped() {
    std::size_t gone = 0;
    while (gone < m_shown.size() && m_shown[gone] < m_ring.FirstSeq()) ++gone;
    if (gone > 0) {
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(gone) - 1);
        m_shown.erase(m_shown.begin(), m_shown.begin() + static_cast<long>(gone));
        endRemoveRows();
    }
    if (m_shownUpTo < m_ring.FirstSeq()) m_shownUpTo = m_ring.FirstSeq();
}

void TrafficModel::ShowFrom(uint64_t seq) {
    std::vector<uint64_t> add;
    for (uint64_t s = std::max(seq, m_ring.FirstSeq()); s < m_ring.EndSeq(); ++s) {
        if (Matches(s)) add.push_back(s);
    }
    m_shownUpTo = m_ring.EndSeq();
    if (add.empty()) return;
    const int first = static_cast<int>(m_shown.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(add.size()) - 1);
    m_shown.insert(m_shown.end(), add.begin(), add.end());
    endInsertRows();
}

void TrafficModel::Rebuild() {
    beginResetModel();
    m_shown.clear();
    const uint64_t end = m_paused ? m_shownUpTo : m_ring.EndSeq();
    for (uint64_t s = m_ring.FirstSeq(); s < end; ++s) {
        if (Matches(s)) m_shown.push_back(s);
    }
    m_shownUpTo = std::max(end, m_ring.FirstSeq());
    endResetModel();
    emit CountsChanged();  // the shown count follows the filter
}

void TrafficModel::Clear() {
    beginResetModel();
    m_ring.Clear();
    m_shown.clear();
    m_shownUpTo = m_ring.EndSeq();
    endResetModel();
    emit CountsChanged();
}

void TrafficModel::SetFilterText(const QString& text) {
    if (text == m_filter) return;
    m_filter = text;
    Rebuild();
}

void TrafficModel::SetHideScanReports(bool hide) {
    if (hide == m_hideScan) return;
    m_hideScan = hide;
    Rebuild();
}

void TrafficModel::SetPaused(bool paused) {
    if (paused == m_paused) return;
    m_paused = paused;
    if (!m_paused) ShowFrom(m_shownUpTo);
    emit CountsChanged();
}

uint64_t TrafficModel::HeldWhilePaused() const {
    return m_paused ? m_ring.EndSeq() - std::max(m_shownUpTo, m_ring.FirstSeq()) : 0;
}

bool TrafficModel::Matches(uint64_t seq) const {
    if (m_hideScan && m_ring.RouteAt(seq) == TapRoute::ScanReport) return false;
    if (m_filter.isEmpty()) return true;
    return Utf8(traffic::FormatRow(m_ring.AtSeq(seq))).contains(m_filter, Qt::CaseInsensitive);
}

TapEvent TrafficModel::EventAt(int row) const { return m_ring.AtSeq(m_shown[static_cast<std::size_t>(row)]); }

QString TrafficModel::RowText(int row) const { return Utf8(traffic::FormatRow(EventAt(row))); }

void TrafficModel::SetPalette(const QPalette& palette) {
    using palette_colors::Role;
    const Role roles[] = {Role::Sent, Role::Received, Role::Problem, Role::Dimmed};
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        const QColor c = palette_colors::ForText(roles[i], palette);
        changed = changed || c != m_tints[i];
        m_tints[i] = c;
    }
    if (changed && !m_shown.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::ForegroundRole});
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const uint64_t seq = m_shown[static_cast<std::size_t>(index.row())];
    if (role == Qt::ForegroundRole) {
        const TapRoute route = m_ring.RouteAt(seq);
        if (route == TapRoute::ScanReport) return QBrush(TintColor(Tint::Dimmed));
        if (route == TapRoute::Dropped || route == TapRoute::Partial) return QBrush(TintColor(Tint::Problem));
        return QBrush(TintColor(m_ring.DirectionAt(seq) == TapDirection::Sent ? Tint::Sent : Tint::Received));
    }
    if (role == Qt::TextAlignmentRole && index.column() == ColTime) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::FontRole && index.column() == ColText) return WireFont();
    if (role != Qt::DisplayRole) return {};
    const TapEvent e = m_ring.AtSeq(seq);
    switch (index.column()) {
    case ColTime:
        return Utf8(traffic::SinceOpenText(e.sinceOpenNs));
    case ColDirection:
        return e.direction == TapDirection::Sent ? QCoreApplication::translate("TrafficWindow", "sent")
                                                 : QCoreApplication::translate("TrafficWindow", "received");
    case ColText:
        return Utf8(traffic::EscapeWireBytes(e.bytes));
    case ColRoute:
        return Utf8(traffic::RouteTag(e.route, e.command));
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case ColTime:
        return QCoreApplication::translate("TrafficWindow", "Time (ms)");
    case ColDirection:
        return QCoreApplication::translate("TrafficWindow", "Direction");
    case ColText:
        return QCoreApplication::translate("TrafficWindow", "Text");
    case ColRoute:
        return QCoreApplication::translate("TrafficWindow", "Routing");
    default:
        return {};
    }
}
