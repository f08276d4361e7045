#include "io/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <utility>

#include "io/descriptor_write.hpp"

namespace velbrin::io {
namespace {

// The descriptor that "/dev/stdout", "/dev/fd/1" and the like name, if `path` is one.
std::optional<int> named_descriptor(std::string_view path) noexcept {
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!path.starts_with(folder)) continue;
        const std::string_view digits = path.substr(folder.size());
        int descriptor = -1;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), descriptor);
        if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty())
            return descriptor;
    }
    return std::nullopt;
}

int open_through(const std::string& path) noexcept {
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

}  // namespace

OutputFile::OutputFile(std::string path, int descriptor) noexcept
    : path_(std::move(path)), descriptor_(descriptor) {}

OutputFile::OutputFile(AtomicOutput atomic) noexcept : atomic_(std::move(atomic)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : path_(std::move(other.path_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      atomic_(std::move(other.atomic_)) {
    other.atomic_.reset();
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        path_ = std::move(other.path_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        atomic_ = std::move(other.atomic_);
        other.atomic_.reset();
    }
    return *this;
}

OutputFile::~OutputFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::variant<OutputFile, IoFailure> OutputFile::open(std::string path, bool durable,
                                                     TemporaryWatch* watch) {
    if (path.empty()) return failure_in("output", "empty file name");
    if (const auto named = named_descriptor(path)) {
        const int descriptor = ::fcntl(*named, F_DUPFD_CLOEXEC, 0);
        if (descriptor < 0) return errno_failure(path, "cannot write", errno);
        return OutputFile(std::move(path), descriptor);
    }
    struct stat status{};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        if (S_ISDIR(status.st_mode))
            return failure_in(path, "is a folder; the output must be a file");
        if (!S_ISCHR(status.st_mode) && !S_ISFIFO(status.st_mode))
            return failure_in(path, "cannot write: not a regular file, character device or FIFO");
        const int descriptor = open_through(path);
        if (descriptor < 0) return errno_failure(path, "cannot write", errno);
        return OutputFile(std::move(path), descriptor);
    }
    auto created = AtomicOutput::create(std::move(path), watch);
    if (auto* failure = std::get_if<IoFailure>(&created)) return std::move(*failure);
    auto& atomic = std::get<AtomicOutput>(created);
    atomic.set_sync_on_commit(durable);
    return OutputFile(std::move(atomic));
}

std::variant<OutputFile, IoFailure> OutputFile::standard_output() {
    const int descriptor = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) return errno_failure("standard output", "cannot write", errno);
    return OutputFile("standard output", descriptor);
}

std::optional<IoFailure> OutputFile::write(std::string_view bytes) {
    if (atomic_) return atomic_->write(bytes);
    if (descriptor_ < 0) return failure_in(path_, "cannot write: the file is already closed");
    if (const int error = write_all(descriptor_, bytes))
        return errno_failure(path_, "cannot write", error);
    return std::nullopt;
}

std::optional<IoFailure> OutputFile::commit() {
    if (atomic_) return atomic_->commit();
    if (descriptor_ < 0) return failure_in(path_, "cannot write: the file is already closed");
    if (::close(std::exchange(descriptor_, -1)) != 0 && errno != EINTR)
        return errno_failure(path_, "cannot write", errno);
    return std::nullopt;
}

void OutputFile::discard() noexcept {
    if (atomic_) atomic_->discard();
    if (descriptor_ >= 0) ::close(std::exchange(descriptor_, -1));
}

const std::string* OutputFile::temporary_path() const noexcept {
    return atomic_ ? &atomic_->temporary_path() : nullptr;
}

}  // namespace velbrin::io
