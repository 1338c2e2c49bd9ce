// Reopens the module's port on its own after the device disappeared and came
// back, while the "Reconnect automatically" option is on. It keeps trying
// (with growing pauses) until the module is back or the user chooses a port;
// meanwhile the status bar says that the window waits for the module and
// what the last try met.
#pragma once

#include "ops/ports/reconnect_watch.h"

#include <QObject>
#include <QString>

#include <memory>

class QTimer;
class CKESTOVLV2xxManagerDlg;
class PortChangeNotifier;

class LinkReconnector : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 250;

    explicit LinkReconnector(CKESTOVLV2xxManagerDlg& window);
    ~LinkReconnector() override;

    // Every port choice: note the device; a choice ends any waiting.
    void Chosen(const QString& portName);
    // The link was lost. True when the option is on and the window now waits
    // (no error message then).
    bool OnLinkLost();
    void Stop();
    bool Waiting() const { return m_watch.Waiting(); }

    // "Waiting for the module on PORT", with what the last try met if any.
    static QString WaitingText(const QString& portName, ReconnectSnag snag, const std::string& detail);

private:
    void Poll();
    // With a port watcher: look again only while the device is there but
    // not yet tried; otherwise the next change prompts the next look.
    void LookAgainIfPending();
    void OnReopened(int status);
    void ShowWaiting();

    CKESTOVLV2xxManagerDlg& m_window;
    ReconnectWatch m_watch;
    QTimer* m_timer = nullptr;  // periodic without a watcher, else one-shot
    std::unique_ptr<PortChangeNotifier> m_notifier;
    QString m_portName;
};
