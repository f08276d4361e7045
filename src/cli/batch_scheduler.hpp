#pragma once
// Runs the batch's families on a fixed set of worker threads, largest first, each worker
// holding one family at a time.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace velbrin::cli {

// Family indices ordered by decreasing size, ties in their original order: the largest
// start first, so no big family is left to run alone at the end.
std::vector<std::size_t> largest_first(std::span<const std::uint64_t> sizes);

// Workers are plain threads pulling the next index from an atomic counter: the tasks are
// few, coarse and independent, so a work-stealing pool would buy nothing here.
class BatchScheduler {
public:
    // Runs one family; returns false when it failed.
    using Task = std::function<bool(std::size_t family)>;
    // Called on a worker as it leaves, after its last task.
    using WorkerDone = std::function<void()>;

    // Starts min(threads, order.size()) workers (at least one thread is asked for); when
    // the system refuses a thread, runs with those that started.
    BatchScheduler(std::vector<std::size_t> order, std::size_t threads, bool fail_fast, Task task,
                   WorkerDone worker_done);
    BatchScheduler(const BatchScheduler&) = delete;
    BatchScheduler& operator=(const BatchScheduler&) = delete;
    ~BatchScheduler();  // stops dispatching and joins

    // No family starts after this; running ones finish.  Safe from any thread.
    void stop() noexcept { stopped_.store(true, std::memory_order_relaxed); }
    bool stopped() const noexcept { return stopped_.load(std::memory_order_relaxed); }
    // Every worker has left: its tasks' effects are visible to the caller.
    bool finished() const noexcept { return running_.load(std::memory_order_acquire) == 0; }
    void join();

    // The workers that started, and why no more did ("" when all did).
    std::size_t workers() const noexcept { return workers_.size(); }
    const std::string& start_failure() const noexcept { return start_failure_; }
    // Runs families on the calling thread until none is left, the batch is stopped or
    // `interrupted` (asked between families) says so: the batch's only worker when no
    // thread could be started.
    void work_here(const std::function<bool()>& interrupted);

private:
    void work();
    void pull_tasks(const std::function<bool()>& interrupted);

    std::vector<std::size_t> order_;
    bool fail_fast_;
    Task task_;
    WorkerDone worker_done_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> running_{0};
    std::atomic<bool> stopped_{false};
    std::string start_failure_;
    std::vector<std::jthread> workers_;
};

}  // namespace velbrin::cli
