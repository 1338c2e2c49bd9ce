// Asks for the serial port to open and holds the line setting it is opened
// with; the chosen port is remembered in the settings store.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class GdiplusImgCtrl;
class CHTRichEditCtrl;

struct ComPortEntry { std::string name; std::string second; };  // name: narrow text

class ComConfigDlg : public QDialog {
    Q_OBJECT
public:
    explicit ComConfigDlg(QWidget* parent = nullptr);
    ~ComConfigDlg() override;

    QString m_portName = QStringLiteral("COM1");
    uint32_t m_baudRate = 9600;
    uint8_t m_parity = 0, m_stopBits = 0;

    // Shows the dialog modally (through the seam); returns QDialog::Accepted or Rejected.
    int DoModal();

    using Enumerator = std::function<int(std::vector<ComPortEntry>&)>;   // returns 0 on success
    static void SetEnumerator(Enumerator e);   // tests; empty = the system's ports (QSerialPortInfo)
    using ModalSeam = std::function<int(ComConfigDlg&)>;
    static void SetModalSeam(ModalSeam s);     // tests answer the modal dialog; empty = real exec()

    // The system's serial ports: device paths without duplicates, in the system's order.
    static int EnumerateComPorts(std::vector<ComPortEntry>& list);

    // The port drop-down (tests pick or type through it).
    QComboBox* PortCombo() const { return m_portCombo; }
    CHTRichEditCtrl* Instruction() const { return m_instruction; }
    GdiplusImgCtrl* DialPicture() const { return m_dial; }
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

    std::vector<ComPortEntry> m_ports;
    QComboBox* m_portCombo = nullptr;
    QLabel* m_portLabel = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    GdiplusImgCtrl* m_dial = nullptr;
    CHTRichEditCtrl* m_instruction = nullptr;
};
