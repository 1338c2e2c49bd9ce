#include "ui/shell/port_change_notifier.h"

#include <chrono>

PortChangeNotifier::PortChangeNotifier(const PortWatchOptions& options, QObject* parent)
    : QObject(parent), m_watch(PortWatch::Create(options)) {
    m_watch->Wait(std::chrono::milliseconds(0));  // what is there now is known already
    m_thread = std::thread([this] {
        while (!m_stop) {
            if (!m_watch->Wait(std::chrono::hours(1)).empty() && !m_stop) {
                QMetaObject::invokeMethod(
                    this, [this] { emit Changed(); }, Qt::QueuedConnection);
            }
        }
    });
}

PortChangeNotifier::~PortChangeNotifier() {
    m_stop = true;
    m_watch->Wake();
    m_thread.join();
}
