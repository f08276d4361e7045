#include "cli/cut_short_input.hpp"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <string_view>

#include "cli/command.hpp"

namespace velbrin::cli {
namespace {

constexpr std::string_view kCutShort =
    "velbrin: an input file was cut short by another program while it was read\n";

std::atomic<void (*)() noexcept> g_before_exit{nullptr};
static_assert(std::atomic<void (*)() noexcept>::is_always_lock_free);

extern "C" void report_and_exit(int) {
    if (auto before_exit = g_before_exit.load()) before_exit();
    [[maybe_unused]] const auto written =
        ::write(STDERR_FILENO, kCutShort.data(), kCutShort.size());
    _exit(kExitFailure);
}

}  // namespace

void end_on_cut_short_input(void (*before_exit)() noexcept) {
    g_before_exit.store(before_exit);
    struct sigaction action{};
    action.sa_handler = report_and_exit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
}

}  // namespace velbrin::cli
