#include "io/gzip_stream.hpp"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

#include "io/input_limits.hpp"

namespace velbrin::io {
namespace {

constexpr unsigned char kGzipFirstByte = 0x1F;
constexpr int kGzipWindowBits = 15 + 16;  // the largest window, gzip framing only

// Room for this many times the compressed size is reserved ahead (address space only:
// pages are taken as they are written), so that the text of a large file starts out in
// huge pages rather than growing through small ones.
constexpr std::size_t kExpectedRatio = 4;

constexpr std::string_view kCorrupt = "truncated or corrupt gzip data";
constexpr std::string_view kTrailingData = "unexpected data after the gzip data";

}  // namespace

struct GzipStream::Inflater {
    z_stream stream{};

    Inflater() {
        if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) throw std::bad_alloc();
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() { inflateEnd(&stream); }
};

GzipStream::GzipStream(std::string_view label, std::size_t max_size)
    : inflater_(std::make_unique<Inflater>()), label_(label), max_size_(max_size) {}

GzipStream::~GzipStream() = default;

// Zero bytes after the last member are block padding (tape, some archivers); anything
// else must start another member.
std::optional<IoFailure> GzipStream::between_members(std::string_view rest) {
    if (!padding_ && static_cast<unsigned char>(rest.front()) == kGzipFirstByte) {
        if (inflateReset(&inflater_->stream) != Z_OK) return failure_in(label_, kCorrupt);
        in_member_ = true;
        return std::nullopt;
    }
    if (rest.find_first_not_of('\0') != std::string_view::npos)
        return failure_in(label_, kTrailingData);
    padding_ = true;
    return std::nullopt;
}

// Inflates at most one block onto `text` and checks it.
std::optional<IoFailure> GzipStream::inflate_block(InputText& text, bool& member_ended) {
    z_stream& stream = inflater_->stream;
    // One byte past the ceiling is enough to know that the text is too large.
    const std::size_t room = std::min(kInputBlock, max_size_ + 1 - text.size());
    text.reserve_more(room);
    stream.next_out = reinterpret_cast<Bytef*>(text.free_space());
    stream.avail_out = static_cast<uInt>(room);
    const int result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_MEM_ERROR) throw std::bad_alloc();
    // What came out before any fault is checked first, so that the outcome does not
    // depend on how the compressed data was cut into pieces.
    const std::size_t block_start = text.size();
    text.commit(room - stream.avail_out);
    if (auto failure = check_streamed_block(text.view(), block_start, max_size_, label_))
        return failure;
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
        return failure_in(label_, kCorrupt);
    member_ended = result == Z_STREAM_END;
    return std::nullopt;
}

std::optional<IoFailure> GzipStream::feed(std::string_view piece, InputText& text) {
    z_stream& stream = inflater_->stream;
    const std::size_t left = max_size_ + 1 - text.size();
    text.reserve_more(piece.size() > left / kExpectedRatio ? left : piece.size() * kExpectedRatio);
    while (!piece.empty()) {
        if (!in_member_) {
            if (auto failure = between_members(piece)) return failure;
            if (padding_) return std::nullopt;
        }
        const std::size_t taken = std::min<std::size_t>(piece.size(), UINT_MAX);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream.avail_in = static_cast<uInt>(taken);
        bool member_ended = false;
        // Until the member ends or the piece is used up and the inflater has no more
        // output waiting (it filled less than the room it was given).
        for (;;) {
            if (auto failure = inflate_block(text, member_ended)) return failure;
            if (member_ended) break;
            if (stream.avail_in == 0 && stream.avail_out != 0) break;
        }
        piece.remove_prefix(taken - stream.avail_in);
        if (member_ended) in_member_ = false;
    }
    return std::nullopt;
}

std::optional<IoFailure> GzipStream::finish() const {
    if (in_member_) return failure_in(label_, kCorrupt);
    return std::nullopt;
}

}  // namespace velbrin::io
