// Says on the window thread when serial ports came or went: a port watcher
// waited on by a thread of its own, which sleeps until the system reports a
// change. Destroying it wakes and joins that thread.
#pragma once

#include "link/port_watch.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

class PortChangeNotifier : public QObject {
    Q_OBJECT
public:
    PortChangeNotifier(const PortWatchOptions& options, QObject* parent = nullptr);
    ~PortChangeNotifier() override;

signals:
    void Changed();

private:
    std::unique_ptr<PortWatch> m_watch;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
