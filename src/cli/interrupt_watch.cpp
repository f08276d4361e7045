#include "cli/interrupt_watch.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "cli/ending_signals.hpp"

namespace velbrin::cli {

namespace {

sigset_t interrupt_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    // Blocked, SIGPIPE turns a write to a closed pipe into a failed write plus an event.
    for (const int signal_number : kEndingSignals) sigaddset(&signals, signal_number);
    return signals;
}

void close_descriptor(int& descriptor) noexcept {
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
}

io::Failure interrupt_failure(std::string_view what, int error) {
    return io::Failure{std::string(what) + std::strerror(error), io::FailureKind::interrupt};
}

}  // namespace

io::Result<InterruptWatch> InterruptWatch::open() {
    const auto signals = interrupt_signals();
    if (const int error = pthread_sigmask(SIG_BLOCK, &signals, nullptr); error != 0) {
        return interrupt_failure("cannot block interrupt signals: ", error);
    }
    const int signal_descriptor = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signal_descriptor < 0) return interrupt_failure("cannot watch interrupt signals: ", errno);
    const int wake_descriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_descriptor < 0) {
        const int error = errno;
        ::close(signal_descriptor);
        return interrupt_failure("cannot create an event descriptor: ", error);
    }
    return InterruptWatch(signal_descriptor, wake_descriptor);
}

InterruptWatch::InterruptWatch(int signal_descriptor, int wake_descriptor) noexcept
    : signal_descriptor_(signal_descriptor), wake_descriptor_(wake_descriptor) {}

InterruptWatch::InterruptWatch(InterruptWatch&& other) noexcept
    : signal_descriptor_(std::exchange(other.signal_descriptor_, -1)),
      wake_descriptor_(std::exchange(other.wake_descriptor_, -1)) {}

InterruptWatch::~InterruptWatch() {
    close_descriptor(signal_descriptor_);
    close_descriptor(wake_descriptor_);
}

int InterruptWatch::wait(std::optional<std::chrono::milliseconds> timeout) {
    std::array<pollfd, 2> watched{{{signal_descriptor_, POLLIN, 0}, {wake_descriptor_, POLLIN, 0}}};
    const int milliseconds = timeout ? static_cast<int>(timeout->count()) : -1;
    if (::poll(watched.data(), watched.size(), milliseconds) <= 0) return 0;
    if (watched[1].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto drained = ::read(wake_descriptor_, &count, sizeof count);
    }
    if (watched[0].revents & POLLIN) {
        signalfd_siginfo info{};
        if (::read(signal_descriptor_, &info, sizeof info) == sizeof info) {
            return static_cast<int>(info.ssi_signo);
        }
    }
    return 0;
}

void InterruptWatch::wake() noexcept {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_descriptor_, &one, sizeof one);
}

}  // namespace velbrin::cli
