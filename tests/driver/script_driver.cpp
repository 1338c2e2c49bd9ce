#include "script_driver.h"

#include "sim/command_handler.h"
#include "sim/kestov_sim.h"
#include "ui/main/main_window.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/strings.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <map>
#include <thread>

namespace {

// The window's parts by object name.
QWidget* FindControl(const CKESTOVLV2xxManagerDlg& window, int id) {
    return window.findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}
ComConfigDlg* PortDialog(const CKESTOVLV2xxManagerDlg& window) {
    return window.findChild<ComConfigDlg*>(QStringLiteral("portDialog"));
}

// Short enough to time a step to a few milliseconds; each tick is a new
// single-shot timer, so ticks also come inside the modal loops of dialogs.
constexpr int kTickMs = 2;

struct VerbInfo {
    int minArgs;
    int maxArgs;  // -1: the rest of the line is one text
};

const std::map<QString, VerbInfo>& Verbs() {
    static const std::map<QString, VerbInfo> verbs = {
        {QStringLiteral("wait-port-dialog"), {0, 0}},
        {QStringLiteral("accept-port-dialog"), {0, 1}},
        {QStringLiteral("click"), {1, 1}},
        {QStringLiteral("set-text"), {1, -1}},
        {QStringLiteral("wait-enabled"), {1, 1}},
        {QStringLiteral("wait-disabled"), {1, 1}},
        {QStringLiteral("expect-text"), {1, -1}},
        {QStringLiteral("expect-box"), {1, 1}},
        {QStringLiteral("expect-box-containing"), {1, -1}},
        {QStringLiteral("answer"), {1, 1}},
        {QStringLiteral("wait-rows"), {1, 1}},
        {QStringLiteral("timeout"), {1, 1}},
        {QStringLiteral("mark"), {0, 0}},
        {QStringLiteral("print-elapsed"), {1, 1}},
        {QStringLiteral("print-threads"), {1, 1}},
        {QStringLiteral("print-rss"), {1, 1}},
        {QStringLiteral("stall-reset"), {0, 0}},
        {QStringLiteral("print-stall"), {1, 1}},
        {QStringLiteral("sim-pace"), {1, 1}},
        {QStringLiteral("sim-devices"), {2, 2}},
        {QStringLiteral("sim-clear-log"), {0, 0}},
        {QStringLiteral("print-wire"), {2, 2}},
        {QStringLiteral("close"), {0, 0}},
    };
    return verbs;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int ThreadCount() {
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// The process's threads: their number and names.
QString Threads() {
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QStringList names;
    for (const QString& t : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(t));
        names << (comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QStringLiteral("?"));
    }
    return QStringLiteral("%1 (%2)").arg(tasks.size()).arg(names.join(QLatin1Char(',')));
}

// A field of /proc/self/status in kB, or -1.
long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
    }
    return -1;
}

// Whether a box shows the text of a string id (formatted texts too).
bool BoxHasId(const QString& text, int id) {
    const QString pattern = LoadStringRes(id);
    if (pattern.isEmpty()) return false;
    if (pattern == text) return true;
    if (pattern.contains(QStringLiteral("%d"))) {
        QString re = QRegularExpression::escape(pattern);
        re.replace(QStringLiteral("%d"), QStringLiteral("-?\\d+"));
        return QRegularExpression(QStringLiteral("^") + re + QStringLiteral("$")).match(text).hasMatch();
    }
    // The open error: the message, the system's reason, maybe a line on access.
    return text.startsWith(pattern + QStringLiteral(": "));
}

void Print(const QString& line) {
    std::fprintf(stderr, "script: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace

ScriptDriver::ScriptDriver(Clock::time_point programStart) : m_programStart(programStart), m_mark(programStart) {}

ScriptDriver::~ScriptDriver() {
    if (m_attached) Detach();
    MessageBoxSeam::SetHandler({});
}

bool ScriptDriver::Load(const std::string& path, std::string& error) {
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = "cannot read the script " + path;
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        Step step;
        step.line = i + 1;
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        step.verb = words.first();
        step.args = words.mid(1);
        const auto verb = Verbs().find(step.verb);
        const int count = static_cast<int>(step.args.size());
        if (verb == Verbs().end()) {
            error = "script line " + std::to_string(step.line) + ": unknown step " + step.verb.toStdString();
            return false;
        }
        if (count < verb->second.minArgs || (verb->second.maxArgs >= 0 && count > verb->second.maxArgs)) {
            error = "script line " + std::to_string(step.line) + ": wrong number of arguments";
            return false;
        }
        if (verb->second.maxArgs < 0) {
            // The text after the first argument (or after the verb), blanks inside kept.
            QString after = line.mid(step.verb.size()).trimmed();
            if (step.verb != QLatin1String("expect-box-containing"))
                after = after.mid(step.args.first().size()).trimmed();
            step.rest = after;
        }
        m_steps.push_back(step);
    }
    return true;
}

void ScriptDriver::Attach(CKESTOVLV2xxManagerDlg& window, sim::KestovSimulator& simulator) {
    m_window = &window;
    m_sim = &simulator;
    m_simStateAtClear = std::make_unique<sim::SimState>(simulator.State());
    MessageBoxSeam::SetHandler([this](QWidget*, const QString& text, const QString&, QMessageBox::Icon icon,
                                      QMessageBox::StandardButtons) { return OnBox(text, icon); });
    m_stallTimer = new QTimer(this);
    m_stallTimer->setTimerType(Qt::PreciseTimer);
    m_stallTimer->setInterval(10);
    connect(m_stallTimer, &QTimer::timeout, this, &ScriptDriver::OnStallTimer);
    m_lastStallTick = Clock::now();
    m_stallTimer->start();
    m_attached = true;
    m_stepStarted = Clock::now();
    QTimer::singleShot(0, this, &ScriptDriver::Tick);
}

void ScriptDriver::Detach() {
    m_attached = false;
    if (m_stallTimer) m_stallTimer->stop();
    if (!m_finished && m_next < m_steps.size()) {
        m_failed = true;
        Print(QStringLiteral("FAILED: the window closed before line %1").arg(m_steps[m_next].line));
    }
    m_finished = true;
    m_window = nullptr;
    m_sim = nullptr;
}

int ScriptDriver::Finish() {
    // A thread that was joined can still be listed for a moment while the
    // system removes it; give those a little time before counting.
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    while (ThreadCount() > m_threadsAtStart && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PrintThreads("threads-end");
    for (const Box& b : m_boxes) {
        m_failed = true;
        Print(QStringLiteral("FAILED: a box no step expected: %1").arg(b.text));
    }
    m_boxes.clear();
    MessageBoxSeam::SetHandler({});
    Print(m_failed ? QStringLiteral("result FAILED") : QStringLiteral("result passed"));
    return m_failed ? 1 : 0;
}

void ScriptDriver::NoteStartThreads() {
    m_threadsAtStart = ThreadCount();
    PrintThreads("threads-start");
}

void ScriptDriver::PrintThreads(const char* label) const {
    Print(QStringLiteral("threads %1 %2").arg(QLatin1String(label), Threads()));
}

QMessageBox::StandardButton ScriptDriver::OnBox(const QString& text, QMessageBox::Icon icon) {
    Print(QStringLiteral("box %1").arg(QString(text).replace(QLatin1Char('\n'), QLatin1String(" / "))));
    m_boxes.push_back({text, icon});
    if (icon != QMessageBox::Question) return QMessageBox::Ok;
    const QMessageBox::StandardButton answer = m_nextAnswer;
    m_nextAnswer = QMessageBox::Ok;
    return answer;
}

void ScriptDriver::OnStallTimer() {
    const auto now = Clock::now();
    m_maxStall = std::max(m_maxStall, now - m_lastStallTick);
    m_lastStallTick = now;
}

bool ScriptDriver::TakeBox(const std::function<bool(const Box&)>& match) {
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (!match(m_boxes[i])) continue;
        // Boxes before the expected one were not expected.
        for (std::size_t j = 0; j < i; ++j) {
            m_failed = true;
            Print(QStringLiteral("FAILED: a box no step expected: %1").arg(m_boxes[j].text));
        }
        m_boxes.erase(m_boxes.begin(), m_boxes.begin() + static_cast<long>(i) + 1);
        return true;
    }
    return false;
}

QWidget* ScriptDriver::ControlArg(const Step& step, int index) {
    QString name = step.args.value(index);
    if (name.startsWith(QLatin1String("ctl"))) name = name.mid(3);
    bool ok = false;
    const int id = name.toInt(&ok);
    return ok && m_window ? FindControl(*m_window, id) : nullptr;
}

QString ScriptDriver::ControlText(QWidget* w) const {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    return QString();
}

void ScriptDriver::Tick() {
    if (!m_attached || m_finished) return;
    QTimer::singleShot(kTickMs, this, &ScriptDriver::Tick);
    while (m_attached && !m_finished) {
        if (m_next >= m_steps.size()) {
            Print(QStringLiteral("end of script"));
            Abort();
            return;
        }
        const Step step = m_steps[m_next];  // a copy: a nested tick may move on
        const std::size_t index = m_next;
        if (Run(step) == Outcome::Wait) {
            if (index == m_next && !m_finished &&
                Clock::now() - m_stepStarted > std::chrono::milliseconds(m_timeoutMs)) {
                Fail(step, QStringLiteral("timed out after %1 ms").arg(m_timeoutMs));
            }
            return;
        }
    }
}

void ScriptDriver::Fail(const Step& step, const QString& reason) {
    m_failed = true;
    Print(QStringLiteral("FAILED at line %1 (%2 %3): %4")
              .arg(step.line)
              .arg(step.verb, step.args.join(QLatin1Char(' ')), reason));
    Abort();
}

void ScriptDriver::Abort() {
    m_finished = true;
    if (!m_window) return;
    Print(QStringLiteral("closing the window"));
    if (ComConfigDlg* dlg = PortDialog(*m_window); dlg && dlg->isVisible()) dlg->reject();
    m_window->close();
}

ScriptDriver::Outcome ScriptDriver::Run(const Step& step) {
    const QString& v = step.verb;
    // Steps that only wait return here until their condition holds; steps
    // that act move on first, so a modal loop they open may play the next steps.
    auto advance = [this] {
        ++m_next;
        m_stepStarted = Clock::now();
    };

    if (v == QLatin1String("wait-port-dialog")) {
        if (!PortDialog(*m_window)->isVisible()) return Outcome::Wait;
        advance();
        return Outcome::Done;
    }
    if (v == QLatin1String("accept-port-dialog")) {
        ComConfigDlg& dlg = *PortDialog(*m_window);
        if (!dlg.isVisible()) return Outcome::Wait;
        advance();
        QComboBox* combo = dlg.findChild<QComboBox*>(QStringLiteral("portCombo"));
        if (step.args.isEmpty()) {
            const QString simPath = QString::fromStdString(m_sim->DevicePath());
            if (combo->currentText() != simPath) {
                Fail(step, QStringLiteral("the dialog preselects \"%1\", not the simulated module %2")
                               .arg(combo->currentText(), simPath));
                return Outcome::Done;
            }
        } else {
            combo->setEditText(step.args.first());
        }
        PrintThreads("threads-before-open");
        QPushButton* ok = nullptr;
        for (QPushButton* b : dlg.findChildren<QPushButton*>()) {
            if (b->isDefault()) ok = b;
        }
        if (!ok) {
            Fail(step, QStringLiteral("no Ok button"));
            return Outcome::Done;
        }
        m_mark = Clock::now();
        ok->click();
        return Outcome::Done;
    }

    if (v == QLatin1String("click") || v == QLatin1String("set-text") || v == QLatin1String("wait-enabled") ||
        v == QLatin1String("wait-disabled") || v == QLatin1String("expect-text")) {
        QWidget* w = ControlArg(step, 0);
        if (!w) {
            Fail(step, QStringLiteral("no such control"));
            return Outcome::Done;
        }
        if (v == QLatin1String("wait-disabled")) {
            if (w->isEnabled()) return Outcome::Wait;
            advance();
            return Outcome::Done;
        }
        if (v == QLatin1String("expect-text")) {
            if (ControlText(w) != step.rest) {
                if (Clock::now() - m_stepStarted > std::chrono::milliseconds(m_timeoutMs))
                    Fail(step, QStringLiteral("the control shows \"%1\"").arg(ControlText(w)));
                return Outcome::Wait;
            }
            advance();
            return Outcome::Done;
        }
        if (!w->isEnabled()) return Outcome::Wait;
        advance();
        if (v == QLatin1String("click")) {
            auto* b = qobject_cast<QAbstractButton*>(w);
            if (!b) {
                Fail(step, QStringLiteral("not a button"));
                return Outcome::Done;
            }
            b->click();
        } else if (v == QLatin1String("set-text")) {
            if (auto* e = qobject_cast<QLineEdit*>(w)) {
                e->setFocus();
                e->setText(step.rest);
            } else {
                Fail(step, QStringLiteral("not an edit field"));
            }
        }
        return Outcome::Done;
    }

    if (v == QLatin1String("expect-box")) {
        const int id = step.args.first().toInt();
        if (!TakeBox([id](const Box& b) { return BoxHasId(b.text, id); })) return Outcome::Wait;
        advance();
        return Outcome::Done;
    }
    if (v == QLatin1String("expect-box-containing")) {
        const QString part = step.rest;
        if (!TakeBox([&part](const Box& b) { return b.text.contains(part); })) return Outcome::Wait;
        advance();
        return Outcome::Done;
    }
    if (v == QLatin1String("wait-rows")) {
        auto* view = qobject_cast<QAbstractItemView*>(FindControl(*m_window, CKESTOVLV2xxManagerDlg::IDC_SCAN_LIST));
        if (!view || view->model()->rowCount() < step.args.first().toInt()) return Outcome::Wait;
        advance();
        return Outcome::Done;
    }

    // The rest act at once.
    advance();
    const QString label = step.args.value(0);
    if (v == QLatin1String("answer")) {
        m_nextAnswer = step.args.first() == QLatin1String("cancel") ? QMessageBox::Cancel : QMessageBox::Ok;
    } else if (v == QLatin1String("timeout")) {
        m_timeoutMs = std::max(1, step.args.first().toInt());
    } else if (v == QLatin1String("mark")) {
        m_mark = Clock::now();
    } else if (v == QLatin1String("print-elapsed")) {
        const auto now = Clock::now();
        Print(QStringLiteral("elapsed %1 start=%2 mark=%3 monotonic=%4")
                  .arg(label)
                  .arg(Ms(now - m_programStart), 0, 'f', 1)
                  .arg(Ms(now - m_mark), 0, 'f', 1)
                  .arg(Ms(now.time_since_epoch()), 0, 'f', 1));
    } else if (v == QLatin1String("print-threads")) {
        PrintThreads(label.toLocal8Bit().constData());
    } else if (v == QLatin1String("print-rss")) {
        Print(
            QStringLiteral("rss %1 peak_kb=%2 current_kb=%3").arg(label).arg(StatusKb("VmHWM")).arg(StatusKb("VmRSS")));
    } else if (v == QLatin1String("stall-reset")) {
        m_maxStall = {};
        m_lastStallTick = Clock::now();
    } else if (v == QLatin1String("print-stall")) {
        OnStallTimer();
        Print(QStringLiteral("stall %1 max_gap_ms=%2").arg(label).arg(Ms(m_maxStall), 0, 'f', 1));
    } else if (v == QLatin1String("sim-pace")) {
        m_sim->SetPaceBaud(step.args.first().toUInt());
    } else if (v == QLatin1String("sim-devices")) {
        m_sim->SetScanDevices(sim::KestovSimulator::MakeDevices(step.args[0].toULong()));
        m_sim->SetScanRate(step.args[1].toDouble());
    } else if (v == QLatin1String("sim-clear-log")) {
        m_sim->ClearLog();
        *m_simStateAtClear = m_sim->State();
    } else if (v == QLatin1String("print-wire")) {
        PrintWire(label, step.args[1].toUInt());
    } else if (v == QLatin1String("close")) {
        Abort();
    }
    return Outcome::Done;
}

void ScriptDriver::PrintWire(const QString& label, unsigned baud) {
    // Replays the commands the module received on the state it had at the
    // clear: the replies it sent, byte for byte (text and CR).
    sim::SimState state = *m_simStateAtClear;
    std::size_t commandBytes = 0, replyBytes = 0;
    const std::vector<std::string> commands = m_sim->Commands();
    for (const std::string& c : commands) {
        commandBytes += c.size() + 1;
        replyBytes += sim::HandleCommand(state, c).reply.size() + 1;
    }
    const std::size_t bytes = commandBytes + replyBytes;
    // 10 bits per byte: start bit, 8 data bits, stop bit.
    const auto wireMs = [baud](std::size_t n) { return baud > 0 ? n * 10.0 * 1000.0 / baud : 0.0; };
    Print(QStringLiteral("wire %1 commands=%2 bytes=%3 reply_bytes=%4 baud=%5 wire_ms=%6 reply_ms=%7 list=%8")
              .arg(label)
              .arg(commands.size())
              .arg(bytes)
              .arg(replyBytes)
              .arg(baud)
              .arg(wireMs(bytes), 0, 'f', 1)
              .arg(wireMs(replyBytes), 0, 'f', 1)
              .arg(QString::fromStdString([&] {
                  std::string all;
                  for (const std::string& c : commands) all += (all.empty() ? "" : ",") + c;
                  return all;
              }())));
}
