// Main window: menu, status bar, the enabling rule, start-up, keyboard and
// closing, and the window side of IManagerView. The controls themselves are
// made in main_window_layout.cpp.
#include "ui/main/main_window.h"
#include "ui/main/window_text.h"

#include "ops/rules/string_ids.h"
#include "ui/controls/announce.h"
#include "ui/controls/elided_label.h"
#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/text_room.h"
#include "ui/controls/x_group_box.h"
#include "ui/main/reconnect.h"
#include "ui/main/scan_list_model.h"
#include "link/device_access.h"
#include "ui/monitor/scan_monitor_window.h"
#include "ui/station/station_window.h"
#include "ui/shell/about_dlg.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/dialog_units.h"
#include "ui/shell/message_box.h"
#include "ui/shell/screen_fit.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"
#include "ui/shell/version_info.h"
#include "ui/traffic/traffic_session.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace {

class WaitCursorEvent : public QEvent {
public:
    explicit WaitCursorEvent(bool on) : QEvent(EventType()), on(on) {}
    static QEvent::Type EventType() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    bool on;
};

using Dlg = CKESTOVLV2xxManagerDlg;

// Slot rows 1 to 7 of one column: its first id and the six after it.
#define KESTOV_ROWS_1_TO_7(first) (first), (first) + 1, (first) + 2, (first) + 3, (first) + 4, (first) + 5, (first) + 6

// The 46 controls that follow the enabling rule on every model.
constexpr int kAlwaysSwitched[] = {Dlg::IDC_DEVICE_NAME,
                                   Dlg::IDC_NAME_FILTER_EDIT,
                                   Dlg::IDC_NAME_FILTER_CHECK,
                                   Dlg::IDC_RSSI_FILTER_CHECK,
                                   KESTOV_ROWS_1_TO_7(Dlg::IDC_SLOT_ADDRESS_1),
                                   KESTOV_ROWS_1_TO_7(Dlg::IDC_SLOT_TAG_1),
                                   Dlg::IDC_SCAN_LIST,
                                   Dlg::IDC_FLOW_COMBO,
                                   Dlg::IDC_PARITY_COMBO,
                                   Dlg::IDC_STOPBIT_COMBO,
                                   Dlg::IDC_RSSI_FILTER_EDIT,
                                   Dlg::IDC_REFRESH,
                                   Dlg::IDC_REBOOT,
                                   Dlg::IDC_FACTORY_RESET,
                                   Dlg::IDC_SCAN,
                                   Dlg::IDC_SLOTS_SAVE,
                                   KESTOV_ROWS_1_TO_7(Dlg::IDC_SLOT_CLEAR_1),
                                   Dlg::IDC_CHANGE_NAME,
                                   KESTOV_ROWS_1_TO_7(Dlg::IDC_SLOT_ASSIGN_1),
                                   Dlg::IDC_ADV_INTERVAL,
                                   Dlg::IDC_ADV_SAVE,
                                   Dlg::IDC_UART_APPLY};
#undef KESTOV_ROWS_1_TO_7
static_assert(sizeof(kAlwaysSwitched) / sizeof(int) == 46);

// The 11 controls that an LV230 (no slot 8, no beacon) never gets.
constexpr int kNotOnLv230[] = {Dlg::IDC_SLOT_ADDRESS_1 + 7, Dlg::IDC_SLOT_TAG_1 + 7, Dlg::IDC_SLOT_CLEAR_1 + 7,
                               Dlg::IDC_SLOT_ASSIGN_1 + 7,  Dlg::IDC_BEACON_HEX,     Dlg::IDC_BEACON_STRING,
                               Dlg::IDC_HEX_RADIO,          Dlg::IDC_STRING_RADIO,   Dlg::IDC_BEACON_SAVE,
                               Dlg::IDC_FINAL_SERIAL_RADIO, Dlg::IDC_USER_DATA_RADIO};
static_assert(sizeof(kNotOnLv230) / sizeof(int) == 11);

QMessageBox::Icon ToBoxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

// ---------------------------------------------------------------------------
// Posted messages

CKESTOVLV2xxManagerDlg::WindowMessageEvent::WindowMessageEvent(unsigned m, uintptr_t w, intptr_t l)
    : QEvent(EventType()), msg(m), wParam(w), lParam(l) {}

QEvent::Type CKESTOVLV2xxManagerDlg::WindowMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool CKESTOVLV2xxManagerDlg::PostWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> lock(m_postMutex);
    if (!m_alive) return false;
    QCoreApplication::postEvent(this, new WindowMessageEvent(msg, wParam, lParam));
    return true;
}

void CKESTOVLV2xxManagerDlg::SetWaitCursor(bool on) {
    if (QThread::currentThread() == thread()) {
        ApplyWaitCursor(on);
        return;
    }
    std::lock_guard<std::mutex> lock(m_postMutex);
    if (!m_alive) return;
    QCoreApplication::postEvent(this, new WaitCursorEvent(on));
}

void CKESTOVLV2xxManagerDlg::ApplyWaitCursor(bool on) {
    if (on == m_waitCursorShown) return;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    m_waitCursorShown = on;
}

bool CKESTOVLV2xxManagerDlg::event(QEvent* e) {
    if (e->type() == WindowMessageEvent::EventType()) {
        const auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->msg == WM_START_SCAN)
            OnStartScan();
        else
            m_ops.HandleMessage(m->msg, m->wParam, m->lParam);
        // Jobs, the link and the scan state move only here or by the user's
        // hand: the traffic view's send field follows without polling.
        if (m_traffic) m_traffic->NoteStateChange();
        return true;
    }
    if (e->type() == WaitCursorEvent::EventType()) {
        // A worker's request that arrives after the job (or the link) has
        // ended is stale: the cursor follows the busy flag.
        const bool on = static_cast<WaitCursorEvent*>(e)->on;
        ApplyWaitCursor(on && m_ops.IsBusy());
        if (m_traffic) m_traffic->NoteStateChange();
        return true;
    }
    return QDialog::event(e);
}

bool CKESTOVLV2xxManagerDlg::WindowExists() const {
    std::lock_guard<std::mutex> lock(m_postMutex);
    return m_alive;
}

// ---------------------------------------------------------------------------
// Construction and start-up

CKESTOVLV2xxManagerDlg::CKESTOVLV2xxManagerDlg(QWidget* parent) : QDialog(parent), m_ops(*this) {
    setObjectName(QStringLiteral("CKESTOVLV2xxManagerDlg"));
    // Caption, window menu and minimize box; no maximize, fixed size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(Tr("KESTOV-LV200 Manager"));
    QFont dialogFont = QApplication::font();
    dialogFont.setPointSizeF(9.0);
    setFont(dialogFont);

    m_portDlg = new ComConfigDlg(this);
    m_portDlg->setObjectName(QStringLiteral("portDialog"));
    const DialogUnits du(font());
    CreateMenu();
    CreateControls(du);
    ConnectHandlers();

    InitControls();
    // Room for every caption and list item under this style, once they are all in.
    text_room::GrowToFit(findChild<QWidget*>(QStringLiteral("client")));
    SetupStatusBar();
    EnableControls(false);
    ShowVersionText();
    m_ops.Init();
    m_reconnector = new LinkReconnector(*this);
    m_ops.SetLinkLostHandler([this] { return m_reconnector->OnLinkLost(); });
    m_traffic = std::make_unique<TrafficSession>(m_ops, this, [this] { return Control(IDC_REFRESH)->isEnabled(); });
    // Settings that will not be saved are said once, from the event loop.
    SettingsStore::OnNotice([this](const QString& text) {
        QTimer::singleShot(0, this, [this, text] { MessageBoxSeam::Show(this, text, QMessageBox::Warning); });
    });
}

CKESTOVLV2xxManagerDlg::~CKESTOVLV2xxManagerDlg() {
    SettingsStore::OnNotice({});
    // The monitor reads the operations' scan record: it goes before them.
    delete m_monitor;
    m_monitor = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_postMutex);
        m_alive = false;
    }
    // Closes the link and joins the worker; the display is left alone.
    m_ops.CloseLink();
    m_traffic.reset();
    ApplyWaitCursor(false);
    m_nameFilterEdit->removeEventFilter(this);
    m_rssiFilterEdit->removeEventFilter(this);
}

void CKESTOVLV2xxManagerDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Pane 0 is 0.7 of the outer width; the frame is known only once shown.
    const int outer = frameGeometry().width();
    if (outer > 0) m_statusPane[0]->setFixedWidth(static_cast<int>(outer * 0.7));
    if (!m_startupDone) {
        m_startupDone = true;
        // After the window is up, like the end of the dialog's initialisation.
        QTimer::singleShot(0, this, [this] { RunStartupPortDialog(); });
    }
}

void CKESTOVLV2xxManagerDlg::RunStartupPortDialog() {
    if (m_ops.ChoosePort()) PostWindowMessage(WM_OPEN_PORT, 0, 0);
}

void CKESTOVLV2xxManagerDlg::CreateMenu() {
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    QMenu* menu = bar->addMenu(Tr("&Menu"));
    menu->setObjectName(QStringLiteral("menu103"));
    QAction* setup = menu->addAction(Tr("&Setup COM port"));
    setup->setObjectName(QStringLiteral("cmd32772"));
    connect(setup, &QAction::triggered, this, [this] { m_ops.RunPortSetup(); });
    AddProfileMenuItems(menu);
    QAction* traffic = menu->addAction(Tr("&Traffic"));
    traffic->setObjectName(QStringLiteral("cmdTraffic"));
    traffic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    addAction(traffic);  // the shortcut works while the menu is closed
    connect(traffic, &QAction::triggered, this, [this] { m_traffic->ShowWindow(); });
    QAction* monitor = menu->addAction(ScanMonitorWindow::MenuText());
    monitor->setObjectName(QStringLiteral("cmdScanMonitor"));
    monitor->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    addAction(monitor);
    connect(monitor, &QAction::triggered, this, [this] { OpenScanMonitor(); });
    QAction* station = menu->addAction(StationWindow::MenuText());
    station->setObjectName(QStringLiteral("cmdStation"));
    connect(station, &QAction::triggered, this, [this] { OpenStation(); });
    QAction* about = menu->addAction(Tr("KESTOV-LV200 Manager I&nfo."));
    about->setObjectName(QStringLiteral("cmd57664"));
    connect(about, &QAction::triggered, this, [this] { OnAbout(); });
    // A caption without a mnemonic still opens with Alt+M.
    if (!menu->title().contains(QLatin1Char('&'))) {
        auto* sc = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_M), this);
        connect(sc, &QShortcut::activated, bar, [bar, menu] { bar->setActiveAction(menu->menuAction()); });
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(bar);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CKESTOVLV2xxManagerDlg::OpenScanMonitor() {
    const bool first = !m_monitor;
    if (first) {
        // A child window: usable beside this one while it runs modally.
        m_monitor = new ScanMonitorWindow(
            m_ops.ScanRecording(),
            {[this] { return Control(IDC_SLOT_ASSIGN_1)->isEnabled(); },
             [this](const QString& address, const QString& name) { AssignToFirstEmptySlot(address, name); }},
            this);
        KeepOnScreen(m_monitor);
    }
    m_monitor->show();
    if (first) KeepOnScreen(m_monitor);  // again with the frame it now has
    m_monitor->raise();
    m_monitor->activateWindow();
}

void CKESTOVLV2xxManagerDlg::OpenStation() {
    if (!m_station) {
        // The station never touches the port this window uses (open, or waited for to reconnect).
        m_station = new StationWindow(
            [this] {
                const std::u16string& name = m_ops.Port().m_portName;
                return name.empty() ? std::string()
                                    : SerialDevicePath(QString::fromStdU16String(name).toUtf8().toStdString());
            },
            [this] { TakeProfileForStation(); }, this);
        KeepOnScreen(m_station);
    }
    m_station->show();
    m_station->raise();
    m_station->activateWindow();
}

void CKESTOVLV2xxManagerDlg::OnAbout() {
    CAboutDlg dlg(this);
    dlg.exec();
}

void CKESTOVLV2xxManagerDlg::Register(int id, QWidget* w, const QString& accessibleName) {
    w->setObjectName(QStringLiteral("ctl%1").arg(id));
    if (!accessibleName.isEmpty()) w->setAccessibleName(accessibleName);
    m_controls[id] = w;
}

QWidget* CKESTOVLV2xxManagerDlg::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CKESTOVLV2xxManagerDlg::SetEnabled(int id, bool enable) {
    if (QWidget* w = Control(id)) w->setEnabled(enable);
}

bool CKESTOVLV2xxManagerDlg::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusOut) {
        if (watched == m_nameFilterEdit)
            OnNameFilterKillFocus();
        else if (watched == m_rssiFilterEdit)
            OnRssiFilterKillFocus();
    }
    return QDialog::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------
// Keyboard and closing

void CKESTOVLV2xxManagerDlg::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        return;
    default:
        QDialog::keyPressEvent(e);
    }
}

void CKESTOVLV2xxManagerDlg::accept() {}

void CKESTOVLV2xxManagerDlg::reject() {}

void CKESTOVLV2xxManagerDlg::closeEvent(QCloseEvent* e) {
    // The close box (or the desktop's close shortcut) ends the modal run.
    done(QDialog::Rejected);
    e->accept();
}

// ---------------------------------------------------------------------------
// Status bar, controls, version

void CKESTOVLV2xxManagerDlg::SetupStatusBar() {
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(false);
    m_linkPane = new ElidedLabel(m_statusBar);
    m_statusPane[0] = m_linkPane;
    m_statusPane[1] = new QLabel(m_statusBar);
    for (int i = 0; i < 2; ++i) {
        m_statusPane[i]->setTextFormat(Qt::PlainText);
        m_statusPane[i]->setObjectName(QStringLiteral("statusPane%1").arg(i));
    }
    SetLinkStatusString(IDS_COM_PORT_CLOSED);
    m_statusPane[1]->setText(LoadStringRes(IDS_READY));
    m_statusPane[1]->setAccessibleName(Tr("Program version"));
    m_statusBar->addWidget(m_statusPane[0]);
    m_statusBar->addWidget(m_statusPane[1], 1);
    m_statusPane[0]->setFixedWidth(static_cast<int>(layout()->sizeHint().width() * 0.7));
    // Below the controls: the window grows by the bar's height.
    layout()->addWidget(m_statusBar);
    m_statusPane[1]->clear();
}

void CKESTOVLV2xxManagerDlg::ShowVersionText() {
    QString version;
    if (!GetProductVersionText(version)) return;
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() < 3) return;
    // English in both languages, like the port texts of pane 0.
    m_statusPane[1]->setText(
        QString::asprintf("Version %d.%d.%d", parts[0].toInt(), parts[1].toInt(), parts[2].toInt()));
}

void CKESTOVLV2xxManagerDlg::FillComboBox(QComboBox* combo, const ComboItem* items, int count, int defaultValue) {
    combo->clear();
    int selected = -1;
    for (int i = 0; i < count; ++i) {
        combo->addItem(Tr(items[i].text), items[i].value);
        if (selected < 0 && items[i].value == defaultValue) selected = i;
    }
    combo->setCurrentIndex(selected);
}

int CKESTOVLV2xxManagerDlg::SelectComboByValue(QComboBox* combo, int value) {
    const int index = combo->findData(value);
    if (index >= 0) combo->setCurrentIndex(index);
    return index;
}

int CKESTOVLV2xxManagerDlg::SelectComboByValue(ComboId combo, int value) {
    switch (combo) {
    case ComboId::FlowControl:
        return SelectComboByValue(m_flowControlCombo, value);
    case ComboId::Parity:
        return SelectComboByValue(m_parityCombo, value);
    case ComboId::StopBits:
        return SelectComboByValue(m_stopBitsCombo, value);
    }
    return -1;
}

void CKESTOVLV2xxManagerDlg::InitControls() {
    // 1. Scan list columns (pixel widths of the standard dialog font, scaled).
    m_scanModel->SetHeaders({LoadStringRes(IDS_COL_ADDRESS), LoadStringRes(IDS_COL_NAME), LoadStringRes(IDS_COL_RSSI)});
    const DialogUnits du(font());
    const double scale = du.X(400) / 700.0;
    const int widths[3] = {110, 88, 60};
    for (int i = 0; i < 3; ++i)
        m_scanList->horizontalHeader()->resizeSection(i, static_cast<int>(widths[i] * scale + 0.5));

    // 2. Beacon source: final serial data.
    m_ops.Records().m_settings.beaconSource = BEACON_SOURCE_SERIAL;

    // 3. Remembered scan filters.
    m_nameFilterCheck->setChecked(SettingsStore::GetProfileInt(SettingsStore::kNameFilterCheck, 0) != 0);
    m_nameFilterEdit->setText(
        SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("TALVERN")));
    m_rssiFilterCheck->setChecked(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterCheck, 0) != 0);
    m_rssiFilterEdit->setText(
        QString::asprintf("%d", SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45)));

    // 5. Drop-down lists, items in this order.
    static const ComboItem kFlow[] = {{"Disable", 0}, {"Enable", 1}};
    static const ComboItem kParity[] = {{"None", 'N'}, {"Even", 'E'}, {"Odd", 'O'}};
    static const ComboItem kStop[] = {{"1", 1}, {"2", 2}};
    FillComboBox(m_flowControlCombo, kFlow, 2, 0);
    FillComboBox(m_parityCombo, kParity, 3, 'N');
    FillComboBox(m_stopBitsCombo, kStop, 2, 1);

    // 6. Section captions: the dialog font, 2 pixels taller, bold.
    QFont caption = font();
    caption.setPixelSize(QFontInfo(font()).pixelSize() + 2);
    caption.setBold(true);
    for (CXGroupBox* g : {m_deviceInfoGroup, m_uartGroup, m_registerGroup, m_beaconGroup}) {
        g->SetCaptionFont(caption);
        g->SetAlignment(1);
        g->SetBorderStyle(0);
        g->SetBorderWidth(3);
    }

    // 7. Beacon data format; a stored value outside the pair is repaired.
    int format = SettingsStore::GetProfileInt(SettingsStore::kBeaconFormat, IDC_HEX_RADIO);
    if (format != IDC_HEX_RADIO && format != IDC_STRING_RADIO) {
        format = IDC_HEX_RADIO;
        SettingsStore::WriteProfileInt(SettingsStore::kBeaconFormat, format);
    }
    m_hexRadio->setChecked(format == IDC_HEX_RADIO);
    m_stringRadio->setChecked(format == IDC_STRING_RADIO);

    // 8. Picture of the series.
    m_devicePicture->LoadPngResource(PNG_SERIES);

    // 9. Members to controls.
    SetBeaconSourceRadios(m_ops.Records().m_settings.beaconSource);
}

void CKESTOVLV2xxManagerDlg::EnableControls(bool enable) {
    if (!WindowExists()) return;
    for (int id : kAlwaysSwitched) SetEnabled(id, enable);
    if (m_traffic) m_traffic->NoteStateChange();
    const bool lv230 = m_ops.Model() == MODEL_LV230;
    for (int id : kNotOnLv230) SetEnabled(id, enable && !lv230);
    if (!enable || lv230) return;
    if (m_ops.Records().m_settings.beaconSource == BEACON_SOURCE_USER) {
        SetEnabled(IDC_HEX_RADIO, true);
        SetEnabled(IDC_STRING_RADIO, true);
        if (m_hexRadio->isChecked()) {
            SetEnabled(IDC_BEACON_HEX, true);
            SetEnabled(IDC_BEACON_STRING, false);
        }
        if (m_stringRadio->isChecked()) {
            SetEnabled(IDC_BEACON_HEX, false);
            SetEnabled(IDC_BEACON_STRING, true);
        }
    } else {
        for (int id : {IDC_BEACON_HEX, IDC_BEACON_STRING, IDC_HEX_RADIO, IDC_STRING_RADIO}) SetEnabled(id, false);
    }
}

// ---------------------------------------------------------------------------
// IManagerView: messages, port dialog, status, picture

void CKESTOVLV2xxManagerDlg::ShowMessageText(const QString& text, MsgIcon icon) {
    MessageBoxSeam::Show(this, text, ToBoxIcon(icon));
}

MsgResult CKESTOVLV2xxManagerDlg::ShowMessage(int stringId, MsgIcon icon) {
    const QString text = LoadStringRes(stringId);
    if (icon == MsgIcon::Question) {
        const auto answer =
            MessageBoxSeam::Show(this, text, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel);
        return answer == QMessageBox::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
    MessageBoxSeam::Show(this, text, ToBoxIcon(icon));
    return MsgResult::Ok;
}

void CKESTOVLV2xxManagerDlg::ShowOpenPortError(const std::string& errorText, const std::string& accessGroup) {
    // The link's own reasons have translations; system messages come as they are.
    QString reason = QCoreApplication::translate("KestovLink", errorText.c_str());
    if (reason == QLatin1String(errorText.c_str()))
        reason = QString::fromLocal8Bit(errorText.data(), static_cast<qsizetype>(errorText.size()));
    QString text = LoadStringRes(IDS_OPEN_PORT_FAILED) + QStringLiteral(": ") + reason;
    if (!accessGroup.empty()) {
        text += QLatin1Char('\n') +
                Tr("To use this port, add your user to the group \"%1\" "
                   "(sudo usermod -aG %1 $USER), then log out and in again.")
                    .arg(QString::fromLocal8Bit(accessGroup.data(), static_cast<qsizetype>(accessGroup.size())));
    }
    ShowMessageText(text, MsgIcon::Error);
}

std::optional<PortSettings> CKESTOVLV2xxManagerDlg::RunPortDialog() {
    m_reconnector->Stop();
    const std::optional<PortSettings> chosen = m_portDlg->DoModal();
    if (chosen) m_reconnector->Chosen(QString::fromStdU16String(chosen->m_portName));
    return chosen;
}

void CKESTOVLV2xxManagerDlg::SetLinkStatus(const PortSettings& port) {
    // A long path gives way in its middle so the line setting always shows.
    const QString full = QString::fromStdU16String(ManagerOps::LinkStatusText(port));
    m_linkPane->SetElidedText(full, static_cast<qsizetype>(port.m_portName.size()));
    AnnounceStatus(m_linkPane, Tr("Link status"), full);
}

void CKESTOVLV2xxManagerDlg::SetLinkStatusText(const std::u16string& text) {
    const QString full = QString::fromStdU16String(text);
    m_linkPane->SetElidedText(full, full.size());
    AnnounceStatus(m_linkPane, Tr("Link status"), full);
}

void CKESTOVLV2xxManagerDlg::SetLinkStatusString(int stringId) {
    const QString text = LoadStringRes(stringId);
    m_linkPane->SetElidedText(text, text.size());
    AnnounceStatus(m_linkPane, Tr("Link status"), text);
}

void CKESTOVLV2xxManagerDlg::ShowPicture(int pngId) { m_devicePicture->LoadPngResource(pngId); }
