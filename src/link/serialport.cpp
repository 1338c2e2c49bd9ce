#include "serialport.h"

#include "device_access.h"
#include "platform.h"
#include "port_path.h"

#include <asio/bind_executor.hpp>
#include <asio/buffer.hpp>
#include <asio/error.hpp>
#include <asio/post.hpp>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace {

// How long Close waits for cancelled operations to complete. They normally
// complete within microseconds; the bound only matters when no run thread is
// left to complete them.
constexpr auto kCloseWait = std::chrono::milliseconds(100);
// How long Stop lets the run threads end by themselves before it stops the
// context.
constexpr auto kStopGrace = std::chrono::seconds(1);

// The port whose completion handler runs on this thread, if any.
thread_local const CSerialportMP* t_completing = nullptr;
// The executor whose run thread this is, if any.
thread_local const IoServiceExec* t_run_thread_of = nullptr;

// asio reports system errors in a category of its own, which does not
// compare equal to std::errc values; callers get them in the standard one.
std::error_code Normalized(const std::error_code& ec) {
    if (ec && ec.category() == asio::error::get_system_category()) {
        return {ec.value(), std::system_category()};
    }
    return ec;
}

class PortErrorCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "serial port"; }
    std::string message(int value) const override {
        return value == static_cast<int>(PortError::InUse) ? "in use by another program" : "serial port error";
    }
    // So that callers asking for the system's "busy" condition see a held port too.
    std::error_condition default_error_condition(int ev) const noexcept override {
        if (static_cast<PortError>(ev) == PortError::InUse) {
            return std::errc::device_or_resource_busy;
        }
        return {ev, *this};
    }
};

}  // namespace

const std::error_category& PortErrorCategory() {
    static const PortErrorCategoryImpl category;
    return category;
}

std::error_code make_error_code(PortError e) { return {static_cast<int>(e), PortErrorCategory()}; }

// Marks one started operation as finished when its completion (or posted
// step) returns, and tells Close that this thread is inside a completion of
// the port.
class CSerialportMP::OpScope {
public:
    explicit OpScope(CSerialportMP& port) : m_port(port), m_outer(t_completing) { t_completing = &port; }
    ~OpScope() {
        t_completing = m_outer;
        std::lock_guard<std::mutex> lock(m_port.m_opsMutex);
        --m_port.m_pendingOps;
        m_port.m_opsCv.notify_all();
    }
    OpScope(const OpScope&) = delete;
    OpScope& operator=(const OpScope&) = delete;

private:
    CSerialportMP& m_port;
    const CSerialportMP* m_outer;
};

CSerialportMP::CSerialportMP(asio::io_context& ctx) : m_serialPort(ctx), m_strand(ctx) {}

CSerialportMP::~CSerialportMP() { Close(); }

void CSerialportMP::Open(std::error_code& ec, const std::string& port_name, unsigned baud, uint8_t parity,
                         uint8_t stop_bits) {
    std::shared_ptr<CSerialportMP> self;
    try {
        self = shared_from_this();
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("It seems like that instance is not created from shared_ptr: ") +
                                 e.what());
    }
    ec.clear();
    if (m_isOpen.load()) {
        ec = std::make_error_code(std::errc::device_or_resource_busy);
        return;
    }

    // Built before the device is touched: out-of-range values throw here.
    const asio::serial_port_base::parity parity_option(static_cast<asio::serial_port_base::parity::type>(parity));
    const asio::serial_port_base::stop_bits stop_bits_option(
        static_cast<asio::serial_port_base::stop_bits::type>(stop_bits));

    {
        // Bytes queued while the port was closed belong to no device.
        std::lock_guard<std::mutex> write_lock(m_writeMutex);
        m_txQueue.clear();
        m_writeInProgress = false;
    }

    // Only a serial line is opened: never a file, another terminal or our own.
    const PortPathCheck checked = CheckPortPath(port_name);
    if (checked.error) {
        ec = checked.error;
        return;
    }
    // A classic serial program's lock file: the device is not touched.
    if (uucp_lock::HeldByAnother(checked.device)) {
        ec = PortError::InUse;
        return;
    }
    std::lock_guard<std::mutex> io_lock(m_ioMutex);
    m_serialPort.open(checked.device, ec);
    if (ec) {
        ec = platform::OpenError(Normalized(ec));
        return;
    }
    const platform::SerialHandle handle = m_serialPort.native_handle();
    if (!platform::ClaimSerial(handle, checked.device)) {
        ec = PortError::InUse;
        std::error_code ignored;
        m_serialPort.close(ignored);
        return;
    }
    // With the claim ours, a lock file with our own id is a leftover.
    if (!m_lockFile.Acquire(checked.device)) {
        ec = PortError::InUse;
        platform::UnclaimSerial(handle);
        std::error_code ignored;
        m_serialPort.close(ignored);
        return;
    }
    // Whatever the driver still holds from an earlier user is not ours.
    platform::DiscardQueues(handle);

    m_serialPort.set_option(asio::serial_port_base::baud_rate(baud), ec);
    if (!ec) {
        m_serialPort.set_option(asio::serial_port_base::character_size(8), ec);
    }
    if (!ec) {
        m_serialPort.set_option(parity_option, ec);
    }
    if (!ec) {
        m_serialPort.set_option(stop_bits_option, ec);
    }
    if (!ec) {
        m_serialPort.set_option(asio::serial_port_base::flow_control(asio::serial_port_base::flow_control::none), ec);
    }
    if (ec) {
        ec = Normalized(ec);
        platform::UnclaimSerial(handle);
        std::error_code close_ec;
        m_serialPort.close(close_ec);
        m_lockFile.Release();
        if (close_ec) {
            throw std::system_error(close_ec, "close");
        }
        return;
    }

    const uint64_t gen = m_generation.fetch_add(1) + 1;
    m_isOpen.store(true);

    {
        std::lock_guard<std::mutex> ops_lock(m_opsMutex);
        ++m_pendingOps;
    }
    asio::post(m_serialPort.get_executor(), [self, gen] {
        OpScope scope(*self);
        self->StartRead(gen);
    });
}

void CSerialportMP::Close() {
    if (m_isOpen.exchange(false)) {
        Shutdown();
    }
    // Also when the port was already closed, perhaps by a handler still
    // running on a run thread: once Close returns, no completion runs.
    WaitForPendingOps();
}

void CSerialportMP::Shutdown() {
    m_generation.fetch_add(1);
    {
        std::lock_guard<std::mutex> io_lock(m_ioMutex);
        if (m_serialPort.is_open()) {
            platform::ReleaseSerial(m_serialPort.native_handle());
        }
        std::error_code ignored;
        m_serialPort.cancel(ignored);
        m_serialPort.close(ignored);
        m_lockFile.Release();
    }
    {
        std::lock_guard<std::mutex> write_lock(m_writeMutex);
        m_txQueue.clear();
        m_writeInProgress = false;
        m_writeCv.notify_all();
    }
}

void CSerialportMP::WaitForPendingOps() {
    // Inside our own completion the strand holds the other one back; it is
    // dropped by its generation check whenever it runs.
    if (t_completing == this) {
        return;
    }
    std::unique_lock<std::mutex> lock(m_opsMutex);
    m_opsCv.wait_for(lock, kCloseWait, [this] { return m_pendingOps == 0; });
}

int CSerialportMP::Write(const void* data, unsigned len) {
    if (data == nullptr || len == 0) {
        return 22;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::lock_guard<std::mutex> lock(m_writeMutex);
    m_txQueue.insert(m_txQueue.end(), bytes, bytes + len);
    StartWrite();
    return 0;
}

void CSerialportMP::Drain(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    {
        std::unique_lock<std::mutex> lock(m_writeMutex);
        if (!m_writeCv.wait_until(lock, deadline,
                                  [this] { return !m_isOpen.load() || (m_txQueue.empty() && !m_writeInProgress); })) {
            return;
        }
    }
    // Then the driver's own output queue.
    for (;;) {
        int queued = 0;
        {
            std::lock_guard<std::mutex> io_lock(m_ioMutex);
            if (!m_serialPort.is_open() || !platform::QueuedOutput(m_serialPort.native_handle(), queued)) {
                return;
            }
        }
        if (queued <= 0 || std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CSerialportMP::StartRead(uint64_t gen) {
    std::lock_guard<std::mutex> io_lock(m_ioMutex);
    if (!IsCurrent(gen)) {
        return;
    }
    {
        std::lock_guard<std::mutex> ops_lock(m_opsMutex);
        ++m_pendingOps;
    }
    m_serialPort.async_read_some(
        asio::buffer(m_readBuf, platform::ReadSize(m_serialPort.native_handle(), kChunk)),
        asio::bind_executor(m_strand, [self = shared_from_this(), gen](const std::error_code& ec, std::size_t n) {
            self->OnRead(gen, ec, n);
        }));
}

void CSerialportMP::OnRead(uint64_t gen, const std::error_code& ec, std::size_t n) {
    OpScope scope(*this);
    std::lock_guard<std::mutex> lock(m_readMutex);
    if (!IsCurrent(gen)) {
        return;
    }
    if (!ec) {
        m_rxData.insert(m_rxData.end(), m_readBuf, m_readBuf + std::min(n, kChunk));
    }
    if (m_readHandler) {
        std::error_code result = Normalized(ec);
        m_readHandler(shared_from_this(), result, m_rxData, static_cast<unsigned>(m_rxData.size()));
    }
    m_rxData.clear();
    // A failed read (end of file included) ends the loop; the owner closes.
    if (!ec) {
        StartRead(gen);
    }
}

void CSerialportMP::StartWrite() {
    if (m_writeInProgress || m_txQueue.empty()) {
        return;
    }
    std::lock_guard<std::mutex> io_lock(m_ioMutex);
    if (!m_isOpen.load()) {
        return;
    }
    const uint64_t gen = m_generation.load();
    const std::size_t n = std::min(m_txQueue.size(), kChunk);
    std::memcpy(m_writeBuf, m_txQueue.data(), n);
    {
        std::lock_guard<std::mutex> ops_lock(m_opsMutex);
        ++m_pendingOps;
    }
    m_serialPort.async_write_some(
        asio::buffer(m_writeBuf, n),
        asio::bind_executor(m_strand, [self = shared_from_this(), gen](const std::error_code& ec, std::size_t written) {
            self->OnWrite(gen, ec, written);
        }));
    m_writeInProgress = true;
}

void CSerialportMP::OnWrite(uint64_t gen, const std::error_code& ec, std::size_t n) {
    OpScope scope(*this);
    {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        if (!IsCurrent(gen)) {
            return;
        }
        if (n != 0 && m_txQueue.size() >= n) {
            m_txQueue.erase(m_txQueue.begin(), m_txQueue.begin() + static_cast<std::ptrdiff_t>(n));
        }
        m_writeInProgress = false;
        m_writeCv.notify_all();
        // The rest of a long write goes out now, not glued to the next one.
        if (!ec) {
            StartWrite();
        }
    }
    // Called without m_writeMutex, so that the handler may close the port.
    if (m_writeHandler && IsCurrent(gen)) {
        std::error_code result = Normalized(ec);
        m_writeHandler(shared_from_this(), result, static_cast<unsigned>(n));
    }
}

IoServiceExec::IoServiceExec() = default;

IoServiceExec::~IoServiceExec() { Stop(); }

IoServiceExec& IoServiceExec::Instance() {
    static IoServiceExec instance;
    return instance;
}

bool IoServiceExec::HasThreads() const {
    std::lock_guard<std::mutex> lock(m_runMutex);
    return m_running > 0;
}

unsigned IoServiceExec::ThreadCountFor(unsigned hardware_threads) {
    return hardware_threads < 2 ? 1 : hardware_threads / 2;
}

void IoServiceExec::Start() {
    std::lock_guard<std::mutex> lock(m_threadsMutex);
    m_stopping.store(false);
    m_ioContext.restart();
    const unsigned count = ThreadCountFor(std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i) {
        {
            std::lock_guard<std::mutex> run_lock(m_runMutex);
            ++m_running;
        }
        try {
            m_threads.push_back(std::make_unique<std::thread>([this] { RunThread(); }));
        } catch (...) {
            std::lock_guard<std::mutex> run_lock(m_runMutex);
            --m_running;
            throw;
        }
    }
}

void IoServiceExec::RunThread() {
    t_run_thread_of = this;
    // No work guard: run() returns once no operation is outstanding, and the
    // thread ends with it.
    while (!m_stopping.load()) {
        try {
            m_ioContext.run();
        } catch (const std::exception&) {
            break;
        }
        if (m_ioContext.stopped()) {
            break;
        }
    }
    std::lock_guard<std::mutex> lock(m_runMutex);
    --m_running;
    m_runCv.notify_all();
}

void IoServiceExec::Stop() {
    std::lock_guard<std::mutex> lock(m_threadsMutex);
    m_stopping.store(true);
    {
        // Normally the threads have ended or end as soon as the last port's
        // cancelled operations complete; whatever still keeps them busy after
        // the grace period is stopped, so the joins below cannot hang.
        const unsigned self = t_run_thread_of == this ? 1 : 0;
        std::unique_lock<std::mutex> run_lock(m_runMutex);
        if (!m_runCv.wait_for(run_lock, kStopGrace, [&] { return m_running <= self; })) {
            run_lock.unlock();
            m_ioContext.stop();
        }
    }
    std::vector<std::unique_ptr<std::thread>> own;
    for (auto& thread : m_threads) {
        if (thread->get_id() == std::this_thread::get_id()) {
            own.push_back(std::move(thread));  // joined by a later Stop
        } else if (thread->joinable()) {
            thread->join();
        }
    }
    m_threads = std::move(own);
    if (!m_ioContext.stopped()) {
        m_ioContext.stop();
    }
}
