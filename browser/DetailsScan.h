// The details scan's engine: one background thread that walks a copy of the module list's rows
// and computes each row's texts, handing them out as they are ready.
//
// The list belongs to the user interface thread, so the engine never touches it: the receiver
// posts each result to that thread and applies it only when its generation is still the current
// one. Stopping raises the run's flag and moves the generation on without waiting for the thread:
// after Stop returns, the stopped run calls neither callback again (a result it had already
// handed over may still arrive, with its old generation, and is dropped by the receiver). Threads
// of stopped runs are joined when they have ended, at the latest when the engine goes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
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

private:
    struct Run {
        std::atomic<bool> cancelled{false};
        std::atomic<bool> ended{false};
        // Held while a callback runs, so that Stop can promise no callback after it returns.
        std::mutex deliver;
        std::thread thread;
    };
    static void Work(const std::shared_ptr<Run>& run, uint64_t generation,
                     std::vector<ScanRow> rows, RowTexts compute, RowCallback onRow,
                     DoneCallback onDone);
    void ReapEnded();

    std::shared_ptr<Run> m_current;
    std::vector<std::shared_ptr<Run>> m_stopped;
    std::atomic<uint64_t> m_generation{0};
};

}  // namespace tv
