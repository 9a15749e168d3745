#include "browser/DetailsScan.h"

#include <algorithm>

namespace tv {

CDetailsScan::~CDetailsScan() {
    Stop();
    // A run checks its flag before every row, so this waits for one row's work at most.
    for (const auto& run : m_stopped)
        if (run->thread.joinable()) run->thread.join();
}

uint64_t CDetailsScan::Start(uint32_t mode, std::vector<ScanRow> rows, const CShellNamespace& shell,
                             RowCallback onRow, DoneCallback onDone) {
    // The scan's own namespace: the caller's stays with the user interface thread.
    auto own = std::make_shared<CShellNamespace>(shell);
    RowTexts compute = [mode, own](const ScanRow& row) { return ScanRowTexts(mode, row, *own); };
    return Start(std::move(rows), std::move(compute), std::move(onRow), std::move(onDone));
}

uint64_t CDetailsScan::Start(std::vector<ScanRow> rows, RowTexts compute, RowCallback onRow,
                             DoneCallback onDone) {
    Stop();
    ReapEnded();
    const uint64_t generation = ++m_generation;
    auto run = std::make_shared<Run>();
    run->thread = std::thread(&CDetailsScan::Work, run, generation, std::move(rows),
                              std::move(compute), std::move(onRow), std::move(onDone));
    m_current = std::move(run);
    return generation;
}

void CDetailsScan::Stop() {
    if (!m_current) return;
    {
        // Waits only for a callback in progress, which posts and returns.
        std::lock_guard lock(m_current->deliver);
        m_current->cancelled = true;
    }
    ++m_generation;
    m_stopped.push_back(std::move(m_current));
    m_current.reset();
}

bool CDetailsScan::IsRunning() const { return m_current && !m_current->ended.load(); }

void CDetailsScan::ReapEnded() {
    auto ended = std::stable_partition(m_stopped.begin(), m_stopped.end(),
                                       [](const auto& run) { return !run->ended.load(); });
    for (auto it = ended; it != m_stopped.end(); ++it)
        if ((*it)->thread.joinable()) (*it)->thread.join();
    m_stopped.erase(ended, m_stopped.end());
}

void CDetailsScan::Work(const std::shared_ptr<Run>& run, uint64_t generation,
                        std::vector<ScanRow> rows, RowTexts compute, RowCallback onRow,
                        DoneCallback onDone) {
    for (size_t i = 0; i < rows.size() && !run->cancelled.load(); ++i) {
        ScanCells cells = compute ? compute(rows[i]) : ScanCells();
        if (cells.empty()) continue;
        std::lock_guard lock(run->deliver);
        if (run->cancelled.load()) break;
        if (onRow) onRow(generation, static_cast<int>(i), std::move(cells));
    }
    {
        std::lock_guard lock(run->deliver);
        if (!run->cancelled.load() && onDone) onDone(generation);
        run->ended = true;
    }
}

}  // namespace tv
