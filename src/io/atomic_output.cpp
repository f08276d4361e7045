#include "io/atomic_output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <utility>

namespace velbrin::io {
namespace {

constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // the process umask takes its share, as for any new file
constexpr std::size_t kSuffixDigits = 12;

IoFailure system_failure(std::string_view path, std::string_view action, int error) {
    std::string reason(action);
    reason.append(": ").append(std::strerror(error));
    return failure_in(path, reason);
}

std::string_view folder_of(std::string_view path) noexcept {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return path.substr(0, slash + 1);
}

// A name unlikely to be taken: the process, a per-process counter and the clock, mixed.
std::string temporary_name(std::string_view path) {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t bits = static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ULL;
    bits ^= counter.fetch_add(1, std::memory_order_relaxed) * 0xBF58476D1CE4E5B9ULL;
    bits ^= static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    bits ^= bits >> 31;
    constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const std::string_view folder = folder_of(path);
    std::string name;
    name.reserve(path.size() + 2 + kSuffixDigits + 4);
    name.append(folder).append(".").append(path.substr(folder.size())).append(".");
    for (std::size_t digit = 0; digit < kSuffixDigits; ++digit) {
        name += kDigits[bits % 36];
        bits /= 36;
        if (bits == 0)
            bits = counter.fetch_add(1, std::memory_order_relaxed) + 0x5851F42D4C957F2DULL;
    }
    name.append(".tmp");
    return name;
}

std::optional<IoFailure> close_descriptor(int descriptor, std::string_view path) {
    if (::close(descriptor) != 0 && errno != EINTR)
        return system_failure(path, "cannot write", errno);
    return std::nullopt;
}

}  // namespace

AtomicOutput::AtomicOutput(std::string path, std::string temporary_path, int descriptor) noexcept
    : path_(std::move(path)), temporary_path_(std::move(temporary_path)), descriptor_(descriptor) {}

AtomicOutput::AtomicOutput(AtomicOutput&& other) noexcept
    : path_(std::move(other.path_)),
      temporary_path_(std::move(other.temporary_path_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      sync_on_commit_(other.sync_on_commit_),
      committed_(std::exchange(other.committed_, true)) {}

AtomicOutput& AtomicOutput::operator=(AtomicOutput&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        temporary_path_ = std::move(other.temporary_path_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        sync_on_commit_ = other.sync_on_commit_;
        committed_ = std::exchange(other.committed_, true);
    }
    return *this;
}

AtomicOutput::~AtomicOutput() { discard(); }

void AtomicOutput::discard() noexcept {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!committed_) ::unlink(temporary_path_.c_str());
    committed_ = true;
}

std::variant<AtomicOutput, IoFailure> AtomicOutput::create(std::string path) {
    if (path.empty()) return failure_in("output", "empty file name");
    // The exclusive create (rather than mkstemp) gives the temporary the permissions of
    // any new file under the umask, without changing the process-wide umask.
    int error = 0;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string temporary = temporary_name(path);
        int descriptor;
        do {
            descriptor =
                ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        } while (descriptor < 0 && errno == EINTR);
        if (descriptor >= 0) return AtomicOutput(std::move(path), std::move(temporary), descriptor);
        error = errno;
        if (error != EEXIST) break;
    }
    return system_failure(path, "cannot create a file in its folder", error);
}

std::optional<IoFailure> AtomicOutput::write(std::string_view bytes) {
    if (descriptor_ < 0) return failure_in(path_, "cannot write: the file is already closed");
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return system_failure(path_, "cannot write", errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

std::optional<IoFailure> AtomicOutput::commit() {
    if (descriptor_ < 0) return failure_in(path_, "cannot write: the file is already closed");
    if (sync_on_commit_ && ::fsync(descriptor_) != 0)
        return system_failure(path_, "cannot write", errno);
    const int descriptor = std::exchange(descriptor_, -1);
    if (auto failure = close_descriptor(descriptor, path_)) return failure;
    if (::rename(temporary_path_.c_str(), path_.c_str()) != 0) {
        return system_failure(path_, "cannot replace", errno);
    }
    committed_ = true;
    return std::nullopt;
}

}  // namespace velbrin::io
