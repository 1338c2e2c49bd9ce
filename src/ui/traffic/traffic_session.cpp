#include "ui/traffic/traffic_session.h"

#include "ops/jobs/manager_ops.h"
#include "ui/shell/file_error_text.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"
#include "ui/traffic/traffic_model.h"
#include "ui/traffic/traffic_settings.h"
#include "ui/traffic/traffic_window.h"

#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

namespace {

QString& StartupPath() {
    static QString path;
    return path;
}

}  // namespace

TrafficSession::TrafficSession(ManagerOps& ops, QWidget* mainWindow, std::function<bool()> idle)
    : QObject(mainWindow), m_ops(ops), m_mainWindow(mainWindow), m_idle(std::move(idle)),
      m_model(new TrafficModel(traffic::TrafficRing::kDefaultCapacity, this)), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("trafficSession"));
    m_model->setObjectName(QStringLiteral("trafficModel"));
    m_timer->setInterval(kDrainIntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        Drain();
        emit StateChanged();
    });
    m_ops.RawCommand().listener = [this](const RawCommandRecord& record, int status) {
        m_rawPending = false;
        Drain();  // the reply's rows are shown with the result
        emit RawCommandDone(QString::fromStdString(record.text), status,
                            static_cast<int>(record.result.lines.size()));
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
        m_ops.Comm().SetTap(&m_recorder);
        m_timer->start();
    } else {
        m_ops.Comm().SetTap(nullptr);
        m_timer->stop();
        Drain();  // the last events before the detach
    }
}

void TrafficSession::Drain() {
    std::vector<TapEvent> batch = m_recorder.TakePending();
    if (batch.empty()) return;
    const QString path = LogPath();
    file_io::Error failed;
    for (const TapEvent& e : batch) {
        // The first failure closes the log; the rest stays in the window only.
        if (!m_log.IsOpen() || (failed = m_log.Write(e))) break;
    }
    m_model->AppendBatch(std::move(batch));
    if (failed) LogWriteFailed(path, failed);  // after the rows: it may drain again
}

bool TrafficSession::CanSend() const {
    return !m_rawPending && m_ops.IsLinkOpen() && !m_ops.IsBusy() && m_ops.ScanState() == SCAN_IDLE && (!m_idle || m_idle());
}

bool TrafficSession::Send(const QString& text) {
    if (!CanSend()) return false;
    if (!m_ops.QueueRawCommand(text.toStdString())) return false;
    m_rawPending = true;
    emit StateChanged();
    return true;
}
