#include "ui/traffic/traffic_session.h"

#include "ops/manager_ops.h"
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
    : m_ops(ops), m_mainWindow(mainWindow), m_idle(std::move(idle)),
      m_model(new TrafficModel(traffic::TrafficRing::kDefaultCapacity, this)), m_timer(new QTimer(this)) {
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
    QString error;
    if (!StartupPath().isEmpty()) {
        if (!SetLogFile(StartupPath(), &error))
            std::fprintf(stderr, "kestov-lv200-manager: cannot write the traffic log %s: %s\n",
                         qPrintable(StartupPath()), qPrintable(error));
    } else if (SettingsStore::GetProfileInt(traffic_settings::kLogCheck, 0) != 0) {
        SetLogFile(DefaultLogPath(), &error);
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

TrafficWindow* TrafficSession::Window() const { return m_window.data(); }

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
    bool ok = true;
    if (!path.isEmpty()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        std::string reason;
        ok = m_log.Open(QFile::encodeName(path).toStdString(), reason);
        if (!ok && error) *error = QString::fromLocal8Bit(reason.c_str());
    }
    UpdateTap();
    emit StateChanged();
    return ok;
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
    for (const TapEvent& e : batch) m_log.Write(e);
    m_model->AppendBatch(std::move(batch));
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
