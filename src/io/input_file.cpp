#include "io/input_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace velbrin::io {
namespace {

constexpr std::string_view kStandardInputPath = "-";
constexpr std::string_view kStandardInputLabel = "standard input";
constexpr std::size_t kReadChunk = std::size_t{1} << 16;

constexpr unsigned char kGzipMagic[] = {0x1F, 0x8B};
constexpr std::size_t kGzipTrailerSize = 8;  // CRC-32, then ISIZE (size mod 2^32)
// Deflate cannot expand data by more than about 1032:1, so a trailer claiming more is a lie.
constexpr std::size_t kMaxDeflateRatio = 1032;
// Without a trustworthy size, text compresses about 4:1.
constexpr std::size_t kUsualRatio = 4;
static_assert(kUsualRatio < kMaxDeflateRatio);

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

// Reads to end of file.  A regular file's size (plus one byte, to see the end) is taken
// up front, so it is read in place without growing.
std::variant<std::string, IoFailure> read_all(int descriptor, std::string_view label) {
    std::size_t expected = 0;
    struct stat status{};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        expected = static_cast<std::size_t>(status.st_size) + 1;
    }
    std::string content;
    content.resize(std::max(expected, kReadChunk));
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(content.size() * 2);
        const ssize_t got = ::read(descriptor, content.data() + filled, content.size() - filled);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return system_failure(label, "cannot read", errno);
        }
        filled += static_cast<std::size_t>(got);
    }
    content.resize(filled);
    return content;
}

bool starts_with_gzip_magic(std::string_view bytes) noexcept {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == kGzipMagic[0] &&
           static_cast<unsigned char>(bytes[1]) == kGzipMagic[1];
}

// The size the last member's trailer claims, unless it is impossible for the input.
std::size_t inflated_size_hint(std::string_view compressed) noexcept {
    const std::size_t ceiling = compressed.size() * kMaxDeflateRatio;
    std::size_t hint = compressed.size() * kUsualRatio;
    if (compressed.size() >= kGzipTrailerSize) {
        const auto* end =
            reinterpret_cast<const unsigned char*>(compressed.data() + compressed.size());
        const std::uint32_t claimed = std::uint32_t{end[-4]} | std::uint32_t{end[-3]} << 8 |
                                      std::uint32_t{end[-2]} << 16 | std::uint32_t{end[-1]} << 24;
        // One member: the trailer holds the whole size (mod 2^32).  Several (bgzip): it
        // holds only the last one's, often 0, so the usual ratio is the better start.
        if (claimed <= ceiling) hint = std::max<std::size_t>(hint, claimed);
    }
    return std::min(hint, ceiling);
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* decompressor) const noexcept {
        libdeflate_free_decompressor(decompressor);
    }
};
using Decompressor = std::unique_ptr<libdeflate_decompressor, DecompressorDeleter>;

// Inflates every member in turn into one growing buffer.  A member that does not fit is
// inflated again after the buffer doubled, so the work stays linear overall.
std::variant<std::string, IoFailure> inflate_members(std::string_view compressed,
                                                     std::string_view label) {
    const Decompressor decompressor(libdeflate_alloc_decompressor());
    if (!decompressor) throw std::bad_alloc();
    std::string inflated;
    inflated.resize(std::max<std::size_t>(inflated_size_hint(compressed), kReadChunk));
    std::size_t consumed = 0;
    std::size_t produced = 0;
    while (consumed < compressed.size()) {
        const std::string_view rest = compressed.substr(consumed);
        // Zero bytes after the last member are block padding (tape, some archivers).
        if (rest.find_first_not_of('\0') == std::string_view::npos) break;
        if (!starts_with_gzip_magic(rest))
            return failure_in(label, "unexpected data after the gzip data");
        std::size_t member_in = 0;
        std::size_t member_out = 0;
        const libdeflate_result result = libdeflate_gzip_decompress_ex(
            decompressor.get(), rest.data(), rest.size(), inflated.data() + produced,
            inflated.size() - produced, &member_in, &member_out);
        if (result == LIBDEFLATE_INSUFFICIENT_SPACE) {
            inflated.resize(inflated.size() * 2);
            continue;
        }
        if (result != LIBDEFLATE_SUCCESS)
            return failure_in(label, "truncated or corrupt gzip data");
        consumed += member_in;
        produced += member_out;
    }
    inflated.resize(produced);
    return inflated;
}

}  // namespace

std::string_view input_label(std::string_view path) noexcept {
    return path == kStandardInputPath ? kStandardInputLabel : path;
}

std::variant<std::string, IoFailure> inflate_if_gzip(std::string compressed,
                                                     std::string_view label) {
    if (!starts_with_gzip_magic(compressed)) return compressed;
    return inflate_members(compressed, label);
}

std::variant<std::string, IoFailure> read_input(std::string_view path) {
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
    auto content = read_all(descriptor, label);
    if (auto* bytes = std::get_if<std::string>(&content))
        return inflate_if_gzip(std::move(*bytes), label);
    return content;
}

}  // namespace velbrin::io
