// Opening, identifying and closing the link.
#include "ops/session/device_model.h"
#include "ops/session/device_steps.h"
#include "link/at_protocol.h"
#include "link/device_access.h"
#include "link/text_conv.h"
#include "ops/jobs/manager_ops.h"
#include "ops/rules/string_ids.h"

#include <cstring>

namespace {

constexpr unsigned kModelTimeoutMs = device_steps::kReplyMs;

}  // namespace

// ---- Texts and tables ----

std::u16string ManagerOps::ParityText(uint8_t parity) {
    switch (parity) {
    case 0:
        return u"No parity";
    case 1:
        return u"Odd parity";
    case 2:
        return u"Even parity";
    default:
        return u"";
    }
}

std::u16string ManagerOps::StopBitsText(uint8_t stopBits) {
    switch (stopBits) {
    case 0:
        return u"1 stopbit";
    case 1:
        return u"1.5 stopbit";
    case 2:
        return u"2 stopbit";
    default:
        return u"";
    }
}

std::u16string ManagerOps::LinkStatusText(const PortSettings& port) {
    return port.m_portName + u", " + Utf8ToWide(std::to_string(port.m_baudRate)) + u", " + ParityText(port.m_parity) +
           u", " + StopBitsText(port.m_stopBits);
}

unsigned ManagerOps::ModelQueryTimeoutMs(uint32_t baud) {
    // Time for 128 characters at 10 bits each. Rates of 1 to 9 would divide by
    // zero; they are not offered anywhere and get the ordinary time-out.
    if (baud >= 10 && baud < 9600) {
        return 128000u / (baud / 10u);
    }
    return kModelTimeoutMs;
}

int ManagerOps::PictureForModel(int model) {
    switch (model) {
    case MODEL_LV200:
        return PNG_LV200;
    case MODEL_LV210:
        return PNG_LV210;
    case MODEL_LV220:
        return PNG_LV220;
    default:
        return PNG_SERIES;
    }
}

// ---- Window thread ----

void ManagerOps::OnOpenPort() {
    if (m_comm.IsOpen()) {
        // A second open request while connected closes the link.
        CloseLink();
        m_view.EnableControls(false);
        return;
    }
    m_reopening = false;
    if (const std::error_code ec = OpenLink()) {
        const std::string port = WideToAnsiStd(m_port.m_portName);
        m_view.ShowOpenPortError(ec.message(), AccessGroupFor(port, ec));
    }
}

std::error_code ManagerOps::Reopen(const std::u16string& portName) {
    if (m_comm.IsOpen()) {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    m_port.m_portName = portName;
    const std::error_code ec = OpenLink();
    m_reopening = !ec;
    return ec;
}

std::error_code ManagerOps::OpenLink() {
    std::error_code ec;
    m_comm.Open(ec, WideToAnsiStd(m_port.m_portName), m_port.m_baudRate, m_port.m_parity, m_port.m_stopBits);
    if (ec) {
        return ec;
    }
    if (m_view.WindowExists()) {
        m_view.SetFirmwareText(u"");
        m_view.SetAddressText(u"");
        m_view.SetDeviceNameText(u"");
        m_view.ClearScanList();
        for (int n = 1; n <= module_limits::kMaxSlots; ++n) {
            m_view.ClearSlotRowTexts(n);
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_jobMutex);
        m_jobQueue.clear();
    }
    if (m_worker.joinable()) {
        // Not expected (every close joins), but never start a second worker.
        QueueJob(JOB_QUIT, true);
        m_worker.join();
    }
    m_session.Resume();
    m_worker = std::thread([this] { WorkerLoop(); });
    m_view.SetLinkStatus(m_port);
    QueueJob(JOB_IDENTIFY, false);
    if (!m_busy.load()) {
        StartBusy();
        m_view.EnableControls(false);
    }
    return {};
}

void ManagerOps::ClearDisplay() {
    m_view.SetFirmwareText(u"");
    m_view.SetAddressText(u"");
    m_view.SetDeviceNameText(u"");
    m_view.ClearScanList();
    for (int n = 1; n <= module_limits::kMaxSlots; ++n) {
        m_view.ClearSlotRowTexts(n);
    }
    m_view.SetWaitCursor(false);
    // Every caller disables the controls right after, or the window is gone.
    m_view.SetScanButton(IDS_SCAN, false);
    m_view.SetBeaconHexText(u"");
    m_view.SetBeaconStringText(u"");
    m_view.ShowPicture(PNG_SERIES);
}

void ManagerOps::CloseLink() {
    // Pauses between commands end now, and no new command is sent.
    m_session.Cancel();
    m_reopening = false;

    if (m_comm.IsOpen()) {
        m_comm.Close();
        if (m_view.WindowExists()) {
            m_view.SetLinkStatusString(IDS_COM_PORT_CLOSED);
        }
    }
    if (m_worker.joinable()) {
        QueueJob(JOB_QUIT, true);
        m_worker.join();
        m_worker = std::thread();
        // Whatever the stopped worker posted and the window has not handed
        // back yet belongs to this link: drop it when it arrives.
        m_staleResults = m_resultsInFlight.load();
    }
    {
        // Reports of the closed link's scan are never listed.
        std::lock_guard<std::mutex> lock(m_handOverMutex);
        m_handOver.clear();
        m_handOverPosted = false;
    }
    if (m_view.WindowExists()) {
        ClearDisplay();
    }
    m_scanState.store(SCAN_IDLE);
    m_busy.store(false);
}

void ManagerOps::RunPortSetup() {
    CloseLink();
    m_view.EnableControls(false);
    if (ChoosePort()) {
        m_view.PostWindowMessage(WM_OPEN_PORT, 0, 0);
    }
}

bool ManagerOps::ChoosePort() {
    const std::optional<PortSettings> chosen = m_view.RunPortDialog();
    if (!chosen) {
        return false;
    }
    UsePort(*chosen);
    return true;
}

void ManagerOps::OnCommError(const KestovLV2xxComm* comm, std::error_code& ec) {
    // I/O thread, engine locks held: only post.
    if (comm == &m_comm && m_comm.IsOpen()) {
        m_view.PostWindowMessage(WM_LINK_ERROR, static_cast<uintptr_t>(ec.value()), 0);
    }
}

void ManagerOps::OnLinkError() {
    if (!m_comm.IsOpen()) {
        return;
    }
    CloseLink();
    m_view.EnableControls(false);
    if (m_linkLost && m_linkLost()) {
        return;
    }
    m_view.ShowMessage(IDS_COM_PORT_ERROR, MsgIcon::Error);
}

void ManagerOps::OnIdentifyResult(int status) {
    if (m_reopening) {
        m_reopening = false;
        if (status != JOB_STATUS_OK) {
            // The module is not ready yet, or something else answers: the
            // reconnect watch tries again later.
            CloseLink();
            m_view.EnableControls(false);
        }
        if (m_reopened) {
            m_reopened(status);
        }
        if (status != JOB_STATUS_OK) {
            return;
        }
    }
    if (status == JOB_STATUS_OK) {
        const int model = m_model.load();
        if (model == MODEL_LV230) {
            m_view.ShowPicture(PNG_SERIES);
            QueueJob(JOB_READ_SETTINGS, false);
        } else if (model >= MODEL_LV200 && model <= MODEL_LV220) {
            m_view.ShowPicture(PictureForModel(model));
            QueueJob(JOB_READ_SETTINGS_BEACON, false);
        }
        return;
    }
    if (status == JOB_STATUS_UNSUPPORTED) {
        m_view.ShowMessage(IDS_UNSUPPORTED_DEVICE, MsgIcon::Information);
    } else {
        m_view.ShowMessage(IDS_NOT_LV200_SERIES, MsgIcon::Error);
    }
    RunPortSetup();
}

// ---- Worker thread ----

int ManagerOps::JobIdentify() {
    DeviceSession::IdentifyOptions options;
    options.modelTimeoutMs = ModelQueryTimeoutMs(m_port.m_baudRate);
    const IdentifyResult result = m_session.Identify(options);
    if (result) {
        m_model.store(result.model);
    }
    return StatusOf(result);
}

int ManagerOps::ModelGate() {
    const IdentifyResult result = m_session.ConfirmModel();
    return result ? -1 : StatusOf(result);
}
