// Main window: the controls of the dialog template, placed from dialog
// units, with their captions, accessible names, tab order and handlers.
#include "ui/main/main_window.h"
#include "ui/main/window_text.h"

#include "ops/rules/string_ids.h"
#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/text_room.h"
#include "ui/controls/x_group_box.h"
#include "ui/main/scan_list_model.h"
#include "ui/shell/dialog_units.h"
#include "ui/shell/strings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace {

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

// An address of all six hex letters and six digits: wider than most, so a
// slot's address shows whole (twelve of the widest letter would not fit the
// template's field even in Qt's own style).
const QString kWidestAddress = QStringLiteral("ABCDEF012345");

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
        const bool caption =
            (label && !label->text().isEmpty()) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
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
    m_deviceInfoGroup->setGeometry(du.Rect(9, 3, 338, 72));
    Register(IDC_DEVICE_INFO_GROUP, m_deviceInfoGroup, QString());

    m_devicePicture = new GdiplusImgCtrl(c);
    m_devicePicture->setGeometry(du.Rect(12, 15, 54, 54));
    Register(IDC_PICTURE, m_devicePicture, Tr("Module picture"));

    MakeLabel(c, Tr("Bluetooth Address"), du.Rect(71, 21, 63, 8), Qt::AlignLeft | Qt::AlignTop, "lblBluetoothAddress");
    m_addressText = MakeLabel(c, QString(), du.Rect(137, 21, 64, 8));
    m_addressText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Register(IDC_BT_ADDRESS, m_addressText, Tr("Bluetooth Address"));

    MakeLabel(c, Tr("Firmware Version"), du.Rect(ko ? 210 : 206, 21, 53, 8), Qt::AlignLeft | Qt::AlignTop,
              "lblFirmwareVersion");
    // The value stands on its caption's line: the box starts 3 units higher.
    m_firmwareText = MakeLabel(c, QString(), du.Rect(267, 18, 59, 12), Qt::AlignLeft | Qt::AlignTop);
    m_firmwareText->setContentsMargins(0, du.Y(21) - du.Y(18), 0, 0);
    m_firmwareText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Register(IDC_FW_VERSION, m_firmwareText, Tr("Firmware Version"));

    MakeLabel(c, Tr("Dev. Name"), du.Rect(71, 37, 34, 12), Qt::AlignLeft | Qt::AlignVCenter, "lblDeviceName");
    m_deviceNameEdit = MakeEdit(c, du.Rect(108, 37, 42, 12));
    Register(IDC_DEVICE_NAME, m_deviceNameEdit, Tr("Device name"));
    Register(IDC_CHANGE_NAME, MakeButton(c, Tr("Change"), du.Rect(153, 36, 37, 14)), Tr("Change device name"));

    MakeLabel(c, Tr("Adv. Interval"), du.Rect(ko ? 194 : 202, 39, ko ? 57 : 47, 8), Qt::AlignLeft | Qt::AlignTop,
              "lblAdvInterval");
    m_advIntervalEdit = MakeEdit(c, du.Rect(253, 36, 28, 14));
    m_advIntervalEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Register(IDC_ADV_INTERVAL, m_advIntervalEdit, Tr("Advertising interval in milliseconds"));
    MakeLabel(c, Tr("msec"), du.Rect(285, 39, 22, 8), Qt::AlignLeft | Qt::AlignTop, "lblMsec");
    Register(IDC_ADV_SAVE, MakeButton(c, Tr("Save"), du.Rect(307, 35, 35, 14)), Tr("Save advertising interval"));

    Register(IDC_REFRESH, MakeButton(c, Tr("Refresh Info."), du.Rect(101, 55, 50, 14)), QString());
    Register(IDC_REBOOT, MakeButton(c, Tr("Reboot"), du.Rect(188, 55, 50, 14)), QString());
    Register(IDC_FACTORY_RESET, MakeButton(c, Tr("Factory Reset"), du.Rect(275, 55, 50, 14)), QString());
}

void CKESTOVLV2xxManagerDlg::CreateUartSection(QWidget* c, const DialogUnits& du) {
    m_uartGroup = new CXGroupBox(Tr("[ UART Options ]"), c);
    m_uartGroup->setGeometry(du.Rect(9, 81, 339, 32));
    Register(IDC_UART_GROUP, m_uartGroup, QString());

    auto combo = [&](int id, const QRect& r, const QString& name) {
        auto* cb = new QComboBox(c);
        cb->setGeometry(r);
        Register(id, cb, name);
        return cb;
    };
    MakeLabel(c, Tr("Parity"), du.Rect(31, 97, 24, 8), Qt::AlignLeft | Qt::AlignTop, "lblParity");
    m_parityCombo = combo(IDC_PARITY_COMBO, du.Rect(60, 95, 40, 13), Tr("Parity"));
    MakeLabel(c, Tr("Stopbit"), du.Rect(114, 97, 23, 8), Qt::AlignLeft | Qt::AlignTop, "lblStopbit");
    m_stopBitsCombo = combo(IDC_STOPBIT_COMBO, du.Rect(148, 95, 24, 13), Tr("Stopbit"));
    MakeLabel(c, Tr("H/W flow control"), du.Rect(186, 97, 55, 8), Qt::AlignLeft | Qt::AlignTop, "lblFlowControl");
    m_flowControlCombo = combo(IDC_FLOW_COMBO, du.Rect(247, 95, 39, 13), Tr("H/W flow control"));
    Register(IDC_UART_APPLY, MakeButton(c, Tr("Apply"), du.Rect(299, 94, 39, 14)), Tr("Apply UART options"));
}

void CKESTOVLV2xxManagerDlg::CreateRegisterSection(QWidget* c, const DialogUnits& du) {
    m_registerGroup = new CXGroupBox(Tr("[ Register Device (Master Function) ]"), c);
    m_registerGroup->setGeometry(du.Rect(9, 120, 339, 186));
    Register(IDC_REGISTER_GROUP, m_registerGroup, QString());

    auto* scanFrame = new QGroupBox(Tr("Device Scan"), c);
    scanFrame->setObjectName(QStringLiteral("frameDeviceScan"));
    scanFrame->setGeometry(du.Rect(14, 133, 161, 170));
    auto* slotFrame = new QGroupBox(Tr("Registered Device List"), c);
    slotFrame->setObjectName(QStringLiteral("frameRegisteredDevices"));
    slotFrame->setGeometry(du.Rect(180, 133, 164, 170));

    // Scan: filters first, then the button and the list (tab order). The
    // two filter captions get the same room, up to edits that start 3 units
    // further right (keeping their right ends), so with this font neither
    // caption has to be drawn smaller than the other.
    m_nameFilterCheck = new QCheckBox(Tr("Name filter"), c);
    m_nameFilterCheck->setGeometry(du.Rect(20, 150, 50, 10));
    Register(IDC_NAME_FILTER_CHECK, m_nameFilterCheck, QString());
    m_nameFilterEdit = MakeEdit(c, du.Rect(70, 148, 49, 13));
    Register(IDC_NAME_FILTER_EDIT, m_nameFilterEdit, Tr("Name filter text"));
    m_rssiFilterCheck = new QCheckBox(Tr("RSSI Filter"), c);
    m_rssiFilterCheck->setGeometry(du.Rect(20, 167, 50, 10));
    Register(IDC_RSSI_FILTER_CHECK, m_rssiFilterCheck, QString());
    m_rssiFilterEdit = MakeEdit(c, du.Rect(70, 166, 25, 13));
    Register(IDC_RSSI_FILTER_EDIT, m_rssiFilterEdit, Tr("RSSI threshold"));
    m_scanButton = MakeButton(c, LoadStringRes(IDS_SCAN), du.Rect(124, 148, 46, 31));
    Register(IDC_SCAN, m_scanButton, Tr("Scan or stop scanning"));

    m_scanModel = new ScanListModel(this);
    m_scanList = new QTableView(c);
    m_scanList->setModel(m_scanModel);
    m_scanList->setGeometry(du.Rect(22, 186, 148, 110));
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
    MakeLabel(c, Tr("Bluetooth address"), du.Rect(205, 145, 80, 12), Qt::AlignHCenter | Qt::AlignTop,
              "lblSlotAddressHeader");
    for (int n = 1; n <= module_limits::kMaxSlots; ++n) {
        const int y = 159 + 16 * (n - 1);
        const int i = n - 1;
        Register(IDC_SLOT_ASSIGN_1 + i, MakeButton(c, QStringLiteral("=>"), du.Rect(185, y, 12, 12)),
                 Tr("Copy the selected device to slot %1").arg(n));
        MakeLabel(c, QString::number(n), du.Rect(201, y + 2, 8, 8), Qt::AlignHCenter | Qt::AlignTop,
                  QStringLiteral("lblSlot%1").arg(n).toLatin1().constData());
        m_slotAddressEdit[i] = MakeEdit(c, du.Rect(216, y, 62, 12));
        m_slotAddressEdit[i]->setValidator(new UpperCaseValidator(m_slotAddressEdit[i]));
        text_room::SetSampleText(m_slotAddressEdit[i], kWidestAddress);
        Register(IDC_SLOT_ADDRESS_1 + i, m_slotAddressEdit[i], Tr("Slot %1 Bluetooth address").arg(n));
        m_slotTagEdit[i] = MakeEdit(c, du.Rect(282, y, 41, 12));
        m_slotTagEdit[i]->setReadOnly(true);
        Register(IDC_SLOT_TAG_1 + i, m_slotTagEdit[i], Tr("Slot %1 tag").arg(n));
        Register(IDC_SLOT_CLEAR_1 + i, MakeButton(c, QStringLiteral("X"), du.Rect(327, y, 12, 12)),
                 Tr("Clear slot %1").arg(n));
    }
    Register(IDC_SLOTS_SAVE, MakeButton(c, Tr("Save"), du.Rect(237, 287, 50, 14)), Tr("Save registered devices"));
}

void CKESTOVLV2xxManagerDlg::CreateBeaconSection(QWidget* c, const DialogUnits& du) {
    const bool ko = Korean();
    m_beaconGroup = new CXGroupBox(Tr("[ Beacon data settings (Slave function) ]"), c);
    m_beaconGroup->setGeometry(du.Rect(9, 312, 338, 79));
    Register(IDC_BEACON_GROUP, m_beaconGroup, QString());

    m_finalSerialRadio =
        new QRadioButton(Tr("Final Serial Data(Will use the data input from UART, Max. 26 octets)"), c);
    m_finalSerialRadio->setGeometry(du.Rect(17, 328, 260, 10));
    Register(IDC_FINAL_SERIAL_RADIO, m_finalSerialRadio, QString());
    m_userDataRadio =
        new QRadioButton(Tr("User assigned data(Max. 26 octets, UTF-8 encoding for the case of string)"), c);
    m_userDataRadio->setGeometry(du.Rect(17, 344, 263, 10));
    Register(IDC_USER_DATA_RADIO, m_userDataRadio, QString());
    // Two separate radio groups share one parent.
    auto* sourceGroup = new QButtonGroup(this);
    sourceGroup->addButton(m_finalSerialRadio);
    sourceGroup->addButton(m_userDataRadio);

    const int dataX = ko ? 104 : 96;
    const int dataW = 341 - dataX;
    m_hexRadio = new QRadioButton(Tr("Hexadecimal"), c);
    m_hexRadio->setGeometry(du.Rect(25, 359, ko ? 57 : 51, 10));
    Register(IDC_HEX_RADIO, m_hexRadio, QString());
    auto* prefix = MakeLabel(c, QStringLiteral("(0x)"), du.Rect(ko ? 87 : 81, 360, 13, 8));
    Register(IDC_HEX_PREFIX, prefix, QString());
    m_beaconHexEdit = MakeEdit(c, du.Rect(dataX, 358, dataW, 12));
    m_beaconHexEdit->setValidator(new UpperCaseValidator(m_beaconHexEdit));
    Register(IDC_BEACON_HEX, m_beaconHexEdit, Tr("Beacon data, hexadecimal"));
    m_stringRadio = new QRadioButton(Tr("String"), c);
    m_stringRadio->setGeometry(du.Rect(25, 375, ko ? 57 : 52, 10));
    Register(IDC_STRING_RADIO, m_stringRadio, QString());
    auto* formatGroup = new QButtonGroup(this);
    formatGroup->addButton(m_hexRadio);
    formatGroup->addButton(m_stringRadio);
    m_beaconStringEdit = MakeEdit(c, du.Rect(dataX, 374, dataW, 12));
    Register(IDC_BEACON_STRING, m_beaconStringEdit, Tr("Beacon data, text"));
    Register(IDC_BEACON_SAVE, MakeButton(c, Tr("Save"), du.Rect(294, 324, 47, 32)), Tr("Save beacon settings"));
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
    for (int n = 1; n <= module_limits::kMaxSlots; ++n) {
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
