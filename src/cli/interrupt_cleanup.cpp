#include "cli/interrupt_cleanup.hpp"

#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "cli/command.hpp"
#include "cli/cut_short_input.hpp"
#include "cli/ending_signals.hpp"

namespace velbrin::cli {
namespace {

std::atomic<const char*> g_temporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);  // read in a signal handler

void remove_temporary() noexcept {
    if (const char* path = g_temporary.exchange(nullptr)) unlink(path);
}

extern "C" void remove_temporary_and_exit(int signal_number) {
    remove_temporary();
    _exit(kExitSignalBase + signal_number);
}

void set_handler(void (*handler)(int)) {
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal_number : kEndingSignals) sigaction(signal_number, &action, nullptr);
}

}  // namespace

InterruptCleanup::InterruptCleanup() {
    set_handler(remove_temporary_and_exit);
    end_on_cut_short_input(remove_temporary);
}

InterruptCleanup::~InterruptCleanup() {
    forget();
    set_handler(SIG_DFL);
}

void InterruptCleanup::hold() noexcept {
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signal_number : kEndingSignals) sigaddset(&ending, signal_number);
    pthread_sigmask(SIG_BLOCK, &ending, &before_hold_);
}

void InterruptCleanup::release(const std::string* temporary_path) noexcept {
    if (temporary_path) g_temporary.store(temporary_path->c_str());
    pthread_sigmask(SIG_SETMASK, &before_hold_, nullptr);  // a held signal arrives here
}

void InterruptCleanup::forget() noexcept { g_temporary.store(nullptr); }

}  // namespace velbrin::cli
