// Throughput of reading a large wrapped FASTA file, plain and gzip, against the floor of
// reading its bytes alone.  Rates are of the uncompressed text (MB/s = 1e6 bytes/s).
//
//   cmake -S . -B build/bench-io -G Ninja -DVELBRIN_BUILD_BENCHMARKS=ON -DVELBRIN_BUILD_MODULE=OFF
//   cmake --build build/bench-io --target velbrin_reader_benchmark
//   build/bench-io/velbrin_reader_benchmark [--benchmark_repetitions=5]
//
// The files (about 100 MB of text, random bases in 10 kb records of 60-column lines) are
// made once under $TMPDIR (or /tmp) and removed at exit; reads come from the page cache.

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <variant>

#include "io/input_file.hpp"
#include "io/sequence_reader.hpp"

namespace {

constexpr std::size_t kRecords = 10'000;
constexpr std::size_t kRecordLength = 10'000;
constexpr std::size_t kLineWidth = 60;
constexpr int kGzipLevel = 6;

std::string wrapped_fasta() {
    std::mt19937_64 random(20261208);
    constexpr char kBases[] = "ACGT";
    std::string text;
    text.reserve(kRecords * (kRecordLength + kRecordLength / kLineWidth + 40));
    for (std::size_t record = 0; record < kRecords; ++record) {
        text += ">gene_" + std::to_string(record) + " sample record of the benchmark\n";
        for (std::size_t base = 0; base < kRecordLength; ++base) {
            text += kBases[random() & 3];
            if ((base + 1) % kLineWidth == 0 || base + 1 == kRecordLength) text += '\n';
        }
    }
    return text;
}

std::string gzip(const std::string& text) {
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kGzipLevel), &libdeflate_free_compressor);
    std::string out(libdeflate_gzip_compress_bound(compressor.get(), text.size()), '\0');
    out.resize(libdeflate_gzip_compress(compressor.get(), text.data(), text.size(), out.data(),
                                        out.size()));
    return out;
}

struct Files {
    std::string plain, packed;
    std::size_t text_size = 0;

    Files() {
        const char* folder = std::getenv("TMPDIR");
        const std::string base = std::string(folder && *folder ? folder : "/tmp") +
                                 "/velbrin_reader_bench_" + std::to_string(::getpid());
        plain = base + ".fa";
        packed = base + ".fa.gz";
        const std::string text = wrapped_fasta();
        text_size = text.size();
        std::ofstream(plain, std::ios::binary) << text;
        std::ofstream(packed, std::ios::binary) << gzip(text);
    }
    ~Files() {
        std::remove(plain.c_str());
        std::remove(packed.c_str());
    }
};

const Files& files() {
    static const Files made;
    return made;
}

std::string read_or_abort(const std::string& path) {
    auto outcome = velbrin::io::read_input(path);
    if (const auto* failure = std::get_if<velbrin::io::IoFailure>(&outcome)) {
        std::fprintf(stderr, "%s\n", failure->message.c_str());
        std::abort();
    }
    return std::move(std::get<std::string>(outcome));
}

void parse_or_abort(benchmark::State& state, const std::string& text) {
    auto records = velbrin::io::read_fasta(text, "bench.fa");
    if (!std::holds_alternative<velbrin::io::SequenceFile>(records)) {
        state.SkipWithError("the FASTA reader failed");
    }
    benchmark::DoNotOptimize(records);
}

// The floor: the file's bytes into memory, nothing else.
void BM_ReadBytesFloor(benchmark::State& state) {
    for (auto _ : state) {
        std::string bytes = read_or_abort(files().plain);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files().text_size));
}

void BM_ParseInMemory(benchmark::State& state) {
    const std::string text = read_or_abort(files().plain);
    for (auto _ : state) parse_or_abort(state, text);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files().text_size));
}

void BM_ReadAndParse(benchmark::State& state) {
    for (auto _ : state) parse_or_abort(state, read_or_abort(files().plain));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files().text_size));
}

void BM_InflateGzip(benchmark::State& state) {
    for (auto _ : state) {
        std::string text = read_or_abort(files().packed);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files().text_size));
}

// The inflater's own time: zlib inflating the file's bytes (already in memory) into a
// buffer of the right size, nothing checked.
void BM_ZlibInflateFloor(benchmark::State& state) {
    std::string compressed;
    {
        std::ifstream in(files().packed, std::ios::binary);
        compressed.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::string out(files().text_size, '\0');
    for (auto _ : state) {
        z_stream stream{};
        inflateInit2(&stream, 15 + 16);
        stream.next_in = reinterpret_cast<Bytef*>(compressed.data());
        stream.avail_in = static_cast<uInt>(compressed.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        if (inflate(&stream, Z_FINISH) != Z_STREAM_END) state.SkipWithError("zlib failed");
        inflateEnd(&stream);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files().text_size));
}

// libdeflate inflating the same bytes whole, for comparison.
void BM_LibdeflateInflateFloor(benchmark::State& state) {
    std::string compressed;
    {
        std::ifstream in(files().packed, std::ios::binary);
        compressed.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::string out(files().text_size, '\0');
    const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)>
        decompressor(libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    for (auto _ : state) {
        if (libdeflate_gzip_decompress(decompressor.get(), compressed.data(), compressed.size(),
                                       out.data(), out.size(), nullptr) != LIBDEFLATE_SUCCESS)
            state.SkipWithError("libdeflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files().text_size));
}

void BM_ReadAndParseGzip(benchmark::State& state) {
    for (auto _ : state) parse_or_abort(state, read_or_abort(files().packed));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * files().text_size));
}

}  // namespace

BENCHMARK(BM_ReadBytesFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndParse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InflateGzip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZlibInflateFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibdeflateInflateFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndParseGzip)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
