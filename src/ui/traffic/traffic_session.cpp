#include "ui/traffic/traffic_session.h"

#include "link/port_enum.h"
#include "ops/jobs/manager_ops.h"
#include "ops/session/device_model.h"
#include "ops/traffic/traffic_text.h"
#include "ui/shell/file_error_text.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/version_info.h"
#include "ui/traffic/traffic_model.h"
#include "ui/traffic/traffic_settings.h"
#include "ui/traffic/traffic_window.h"

#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

QString& StartupPath() {
    static QString path;
    return path;
}

// The /dev/serial/by-id name of the device a port name stands for, if any.
std::string ByIdName(const std::string& port) {
    std::error_code ec;
    const auto device = std::filesystem::canonical(port, ec);
    if (ec) return {};
    for (const SerialPortEntry& e : ListSerialPorts()) {
        if (e.byId.empty()) continue;
        const auto other = std::filesystem::canonical(e.path, ec);
        if (!ec && other == device) return e.byId;
    }
    return {};
}

}  // namespace

TrafficSession::TrafficSession(ManagerOps& ops, QWidget* mainWindow, std::function<bool()> idle)
    : QObject(mainWindow),
      m_ops(ops),
      m_mainWindow(mainWindow),
      m_idle(std::move(idle)),
      m_model(new TrafficModel(traffic::TrafficRing::kDefaultCapacity, this)),
      m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("trafficSession"));
    m_model->setObjectName(QStringLiteral("trafficModel"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        Drain();
        emit StateChanged();
    });
    // The first line after a drain wakes the window thread; the ones behind
    // it ride along in the same batch.
    m_recorder.SetOnFirstPending([this] {
        QMetaObject::invokeMethod(
            this, [this] { ScheduleDrain(); }, Qt::QueuedConnection);
    });
    // From the port's open on, whether or not anyone looks.
    m_recorder.SetLimit(kBacklogLines);
    m_ops.Comm().SetTap(&m_recorder);
    m_ops.RawCommand().listener = [this](const RawCommandRecord& record, int status) {
        m_rawPending = false;
        Drain();  // the reply's rows are shown with the result
        emit RawCommandDone(QString::fromStdString(record.text), status, static_cast<int>(record.result.lines.size()));
        emit StateChanged();
    };
    if (!StartupPath().isEmpty()) {
        QString error;
        if (!SetLogFile(StartupPath(), &error)) {
            std::fprintf(stderr, "kestov-lv200-manager: cannot write the traffic log %s: %s\n",
                         qPrintable(StartupPath()), qPrintable(error));
            Notify(tr("Cannot write the traffic log %1: %2\nLogging to file is off.").arg(StartupPath(), error));
        }
    } else if (SettingsStore::GetProfileInt(traffic_settings::kLogCheck, 0) != 0) {
        QString error;
        if (!SetLogFile(DefaultLogPath(), &error)) {
            // Said once; the box is not ticked again at the next start.
            SettingsStore::WriteProfileInt(traffic_settings::kLogCheck, 0);
            Notify(tr("Cannot write the traffic log %1: %2\nLogging to file is off.").arg(DefaultLogPath(), error));
        } else {
            m_logRemembered = true;
        }
    }
    const QString failure = SettingsStore::GetProfileString(traffic_settings::kLogFailure, QString());
    if (!failure.isEmpty()) {
        SettingsStore::WriteProfileString(traffic_settings::kLogFailure, QString());
        const QString path = failure.section(QLatin1Char('\n'), 0, 0);
        const QString reason = failure.section(QLatin1Char('\n'), 1);
        Notify(tr("Logging to file was turned off in the last session: writing the traffic log %1 failed: %2")
                   .arg(path, reason));
    }
    UpdateTap();
}

TrafficSession::~TrafficSession() {
    // The main window has closed the link by now, so no engine thread is
    // inside the recorder; the engine itself lives on a little longer.
    m_ops.Comm().SetTap(nullptr);
    m_ops.RawCommand().listener = nullptr;
    Drain();  // the last lines before the close still go to the log
    delete m_window.data();
}

void TrafficSession::SetStartupLogPath(const QString& path) { StartupPath() = path; }

QString TrafficSession::DefaultLogPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return QDir(dir).filePath(QStringLiteral("traffic.log"));
}

void TrafficSession::ShowWindow() {
    if (!m_window) {
        m_window = new TrafficWindow(*this, m_mainWindow);
        connect(m_window, &TrafficWindow::Hidden, this, [this] { UpdateTap(); });
    }
    m_window->ShowBeside(m_mainWindow);
    UpdateTap();
}

bool TrafficSession::SetLogFile(const QString& path, QString* error) {
    Drain();  // what came before belongs to the previous choice
    m_log.Close();
    m_logRemembered = false;
    m_logHeaderDue = true;
    m_logModel = MODEL_NONE;
    bool ok = true;
    if (!path.isEmpty()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        const file_io::Error e = m_log.Open(QFile::encodeName(path).toStdString());
        ok = !e;
        if (!ok && error) *error = FileErrorText(e);
    }
    UpdateTap();
    emit StateChanged();
    return ok;
}

bool TrafficSession::SetRememberedLog(bool on, QString* error) {
    const bool ok = SetLogFile(on ? DefaultLogPath() : QString(), error);
    m_logRemembered = on && ok;
    SettingsStore::WriteProfileInt(traffic_settings::kLogCheck, m_logRemembered ? 1 : 0);
    return ok;
}

void TrafficSession::Notify(const QString& text) {
    // Shown from the event loop: never inside a drain, a destructor or the constructor.
    QTimer::singleShot(0, this, [this, text] {
        QWidget* parent = m_window && m_window->isVisible() ? static_cast<QWidget*>(m_window.data()) : m_mainWindow;
        MessageBoxSeam::Show(parent, text, QMessageBox::Critical);
    });
}

void TrafficSession::LogWriteFailed(const QString& path, const file_io::Error& e) {
    const QString reason = FileErrorText(e);
    if (m_logRemembered) {
        // Not ticked at the next start, which says why.
        m_logRemembered = false;
        SettingsStore::WriteProfileInt(traffic_settings::kLogCheck, 0);
        SettingsStore::WriteProfileString(traffic_settings::kLogFailure, path + QLatin1Char('\n') + reason);
    }
    Notify(tr("Writing the traffic log %1 failed: %2\nLogging to file is off.").arg(path, reason));
    UpdateTap();
    emit StateChanged();
}

QString TrafficSession::LogPath() const { return m_log.IsOpen() ? QFile::decodeName(m_log.Path().c_str()) : QString(); }

void TrafficSession::UpdateTap() {
    const bool wanted = m_log.IsOpen() || (m_window && m_window->isVisible());
    if (wanted == m_tapped) return;
    m_tapped = wanted;
    if (wanted) {
        m_recorder.SetLimit(0);
        ScheduleDrain();  // what was kept while nobody looked
    } else {
        m_timer->stop();
        Drain();  // the last events shown
        m_recorder.SetLimit(kBacklogLines);
    }
}

std::string TrafficSession::SessionHeaderLine(int64_t wallNs) const {
    const std::string port = QString::fromStdU16String(m_ops.Port().m_portName).toStdString();
    QString version;
    GetProductVersionText(version);
    return traffic::SessionHeader(wallNs, port, ByIdName(port), "KESTOV-LV200 Manager " + version.toStdString());
}

file_io::Error TrafficSession::WriteLog(const std::vector<TapEvent>& batch) {
    file_io::Error failed;
    for (const TapEvent& e : batch) {
        // A port opened again starts its times from zero: a new session.
        if (e.sinceOpenNs < m_logSinceOpenNs) m_logHeaderDue = true;
        m_logSinceOpenNs = e.sinceOpenNs;
        if (m_logHeaderDue) {
            m_logHeaderDue = false;
            m_logModel = MODEL_NONE;
            if ((failed = m_log.WriteLine(SessionHeaderLine(e.wallNs)))) return failed;
        }
        // The first failure closes the log; the rest stays in the window only.
        if ((failed = m_log.Write(e))) return failed;
    }
    // Named once identified, after the lines that identified it.
    const int model = m_ops.IsLinkOpen() ? m_ops.Model() : MODEL_NONE;
    if (model != MODEL_NONE && model != m_logModel && !m_logHeaderDue) {
        m_logModel = model;
        failed = m_log.WriteLine(traffic::ModelLine(device_model::NameOf(model)));
    }
    return failed;
}

void TrafficSession::ScheduleDrain() {
    if (!m_tapped || m_timer->isActive()) return;
    const qint64 since = m_lastDrain.isValid() ? m_lastDrain.elapsed() : kDrainIntervalMs;
    m_timer->start(static_cast<int>(std::max<qint64>(0, kDrainIntervalMs - since)));
}

void TrafficSession::NoteStateChange() {
    if (m_window && m_window->isVisible()) emit StateChanged();
}

void TrafficSession::Drain() {
    std::vector<TapEvent> batch = m_recorder.TakePending();
    if (batch.empty()) return;
    m_lastDrain.start();
    const QString path = LogPath();
    const file_io::Error failed = m_log.IsOpen() ? WriteLog(batch) : file_io::Error();
    m_model->AppendBatch(std::move(batch));
    if (failed) LogWriteFailed(path, failed);  // after the rows: it may drain again
}

bool TrafficSession::CanSend() const {
    return !m_rawPending && m_ops.IsLinkOpen() && !m_ops.IsBusy() && m_ops.ScanState() == SCAN_IDLE &&
           (!m_idle || m_idle());
}

bool TrafficSession::Send(const QString& text) {
    if (!CanSend()) return false;
    if (!m_ops.QueueRawCommand(text.toStdString())) return false;
    m_rawPending = true;
    emit StateChanged();
    return true;
}
