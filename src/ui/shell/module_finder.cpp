#include "ui/shell/module_finder.h"

#include "ui/shell/settings_store.h"

#include <QMetaObject>

unsigned ModuleFinder::BudgetMs() {
    const int ms = SettingsStore::GetProfileInt(SettingsStore::kFindBudgetMs, static_cast<int>(kBudgetMs));
    return ms >= static_cast<int>(kBudgetMs) && ms <= static_cast<int>(kMaxBudgetMs) ? static_cast<unsigned>(ms)
                                                                                     : kBudgetMs;
}

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
