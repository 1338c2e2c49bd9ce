#include "ui/main/reconnect.h"

#include "ops/job_codes.h"
#include "ui/main/main_window.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/strings.h"

#include <QTimer>

LinkReconnector::LinkReconnector(CKESTOVLV2xxManagerDlg& window)
    : QObject(&window),
      m_window(window),
      m_watch([] { return PortListSource::Current().Ports(); }),
      m_timer(new QTimer(this)) {
    m_timer->setInterval(kPollMs);
    connect(m_timer, &QTimer::timeout, this, &LinkReconnector::Poll);
}

void LinkReconnector::Chosen(const QString& portName) {
    Stop();
    m_portName = portName;
    m_watch.Chosen(portName.toLocal8Bit().toStdString());
}

bool LinkReconnector::OnLinkLost() {
    if (!ComConfigDlg::ReconnectEnabled() || m_portName.isEmpty()) return false;
    m_watch.Lost();
    m_timer->start();
    m_window.SetLinkStatusText(
            UiText("PortList", "Waiting for the module on %1").arg(m_portName).toStdU16String());
    return true;
}

void LinkReconnector::Stop() {
    m_timer->stop();
    m_watch.Stop();
}

void LinkReconnector::Poll() {
    const std::string found = m_watch.Poll();
    if (found.empty()) return;
    m_timer->stop();
    // The same device, perhaps under a new path: open it as if chosen.
    const QString name = QString::fromLocal8Bit(found.data(), static_cast<qsizetype>(found.size()));
    Chosen(name);
    m_window.Ops().Port().m_portName = name.toStdU16String();
    m_window.PostWindowMessage(WM_OPEN_PORT, 0, 0);
}
