// Serial port transport: one asio serial port with a permanent asynchronous
// read and a chunked transmit queue, and the process-wide I/O context that
// completes its operations.
#pragma once

#include <asio/io_context.hpp>
#include <asio/io_context_strand.hpp>
#include <asio/serial_port.hpp>

#include "device_access.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

// Errors of our own when opening a port.
enum class PortError { InUse = 1 };
const std::error_category& PortErrorCategory();
std::error_code make_error_code(PortError e);
template <>
struct std::is_error_code_enum<PortError> : std::true_type {};

class CSerialportMP : public std::enable_shared_from_this<CSerialportMP> {
public:
    using ReadHandler =
        std::function<void(std::shared_ptr<CSerialportMP>, std::error_code&, const std::vector<uint8_t>&, unsigned)>;
    using WriteHandler = std::function<void(std::shared_ptr<CSerialportMP>, std::error_code&, unsigned)>;

    static constexpr std::size_t kChunk = 1024;

    explicit CSerialportMP(asio::io_context& ctx);
    CSerialportMP(const CSerialportMP&) = delete;
    CSerialportMP& operator=(const CSerialportMP&) = delete;
    virtual ~CSerialportMP();

    // parity: 0 none, 1 odd, 2 even; stop_bits: 0 one, 1 one and a half, 2 two.
    // Opens the device for exclusive use; 8 data bits, no flow control. A
    // device another program holds (or locks, by flock or a lock file) fails
    // with PortError::InUse. While open, our own lock file marks the device.
    void Open(std::error_code& ec, const std::string& port_name, unsigned baud, uint8_t parity, uint8_t stop_bits);
    // Discards unsent output, cancels and closes; idempotent. Returns once
    // the cancelled completions have run (waits at most 100 ms for them).
    void Close();
    bool IsOpen() const { return m_isOpen.load(); }
    // Queues bytes; 0, or 22 when data is null or len is 0.
    int Write(const void* data, unsigned len);
    // Waits until the queued bytes have left the driver, at most `limit`.
    void Drain(std::chrono::milliseconds limit);

    // Assigned once by the owner right after construction.
    ReadHandler m_readHandler;
    WriteHandler m_writeHandler;

private:
    class OpScope;

    // Every asynchronous operation carries the generation of the open it was
    // started under; completions of an earlier open are dropped.
    void StartRead(uint64_t gen);
    void StartWrite();  // caller holds m_writeMutex
    void OnRead(uint64_t gen, const std::error_code& ec, std::size_t n);
    void OnWrite(uint64_t gen, const std::error_code& ec, std::size_t n);
    bool IsCurrent(uint64_t gen) const { return m_isOpen.load() && m_generation.load() == gen; }
    void Shutdown();  // cancels, flushes and closes the device
    void WaitForPendingOps();

    std::atomic<bool> m_isOpen{false};
    std::vector<uint8_t> m_rxData;
    uint8_t m_readBuf[kChunk]{};
    std::vector<uint8_t> m_txQueue;
    uint8_t m_writeBuf[kChunk]{};
    bool m_writeInProgress = false;
    std::condition_variable m_writeCv;  // the transmit queue ran empty
    std::mutex m_readMutex;
    std::mutex m_writeMutex;
    asio::serial_port m_serialPort;
    asio::io_context::strand m_strand;
    // Our lock file while the device is open; guarded by m_ioMutex.
    DeviceLock m_lockFile;

    std::atomic<uint64_t> m_generation{0};
    // Guards every call on m_serialPort: the worker starts writes, the run
    // threads start reads and the user-interface thread closes.
    std::mutex m_ioMutex;
    // Operations started or posted and not yet completed; Close waits for
    // them so that no completion runs after it returns.
    std::mutex m_opsMutex;
    std::condition_variable m_opsCv;
    int m_pendingOps = 0;
};

class IoServiceExec {
public:
    IoServiceExec();
    IoServiceExec(const IoServiceExec&) = delete;
    IoServiceExec& operator=(const IoServiceExec&) = delete;
    virtual ~IoServiceExec();

    // The one process-wide instance.
    static IoServiceExec& Instance();

    asio::io_context& Context() { return m_ioContext; }
    // True while a run thread is running; they end by themselves when the
    // context runs out of work.
    bool HasThreads() const;
    // Restarts the context and starts ThreadCountFor(hardware) run threads.
    void Start();
    // Joins the run threads; if they have not ended about a second after the
    // call, stops the context first so that the join cannot hang.
    void Stop();

    // max(1, hardware / 2)
    static unsigned ThreadCountFor(unsigned hardware_threads);

private:
    void RunThread();

    asio::io_context m_ioContext;
    std::vector<std::unique_ptr<std::thread>> m_threads;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_threadsMutex;
    // Run threads that have not left RunThread yet.
    mutable std::mutex m_runMutex;
    std::condition_variable m_runCv;
    unsigned m_running = 0;
};
