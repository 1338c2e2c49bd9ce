// Asks for the serial port to open; remembers the choice in the settings store.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class GdiplusImgCtrl;
class CHTRichEditCtrl;

struct ComPortEntry { std::string name; std::string second; };  // name: narrow text

class ComConfigDlg : public QDialog {
    Q_OBJECT
public:
    explicit ComConfigDlg(QWidget* parent = nullptr);
    QString m_portName = QStringLiteral("COM1");
    uint32_t m_baudRate = 9600;
    uint8_t m_parity = 0, m_stopBits = 0;

    // Shows the dialog modally (through the seam); returns QDialog::Accepted or Rejected.
    int DoModal();

    using Enumerator = std::function<int(std::vector<ComPortEntry>&)>;   // returns 0 on success
    static void SetEnumerator(Enumerator e);   // tests; empty = the system's ports (QSerialPortInfo)
    using ModalSeam = std::function<int(ComConfigDlg&)>;
    static void SetModalSeam(ModalSeam s);     // tests answer the modal dialog; empty = real exec()

    // The port drop-down (tests pick items through it).
    QComboBox* PortCombo() const { return m_portCombo; }
    // Refills the drop-down from the enumerator, keeping the current choice.
    void RefillPorts();

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnInitDialog();
    void OnSelChange();
    QString CurrentPort() const;
    void InsertSorted(const QString& name);

    QComboBox* m_portCombo = nullptr;
    GdiplusImgCtrl* m_dial = nullptr;
    CHTRichEditCtrl* m_instruction = nullptr;
    bool m_filling = false;
};
