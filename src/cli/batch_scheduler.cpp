#include "cli/batch_scheduler.hpp"

#include <algorithm>
#include <numeric>
#include <system_error>

namespace velbrin::cli {

std::vector<std::size_t> largest_first(std::span<const std::uint64_t> sizes) {
    std::vector<std::size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::ranges::stable_sort(order, std::greater<>{}, [&](std::size_t i) { return sizes[i]; });
    return order;
}

BatchScheduler::BatchScheduler(std::vector<std::size_t> order, std::size_t threads, bool fail_fast,
                               Task task, WorkerDone worker_done)
    : order_(std::move(order)),
      fail_fast_(fail_fast),
      task_(std::move(task)),
      worker_done_(std::move(worker_done)) {
    const auto count = std::min(std::max<std::size_t>(threads, 1), order_.size());
    running_.store(count, std::memory_order_relaxed);
    workers_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error& error) {
            // Out of threads or address space for their stacks: the workers that did
            // start carry the batch.
            start_failure_ = error.code().message();
            running_.fetch_sub(count - i, std::memory_order_acq_rel);
            break;
        }
    }
}

void BatchScheduler::work_here(const std::function<bool()>& interrupted) {
    running_.fetch_add(1, std::memory_order_acq_rel);
    pull_tasks(interrupted);
    running_.fetch_sub(1, std::memory_order_acq_rel);
}

BatchScheduler::~BatchScheduler() {
    stop();
    join();
}

void BatchScheduler::join() {
    for (auto& worker : workers_) {
        if (worker.joinable()) worker.join();
    }
}

void BatchScheduler::pull_tasks(const std::function<bool()>& interrupted) {
    while (!stopped() && !interrupted()) {
        const auto slot = next_.fetch_add(1, std::memory_order_relaxed);
        if (slot >= order_.size()) break;
        if (!task_(order_[slot]) && fail_fast_) stop();
    }
}

void BatchScheduler::work() {
    pull_tasks([] { return false; });
    running_.fetch_sub(1, std::memory_order_acq_rel);
    if (worker_done_) worker_done_();
}

}  // namespace velbrin::cli
