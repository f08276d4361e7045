#include "io/input_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "io/gzip_stream.hpp"

namespace velbrin::io {
namespace {

constexpr std::string_view kStandardInputLabel = "standard input";

constexpr unsigned char kGzipMagic[] = {0x1F, 0x8B};

IoFailure system_failure(std::string_view label, std::string_view action, int error) {
    std::string reason(action);
    reason.append(": ").append(std::strerror(error));
    return failure_in(label, reason);
}

class Descriptor {
public:
    explicit Descriptor(int descriptor, bool owned) noexcept
        : descriptor_(descriptor), owned_(owned) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (owned_ && descriptor_ >= 0) ::close(descriptor_);
    }
    int get() const noexcept { return descriptor_; }

private:
    int descriptor_;
    bool owned_;
};

bool starts_with_gzip_magic(std::string_view bytes) noexcept {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == kGzipMagic[0] &&
           static_cast<unsigned char>(bytes[1]) == kGzipMagic[1];
}

// Reads up to `count` bytes, fewer only at end of input; the number read, or errno.
std::variant<std::size_t, int> read_fully(int descriptor, char* into, std::size_t count) {
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t got = ::read(descriptor, into + filled, count - filled);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

std::variant<InputText, IoFailure> inflate_whole(std::string_view compressed,
                                                 std::string_view label, std::size_t max_size) {
    InputText text;
    GzipStream gzip(label, max_size);
    if (auto failure = gzip.feed(compressed, text)) return std::move(*failure);
    if (auto failure = gzip.finish()) return std::move(*failure);
    return text;
}

// A pipe, a device or a file that cannot be mapped: read a block at a time.  `first`
// holds the bytes already read.
std::variant<InputText, IoFailure> stream_input(int descriptor, std::string first,
                                                std::string_view label, std::size_t max_size) {
    InputText text;
    if (starts_with_gzip_magic(first)) {
        GzipStream gzip(label, max_size);
        std::string piece = std::move(first);
        for (;;) {
            if (auto failure = gzip.feed(piece, text)) return std::move(*failure);
            piece.resize(kInputBlock);
            const auto got = read_fully(descriptor, piece.data(), piece.size());
            if (const int* error = std::get_if<int>(&got))
                return system_failure(label, "cannot read", *error);
            piece.resize(std::get<std::size_t>(got));
            if (piece.empty()) break;
        }
        if (auto failure = gzip.finish()) return std::move(*failure);
        return text;
    }
    if (!first.empty()) {
        text.reserve_more(first.size());
        std::memcpy(text.free_space(), first.data(), first.size());
        text.commit(first.size());
    }
    if (auto failure = check_streamed_block(text.view(), 0, max_size, label))
        return std::move(*failure);
    for (;;) {
        const std::size_t block_start = text.size();
        text.reserve_more(kInputBlock);
        const auto got = read_fully(descriptor, text.free_space(), kInputBlock);
        if (const int* error = std::get_if<int>(&got))
            return system_failure(label, "cannot read", *error);
        const std::size_t count = std::get<std::size_t>(got);
        if (count == 0) break;
        text.commit(count);
        if (auto failure = check_streamed_block(text.view(), block_start, max_size, label))
            return std::move(*failure);
    }
    return text;
}

std::variant<InputText, IoFailure> read_descriptor(int descriptor, std::string_view label,
                                                   std::size_t max_size) {
    struct stat status{};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto size = static_cast<std::size_t>(status.st_size);
        InputText mapped = InputText::map_file(descriptor, size);
        if (mapped.size() == size) {
            if (starts_with_gzip_magic(mapped.view()))
                return inflate_whole(mapped.view(), label, max_size);
            if (size > max_size) return too_large_failure(label, max_size);
            return mapped;
        }
    }
    std::string first(kInputBlock, '\0');
    const auto got = read_fully(descriptor, first.data(), first.size());
    if (const int* error = std::get_if<int>(&got))
        return system_failure(label, "cannot read", *error);
    first.resize(std::get<std::size_t>(got));
    return stream_input(descriptor, std::move(first), label, max_size);
}

}  // namespace

std::string_view input_label(std::string_view path) noexcept {
    return path == kStandardInputPath ? kStandardInputLabel : path;
}

std::variant<std::string, IoFailure> inflate_if_gzip(std::string_view compressed,
                                                     std::string_view label, std::size_t max_size) {
    if (!starts_with_gzip_magic(compressed)) return std::string(compressed);
    auto inflated = inflate_whole(compressed, label, max_size);
    if (auto* failure = std::get_if<IoFailure>(&inflated)) return std::move(*failure);
    return std::string(std::get<InputText>(inflated).view());
}

std::variant<InputText, IoFailure> open_input(std::string_view path, std::size_t max_size) {
    const std::string_view label = input_label(path);
    const bool standard_input = path == kStandardInputPath;
    int descriptor = STDIN_FILENO;
    if (!standard_input) {
        const std::string terminated(path);
        do {
            descriptor = ::open(terminated.c_str(), O_RDONLY | O_CLOEXEC);
        } while (descriptor < 0 && errno == EINTR);
        if (descriptor < 0) return system_failure(label, "cannot open", errno);
    }
    const Descriptor guard(descriptor, !standard_input);
    return read_descriptor(descriptor, label, max_size);
}

std::variant<std::string, IoFailure> read_input(std::string_view path, std::size_t max_size) {
    auto text = open_input(path, max_size);
    if (auto* failure = std::get_if<IoFailure>(&text)) return std::move(*failure);
    return std::string(std::get<InputText>(text).view());
}

}  // namespace velbrin::io
