#include "browser/DetailsScan.h"

namespace tv {

CDetailsScan::~CDetailsScan() {
    {
        std::lock_guard deliver(m_deliver);
        ++m_generation;
    }
    {
        std::lock_guard lock(m_queue);
        m_quit = true;
        m_next.reset();
    }
    m_wake.notify_all();
    // The thread checks the generation before every row, so this waits for one row's work at
    // most.
    if (m_thread.joinable()) m_thread.join();
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
    uint64_t generation = 0;
    {
        // Moving the generation on silences the run before, as Stop does.
        std::lock_guard deliver(m_deliver);
        generation = ++m_generation;
    }
    m_started = generation;
    {
        std::lock_guard lock(m_queue);
        m_next = Job{generation, std::move(rows), std::move(compute), std::move(onRow),
                     std::move(onDone)};
    }
    if (!m_thread.joinable()) m_thread = std::thread(&CDetailsScan::Work, this);
    m_wake.notify_one();
    return generation;
}

void CDetailsScan::Stop() {
    {
        // Waits only for a callback in progress, which posts and returns.
        std::lock_guard deliver(m_deliver);
        ++m_generation;
    }
    std::lock_guard lock(m_queue);
    m_next.reset();
}

bool CDetailsScan::IsRunning() const {
    const uint64_t started = m_started.load();
    return started != 0 && started == m_generation.load() && m_finished.load() != started;
}

void CDetailsScan::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_queue);
            m_wake.wait(lock, [this] { return m_quit || m_next.has_value(); });
            if (m_quit) return;
            job = std::move(*m_next);
            m_next.reset();
        }
        RunJob(job);
    }
}

void CDetailsScan::RunJob(Job& job) {
    const uint64_t generation = job.generation;
    m_done = 0;
    m_doneGeneration = generation;
    for (size_t i = 0; i < job.rows.size() && m_generation.load() == generation; ++i) {
        ScanCells cells = job.compute ? job.compute(job.rows[i]) : ScanCells();
        m_done = i + 1;
        if (cells.empty()) continue;
        std::lock_guard deliver(m_deliver);
        if (m_generation.load() != generation) return;
        if (job.onRow) job.onRow(generation, static_cast<int>(i), std::move(cells));
    }
    std::lock_guard deliver(m_deliver);
    if (m_generation.load() != generation) return;
    m_finished = generation;
    if (job.onDone) job.onDone(generation);
}

}  // namespace tv
