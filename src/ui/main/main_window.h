// The program's main window: four sections, a menu and a status bar. It
// validates what the user typed, hands the work to the device operations as
// jobs, and shows what they report back through IManagerView.
#pragma once

#include "link/module_limits.h"
#include "ops/jobs/manager_ops.h"
#include "ops/jobs/manager_view.h"

#include <QDialog>
#include <QEvent>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTableView;
class CXGroupBox;
class ComConfigDlg;
class DialogUnits;
class ElidedLabel;
class GdiplusImgCtrl;
class LinkReconnector;
class ScanListModel;
class ScanMonitorWindow;
class StationWindow;
class TrafficSession;

class CKESTOVLV2xxManagerDlg : public QDialog, public IManagerView {
    Q_OBJECT
public:
    // Control ids of the window template (object names are "ctl<id>").
    enum ControlId : int {
        IDC_SCAN_LIST = 1007,
        IDC_FW_VERSION = 1009,
        IDC_REFRESH = 1010,
        IDC_REBOOT = 1011,
        IDC_FACTORY_RESET = 1013,
        IDC_DEVICE_NAME = 1014,
        IDC_CHANGE_NAME = 1015,
        IDC_NAME_FILTER_CHECK = 1024,
        IDC_NAME_FILTER_EDIT = 1025,
        IDC_SCAN = 1026,
        IDC_RSSI_FILTER_CHECK = 1027,
        IDC_RSSI_FILTER_EDIT = 1028,
        IDC_FINAL_SERIAL_RADIO = 1029,
        IDC_USER_DATA_RADIO = 1030,
        IDC_BEACON_HEX = 1031,
        IDC_BEACON_SAVE = 1032,
        IDC_SLOTS_SAVE = 1033,
        IDC_SLOT_CLEAR_1 = 1034,  // .. 1041
        IDC_BEACON_STRING = 1042,
        IDC_SLOT_TAG_1 = 1043,  // .. 1050
        IDC_BT_ADDRESS = 1052,
        IDC_SLOT_ASSIGN_1 = 1053,   // .. 1060
        IDC_SLOT_ADDRESS_1 = 1061,  // .. 1068
        IDC_ADV_INTERVAL = 1069,
        IDC_ADV_SAVE = 1070,
        IDC_REGISTER_GROUP = 1071,
        IDC_DEVICE_INFO_GROUP = 1072,
        IDC_BEACON_GROUP = 1073,
        IDC_FLOW_COMBO = 1075,
        IDC_PARITY_COMBO = 1076,
        IDC_STOPBIT_COMBO = 1077,
        IDC_UART_APPLY = 1078,
        IDC_UART_GROUP = 1079,
        IDC_HEX_RADIO = 1082,
        IDC_STRING_RADIO = 1083,
        IDC_HEX_PREFIX = 1084,
        IDC_PICTURE = 1085,
    };
    enum CommandId : int { ID_SETUP_COM_PORT = 32772, ID_APP_ABOUT = 57664 };

    // Posted window message; the numeric message values are kept.
    class WindowMessageEvent : public QEvent {
    public:
        WindowMessageEvent(unsigned msg, uintptr_t w, intptr_t l);
        static QEvent::Type EventType();
        unsigned msg;
        uintptr_t wParam;
        intptr_t lParam;
    };

    explicit CKESTOVLV2xxManagerDlg(QWidget* parent = nullptr);
    ~CKESTOVLV2xxManagerDlg() override;

    ManagerOps& Ops() { return m_ops; }

    // ---- IManagerView ----
    bool PostWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    void SetWaitCursor(bool on) override;
    bool WindowExists() const override;
    MsgResult ShowMessage(int stringId, MsgIcon icon) override;
    void ShowFieldMessage(int stringId, const std::string& fieldKey, MsgIcon icon) override;
    void ShowOpenPortError(const std::string& errorText, const std::string& accessGroup) override;
    void EnableControls(bool enable) override;
    std::optional<PortSettings> RunPortDialog() override;
    void SetLinkStatus(const PortSettings& port) override;
    // Pane 0 with a text of its own (the reconnect's waiting).
    void SetLinkStatusText(const std::u16string& text);
    void SetLinkStatusString(int stringId) override;
    void ShowPicture(int pngId) override;
    void SetFirmwareText(const std::u16string& text) override;
    void SetAddressText(const std::u16string& text) override;
    void SetDeviceNameText(const std::u16string& text) override;
    void SetAdvIntervalText(const std::u16string& text) override;
    int SelectComboByValue(ComboId combo, int value) override;
    void SetFieldText(const std::string& key, const std::u16string& text) override;
    void SetSlotRow(int n, const std::u16string& address, const std::u16string& tag, bool addressReadOnly) override;
    void ClearSlotRowTexts(int n) override;
    void SetBeaconSourceRadios(int source) override;
    void SetBeaconHexText(const std::u16string& text) override;
    void SetBeaconStringText(const std::u16string& text) override;
    void SetScanButton(int stringId, bool enabled) override;
    void ClearScanList() override;
    int ScanListCount() const override;
    void InsertScanRow(int index, const std::u16string& address, const std::u16string& name,
                       const std::u16string& rssi) override;
    bool RssiFilterChecked() const override;
    std::u16string RssiFilterText() const override;
    void ShowProfileResult(bool ok) override;

public slots:
    void accept() override;  // Enter does nothing
    void reject() override;  // Escape does nothing; the close box goes through closeEvent

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // Drop-down helpers: items carry a display text and a value.
    struct ComboItem {
        const char* text;
        int value;
    };
    void FillComboBox(QComboBox* combo, const ComboItem* items, int count, int defaultValue);
    static int SelectComboByValue(QComboBox* combo, int value);
    // The control with a template id, or nullptr.
    QWidget* Control(int id) const;
    // The scan monitor is made when first opened.
    void OpenScanMonitor();
    void OpenStation();

    // ---- Layout (main_window.cpp) ----
    void CreateMenu();
    void CreateControls(const DialogUnits& du);
    void CreateDeviceInfoSection(QWidget* client, const DialogUnits& du);
    void CreateUartSection(QWidget* client, const DialogUnits& du);
    void CreateRegisterSection(QWidget* client, const DialogUnits& du);
    void CreateBeaconSection(QWidget* client, const DialogUnits& du);
    void FitCaptions(QWidget* client);
    void ConnectHandlers();
    void SetupStatusBar();
    void InitControls();
    void ShowVersionText();
    void RunStartupPortDialog();
    void ApplyWaitCursor(bool on);
    void OnAbout();
    void ShowMessageText(const QString& text, MsgIcon icon);
    void Register(int id, QWidget* w, const QString& accessibleName);
    void SetEnabled(int id, bool enable);

    // ---- Scan section (scan_section.cpp) ----
    void OnScanButton();
    void OnStartScan();
    void OnNameFilterCheck();
    void OnRssiFilterCheck();
    void OnNameFilterKillFocus();
    void OnRssiFilterKillFocus();

    // ---- Slots (slots_section.cpp) ----
    void OnAssignSlot(int n);
    // The "=>" rules and messages for a device from anywhere.
    void AssignDeviceToSlot(int n, const QString& address, const QString& name);
    void AssignToFirstEmptySlot(const QString& address, const QString& name);
    // First row (1..8) that is usable and holds no address; 0 for none.
    int FirstEmptySlotRow() const;
    void OnClearSlot(int n);
    void OnSaveSlots();
    bool IsAddressAssigned(const QString& address) const;

    // ---- Beacon data and advertising interval (beacon_section.cpp) ----
    void OnFinalSerialDataRadio();
    void OnUserDataRadio();
    void OnDataFormatRadio(int id);
    bool ValidateBeaconData();
    // The string edit's bytes as they are to be sent.
    std::string BeaconStringBytes() const;
    void OnSaveBeaconData();
    void OnSaveAdvInterval();
    // Data exchange from the source radios: 0, 1, or -1 when neither is checked.
    int BeaconSourceFromRadios() const;

    // ---- Settings profiles (profile_menu.cpp) ----
    // Why JOB_APPLY_PROFILE runs: to export, to show an import's differences, to import.
    enum class ProfileStep { None, ExportRead, ImportRead, ImportWrite };
    void AddProfileMenuItems(QMenu* menu);
    bool ReadyForProfiles();
    void RunProfileJob(ProfileStep step);
    void OnExportSettings();
    void OnImportSettings();
    // The station's "From connected module...": an export whose file the station then uses.
    void TakeProfileForStation();
    void BeginExport(QWidget* dialogParent, const QString& title, const QString& suggested, bool forStation);
    void ExportRead(bool forStation);
    void AskAndImport();
    ProfileStep m_profileStep = ProfileStep::None;
    QString m_profilePath;      // export target
    std::string m_importModel;  // the model the imported profile names; may be empty
    bool m_exportForStation = false;

    // ---- Device information and UART options (device_section.cpp) ----
    void OnRefreshInfo();
    void OnReboot();
    void OnFactoryReset();
    void OnChangeDeviceName();
    void OnApplyUartOptions();
    // Writes the settings field whose control is named after its key: a
    // combo box's item value (its text when it has none) or an edit's text.
    void WriteField(const std::string& key);

    // Posting stops once destruction begins; the lock closes the gap between
    // the check and the post. Declared before the operations, which use them
    // until they are destroyed themselves.
    mutable std::mutex m_postMutex;
    bool m_alive = true;

    ManagerOps m_ops;
    ComConfigDlg* m_portDlg = nullptr;
    ScanMonitorWindow* m_monitor = nullptr;
    StationWindow* m_station = nullptr;
    LinkReconnector* m_reconnector = nullptr;
    std::unique_ptr<TrafficSession> m_traffic;  // reset once the destructor has closed the link
    bool m_waitCursorShown = false;
    bool m_startupDone = false;

    std::map<int, QWidget*> m_controls;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusPane[2] = {nullptr, nullptr};
    ElidedLabel* m_linkPane = nullptr;  // pane 0

    // Control members.
    QTableView* m_scanList = nullptr;
    ScanListModel* m_scanModel = nullptr;
    QLineEdit* m_deviceNameEdit = nullptr;
    QLineEdit* m_nameFilterEdit = nullptr;
    QCheckBox* m_nameFilterCheck = nullptr;
    QCheckBox* m_rssiFilterCheck = nullptr;
    QLineEdit* m_rssiFilterEdit = nullptr;
    QPushButton* m_scanButton = nullptr;
    QLineEdit* m_slotAddressEdit[module_limits::kMaxSlots] = {};
    QLineEdit* m_slotTagEdit[module_limits::kMaxSlots] = {};
    QLabel* m_firmwareText = nullptr;
    QLabel* m_addressText = nullptr;
    QLineEdit* m_beaconHexEdit = nullptr;
    QLineEdit* m_beaconStringEdit = nullptr;
    QString m_beaconReadHex;   // the beacon data as read back (hex digits)
    QString m_beaconReadText;  // and as the string edit showed it then
    QRadioButton* m_finalSerialRadio = nullptr;
    QRadioButton* m_userDataRadio = nullptr;
    QRadioButton* m_hexRadio = nullptr;
    QRadioButton* m_stringRadio = nullptr;
    QLineEdit* m_advIntervalEdit = nullptr;
    QComboBox* m_parityCombo = nullptr;
    QComboBox* m_stopBitsCombo = nullptr;
    QComboBox* m_flowControlCombo = nullptr;
    CXGroupBox* m_deviceInfoGroup = nullptr;
    CXGroupBox* m_uartGroup = nullptr;
    CXGroupBox* m_registerGroup = nullptr;
    CXGroupBox* m_beaconGroup = nullptr;
    GdiplusImgCtrl* m_devicePicture = nullptr;
};
