// The details scan's thread: every row delivered in order once, nothing delivered for a run once
// Stop has returned, no waiting for a busy thread, and a clean end when the engine goes mid-run.
#include "browser/DetailsScan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include <unistd.h>

using tv::CShellNamespace;

namespace {

using namespace std::chrono_literals;

std::vector<tv::ScanRow> Rows(int count) {
    std::vector<tv::ScanRow> rows(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        rows[static_cast<size_t>(i)].path = std::to_string(i);
    return rows;
}

tv::ScanCells Echo(const tv::ScanRow& row) { return {{1, row.path}}; }

TEST(DetailsScanTest, DeliversEveryRowInOrderThenEndsOnce) {
    tv::CDetailsScan scan;
    std::mutex mutex;
    std::condition_variable ended;
    std::vector<int> rows;
    std::set<uint64_t> rowGenerations;
    int done = 0;
    uint64_t doneGeneration = 0;
    std::vector<tv::ScanRow> input = Rows(50);
    input[7].path.clear();  // a row without texts is skipped, not delivered empty
    const uint64_t generation = scan.Start(
        std::move(input),
        [](const tv::ScanRow& row) { return row.path.empty() ? tv::ScanCells() : Echo(row); },
        [&](uint64_t g, int row, tv::ScanCells cells) {
            std::lock_guard lock(mutex);
            rowGenerations.insert(g);
            EXPECT_EQ(cells.at(0).text, std::to_string(row));
            rows.push_back(row);
        },
        [&](uint64_t g) {
            std::lock_guard lock(mutex);
            doneGeneration = g;
            ++done;
            ended.notify_all();
        });
    std::unique_lock lock(mutex);
    ASSERT_TRUE(ended.wait_for(lock, 10s, [&] { return done == 1; }));
    EXPECT_EQ(doneGeneration, generation);
    EXPECT_EQ(rowGenerations, std::set<uint64_t>{generation});
    EXPECT_EQ(rows.size(), 49u);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    lock.unlock();
    for (int i = 0; i < 100 && scan.IsRunning(); ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(scan.IsRunning());
}

TEST(DetailsScanTest, EveryRunUsesTheOneThreadTheEngineKeeps) {
    tv::CDetailsScan scan;
    std::mutex mutex;
    std::condition_variable ended;
    std::set<std::thread::id> threads;
    int done = 0;
    for (int run = 0; run < 5; ++run) {
        scan.Start(
            Rows(3),
            [&](const tv::ScanRow& row) {
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
                return Echo(row);
            },
            {},
            [&](uint64_t) {
                std::lock_guard lock(mutex);
                ++done;
                ended.notify_all();
            });
        std::unique_lock lock(mutex);
        ASSERT_TRUE(ended.wait_for(lock, 10s, [&] { return done == run + 1; }));
    }
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    EXPECT_FALSE(scan.IsRunning());
}

TEST(DetailsScanTest, StopDoesNotWaitForABusyRowAndSilencesTheRun) {
    std::mutex mutex;
    std::condition_variable cv;
    bool rowStarted = false;
    bool release = false;
    std::atomic<int> deliveredAfterStop{0};
    std::atomic<bool> stopped{false};
    {
        tv::CDetailsScan scan;
        scan.Start(
            Rows(3),
            [&](const tv::ScanRow& row) {
                std::unique_lock lock(mutex);
                rowStarted = true;
                cv.notify_all();
                cv.wait(lock, [&] { return release; });
                return Echo(row);
            },
            [&](uint64_t, int, tv::ScanCells) {
                if (stopped) ++deliveredAfterStop;
            },
            [&](uint64_t) {
                if (stopped) ++deliveredAfterStop;
            });
        {
            std::unique_lock lock(mutex);
            ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return rowStarted; }));
        }
        // The row is still being computed: Stop must return at once.
        const auto before = std::chrono::steady_clock::now();
        scan.Stop();
        stopped = true;
        EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
        EXPECT_FALSE(scan.IsRunning());
        {
            std::lock_guard lock(mutex);
            release = true;
        }
        cv.notify_all();
    }  // the engine joins the stopped thread here
    EXPECT_EQ(deliveredAfterStop, 0);
}

TEST(DetailsScanTest, RapidRestartsNeverDeliverForAStoppedRun) {
    tv::CDetailsScan scan;
    std::mutex mutex;
    std::set<uint64_t> stoppedRuns;
    std::atomic<int> stale{0};
    std::atomic<int> delivered{0};
    auto onRow = [&](uint64_t generation, int, tv::ScanCells) {
        std::lock_guard lock(mutex);
        if (stoppedRuns.count(generation) != 0) ++stale;
        ++delivered;
    };
    auto onDone = [&](uint64_t generation) {
        std::lock_guard lock(mutex);
        if (stoppedRuns.count(generation) != 0) ++stale;
    };
    for (int i = 0; i < 200; ++i) {
        const uint64_t generation = scan.Start(Rows(20), Echo, onRow, onDone);
        EXPECT_EQ(scan.Generation(), generation);
        if (i % 3 == 0) std::this_thread::yield();
        scan.Stop();
        EXPECT_NE(scan.Generation(), generation);
        std::lock_guard lock(mutex);
        stoppedRuns.insert(generation);
    }
    EXPECT_EQ(stale, 0);
    // The engine still works after all that.
    std::atomic<bool> done{false};
    scan.Start(Rows(5), Echo, nullptr, [&](uint64_t) { done = true; });
    for (int i = 0; i < 5000 && !done; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(done);
}

TEST(DetailsScanTest, RealRowsInEveryModeSurviveRapidRestarts) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() /
        ("tarnview-scan-" + std::to_string(::getpid()) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir / "sub");
    std::vector<tv::ScanRow> rows;
    CShellNamespace shell(dir.string());
    for (int i = 0; i < 30; ++i) {
        const fs::path file = dir / ("f" + std::to_string(i) + ".dll");
        std::ofstream(file) << "MZ not really a module";
        rows.push_back({file.string(), shell.PathToIdList(file.string()), false});
    }
    rows.push_back({(dir / "sub").string(), shell.PathToIdList((dir / "sub").string()), true});

    tv::CDetailsScan scan;
    std::atomic<int> delivered{0};
    std::atomic<bool> done{false};
    const uint32_t modes[] = {59411, 32771, 32772, 59409};
    for (int i = 0; i < 40; ++i) {
        scan.Start(
            modes[i % 4], rows, shell, [&](uint64_t, int, tv::ScanCells) { ++delivered; },
            [&](uint64_t) { done = true; });
        if (i % 7 == 0) std::this_thread::sleep_for(1ms);
    }
    for (int i = 0; i < 5000 && !done; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(done);
    scan.Stop();
    fs::remove_all(dir);
}

}  // namespace
