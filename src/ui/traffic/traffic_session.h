// The main window's traffic feature: the tap on the engine, the rows it
// collects, the log file and the traffic window. The tap is installed only
// while the window is shown or a log file is written; otherwise the engine
// has no observer at all.
#pragma once

#include "ops/traffic/traffic_log.h"
#include "ops/traffic/traffic_recorder.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

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
    // work, while a tenth of a second is still immediate to the eye.
    static constexpr int kDrainIntervalMs = 100;

    // idle: true while the main window lets the user start a job. A child of
    // the main window, which deletes it before its own members go.
    TrafficSession(ManagerOps& ops, QWidget* mainWindow, std::function<bool()> idle);
    ~TrafficSession() override;

    // A log file for this run, from the command line; it wins over the setting.
    static void SetStartupLogPath(const QString& path);

    void ShowWindow();
    TrafficModel& Model() { return *m_model; }

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

signals:
    void StateChanged();
    void RawCommandDone(const QString& text, int status, int lines);

private:
    void UpdateTap();
    // A message box, once the event loop runs.
    void Notify(const QString& text);
    void LogWriteFailed(const QString& path, const file_io::Error& e);

    ManagerOps& m_ops;
    QWidget* m_mainWindow;
    std::function<bool()> m_idle;
    traffic::TrafficRecorder m_recorder;
    traffic::TrafficLogFile m_log;
    TrafficModel* m_model;
    QTimer* m_timer;
    QPointer<TrafficWindow> m_window;
    bool m_tapped = false;
    bool m_rawPending = false;
    bool m_logRemembered = false;  // the log is the remembered "Log to file"
};
