// The main window's traffic feature: the tap on the engine, the rows it
// collects, the log file and the traffic window. The tap is always on; while
// the window is hidden and no log file is written it keeps only the newest
// kBacklogLines lines, which the window shows when it opens.
#pragma once

#include "ops/traffic/traffic_log.h"
#include "ops/traffic/traffic_recorder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class ManagerOps;
class QTimer;
class QWidget;
class TrafficModel;
class TrafficWindow;

class TrafficSession : public QObject {
    Q_OBJECT
public:
    // Batches reach the model at most this often (10 per second): each one
    // repaints the table, which under a flood is most of the window thread's
    // work, while a tenth of a second is still immediate to the eye. The
    // timer runs only while lines wait: a quiet link costs no wake-ups.
    static constexpr int kDrainIntervalMs = 100;
    // Lines kept while nobody looks: a failure and what led to it.
    static constexpr std::size_t kBacklogLines = 5000;

    // idle: true while the main window lets the user start a job. A child of
    // the main window, which deletes it before its own members go.
    TrafficSession(ManagerOps& ops, QWidget* mainWindow, std::function<bool()> idle);
    ~TrafficSession() override;

    // A log file for this run, from the command line; it wins over the setting.
    static void SetStartupLogPath(const QString& path);

    void ShowWindow();
    TrafficModel& Model() { return *m_model; }
    // Lines dropped from the backlog while nobody looked.
    uint64_t DroppedWhileClosed() { return m_recorder.Dropped(); }

    // Logging to a file: on with a path, off with an empty one. False with a
    // reason when the file cannot be opened.
    bool SetLogFile(const QString& path, QString* error = nullptr);
    QString LogPath() const;
    // The "Log to file" choice: the default file, remembered for the next
    // start only when it could be opened.
    bool SetRememberedLog(bool on, QString* error = nullptr);
    // The file the log checkbox uses when nothing else was chosen.
    static QString DefaultLogPath();

    // True when a typed command may be sent now.
    bool CanSend() const;
    // Sends a command the window checked; false when it could not be queued.
    bool Send(const QString& text);

    // Moves what the tap collected into the log and the model (the timer does this).
    void Drain();
    // Something CanSend reads may have changed (a job began or ended, the
    // controls were switched): the window updates its send field.
    void NoteStateChange();

signals:
    void StateChanged();
    void RawCommandDone(const QString& text, int status, int lines);

private:
    void UpdateTap();
    // Lines wait: drain now, or when the last drain is kDrainIntervalMs old.
    void ScheduleDrain();
    // A message box, once the event loop runs.
    void Notify(const QString& text);
    void LogWriteFailed(const QString& path, const file_io::Error& e);
    // Writes the batch to the log, each link's lines after a header; the
    // first failure, if any.
    file_io::Error WriteLog(const std::vector<TapEvent>& batch);
    std::string SessionHeaderLine(int64_t wallNs) const;

    ManagerOps& m_ops;
    QWidget* m_mainWindow;
    std::function<bool()> m_idle;
    traffic::TrafficRecorder m_recorder;
    traffic::TrafficLogFile m_log;
    TrafficModel* m_model;
    QTimer* m_timer;
    QElapsedTimer m_lastDrain;
    QPointer<TrafficWindow> m_window;
    bool m_tapped = false;
    bool m_rawPending = false;
    bool m_logRemembered = false;  // the log is the remembered "Log to file"
    bool m_logHeaderDue = true;    // the next line written starts a session
    int64_t m_logSinceOpenNs = 0;  // time of the last line logged, from its port's open
    int m_logModel = 0;            // the model the log has named (MODEL_NONE: none)
};
