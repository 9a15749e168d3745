// The details scan's engine: one background thread, kept for the engine's whole life, that walks
// a copy of the module list's rows and computes each row's texts, handing them out as they are
// ready. Each Start hands the thread a new run; a run still going is abandoned at its next row.
//
// The list belongs to the user interface thread, so the engine never touches it: the receiver
// posts each result to that thread and applies it only when its generation is still the current
// one. Stopping moves the generation on without waiting for the thread's row: after Stop returns,
// the stopped run calls neither callback again (a result it had already handed over may still
// arrive, with its old generation, and is dropped by the receiver). The thread ends with the
// engine, after at most the row it is busy with.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "browser/ScanTexts.h"
#include "shell/ShellNamespace.h"

namespace tv {

class CDetailsScan {
public:
    // Called on the scan thread for each row with texts (rows without cells are skipped).
    using RowCallback = std::function<void(uint64_t generation, int row, ScanCells cells)>;
    // Called on the scan thread once after the last row of a run that was not stopped.
    using DoneCallback = std::function<void(uint64_t generation)>;

    CDetailsScan() = default;
    ~CDetailsScan();
    CDetailsScan(const CDetailsScan&) = delete;
    CDetailsScan& operator=(const CDetailsScan&) = delete;

    // Computes one row's cells on the scan thread.
    using RowTexts = std::function<ScanCells(const ScanRow& row)>;

    // Stops a running scan and starts a new one over rows (index = row number) in mode, with a
    // copy of shell for the type names. Returns the new run's generation.
    uint64_t Start(uint32_t mode, std::vector<ScanRow> rows, const CShellNamespace& shell,
                   RowCallback onRow, DoneCallback onDone);
    // The same with the texts computed by compute.
    uint64_t Start(std::vector<ScanRow> rows, RowTexts compute, RowCallback onRow,
                   DoneCallback onDone);
    // Stops the running scan, if any, without waiting for its thread.
    void Stop();
    // True from Start until the run ends or is stopped.
    [[nodiscard]] bool IsRunning() const;
    // The generation of the latest run; results of any other generation are stale.
    [[nodiscard]] uint64_t Generation() const noexcept { return m_generation.load(); }
    // How many rows the run of generation has finished, with or without texts; 0 for any other
    // run. For the progress the user sees, so it may lag a row behind.
    [[nodiscard]] size_t RowsDone(uint64_t generation) const noexcept {
        return m_doneGeneration.load() == generation ? m_done.load() : 0;
    }

private:
    struct Job {
        uint64_t generation = 0;
        std::vector<ScanRow> rows;
        RowTexts compute;
        RowCallback onRow;
        DoneCallback onDone;
    };
    void Work();
    // Runs job's rows while its generation is the current one.
    void RunJob(Job& job);

    std::mutex m_queue;  // guards m_next and m_quit
    std::condition_variable m_wake;
    std::optional<Job> m_next;
    bool m_quit = false;
    // Held while a callback runs and while the generation moves, so that Stop can promise no
    // callback of the stopped run after it returns.
    std::mutex m_deliver;
    std::atomic<uint64_t> m_generation{0};
    std::atomic<uint64_t> m_started{0};         // the generation of the latest Start
    std::atomic<uint64_t> m_finished{0};        // the generation of the latest run that ended
    std::atomic<uint64_t> m_doneGeneration{0};  // the run m_done counts for
    std::atomic<size_t> m_done{0};
    std::thread m_thread;  // started with the first run
};

}  // namespace tv
