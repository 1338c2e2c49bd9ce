#include "ui/shell/com_config_dlg.h"

#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/shell/dialog_units.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSignalBlocker>

namespace {

ComConfigDlg::Enumerator& EnumeratorOverride() {
    static ComConfigDlg::Enumerator e;
    return e;
}

ComConfigDlg::ModalSeam& ModalOverride() {
    static ComConfigDlg::ModalSeam s;
    return s;
}

// The port list is read again each time the user opens it: adapters come and go.
class PortComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;
    void showPopup() override {
        if (beforePopup) beforePopup();
        QComboBox::showPopup();
    }
};

int FindExact(const QComboBox* combo, const QString& text) {
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i) == text) return i;
    }
    return -1;
}

// A device path that is not a listed port but exists (a pseudo-terminal, a
// /dev/serial/by-id link) is a valid choice the user typed earlier.
bool IsExistingDevicePath(const QString& path) {
    return path.startsWith(QLatin1String("/dev/")) && QFileInfo::exists(path);
}

}  // namespace

ComConfigDlg::ComConfigDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    BuildControls();
    RetranslateUi();
}

ComConfigDlg::~ComConfigDlg() = default;

void ComConfigDlg::SetEnumerator(Enumerator e) { EnumeratorOverride() = std::move(e); }
void ComConfigDlg::SetModalSeam(ModalSeam s) { ModalOverride() = std::move(s); }

void ComConfigDlg::BuildControls() {
    const DialogUnits du(font());
    setFixedSize(du.X(197), du.Y(113));

    // Template order is the tab order.
    m_ok = new QPushButton(this);
    m_ok->setGeometry(du.Rect(41, 92, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ComConfigDlg::accept);

    m_cancel = new QPushButton(this);
    m_cancel->setGeometry(du.Rect(106, 92, 50, 14));
    connect(m_cancel, &QPushButton::clicked, this, &ComConfigDlg::reject);

    // Wider than a COM name needs: device paths such as /dev/ttyUSB0 are longer.
    auto* combo = new PortComboBox(this);
    m_portCombo = combo;
    const QRect comboRect = du.Rect(113, 48, 77, 12);
    m_portCombo->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(),
                             std::max(comboRect.height(), m_portCombo->sizeHint().height()));
    m_portCombo->setEditable(true);
    m_portCombo->setInsertPolicy(QComboBox::NoInsert);
    m_portCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_portCombo->view()->setMinimumWidth(comboRect.width());
    if (m_portCombo->completer()) m_portCombo->completer()->setCaseSensitivity(Qt::CaseSensitive);
    combo->beforePopup = [this] { OnPopup(); };
    connect(m_portCombo, &QComboBox::activated, this, [this](int) { OnSelChange(); });
    connect(m_portCombo->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { OnSelChange(); });

    m_portLabel = new QLabel(this);
    m_portLabel->setTextFormat(Qt::PlainText);
    m_portLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_portLabel->setGeometry(du.Rect(113, 30, 77, 8));

    m_dial = new GdiplusImgCtrl(this);
    m_dial->setGeometry(du.Rect(20, 30, 89, 51));

    m_instruction = new CHTRichEditCtrl(this);
    m_instruction->setGeometry(du.Rect(7, 9, 183, 14));
    m_instruction->setFrameShape(QFrame::NoFrame);
    m_instruction->setFocusPolicy(Qt::ClickFocus);
    m_instruction->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_instruction->viewport()->setAutoFillBackground(false);
    m_instruction->setAutoFillBackground(false);
    QPalette pal = m_instruction->palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    m_instruction->setPalette(pal);
    m_instruction->document()->setDocumentMargin(1);
}

void ComConfigDlg::RetranslateUi() {
    setWindowTitle(UiText("ComConfigDlg", "Select COM port for communication"));
    m_ok->setText(UiText("ComConfigDlg", "Ok"));
    m_cancel->setText(UiText("ComConfigDlg", "Cancel"));
    m_portLabel->setText(UiText("ComConfigDlg", "COM Port"));
}

int ComConfigDlg::DoModal() {
    OnInitDialog();
    if (ModalOverride()) return ModalOverride()(*this);
    return exec();
}

void ComConfigDlg::OnInitDialog() {
    RetranslateUi();
    FillPortList();

    // The module is always set up at 115200 baud, no parity, one stop bit.
    m_baudRate = 115200;
    m_parity = 0;
    m_stopBits = 0;

    m_instruction->clear();
    m_instruction->Init();
    m_instruction->SetCentered(true);
    if (IsKoreanUi()) {
        m_instruction->AppendHyperText(QStringLiteral("통신속도 다이얼을 "));
        m_instruction->AppendSetMark();
        m_instruction->AppendHyperText(QStringLiteral("으로 설정해 주세요"));
    } else {
        m_instruction->AppendHyperText(QStringLiteral("Place baud rate dial to "));
        m_instruction->AppendSetMark();
    }

    m_dial->LoadPngResource(134);
    m_ok->setFocus();
}

int ComConfigDlg::EnumerateComPorts(std::vector<ComPortEntry>& list) {
    list.clear();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QByteArray path = info.systemLocation().toLocal8Bit();
        if (path.isEmpty()) continue;
        const std::string name(path.constData(), static_cast<size_t>(path.size()));
        bool seen = false;
        for (const ComPortEntry& e : list) seen = seen || e.name == name;
        if (!seen) list.push_back({name, std::string()});
    }
    return 0;
}

int ComConfigDlg::InsertSorted(const QString& name) {
    // Case-insensitive order, as a sorted list box keeps it: COM10 before COM2.
    int at = 0;
    while (at < m_portCombo->count() &&
           QString::compare(m_portCombo->itemText(at), name, Qt::CaseInsensitive) <= 0) {
        ++at;
    }
    m_portCombo->insertItem(at, name);
    return at;
}

void ComConfigDlg::FillPortList() {
    m_ports.clear();
    if (EnumeratorOverride()) EnumeratorOverride()(m_ports);
    else EnumerateComPorts(m_ports);

    const QSignalBlocker block(m_portCombo);
    m_portCombo->clear();
    const QString remembered =
            SettingsStore::GetProfileString(SettingsStore::kComPort, QStringLiteral("COM1"));

    bool matched = false;
    for (const ComPortEntry& e : m_ports) {
        const QString name = QString::fromLocal8Bit(e.name.data(), static_cast<qsizetype>(e.name.size()));
        if (name.isEmpty() || FindExact(m_portCombo, name) >= 0) continue;   // listed once
        InsertSorted(name);
        matched = matched || name == remembered;   // exact, case-sensitive
    }
    if (!matched && IsExistingDevicePath(remembered)) {
        InsertSorted(remembered);
        matched = true;
    }

    if (matched) {
        m_portCombo->setCurrentIndex(FindExact(m_portCombo, remembered));
        m_portName = remembered;
    } else {
        // The remembered port is gone: the first port stands in (not written yet).
        m_portCombo->setCurrentIndex(m_portCombo->count() > 0 ? 0 : -1);
        if (m_portCombo->count() == 0) m_portCombo->setEditText(QString());
        m_portName = m_portCombo->currentText();
    }
}

void ComConfigDlg::OnPopup() {
    const QString current = CurrentPort();
    FillPortList();
    if (current.isEmpty() || current == m_portCombo->currentText()) return;
    // Keep what the user has chosen or typed as long as it still exists.
    int at = FindExact(m_portCombo, current);
    if (at < 0 && IsExistingDevicePath(current)) at = InsertSorted(current);
    if (at < 0) return;
    const QSignalBlocker block(m_portCombo);
    m_portCombo->setCurrentIndex(at);
    m_portName = current;
}

QString ComConfigDlg::CurrentPort() const { return m_portCombo->currentText().trimmed(); }

void ComConfigDlg::SelectPort(int index) {
    m_portCombo->setCurrentIndex(index);
    OnSelChange();
}

void ComConfigDlg::OnSelChange() {
    const QString port = CurrentPort();
    if (!port.isEmpty()) SettingsStore::WriteProfileString(SettingsStore::kComPort, port);
}

void ComConfigDlg::accept() {
    const QString port = CurrentPort();
    if (!port.isEmpty()) {
        m_portName = port;
        SettingsStore::WriteProfileString(SettingsStore::kComPort, port);
    }
    QDialog::accept();
}
