#include "io/atomic_output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "io/descriptor_write.hpp"

namespace velbrin::io {
namespace {

constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // the process umask takes its share, as for any new file
constexpr std::string_view kTemporaryPrefix = ".velbrin-tmp-";
constexpr std::size_t kRandomLetters = 12;
constexpr std::size_t kNameLimit = NAME_MAX;
constexpr std::size_t kCutMarkLength = 9;  // "~" and eight hex digits
constexpr std::size_t kNameRoom = kNameLimit - kTemporaryPrefix.size() - kRandomLetters - 1;
static_assert(kNameRoom > kCutMarkLength + 64, "room for a recognisable part of the name");
// Longer than the 15 or 22 characters a string keeps inside itself: a temporary's path
// keeps its address when the string moves (a signal handler may hold that address).
static_assert(kTemporaryPrefix.size() + kRandomLetters + 1 > 23);
constexpr std::string_view kRandomAlphabet = "0123456789abcdefghijklmnopqrstuvwxyz";

std::string_view folder_of(std::string_view path) noexcept {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return path.substr(0, slash + 1);
}

// FNV-1a: a label that tells cut names apart, not a table key.
std::uint32_t name_hash(std::string_view name) noexcept {
    std::uint32_t hash = 2166136261u;
    for (const char byte : name) hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
    return hash;
}

// The target's name as it goes into the temporary's: whole when it fits, else cut (at
// a character boundary) and marked with a hash of the whole.
void append_fitting_name(std::string& out, std::string_view name) {
    if (name.size() <= kNameRoom) {
        out.append(name);
        return;
    }
    std::size_t keep = kNameRoom - kCutMarkLength;
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    char mark[kCutMarkLength + 1];
    std::snprintf(mark, sizeof mark, "~%08x", static_cast<unsigned>(name_hash(name)));
    out.append(name.substr(0, keep)).append(mark, kCutMarkLength);
}

// A name unlikely to be taken: the process, a per-process counter and the clock, mixed.
std::string temporary_name(std::string_view path) {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t bits = static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ULL;
    bits ^= counter.fetch_add(1, std::memory_order_relaxed) * 0xBF58476D1CE4E5B9ULL;
    bits ^= static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    bits ^= bits >> 31;
    const std::string_view folder = folder_of(path);
    std::string name;
    name.reserve(folder.size() + kNameLimit);
    name.append(folder).append(kTemporaryPrefix);
    for (std::size_t letter = 0; letter < kRandomLetters; ++letter) {
        name += kRandomAlphabet[bits % kRandomAlphabet.size()];
        bits /= kRandomAlphabet.size();
        if (bits == 0)
            bits = counter.fetch_add(1, std::memory_order_relaxed) + 0x5851F42D4C957F2DULL;
    }
    name.push_back('-');
    append_fitting_name(name, path.substr(folder.size()));
    return name;
}

// A folder's entries reach the disk only when the folder itself is synced; file systems
// that cannot sync a folder say so with EINVAL, and their renames need no sync.
int sync_folder(std::string_view path) {
    const std::string_view folder = folder_of(path);
    const std::string name = folder.empty() ? std::string(".") : std::string(folder);
    const int descriptor = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return errno;
    int error = ::fsync(descriptor) == 0 ? 0 : errno;
    ::close(descriptor);
    return error == EINVAL ? 0 : error;
}

std::optional<IoFailure> close_descriptor(int descriptor, std::string_view path) {
    if (::close(descriptor) != 0 && errno != EINTR)
        return errno_failure(path, "cannot write", errno);
    return std::nullopt;
}

}  // namespace

bool is_temporary_name(std::string_view name) noexcept {
    if (!name.starts_with(kTemporaryPrefix)) return false;
    name.remove_prefix(kTemporaryPrefix.size());
    if (name.size() < kRandomLetters + 1 || name[kRandomLetters] != '-') return false;
    for (const char letter : name.substr(0, kRandomLetters)) {
        if (kRandomAlphabet.find(letter) == std::string_view::npos) return false;
    }
    return true;
}

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

std::variant<AtomicOutput, IoFailure> AtomicOutput::create(std::string path,
                                                           TemporaryWatch* watch) {
    if (path.empty()) return failure_in("output", "empty file name");
    // The exclusive create (rather than mkstemp) gives the temporary the permissions of
    // any new file under the umask, without changing the process-wide umask.
    int error = 0;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string temporary = temporary_name(path);
        if (watch) watch->hold();
        int descriptor;
        do {
            descriptor =
                ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        } while (descriptor < 0 && errno == EINTR);
        error = errno;
        if (descriptor >= 0) {
            // The name is longer than any string kept inline, so its characters stay
            // where they are as the object moves to the caller.
            AtomicOutput created(std::move(path), std::move(temporary), descriptor);
            if (watch) watch->release(&created.temporary_path_);
            return created;
        }
        if (watch) watch->release(nullptr);
        if (error != EEXIST) break;
    }
    return errno_failure(path, "cannot create a file in its folder", error);
}

std::optional<IoFailure> AtomicOutput::write(std::string_view bytes) {
    if (descriptor_ < 0) return failure_in(path_, "cannot write: the file is already closed");
    if (const int error = write_all(descriptor_, bytes))
        return errno_failure(path_, "cannot write", error);
    return std::nullopt;
}

std::optional<IoFailure> AtomicOutput::commit() {
    if (descriptor_ < 0) return failure_in(path_, "cannot write: the file is already closed");
    if (sync_on_commit_ && ::fsync(descriptor_) != 0)
        return errno_failure(path_, "cannot write", errno);
    const int descriptor = std::exchange(descriptor_, -1);
    if (auto failure = close_descriptor(descriptor, path_)) return failure;
    if (::rename(temporary_path_.c_str(), path_.c_str()) != 0) {
        return errno_failure(path_, "cannot replace", errno);
    }
    committed_ = true;
    if (sync_on_commit_) {
        if (const int error = sync_folder(path_))
            return errno_failure(path_, "written, but its folder cannot be synced", error);
    }
    return std::nullopt;
}

}  // namespace velbrin::io
