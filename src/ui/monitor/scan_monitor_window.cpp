#include "ui/monitor/scan_monitor_window.h"

#include "ops/scan/scan_csv.h"
#include "ui/monitor/monitor_text.h"
#include "ui/monitor/rssi_plot.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/shell/file_error_text.h"
#include "ui/monitor/scan_monitor_model.h"
#include "ui/shell/message_box.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <sstream>

ScanMonitorWindow::ScanMonitorWindow(const ScanRecord& record, SlotTarget target, QWidget* parent)
    : QWidget(parent, Qt::Window), m_record(record), m_target(std::move(target)) {
    setObjectName(QStringLiteral("scanMonitor"));
    BuildLayout();
    RetranslateUi();
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ScanMonitorWindow::RefreshNow);
    m_record.SetOnChange([this] { ScheduleRefresh(); });
    resize(960, 640);
}

ScanMonitorWindow::~ScanMonitorWindow() { m_record.SetOnChange({}); }

void ScanMonitorWindow::ScheduleRefresh() {
    // Hidden, nothing is drawn: the next show catches up in one step.
    if (!isVisible() || m_timer->isActive()) return;
    const qint64 since = m_lastRefresh.isValid() ? m_lastRefresh.elapsed() : kRefreshMs;
    m_timer->start(static_cast<int>(std::max<qint64>(0, kRefreshMs - since)));
}

QString ScanMonitorWindow::MenuText() { return MonitorTr("Scan &monitor"); }

void ScanMonitorWindow::BuildLayout() {
    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setObjectName(QStringLiteral("monitorFilter"));
    m_filterEdit->setClearButtonEnabled(true);
    m_hideCheck = new QCheckBox(this);
    m_hideCheck->setObjectName(QStringLiteral("monitorHideCheck"));
    m_hideSeconds = new QSpinBox(this);
    m_hideSeconds->setObjectName(QStringLiteral("monitorHideSeconds"));
    m_hideSeconds->setRange(1, 3600);
    m_hideSeconds->setValue(30);
    m_exportTable = new QPushButton(this);
    m_exportTable->setObjectName(QStringLiteral("monitorExportTable"));
    m_exportReports = new QPushButton(this);
    m_exportReports->setObjectName(QStringLiteral("monitorExportReports"));

    auto* bar = new QHBoxLayout();
    bar->addWidget(m_filterEdit, 1);
    bar->addWidget(m_hideCheck);
    bar->addWidget(m_hideSeconds);
    bar->addStretch();
    bar->addWidget(m_exportTable);
    bar->addWidget(m_exportReports);

    m_model = new ScanMonitorModel(m_record, this);
    m_model->setObjectName(QStringLiteral("monitorModel"));
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("monitorTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder);  // order of first sighting until a header is clicked
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    // The name takes what the other columns leave: no sideways scrolling.
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setSectionResizeMode(ScanMonitorModel::Name, QHeaderView::Stretch);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(false);  // Tab goes on to the next control
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setColumnWidth(ScanMonitorModel::Address,
                            m_table->fontMetrics().horizontalAdvance(QStringLiteral("0")) * 15);
    m_table->setColumnWidth(ScanMonitorModel::Name, m_table->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 12);

    m_plot = new RssiPlot(m_record, this);
    m_plot->setObjectName(QStringLiteral("monitorPlot"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_plot);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("monitorStatus"));
    m_status->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    layout->addWidget(m_status);

    m_menu = new QMenu(this);
    m_assignAction = m_menu->addAction(QString());
    m_assignAction->setObjectName(QStringLiteral("monitorAssign"));

    connect(m_filterEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_model->SetFilterText(text.trimmed());
        UpdateStatus();
    });
    auto hideChanged = [this] {
        m_model->SetHideAfterMs(m_hideCheck->isChecked() ? int64_t{m_hideSeconds->value()} * 1000 : 0);
        UpdateStatus();
    };
    connect(m_hideCheck, &QCheckBox::toggled, this, hideChanged);
    connect(m_hideSeconds, &QSpinBox::valueChanged, this, hideChanged);
    connect(m_exportTable, &QPushButton::clicked, this, [this] { ExportTable(); });
    connect(m_exportReports, &QPushButton::clicked, this, [this] { ExportReports(); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ScanMonitorWindow::OnSelectionChanged);
    connect(m_table, &QWidget::customContextMenuRequested, this, &ScanMonitorWindow::OnContextMenu);
    connect(m_assignAction, &QAction::triggered, this, &ScanMonitorWindow::OnAssign);
}

void ScanMonitorWindow::RetranslateUi() {
    setWindowTitle(MonitorTr("Scan monitor"));
    m_filterEdit->setPlaceholderText(MonitorTr("Filter by address or name"));
    m_filterEdit->setAccessibleName(MonitorTr("Filter"));
    m_hideCheck->setText(MonitorTr("&Hide devices not seen for"));
    m_hideSeconds->setSuffix(MonitorTr(" s"));
    m_exportTable->setText(MonitorTr("Export &table..."));
    m_exportReports->setText(MonitorTr("Export &reports..."));
    m_assignAction->setText(MonitorTr("&Assign to slot"));
    m_plot->setAccessibleName(MonitorTr("RSSI over time"));
    m_table->setAccessibleName(MonitorTr("Devices seen in the scan"));
    m_status->setAccessibleName(MonitorTr("Scan counts"));
    m_table->setAccessibleDescription(
        MonitorTr("One row per device with its report count and RSSI statistics; "
                  "the selected devices are plotted below."));
    // Numbers are short: each column as wide as its title, fixed once, since
    // measuring ten thousand rows would cost more than the rows themselves.
    const QFontMetrics fm = m_table->horizontalHeader()->fontMetrics();
    for (int c = ScanMonitorModel::Hits; c < ScanMonitorModel::ColumnCount; ++c) {
        const QString title = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        m_table->setColumnWidth(
            c, std::max(fm.size(0, title).width(), fm.horizontalAdvance(QStringLiteral("-000.0"))) + 28);
    }
    UpdateStatus();
}

void ScanMonitorWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) RetranslateUi();
    QWidget::changeEvent(e);
}

void ScanMonitorWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // The table, not the filter field, has the focus when the window opens:
    // a blinking cursor would wake the window thread twice a second.
    if (!focusWidget()) m_table->setFocus();
    RefreshNow();
}

void ScanMonitorWindow::hideEvent(QHideEvent* e) {
    // Nothing to draw while hidden; the next show catches up in one step.
    m_timer->stop();
    QWidget::hideEvent(e);
}

void ScanMonitorWindow::RefreshNow() {
    m_lastRefresh.start();
    m_model->Refresh();
    m_plot->Refresh();
    m_assignAction->setEnabled(!SelectedDevices().empty() && m_target.available && m_target.available());
    UpdateStatus();
}

std::vector<std::size_t> ScanMonitorWindow::SelectedDevices() const {
    std::vector<int> rows;
    for (const QModelIndex& i : m_table->selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    std::vector<std::size_t> devices;
    devices.reserve(rows.size());
    for (const int row : rows) devices.push_back(m_model->DeviceAt(row));
    return devices;
}

void ScanMonitorWindow::OnSelectionChanged() {
    std::vector<std::size_t> devices = SelectedDevices();
    m_selectedCount = devices.size();
    // Lines in the order the devices were first seen, so a re-sort of the
    // table never redraws the plot.
    std::sort(devices.begin(), devices.end());
    m_plot->SetDevices(devices);
    m_assignAction->setEnabled(!devices.empty() && m_target.available && m_target.available());
    UpdateStatus();
}

void ScanMonitorWindow::UpdateStatus() {
    QString text = MonitorTr("%1 of %2 devices shown, %3 reports")
                       .arg(m_model->rowCount())
                       .arg(m_record.Stats().Devices().size())
                       .arg(m_record.Stats().TotalReports());
    if (const uint64_t dropped = m_record.Stats().DroppedDevices(); dropped > 0)
        text += QStringLiteral("; ") + MonitorTr(
                                           "statistics of %1 least recently seen devices (%2 reports) dropped: "
                                           "at most %3 devices are kept")
                                           .arg(dropped)
                                           .arg(m_record.Stats().DroppedReports())
                                           .arg(m_record.Stats().Capacity());
    if (const uint64_t lost = m_record.Lost(); lost > 0)
        text += QStringLiteral("; ") +
                MonitorTr("%1 reports not recorded: they came faster than the window could take them").arg(lost);
    if (m_selectedCount > RssiPlot::kMaxDevices)
        text +=
            QStringLiteral("; ") +
            MonitorTr("the plot shows %1 of the %2 selected devices").arg(RssiPlot::kMaxDevices).arg(m_selectedCount);
    m_status->setText(text);
}

void ScanMonitorWindow::OnContextMenu(const QPoint& pos) {
    m_assignAction->setEnabled(!SelectedDevices().empty() && m_target.available && m_target.available());
    m_menu->popup(m_table->viewport()->mapToGlobal(pos));
}

void ScanMonitorWindow::OnAssign() {
    const std::vector<std::size_t> devices = SelectedDevices();
    if (devices.empty() || !m_target.assign) return;
    // The first selected row, as "=>" takes it from the main list.
    const ScanDeviceStats& d = m_record.Stats().Devices()[devices.front()];
    m_target.assign(QString::fromStdString(d.address), QString::fromStdString(d.name));
}

bool ScanMonitorWindow::SaveCsv(const QString& caption, const QString& suggestedName,
                                const std::function<void(std::ostream&)>& write) {
    const QString path =
        FileDialogSeam::Ask(this, {FileDialogSeam::Mode::Save, caption, suggestedName,
                                   MonitorTr("CSV files (*.csv);;All files (*)"), QStringLiteral("csv")});
    if (path.isEmpty()) return false;
    std::ostringstream out;
    write(out);
    const std::string text = out.str();
    // All or nothing: a failed export leaves what was there before.
    const file_io::Error error = WriteWholeFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (error) {
        MessageBoxSeam::Show(this, MonitorTr("Cannot write the file %1: %2").arg(path, FileErrorText(error)),
                             QMessageBox::Critical);
        return false;
    }
    return true;
}

bool ScanMonitorWindow::ExportTable() {
    m_model->Refresh();
    return SaveCsv(MonitorTr("Export table"), QStringLiteral("scan-devices.csv"),
                   [this](std::ostream& out) { scan_csv::WriteStats(out, m_record.Stats(), m_model->ShownDevices()); });
}

bool ScanMonitorWindow::ExportReports() {
    return SaveCsv(MonitorTr("Export reports"), QStringLiteral("scan-reports.csv"),
                   [this](std::ostream& out) { scan_csv::WriteReports(out, m_record); });
}

void ScanMonitorWindow::keyPressEvent(QKeyEvent* e) {
    // Escape closes this secondary window, as it would a dialog.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        close();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}
