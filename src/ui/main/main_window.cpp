// Main window: layout from the dialog template, menu, status bar, the
// enabling rule, start-up, and the window side of IManagerView.
#include "ui/main/main_window.h"

#include "ops/string_ids.h"
#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/x_group_box.h"
#include "ui/main/scan_list_model.h"
#include "ui/shell/about_dlg.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/dialog_units.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"
#include "ui/shell/version_info.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace {

constexpr const char* kContext = "CKESTOVLV2xxManagerDlg";

QString Tr(const char* text) { return QCoreApplication::translate(kContext, text); }

// Turns letters into capitals as they are typed (text set by the program is
// not run through a validator, so read-back text stays as the module sent it).
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar& c : input) c = c.toUpper();
        return Acceptable;
    }
};

class WaitCursorEvent : public QEvent {
public:
    explicit WaitCursorEvent(bool on) : QEvent(EventType()), on(on) {}
    static QEvent::Type EventType() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    bool on;
};

// Pixel rectangle of a template rectangle; both edges are converted so that
// neighbouring controls keep their gaps.
QRect R(const DialogUnits& du, int x, int y, int w, int h) {
    const int left = du.X(x), top = du.Y(y);
    return QRect(left, top, du.X(x + w) - left, du.Y(y + h) - top);
}

// The 46 controls switched by EnableControls on every model.
constexpr int kAlwaysSwitched[] = {
        1014, 1025, 1024, 1027,
        1061, 1062, 1063, 1064, 1065, 1066, 1067,
        1043, 1044, 1045, 1046, 1047, 1048, 1049,
        1007, 1075, 1076, 1077, 1028, 1010, 1011, 1013, 1026, 1033,
        1034, 1035, 1036, 1037, 1038, 1039, 1040,
        1015,
        1053, 1054, 1055, 1056, 1057, 1058, 1059,
        1069, 1070, 1078};
static_assert(sizeof(kAlwaysSwitched) / sizeof(int) == 46);

// The 11 controls that an LV230 (no slot 8, no beacon) never gets.
constexpr int kNotOnLv230[] = {1068, 1050, 1041, 1060, 1031, 1042, 1082, 1083, 1032, 1029, 1030};
static_assert(sizeof(kNotOnLv230) / sizeof(int) == 11);

QMessageBox::Icon ToBoxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
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
        return true;
    }
    if (e->type() == WaitCursorEvent::EventType()) {
        // A worker's request that arrives after the job (or the link) has
        // ended is stale: the cursor follows the busy flag.
        const bool on = static_cast<WaitCursorEvent*>(e)->on;
        ApplyWaitCursor(on && m_ops.IsBusy());
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

CKESTOVLV2xxManagerDlg::CKESTOVLV2xxManagerDlg(QWidget* parent)
    : QDialog(parent), m_ops(*this) {
    setObjectName(QStringLiteral("CKESTOVLV2xxManagerDlg"));
    // Caption, window menu and minimize box; no maximize, fixed size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Tr("KESTOV-LV200 Manager"));
    QFont dialogFont = QApplication::font();
    dialogFont.setPointSizeF(9.0);
    setFont(dialogFont);

    m_portDlg = new ComConfigDlg(this);
    const DialogUnits du(font());
    CreateMenu();
    CreateControls(du);
    ConnectHandlers();

    SetupStatusBar();
    InitControls();
    EnableControls(false);
    ShowVersionText();
    m_ops.Init();
}

CKESTOVLV2xxManagerDlg::~CKESTOVLV2xxManagerDlg() {
    {
        std::lock_guard<std::mutex> lock(m_postMutex);
        m_alive = false;
    }
    // Closes the link and joins the worker; the display is left alone.
    m_ops.CloseLink();
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
    if (RunPortDialog(m_ops.Port())) PostWindowMessage(WM_OPEN_PORT, 0, 0);
}

void CKESTOVLV2xxManagerDlg::CreateMenu() {
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    QMenu* menu = bar->addMenu(Tr("&Menu"));
    menu->setObjectName(QStringLiteral("menu103"));
    QAction* setup = menu->addAction(Tr("Setup COM port"));
    setup->setObjectName(QStringLiteral("cmd32772"));
    QAction* about = menu->addAction(Tr("KESTOV-LV200 Manager Info."));
    about->setObjectName(QStringLiteral("cmd57664"));
    connect(setup, &QAction::triggered, this, [this] { m_ops.RunPortSetup(); });
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

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& r,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop, const char* name = nullptr) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setAlignment(align);
    label->setGeometry(r);
    if (name) label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& r) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setGeometry(r);
    return b;
}

QLineEdit* MakeEdit(QWidget* parent, const QRect& r) {
    auto* e = new QLineEdit(parent);
    e->setGeometry(r);
    return e;
}

// Korean captions are wider; the Korean template moves a few controls.
bool Korean() { return IsKoreanUi(); }

}  // namespace

void CKESTOVLV2xxManagerDlg::CreateControls(const DialogUnits& du) {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(du.X(356), du.Y(398));
    layout()->addWidget(client);

    CreateDeviceInfoSection(client, du);
    CreateUartSection(client, du);
    CreateRegisterSection(client, du);
    CreateBeaconSection(client, du);
    FitCaptions(client);
}

void CKESTOVLV2xxManagerDlg::FitCaptions(QWidget* client) {
    // Template widths were chosen for one particular font; with another one
    // a caption may need a little more room. It takes free space up to the
    // next control on its right, and only if that is not enough, a smaller font.
    const auto children = client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) {
        auto* label = qobject_cast<QLabel*>(w);
        const bool caption = (label && !label->text().isEmpty()) || qobject_cast<QCheckBox*>(w) ||
                             qobject_cast<QRadioButton*>(w);
        if (!caption || w->sizeHint().width() <= w->width()) continue;
        const QRect r = w->geometry();
        int limit = client->width();
        for (QWidget* other : children) {
            if (other == w) continue;
            const QRect o = other->geometry();
            if (qobject_cast<QGroupBox*>(other)) {
                if (o.contains(r.topLeft())) limit = std::min(limit, o.right() - 3);
                continue;
            }
            if (o.left() > r.left() && o.top() <= r.bottom() && o.bottom() >= r.top())
                limit = std::min(limit, o.left() - 2);
        }
        w->resize(std::max(r.width(), std::min(w->sizeHint().width(), limit - r.left())), r.height());
        QFont f = w->font();
        const int minPixels = QFontInfo(f).pixelSize() - 2;
        while (w->sizeHint().width() > w->width() && QFontInfo(f).pixelSize() > minPixels) {
            f.setPixelSize(QFontInfo(f).pixelSize() - 1);
            w->setFont(f);
        }
    }
}

void CKESTOVLV2xxManagerDlg::CreateDeviceInfoSection(QWidget* c, const DialogUnits& du) {
    const bool ko = Korean();
    m_deviceInfoGroup = new CXGroupBox(Tr("[ Device Information ]"), c);
    m_deviceInfoGroup->setGeometry(R(du, 9, 3, 338, 72));
    Register(IDC_DEVICE_INFO_GROUP, m_deviceInfoGroup, QString());

    m_devicePicture = new GdiplusImgCtrl(c);
    m_devicePicture->setGeometry(R(du, 12, 15, 54, 54));
    Register(IDC_PICTURE, m_devicePicture, Tr("Module picture"));

    MakeLabel(c, Tr("Bluetooth Address"), R(du, 71, 21, 63, 8), Qt::AlignLeft | Qt::AlignTop,
              "lblBluetoothAddress");
    m_addressText = MakeLabel(c, QString(), R(du, 137, 21, 64, 8));
    m_addressText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Register(IDC_BT_ADDRESS, m_addressText, Tr("Bluetooth Address"));

    MakeLabel(c, Tr("Firmware Version"), R(du, ko ? 210 : 206, 21, 53, 8),
              Qt::AlignLeft | Qt::AlignTop, "lblFirmwareVersion");
    m_firmwareText = MakeLabel(c, QString(), R(du, 267, 18, 59, 12), Qt::AlignLeft | Qt::AlignVCenter);
    m_firmwareText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Register(IDC_FW_VERSION, m_firmwareText, Tr("Firmware Version"));

    MakeLabel(c, Tr("Dev. Name"), R(du, 71, 37, 34, 12), Qt::AlignLeft | Qt::AlignVCenter,
              "lblDeviceName");
    m_deviceNameEdit = MakeEdit(c, R(du, 108, 37, 42, 12));
    Register(IDC_DEVICE_NAME, m_deviceNameEdit, Tr("Device name"));
    Register(IDC_CHANGE_NAME, MakeButton(c, Tr("Change"), R(du, 153, 36, 37, 14)), Tr("Change device name"));

    MakeLabel(c, Tr("Adv. Interval"), R(du, ko ? 194 : 202, 39, ko ? 57 : 47, 8),
              Qt::AlignLeft | Qt::AlignTop, "lblAdvInterval");
    m_advIntervalEdit = MakeEdit(c, R(du, 253, 36, 28, 14));
    m_advIntervalEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Register(IDC_ADV_INTERVAL, m_advIntervalEdit, Tr("Advertising interval in milliseconds"));
    MakeLabel(c, Tr("msec"), R(du, 285, 39, 22, 8), Qt::AlignLeft | Qt::AlignTop, "lblMsec");
    Register(IDC_ADV_SAVE, MakeButton(c, Tr("Save"), R(du, 307, 35, 35, 14)),
             Tr("Save advertising interval"));

    Register(IDC_REFRESH, MakeButton(c, Tr("Refresh Info."), R(du, 101, 55, 50, 14)), QString());
    Register(IDC_REBOOT, MakeButton(c, Tr("Reboot"), R(du, 188, 55, 50, 14)), QString());
    Register(IDC_FACTORY_RESET, MakeButton(c, Tr("Factory Reset"), R(du, 275, 55, 50, 14)), QString());
}

void CKESTOVLV2xxManagerDlg::CreateUartSection(QWidget* c, const DialogUnits& du) {
    m_uartGroup = new CXGroupBox(Tr("[ UART Options ]"), c);
    m_uartGroup->setGeometry(R(du, 9, 81, 339, 32));
    Register(IDC_UART_GROUP, m_uartGroup, QString());

    auto combo = [&](int id, const QRect& r, const QString& name) {
        auto* cb = new QComboBox(c);
        cb->setGeometry(r);
        Register(id, cb, name);
        return cb;
    };
    MakeLabel(c, Tr("Parity"), R(du, 31, 97, 24, 8), Qt::AlignLeft | Qt::AlignTop, "lblParity");
    m_parityCombo = combo(IDC_PARITY_COMBO, R(du, 60, 95, 40, 13), Tr("Parity"));
    MakeLabel(c, Tr("Stopbit"), R(du, 114, 97, 23, 8), Qt::AlignLeft | Qt::AlignTop, "lblStopbit");
    m_stopBitsCombo = combo(IDC_STOPBIT_COMBO, R(du, 148, 95, 24, 13), Tr("Stopbit"));
    MakeLabel(c, Tr("H/W flow control"), R(du, 186, 97, 55, 8), Qt::AlignLeft | Qt::AlignTop,
              "lblFlowControl");
    m_flowControlCombo = combo(IDC_FLOW_COMBO, R(du, 247, 95, 39, 13), Tr("H/W flow control"));
    Register(IDC_UART_APPLY, MakeButton(c, Tr("Apply"), R(du, 299, 94, 39, 14)), Tr("Apply UART options"));
}

void CKESTOVLV2xxManagerDlg::CreateRegisterSection(QWidget* c, const DialogUnits& du) {
    m_registerGroup = new CXGroupBox(Tr("[ Register Device (Master Function) ]"), c);
    m_registerGroup->setGeometry(R(du, 9, 120, 339, 186));
    Register(IDC_REGISTER_GROUP, m_registerGroup, QString());

    auto* scanFrame = new QGroupBox(Tr("Device Scan"), c);
    scanFrame->setObjectName(QStringLiteral("frameDeviceScan"));
    scanFrame->setGeometry(R(du, 14, 133, 161, 170));
    auto* slotFrame = new QGroupBox(Tr("Registered Device List"), c);
    slotFrame->setObjectName(QStringLiteral("frameRegisteredDevices"));
    slotFrame->setGeometry(R(du, 180, 133, 164, 170));

    // Scan: filters first, then the button and the list (tab order).
    m_nameFilterCheck = new QCheckBox(Tr("Name filter"), c);
    m_nameFilterCheck->setGeometry(R(du, 20, 150, 44, 10));
    Register(IDC_NAME_FILTER_CHECK, m_nameFilterCheck, QString());
    m_nameFilterEdit = MakeEdit(c, R(du, 67, 148, 52, 13));
    Register(IDC_NAME_FILTER_EDIT, m_nameFilterEdit, Tr("Name filter text"));
    m_rssiFilterCheck = new QCheckBox(Tr("RSSI Filter"), c);
    m_rssiFilterCheck->setGeometry(R(du, 20, 167, 47, 10));
    Register(IDC_RSSI_FILTER_CHECK, m_rssiFilterCheck, QString());
    m_rssiFilterEdit = MakeEdit(c, R(du, 67, 166, 28, 13));
    Register(IDC_RSSI_FILTER_EDIT, m_rssiFilterEdit, Tr("RSSI threshold"));
    m_scanButton = MakeButton(c, LoadStringRes(IDS_SCAN), R(du, 124, 148, 46, 31));
    Register(IDC_SCAN, m_scanButton, Tr("Scan or stop scanning"));

    m_scanModel = new ScanListModel(this);
    m_scanList = new QTableView(c);
    m_scanList->setModel(m_scanModel);
    m_scanList->setGeometry(R(du, 22, 186, 148, 110));
    m_scanList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_scanList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_scanList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_scanList->setShowGrid(true);
    m_scanList->setSortingEnabled(false);
    m_scanList->setWordWrap(false);
    m_scanList->setTabKeyNavigation(false);
    m_scanList->verticalHeader()->hide();
    // Uniform rows: no per-row measuring, so long lists stay fast.
    m_scanList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_scanList->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_scanList->horizontalHeader()->setSectionsClickable(false);
    m_scanList->horizontalHeader()->setHighlightSections(false);
    m_scanList->horizontalHeader()->setStretchLastSection(false);
    m_scanList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Register(IDC_SCAN_LIST, m_scanList, Tr("Scanned devices"));

    // Slot rows.
    MakeLabel(c, Tr("Bluetooth address"), R(du, 205, 145, 80, 12), Qt::AlignHCenter | Qt::AlignTop,
              "lblSlotAddressHeader");
    for (int n = 1; n <= 8; ++n) {
        const int y = 159 + 16 * (n - 1);
        const int i = n - 1;
        Register(IDC_SLOT_ASSIGN_1 + i, MakeButton(c, QStringLiteral("=>"), R(du, 185, y, 12, 12)),
                 Tr("Copy the selected device to slot %1").arg(n));
        MakeLabel(c, QString::number(n), R(du, 201, y + 2, 8, 8), Qt::AlignHCenter | Qt::AlignTop,
                  QStringLiteral("lblSlot%1").arg(n).toLatin1().constData());
        m_slotAddressEdit[i] = MakeEdit(c, R(du, 216, y, 62, 12));
        m_slotAddressEdit[i]->setValidator(new UpperCaseValidator(m_slotAddressEdit[i]));
        Register(IDC_SLOT_ADDRESS_1 + i, m_slotAddressEdit[i], Tr("Slot %1 Bluetooth address").arg(n));
        m_slotTagEdit[i] = MakeEdit(c, R(du, 282, y, 41, 12));
        m_slotTagEdit[i]->setReadOnly(true);
        Register(IDC_SLOT_TAG_1 + i, m_slotTagEdit[i], Tr("Slot %1 tag").arg(n));
        Register(IDC_SLOT_CLEAR_1 + i, MakeButton(c, QStringLiteral("X"), R(du, 327, y, 12, 12)),
                 Tr("Clear slot %1").arg(n));
    }
    Register(IDC_SLOTS_SAVE, MakeButton(c, Tr("Save"), R(du, 237, 287, 50, 14)),
             Tr("Save registered devices"));
}

void CKESTOVLV2xxManagerDlg::CreateBeaconSection(QWidget* c, const DialogUnits& du) {
    const bool ko = Korean();
    m_beaconGroup = new CXGroupBox(Tr("[ Beacon data settings (Slave function) ]"), c);
    m_beaconGroup->setGeometry(R(du, 9, 312, 338, 79));
    Register(IDC_BEACON_GROUP, m_beaconGroup, QString());

    m_finalSerialRadio = new QRadioButton(
            Tr("Final Serial Data(Will use the data input from UART, Max. 26 octets)"), c);
    m_finalSerialRadio->setGeometry(R(du, 17, 328, 260, 10));
    Register(IDC_FINAL_SERIAL_RADIO, m_finalSerialRadio, QString());
    m_userDataRadio = new QRadioButton(
            Tr("User assigned data(Max. 26 octets, UTF-8 encoding for the case of string)"), c);
    m_userDataRadio->setGeometry(R(du, 17, 344, 263, 10));
    Register(IDC_USER_DATA_RADIO, m_userDataRadio, QString());
    // Two separate radio groups share one parent.
    auto* sourceGroup = new QButtonGroup(this);
    sourceGroup->addButton(m_finalSerialRadio);
    sourceGroup->addButton(m_userDataRadio);

    const int dataX = ko ? 104 : 96;
    const int dataW = 341 - dataX;
    m_hexRadio = new QRadioButton(Tr("Hexadecimal"), c);
    m_hexRadio->setGeometry(R(du, 25, 359, ko ? 57 : 51, 10));
    Register(IDC_HEX_RADIO, m_hexRadio, QString());
    auto* prefix = MakeLabel(c, QStringLiteral("(0x)"), R(du, ko ? 87 : 81, 360, 13, 8));
    Register(IDC_HEX_PREFIX, prefix, QString());
    m_beaconHexEdit = MakeEdit(c, R(du, dataX, 358, dataW, 12));
    m_beaconHexEdit->setValidator(new UpperCaseValidator(m_beaconHexEdit));
    Register(IDC_BEACON_HEX, m_beaconHexEdit, Tr("Beacon data, hexadecimal"));
    m_stringRadio = new QRadioButton(Tr("String"), c);
    m_stringRadio->setGeometry(R(du, 25, 375, ko ? 57 : 52, 10));
    Register(IDC_STRING_RADIO, m_stringRadio, QString());
    auto* formatGroup = new QButtonGroup(this);
    formatGroup->addButton(m_hexRadio);
    formatGroup->addButton(m_stringRadio);
    m_beaconStringEdit = MakeEdit(c, R(du, dataX, 374, dataW, 12));
    Register(IDC_BEACON_STRING, m_beaconStringEdit, Tr("Beacon data, text"));
    Register(IDC_BEACON_SAVE, MakeButton(c, Tr("Save"), R(du, 294, 324, 47, 32)), Tr("Save beacon settings"));
}

void CKESTOVLV2xxManagerDlg::ConnectHandlers() {
    auto onClick = [this](int id, auto handler) {
        auto* b = qobject_cast<QAbstractButton*>(Control(id));
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    onClick(IDC_REFRESH, [this] { OnRefreshInfo(); });
    onClick(IDC_REBOOT, [this] { OnReboot(); });
    onClick(IDC_FACTORY_RESET, [this] { OnFactoryReset(); });
    onClick(IDC_CHANGE_NAME, [this] { OnChangeDeviceName(); });
    onClick(IDC_UART_APPLY, [this] { OnApplyUartOptions(); });
    onClick(IDC_NAME_FILTER_CHECK, [this] { OnNameFilterCheck(); });
    onClick(IDC_RSSI_FILTER_CHECK, [this] { OnRssiFilterCheck(); });
    onClick(IDC_SCAN, [this] { OnScanButton(); });
    for (int n = 1; n <= 8; ++n) {
        onClick(IDC_SLOT_ASSIGN_1 + n - 1, [this, n] { OnAssignSlot(n); });
        onClick(IDC_SLOT_CLEAR_1 + n - 1, [this, n] { OnClearSlot(n); });
    }
    onClick(IDC_SLOTS_SAVE, [this] { OnSaveSlots(); });
    onClick(IDC_FINAL_SERIAL_RADIO, [this] { OnFinalSerialDataRadio(); });
    onClick(IDC_USER_DATA_RADIO, [this] { OnUserDataRadio(); });
    onClick(IDC_HEX_RADIO, [this] { OnDataFormatRadio(IDC_HEX_RADIO); });
    onClick(IDC_STRING_RADIO, [this] { OnDataFormatRadio(IDC_STRING_RADIO); });
    onClick(IDC_BEACON_SAVE, [this] { OnSaveBeaconData(); });
    onClick(IDC_ADV_SAVE, [this] { OnSaveAdvInterval(); });

    m_nameFilterEdit->installEventFilter(this);
    m_rssiFilterEdit->installEventFilter(this);
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
    for (int i = 0; i < 2; ++i) {
        m_statusPane[i] = new QLabel(m_statusBar);
        m_statusPane[i]->setTextFormat(Qt::PlainText);
        m_statusPane[i]->setObjectName(QStringLiteral("statusPane%1").arg(i));
    }
    m_statusPane[0]->setText(LoadStringRes(IDS_COM_PORT_CLOSED));
    m_statusPane[1]->setText(LoadStringRes(IDS_READY));
    m_statusPane[0]->setAccessibleName(Tr("Link status"));
    m_statusPane[1]->setAccessibleName(Tr("Program version"));
    m_statusBar->addWidget(m_statusPane[0]);
    m_statusBar->addWidget(m_statusPane[1], 1);
    m_statusPane[0]->setFixedWidth(static_cast<int>(layout()->sizeHint().width() * 0.7));
    // Below the controls: the window grows by the bar's height.
    layout()->addWidget(m_statusBar);
    m_statusPane[1]->clear();
}

QString CKESTOVLV2xxManagerDlg::StatusPaneText(int pane) const {
    return (pane == 0 || pane == 1) ? m_statusPane[pane]->text() : QString();
}

void CKESTOVLV2xxManagerDlg::ShowVersionText() {
    QString version;
    if (!GetProductVersionText(version)) return;
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() < 3) return;
    // English in both languages, like the port texts of pane 0.
    m_statusPane[1]->setText(QString::asprintf("Version %d.%d.%d", parts[0].toInt(), parts[1].toInt(),
                                               parts[2].toInt()));
}

void CKESTOVLV2xxManagerDlg::FillComboBox(QComboBox* combo, const ComboItem* items, int count,
                                          int defaultValue) {
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
    case ComboId::FlowControl: return SelectComboByValue(m_flowControlCombo, value);
    case ComboId::Parity: return SelectComboByValue(m_parityCombo, value);
    case ComboId::StopBits: return SelectComboByValue(m_stopBitsCombo, value);
    }
    return -1;
}

void CKESTOVLV2xxManagerDlg::InitControls() {
    // 1. Scan list columns (pixel widths of the standard dialog font, scaled).
    m_scanModel->SetHeaders({LoadStringRes(IDS_COL_ADDRESS), LoadStringRes(IDS_COL_NAME),
                             LoadStringRes(IDS_COL_RSSI)});
    const DialogUnits du(font());
    const double scale = du.X(400) / 700.0;
    const int widths[3] = {110, 88, 60};
    for (int i = 0; i < 3; ++i)
        m_scanList->horizontalHeader()->resizeSection(i, static_cast<int>(widths[i] * scale + 0.5));

    // 2. Beacon source: final serial data.
    m_ops.Records().m_beaconSource = 0;

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
    SetBeaconSourceRadios(m_ops.Records().m_beaconSource);
}

void CKESTOVLV2xxManagerDlg::EnableControls(bool enable) {
    if (!WindowExists()) return;
    for (int id : kAlwaysSwitched) SetEnabled(id, enable);
    const bool lv230 = m_ops.Model() == MODEL_LV230;
    for (int id : kNotOnLv230) SetEnabled(id, enable && !lv230);
    if (!enable || lv230) return;
    if (m_ops.Records().m_beaconSource == 1) {
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
        for (int id : {IDC_BEACON_HEX, IDC_BEACON_STRING, IDC_HEX_RADIO, IDC_STRING_RADIO})
            SetEnabled(id, false);
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
        const auto answer = MessageBoxSeam::Show(this, text, QMessageBox::Question,
                                                 QMessageBox::Ok | QMessageBox::Cancel);
        return answer == QMessageBox::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
    MessageBoxSeam::Show(this, text, ToBoxIcon(icon));
    return MsgResult::Ok;
}

void CKESTOVLV2xxManagerDlg::ShowOpenPortError(const std::string& errorText,
                                               const std::string& accessGroup) {
    QString text = LoadStringRes(IDS_OPEN_PORT_FAILED) + QStringLiteral(": ") +
                   QString::fromLocal8Bit(errorText.data(), static_cast<qsizetype>(errorText.size()));
    if (!accessGroup.empty()) {
        text += QLatin1Char('\n') +
                Tr("To use this port, add your user to the group \"%1\" "
                   "(sudo usermod -aG %1 $USER), then log out and in again.")
                    .arg(QString::fromLocal8Bit(accessGroup.data(), static_cast<qsizetype>(accessGroup.size())));
    }
    ShowMessageText(text, MsgIcon::Error);
}

bool CKESTOVLV2xxManagerDlg::RunPortDialog(PortSettings& settings) {
    if (m_portDlg->DoModal() != QDialog::Accepted) return false;
    settings.m_portName = m_portDlg->m_portName.toStdU16String();
    settings.m_baudRate = m_portDlg->m_baudRate;
    settings.m_parity = m_portDlg->m_parity;
    settings.m_stopBits = m_portDlg->m_stopBits;
    return true;
}

void CKESTOVLV2xxManagerDlg::SetLinkStatusText(const std::u16string& text) {
    m_statusPane[0]->setText(QString::fromStdU16String(text));
}

void CKESTOVLV2xxManagerDlg::SetLinkStatusString(int stringId) {
    m_statusPane[0]->setText(LoadStringRes(stringId));
}

void CKESTOVLV2xxManagerDlg::ShowPicture(int pngId) { m_devicePicture->LoadPngResource(pngId); }
