#include "ui/shell/module_finder.h"

#include <QMetaObject>

namespace {

std::atomic<unsigned> g_budgetMs{ModuleFinder::kBudgetMs};

}  // namespace

void ModuleFinder::SetBudgetMs(unsigned ms) { g_budgetMs.store(ms != 0 ? ms : kBudgetMs); }

unsigned ModuleFinder::BudgetMs() { return g_budgetMs.load(); }

ModuleFinder::ModuleFinder(QObject* parent) : QObject(parent) {}

ModuleFinder::~ModuleFinder() { Join(); }

void ModuleFinder::Join() {
    if (m_thread.joinable()) m_thread.join();
}

bool ModuleFinder::Start(const std::vector<std::string>& paths) {
    if (m_running.exchange(true)) return false;
    Join();
    m_thread = std::thread([this, paths, budget = BudgetMs()] {
        std::vector<ProbeResult> results = ProbePorts(paths, budget);
        // Delivered on the window thread; dropped with this object.
        QMetaObject::invokeMethod(
                this,
                [this, results = std::move(results)] {
                    m_running.store(false);
                    emit Finished(results);
                },
                Qt::QueuedConnection);
    });
    return true;
}
