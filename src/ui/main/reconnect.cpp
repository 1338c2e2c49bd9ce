#include "ui/main/reconnect.h"

#include "ops/jobs/job_codes.h"
#include "ui/main/main_window.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/port_change_notifier.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/strings.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

namespace {

QString Text(const char* source) { return UiText("PortList", source); }

}  // namespace

LinkReconnector::LinkReconnector(CKESTOVLV2xxManagerDlg& window)
    : QObject(&window),
      m_window(window),
      m_watch([] { return PortListSource::Current().Ports(); }),
      m_timer(new QTimer(this)) {
    m_timer->setInterval(kPollMs);
    connect(m_timer, &QTimer::timeout, this, &LinkReconnector::Poll);
    m_window.Ops().SetReopenHandler([this](int status) { OnReopened(status); });
}

LinkReconnector::~LinkReconnector() = default;

void LinkReconnector::Chosen(const QString& portName) {
    Stop();
    m_portName = portName;
    m_watch.Chosen(portName.toLocal8Bit().toStdString());
}

bool LinkReconnector::OnLinkLost() {
    if (!ComConfigDlg::ReconnectEnabled() || m_portName.isEmpty()) return false;
    // Lost again while a reopen was being identified: that try failed.
    m_watch.Lost();
    if (const std::optional<PortWatchOptions> watch = PortListSource::Current().WatchOptions()) {
        // Ports the system reports as they come and go; nothing runs meanwhile.
        if (!m_notifier) {
            m_notifier = std::make_unique<PortChangeNotifier>(*watch);
            connect(m_notifier.get(), &PortChangeNotifier::Changed, this, &LinkReconnector::Poll);
        }
        m_timer->setSingleShot(true);
        ShowWaiting();
        Poll();  // it may be back already
        return true;
    }
    m_timer->setSingleShot(false);
    m_timer->setInterval(kPollMs);
    m_timer->start();
    ShowWaiting();
    return true;
}

void LinkReconnector::Stop() {
    m_timer->stop();
    m_notifier.reset();
    m_watch.Stop();
}

void LinkReconnector::LookAgainIfPending() {
    if (!m_notifier || !m_timer->isSingleShot()) return;
    if (!m_watch.Pending()) {
        m_timer->stop();
        return;
    }
    using namespace std::chrono;
    const auto untilPauseEnds = duration_cast<milliseconds>(m_watch.NextLook() - ReconnectWatch::Clock::now()).count();
    m_timer->start(static_cast<int>(std::max<long long>(kPollMs, untilPauseEnds)));
}

QString LinkReconnector::WaitingText(const QString& portName, ReconnectSnag snag, const std::string& detail) {
    QString why;
    switch (snag) {
    case ReconnectSnag::None:
        return Text("Waiting for the module on %1").arg(portName);
    case ReconnectSnag::InUse:
        why = Text("in use by another program");
        break;
    case ReconnectSnag::NoPermission:
        why = Text("no permission");
        break;
    case ReconnectSnag::NoAnswer:
        why = Text("no module answered");
        break;
    case ReconnectSnag::Unsupported:
        why = Text("another kind of device answered");
        break;
    case ReconnectSnag::Dropped:
        why = Text("the port went away again");
        break;
    case ReconnectSnag::OpenFailed:
        why = QString::fromLocal8Bit(detail.data(), static_cast<qsizetype>(detail.size()));
        break;
    }
    return Text("Waiting for the module on %1 (last try: %2)").arg(portName, why);
}

void LinkReconnector::ShowWaiting() {
    m_window.SetLinkStatusText(WaitingText(m_portName, m_watch.LastSnag(), m_watch.LastDetail()).toStdU16String());
}

void LinkReconnector::Poll() {
    if (m_window.Ops().IsLinkOpen() && !m_watch.Trying()) {
        // Opened by the user meanwhile.
        Stop();
        return;
    }
    const std::string found = m_watch.Poll();
    if (found.empty()) {
        LookAgainIfPending();
        return;
    }
    // The same device, perhaps under a new path.
    const QString name = QString::fromLocal8Bit(found.data(), static_cast<qsizetype>(found.size()));
    if (const std::error_code ec = m_window.Ops().Reopen(name.toStdU16String())) {
        m_watch.Failed(ReconnectWatch::SnagOf(ec), ec.message());
        ShowWaiting();
        LookAgainIfPending();
    }
    // Otherwise the identification's end comes to OnReopened.
}

void LinkReconnector::OnReopened(int status) {
    if (!m_watch.Trying()) return;
    if (status == JOB_STATUS_OK) {
        // Noted as chosen under the name it came back by.
        const QString name = QString::fromStdU16String(m_window.Ops().Port().m_portName);
        Chosen(name);
        return;
    }
    m_watch.Failed(status == JOB_STATUS_UNSUPPORTED ? ReconnectSnag::Unsupported : ReconnectSnag::NoAnswer);
    ShowWaiting();
    LookAgainIfPending();
}
