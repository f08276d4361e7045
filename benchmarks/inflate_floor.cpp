// The floor of reading gzip input: zlib's streaming inflate of each file named on the
// command line (every member, as gzip -d would) into one reused buffer, nothing kept.
// benchmarks/command.py times it beside `velbrin align` on the same .gz files; the
// extra time velbrin spends on gzip input is judged against this.
//
//   inflate_floor FILE.gz...     prints the inflated byte count of each file

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kOutputBuffer = std::size_t{1} << 20;
constexpr int kGzipWindowBits = 15 + 16;

// The inflated size of the gzip members in `compressed`, nothing when it is corrupt.
std::optional<std::size_t> inflated_size(const unsigned char* compressed, std::size_t size,
                                         std::vector<unsigned char>& buffer) {
    z_stream stream{};
    if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) return std::nullopt;
    stream.next_in = const_cast<unsigned char*>(compressed);
    stream.avail_in = static_cast<uInt>(size);
    std::size_t total = 0;
    int result = Z_OK;
    while (result != Z_STREAM_END || stream.avail_in > 0) {
        if (result == Z_STREAM_END && inflateReset(&stream) != Z_OK) break;
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<uInt>(buffer.size());
        result = inflate(&stream, Z_NO_FLUSH);
        total += buffer.size() - stream.avail_out;
        if (result != Z_OK && result != Z_STREAM_END) break;
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END) return std::nullopt;
    return total;
}

std::optional<std::size_t> inflate_file(const char* path, std::vector<unsigned char>& buffer) {
    const int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat status{};
    std::optional<std::size_t> total;
    if (::fstat(descriptor, &status) == 0 && status.st_size > 0) {
        const auto size = static_cast<std::size_t>(status.st_size);
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapped != MAP_FAILED) {
            total = inflated_size(static_cast<const unsigned char*>(mapped), size, buffer);
            ::munmap(mapped, size);
        }
    }
    ::close(descriptor);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<unsigned char> buffer(kOutputBuffer);
    for (int i = 1; i < argc; ++i) {
        const auto total = inflate_file(argv[i], buffer);
        if (!total) {
            std::fprintf(stderr, "inflate_floor: %s: cannot inflate\n", argv[i]);
            return EXIT_FAILURE;
        }
        std::printf("%s\t%zu\n", argv[i], *total);
    }
    return EXIT_SUCCESS;
}
