// Asks for the serial port to open and answers it with the line setting it is
// opened with; the chosen port is remembered in the settings store.
#pragma once

#include "link/port_enum.h"
#include "ops/jobs/device_records.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class GdiplusImgCtrl;
class CHTRichEditCtrl;
class ModuleFinder;
struct ProbeResult;

class ComConfigDlg : public QDialog {
    Q_OBJECT
public:
    explicit ComConfigDlg(QWidget* parent = nullptr);
    ~ComConfigDlg() override;

    // Shows the dialog modally (through the seam): the chosen port and its
    // line setting on OK, nothing on Cancel.
    std::optional<PortSettings> DoModal();

    using ModalSeam = std::function<int(ComConfigDlg&)>;
    static void SetModalSeam(ModalSeam s);  // tests answer the modal dialog; empty = real exec()

    // Settings key of the "Reconnect automatically" option (0 or 1, off by default).
    static constexpr const char* kReconnectKey = "Reconnect automatically";
    static bool ReconnectEnabled();

    // Probes the listed ports for a module ("Find module").
    void FindModule();
    // Reads the ports again when the system's list changed (once a second
    // while shown), keeping what the user selected or typed.
    void PollPorts();
    // Fills the drop-down again from the enumerator and the remembered port.
    void FillPortList();
    // Selects an item as the user would (writes the remembered port).
    void SelectPort(int index);

public slots:
    void accept() override;

private:
    void BuildControls();
    void RetranslateUi();
    void OnInitDialog();
    void OnPopup();
    void OnSelChange();
    QString CurrentPort() const;
    int InsertSorted(const QString& name);
    int FindByStableName(const QString& byId) const;
    std::vector<SerialPortEntry> ReadPorts() const;
    // Adds one entry with its description and whether it may be opened.
    void AddEntry(const SerialPortEntry& entry);
    // An entry's finding (or why it may not be opened), shown and told.
    void SetItemStatus(int at, const QString& status);
    void RefreshKeepingInput();
    void ShowPortInfo();
    // Sets the port details and gives them the room they need.
    void SetPortInfo(const QString& text);
    // Places the controls from the template, grown to this style's needs.
    void LayOut();
    void OnProbeFinished(const std::vector<ProbeResult>& results);
    // What is remembered for the current choice: its by-id name when it has one.
    QString RememberedName() const;

    // The port OK answers with when the edit is empty: the last one chosen.
    QString m_portName = QStringLiteral("COM1");
    uint32_t m_baudRate = 9600;
    uint8_t m_parity = 0, m_stopBits = 0;
    std::vector<SerialPortEntry> m_ports;
    QComboBox* m_portCombo = nullptr;
    QLabel* m_portLabel = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    GdiplusImgCtrl* m_dial = nullptr;
    CHTRichEditCtrl* m_instruction = nullptr;
    QPushButton* m_find = nullptr;
    QLabel* m_portInfo = nullptr;
    QCheckBox* m_reconnect = nullptr;
    QTimer* m_hotplug = nullptr;
    int m_infoExtra = 0;  // pixels the port details need beyond their template room
    ModuleFinder* m_finder = nullptr;
    // Findings of the last probe by path; kept across refills of the list.
    std::map<QString, QString> m_findings;
};
