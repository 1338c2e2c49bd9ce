#include "ui/shell/com_config_dlg.h"

#include "ui/controls/announce.h"
#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/controls/text_room.h"
#include "link/device_access.h"
#include "link/port_path.h"
#include "ops/ports/port_probe.h"
#include "ui/shell/dialog_units.h"
#include "ui/shell/module_finder.h"
#include "ui/shell/port_change_notifier.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/port_list_view.h"
#include "ui/shell/screen_fit.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextLayout>
#include <QTimer>

#include <memory>
#include <optional>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <tuple>

namespace {

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

std::string Narrow(const QString& s) {
    const QByteArray b = s.toLocal8Bit();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// The entry that names the same device by another name (a by-id link and
// the path it points to): the device is listed and probed once.
int FindSameDevice(const QComboBox* combo, const QString& path) {
    std::error_code ec;
    const std::filesystem::path device = std::filesystem::canonical(SerialDevicePath(Narrow(path)), ec);
    if (ec) return -1;
    for (int i = 0; i < combo->count(); ++i) {
        const auto other = std::filesystem::canonical(SerialDevicePath(Narrow(combo->itemText(i))), ec);
        if (!ec && other == device) return i;
    }
    return -1;
}

QString Wide(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

// A path the system does not list (a pseudo-terminal, a by-id link) is a
// valid choice when it names a serial line that may be used, or one the user
// only lacks permission for.
bool IsUsableTypedPath(const QString& path) {
    const std::error_code ec = CheckPortPath(Narrow(path)).error;
    return !ec || ec == std::errc::permission_denied;
}

// A listed port is dropped only when it exists and is no serial line we may
// use (our own terminal, another session's); what the system lists but this
// check cannot see stays.
bool IsOfferable(const std::string& path) {
    const std::error_code ec = CheckPortPath(path).error;
    return ec.category() != PortPathCategory();
}

bool SameList(const std::vector<SerialPortEntry>& a, const std::vector<SerialPortEntry>& b) {
    auto key = [](const SerialPortEntry& e) { return std::tie(e.path, e.byId, e.manufacturer, e.product, e.serial); };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (key(a[i]) != key(b[i])) return false;
    return true;
}

constexpr int kHotplugPollMs = 1000;

// Port details: a by-id name is one long word, so lines break between words
// where they can and inside a word where they must; nothing is cut off.
class PortInfoLabel : public QLabel {
public:
    using QLabel::QLabel;
    // Height of the text laid out at this width.
    int TextHeight(int width) const { return LayOut(width, nullptr); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return TextHeight(width); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        LayOut(contentsRect().width(), &painter);
    }

private:
    int LayOut(int width, QPainter* painter) const {
        QTextOption option(alignment());
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        qreal y = 0;
        for (const QString& paragraph : text().split(QLatin1Char('\n'))) {
            QTextLayout layout(paragraph, font());
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                line.setPosition(QPointF(0, y));
                y += line.height();
            }
            layout.endLayout();
            if (painter) layout.draw(painter, contentsRect().topLeft());
        }
        return static_cast<int>(std::ceil(y));
    }
};

// The dialog's template in dialog units. The port details get at least
// three lines; what they need beyond that moves the rest down.
struct UnitRect {
    int x, y, w, h;
};
constexpr UnitRect kInstructionArea{7, 9, 183, 14};
constexpr UnitRect kPortLabelArea{113, 30, 77, 8};
constexpr UnitRect kDialArea{20, 30, 89, 51};
constexpr UnitRect kPortComboArea{113, 48, 77, 12};
constexpr UnitRect kFindArea{113, 66, 77, 14};
constexpr UnitRect kInfoArea{7, 86, 183, 26};
constexpr UnitRect kReconnectArea{7, 114, 183, 10};
constexpr UnitRect kOkArea{41, 130, 50, 14};
constexpr UnitRect kCancelArea{106, 130, 50, 14};
constexpr int kDialogWidth = 197, kDialogHeight = 151;

QRect Place(const DialogUnits& du, const UnitRect& r, int down = 0) {
    return du.Rect(r.x, r.y, r.w, r.h).translated(0, down);
}

}  // namespace

ComConfigDlg::ComConfigDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    BuildControls();
    RetranslateUi();
}

ComConfigDlg::~ComConfigDlg() = default;

bool ComConfigDlg::ReconnectEnabled() { return SettingsStore::GetProfileInt(kReconnectKey, 0) != 0; }

void ComConfigDlg::SetModalSeam(ModalSeam s) { ModalOverride() = std::move(s); }

void ComConfigDlg::BuildControls() {
    // Taller than the classic template: the port details, "Find module" and
    // the reconnect option sit between the dial and the buttons; LayOut()
    // places them. Template order is the tab order.
    const DialogUnits du(font());
    m_ok = new QPushButton(this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ComConfigDlg::accept);

    m_cancel = new QPushButton(this);
    connect(m_cancel, &QPushButton::clicked, this, &ComConfigDlg::reject);

    // Wider than a COM name needs: device paths such as /dev/ttyUSB0 are longer.
    auto* combo = new PortComboBox(this);
    m_portCombo = combo;
    m_portCombo->setObjectName(QStringLiteral("portCombo"));
    m_portCombo->setEditable(true);
    m_portCombo->setInsertPolicy(QComboBox::NoInsert);
    m_portCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (m_portCombo->completer()) m_portCombo->completer()->setCaseSensitivity(Qt::CaseSensitive);
    m_portCombo->setItemDelegate(new PortItemDelegate(m_portCombo));
    // Entries are two or three lines high.
    if (auto* list = qobject_cast<QListView*>(m_portCombo->view())) list->setUniformItemSizes(false);
    m_portCombo->view()->setMinimumWidth(du.X(250));
    combo->beforePopup = [this] { OnPopup(); };
    connect(m_portCombo, &QComboBox::activated, this, [this](int) { OnSelChange(); });
    connect(m_portCombo->lineEdit(), &QLineEdit::editingFinished, this, [this] { OnSelChange(); });
    connect(m_portCombo, &QComboBox::currentIndexChanged, this, [this](int) { ShowPortInfo(); });

    m_find = new QPushButton(this);
    m_find->setObjectName(QStringLiteral("findModule"));
    connect(m_find, &QPushButton::clicked, this, &ComConfigDlg::FindModule);

    m_portLabel = new QLabel(this);
    m_portLabel->setTextFormat(Qt::PlainText);
    m_portLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_dial = new GdiplusImgCtrl(this);
    m_dial->setObjectName(QStringLiteral("dialPicture"));

    m_instruction = new CHTRichEditCtrl(this);
    m_instruction->setObjectName(QStringLiteral("instruction"));
    m_instruction->setFrameShape(QFrame::NoFrame);
    m_instruction->setFocusPolicy(Qt::ClickFocus);
    m_instruction->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_instruction->viewport()->setAutoFillBackground(false);
    m_instruction->setAutoFillBackground(false);
    QPalette pal = m_instruction->palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    m_instruction->setPalette(pal);
    m_instruction->document()->setDocumentMargin(1);

    // Device text: always plain.
    m_portInfo = new PortInfoLabel(this);
    m_portInfo->setObjectName(QStringLiteral("portInfo"));
    m_portInfo->setTextFormat(Qt::PlainText);
    m_portInfo->setWordWrap(true);
    m_portInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_reconnect = new QCheckBox(this);
    m_reconnect->setObjectName(QStringLiteral("reconnect"));
    connect(m_reconnect, &QCheckBox::toggled, this,
            [](bool on) { SettingsStore::WriteProfileInt(kReconnectKey, on ? 1 : 0); });

    m_hotplug = new QTimer(this);
    m_hotplug->setInterval(kHotplugPollMs);
    connect(m_hotplug, &QTimer::timeout, this, &ComConfigDlg::PollPorts);

    m_finder = new ModuleFinder(this);
    connect(m_finder, &ModuleFinder::Finished, this, &ComConfigDlg::OnProbeFinished);
}

void ComConfigDlg::RetranslateUi() {
    setWindowTitle(UiText("ComConfigDlg", "Select COM port for communication"));
    m_ok->setText(UiText("ComConfigDlg", "Ok"));
    m_cancel->setText(UiText("ComConfigDlg", "Cancel"));
    m_portLabel->setText(UiText("ComConfigDlg", "COM Port"));
    m_find->setText(UiText("PortList", "Find module"));
    m_reconnect->setText(UiText("PortList", "Reconnect automatically"));
    m_portCombo->setAccessibleName(UiText("ComConfigDlg", "COM Port"));
    m_portInfo->setAccessibleDescription(
        UiText("PortList", "The chosen port's device, its USB description and what Find module found on it."));
    m_dial->setAccessibleName(UiText("PortList", "Baud rate dial set to 'Set'"));
    LayOut();
}

std::optional<PortSettings> ComConfigDlg::DoModal() {
    OnInitDialog();
    // Ports the system reports as they come and go; other sources are read once a second.
    std::unique_ptr<PortChangeNotifier> notifier;
    if (const std::optional<PortWatchOptions> watch = PortListSource::Current().WatchOptions()) {
        notifier = std::make_unique<PortChangeNotifier>(*watch, this);
        connect(notifier.get(), &PortChangeNotifier::Changed, this, &ComConfigDlg::PollPorts);
    } else {
        m_hotplug->start();
    }
    const int result = ModalOverride() ? ModalOverride()(*this) : exec();
    m_hotplug->stop();
    notifier.reset();
    if (result != QDialog::Accepted) return std::nullopt;
    PortSettings chosen;
    chosen.m_portName = m_portName.toStdU16String();
    chosen.m_baudRate = m_baudRate;
    chosen.m_parity = m_parity;
    chosen.m_stopBits = m_stopBits;
    return chosen;
}

void ComConfigDlg::OnInitDialog() {
    RetranslateUi();
    m_findings.clear();
    FillPortList();
    {
        const QSignalBlocker block(m_reconnect);
        m_reconnect->setChecked(ReconnectEnabled());
    }

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

std::vector<SerialPortEntry> ComConfigDlg::ReadPorts() const { return PortListSource::Current().Ports(); }

int ComConfigDlg::InsertSorted(const QString& name) {
    // Case-insensitive order, as a sorted list box keeps it: COM10 before COM2.
    int at = 0;
    while (at < m_portCombo->count() && QString::compare(m_portCombo->itemText(at), name, Qt::CaseInsensitive) <= 0) {
        ++at;
    }
    m_portCombo->insertItem(at, name);
    return at;
}

int ComConfigDlg::FindByStableName(const QString& byId) const {
    if (byId.isEmpty()) return -1;
    for (int i = 0; i < m_portCombo->count(); ++i) {
        if (m_portCombo->itemData(i, kPortByIdRole).toString() == byId) return i;
    }
    return -1;
}

void ComConfigDlg::AddEntry(const SerialPortEntry& entry) {
    const QString name = Wide(entry.path);
    const int at = InsertSorted(name);
    m_portCombo->setItemData(at, PortDescription(entry), kPortDescriptionRole);
    m_portCombo->setItemData(at, Wide(entry.byId), kPortByIdRole);
    m_portCombo->setItemData(at, PortDescription(entry), Qt::ToolTipRole);
    QString status;
    std::string group;
    if (const auto found = m_findings.find(name); found != m_findings.end())
        status = found->second;
    else if (!PortListSource::Current().MayOpen(entry.path, group))
        status = NoPermissionText(group);
    SetItemStatus(at, status);
}

void ComConfigDlg::SetItemStatus(int at, const QString& status) {
    m_portCombo->setItemData(at, status, kPortStatusRole);
    // Screen readers read the entry's description and finding with its path.
    QStringList lines;
    for (int role : {kPortDescriptionRole, kPortStatusRole}) {
        const QString line = m_portCombo->itemData(at, role).toString();
        if (!line.isEmpty()) lines << line;
    }
    m_portCombo->setItemData(at, lines.join(QStringLiteral(", ")), Qt::AccessibleDescriptionRole);
}

void ComConfigDlg::FillPortList() {
    m_ports = ReadPorts();

    const QSignalBlocker block(m_portCombo);
    m_portCombo->clear();
    const QString remembered = SettingsStore::GetProfileString(SettingsStore::kComPort, QStringLiteral("COM1"));

    for (const SerialPortEntry& e : m_ports) {
        const QString name = Wide(e.path);
        if (name.isEmpty() || FindExact(m_portCombo, name) >= 0 || FindSameDevice(m_portCombo, name) >= 0)
            continue;  // listed once
        if (!IsOfferable(e.path)) continue;
        AddEntry(e);
    }
    // The same adapter is found by its stable name in whatever socket it is
    // plugged now; then by the exact (case-sensitive) path.
    int at = FindByStableName(remembered);
    if (at < 0) at = FindExact(m_portCombo, remembered);
    if (at < 0) at = FindSameDevice(m_portCombo, remembered);
    if (at < 0 && IsUsableTypedPath(remembered)) {
        AddEntry(SerialPortEntry{Narrow(remembered), {}, {}, {}, {}, {}, {}});
        at = FindExact(m_portCombo, remembered);
    }

    if (at >= 0) {
        m_portCombo->setCurrentIndex(at);
        m_portName = m_portCombo->itemText(at);
    } else {
        // The remembered port is gone: the first port stands in (not written yet).
        m_portCombo->setCurrentIndex(m_portCombo->count() > 0 ? 0 : -1);
        if (m_portCombo->count() == 0) m_portCombo->setEditText(QString());
        m_portName = m_portCombo->currentText();
    }
    m_find->setEnabled(m_portCombo->count() > 0 && !m_finder->Running());
    ShowPortInfo();
}

void ComConfigDlg::PollPorts() {
    if (SameList(ReadPorts(), m_ports)) return;
    RefreshKeepingInput();
}

void ComConfigDlg::RefreshKeepingInput() {
    const QString typed = m_portCombo->currentText();
    const int cursor = m_portCombo->lineEdit()->cursorPosition();
    const QString chosen = m_portName;
    FillPortList();
    const QSignalBlocker block(m_portCombo);
    const int at = FindExact(m_portCombo, typed);
    if (at >= 0) {
        m_portCombo->setCurrentIndex(at);
        m_portName = chosen;
    } else if (!typed.isEmpty()) {
        m_portCombo->setEditText(typed);
    }
    m_portCombo->lineEdit()->setCursorPosition(cursor);
    ShowPortInfo();
}

void ComConfigDlg::ShowPortInfo() {
    if (m_portCombo->count() == 0) {
        SetPortInfo(NoPortsText());
        return;
    }
    const int at = FindExact(m_portCombo, CurrentPort());
    if (at < 0) {
        // A typed path: say why it cannot be used, if it cannot.
        const std::error_code ec =
            CurrentPort().isEmpty() ? std::error_code() : CheckPortPath(Narrow(CurrentPort())).error;
        SetPortInfo(ec ? PathProblemText(ec) : QString());
        return;
    }
    QStringList lines;
    for (int role : {kPortDescriptionRole, kPortStatusRole}) {
        const QString line = m_portCombo->itemData(at, role).toString();
        if (!line.isEmpty()) lines << line;
    }
    SetPortInfo(lines.join(QLatin1Char('\n')));
}

void ComConfigDlg::FindModule() {
    std::vector<std::string> paths;
    for (int i = 0; i < m_portCombo->count(); ++i) paths.push_back(Narrow(m_portCombo->itemText(i)));
    if (paths.empty() || !m_finder->Start(paths)) return;
    // The port may not be opened for real while the probe holds it.
    m_find->setEnabled(false);
    m_ok->setEnabled(false);
    SetPortInfo(UiText("PortList", "Looking for the module..."));
}

void ComConfigDlg::OnProbeFinished(const std::vector<ProbeResult>& results) {
    m_ok->setEnabled(true);
    m_find->setEnabled(m_portCombo->count() > 0);
    int found = -1, modules = 0;
    for (const ProbeResult& r : results) {
        const QString path = Wide(r.path);
        m_findings[path] = ProbeStatusText(r);
        const int at = FindExact(m_portCombo, path);
        if (at >= 0) SetItemStatus(at, m_findings[path]);
        if (r.outcome == ProbeOutcome::Module) {
            ++modules;
            found = at;
        }
    }
    if (modules == 1 && found >= 0) {
        SelectPort(found);  // as if the user had chosen it
        m_portName = m_portCombo->itemText(found);
    }
    ShowPortInfo();
    if (modules == 0)
        SetPortInfo(UiText("PortList", "No module answered. Is the dial on 'Set' and the module powered?"));
}

void ComConfigDlg::OnPopup() {
    const QString current = CurrentPort();
    FillPortList();
    if (current.isEmpty() || current == m_portCombo->currentText()) return;
    // Keep what the user has chosen or typed as long as it still exists.
    int at = FindExact(m_portCombo, current);
    if (at < 0) at = FindSameDevice(m_portCombo, current);
    if (at < 0 && IsUsableTypedPath(current)) {
        AddEntry(SerialPortEntry{Narrow(current), {}, {}, {}, {}, {}, {}});
        at = FindExact(m_portCombo, current);
    }
    if (at < 0) return;
    const QSignalBlocker block(m_portCombo);
    m_portCombo->setCurrentIndex(at);
    m_portName = m_portCombo->itemText(at);
}

void ComConfigDlg::SetPortInfo(const QString& text) {
    m_portInfo->setText(text);
    AnnounceStatus(m_portInfo, UiText("PortList", "Port details"), text);
    LayOut();
}

void ComConfigDlg::LayOut() {
    // From the template each time, then grown where this style needs more
    // room for a text. Never shrinks while open: the buttons do not jump as
    // the port details come and go.
    auto* info = static_cast<PortInfoLabel*>(m_portInfo);
    const DialogUnits du(font());
    const QRect base = Place(du, kInfoArea);
    m_infoExtra = std::max({m_infoExtra, 0, info->TextHeight(base.width()) - base.height()});
    const QSize before = size();
    for (const auto& [w, area, down] : {std::tuple<QWidget*, UnitRect, int>{m_instruction, kInstructionArea, 0},
                                        {m_portLabel, kPortLabelArea, 0},
                                        {m_dial, kDialArea, 0},
                                        {m_portCombo, kPortComboArea, 0},
                                        {m_find, kFindArea, 0},
                                        {m_reconnect, kReconnectArea, m_infoExtra},
                                        {m_ok, kOkArea, m_infoExtra},
                                        {m_cancel, kCancelArea, m_infoExtra}})
        w->setGeometry(Place(du, area, down));
    info->setGeometry(base.adjusted(0, 0, 0, m_infoExtra));
    setFixedSize(du.X(kDialogWidth), du.Y(kDialogHeight) + m_infoExtra);
    text_room::GrowToFit(this);
    // Never narrower or shorter than while it was open.
    if (isVisible() && size() != before) {
        setFixedSize(size().expandedTo(before));
        KeepOnScreen(this);
    }
}

QString ComConfigDlg::CurrentPort() const { return m_portCombo->currentText().trimmed(); }

void ComConfigDlg::SelectPort(int index) {
    m_portCombo->setCurrentIndex(index);
    OnSelChange();
}

QString ComConfigDlg::RememberedName() const {
    const QString port = CurrentPort();
    const int at = FindExact(m_portCombo, port);
    const QString byId = at >= 0 ? m_portCombo->itemData(at, kPortByIdRole).toString() : QString();
    return byId.isEmpty() ? port : byId;
}

void ComConfigDlg::OnSelChange() {
    const QString port = CurrentPort();
    if (!port.isEmpty()) SettingsStore::WriteProfileString(SettingsStore::kComPort, RememberedName());
    ShowPortInfo();
}

void ComConfigDlg::accept() {
    if (m_finder->Running()) return;  // the probe holds the ports for a moment
    const QString port = CurrentPort();
    if (!port.isEmpty()) {
        m_portName = port;
        SettingsStore::WriteProfileString(SettingsStore::kComPort, RememberedName());
    }
    QDialog::accept();
}
