// Runs the port probe off the window thread and hands the results back on
// it. At most one probe runs; the destructor waits for it (its budget is
// half a second).
#pragma once

#include "ops/ports/port_probe.h"

#include <QObject>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class ModuleFinder : public QObject {
    Q_OBJECT
public:
    static constexpr unsigned kBudgetMs = 500;
    static constexpr unsigned kMaxBudgetMs = 10000;
    // The probe's budget: kBudgetMs, or more where the settings ask for it
    // (slow adapters, a loaded machine); a value outside the range gives kBudgetMs.
    static unsigned BudgetMs();

    explicit ModuleFinder(QObject* parent = nullptr);
    ~ModuleFinder() override;

    // False when a probe is still running.
    bool Start(const std::vector<std::string>& paths);
    bool Running() const { return m_running.load(); }

signals:
    void Finished(const std::vector<ProbeResult>& results);

private:
    void Join();

    std::thread m_thread;
    std::atomic<bool> m_running{false};
};
