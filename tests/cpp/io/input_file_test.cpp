#include "io/input_file.hpp"

#include "io/gzip_stream.hpp"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace velbrin::io {
namespace {

std::string gzip(std::string_view text) {
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(6), &libdeflate_free_compressor);
    std::string out(libdeflate_gzip_compress_bound(compressor.get(), text.size()), '\0');
    out.resize(libdeflate_gzip_compress(compressor.get(), text.data(), text.size(), out.data(),
                                        out.size()));
    return out;
}

std::string wrapped_fasta(std::size_t records) {
    std::string text;
    for (std::size_t i = 0; i < records; ++i) {
        text += ">r" + std::to_string(i) + "\n";
        for (std::size_t line = 0; line < 20; ++line)
            text += "ACGTTGCAACGGTACCATGGACGTTGCAACGGTACCATGGACGTTGCAACGGTACCATGG\n";
    }
    return text;
}

std::string lying_size(std::string member, std::uint32_t claimed) {
    for (std::size_t i = 0; i < 4; ++i)
        member[member.size() - 4 + i] = static_cast<char>(claimed >> (8 * i));
    return member;
}

struct GzipCase {
    const char* name;
    std::vector<std::string> members;  // text of each member
};

class GzipInputTest : public testing::TestWithParam<GzipCase> {};

TEST_P(GzipInputTest, InflatesEveryMember) {
    std::string compressed, expected;
    for (const std::string& member : GetParam().members) {
        compressed += gzip(member);
        expected += member;
    }
    const auto outcome = inflate_if_gzip(compressed, "in.fa.gz");
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) FAIL() << failure->message;
    EXPECT_EQ(std::get<std::string>(outcome), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Members, GzipInputTest,
    testing::Values(GzipCase{"single", {wrapped_fasta(50)}}, GzipCase{"empty", {""}},
                    GzipCase{"several_larger_than_first_guess",
                             {wrapped_fasta(300), ">x\nA\n", wrapped_fasta(700)}},
                    GzipCase{"bgzip_like_empty_last_member",
                             {wrapped_fasta(30), wrapped_fasta(30), ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GzipInput, HugeClaimedSizeIsNotTrusted) {
    // The size in the trailer must not size the buffer before the data proved it: a
    // 4 GiB claim on a few bytes is refused without taking 4 GiB.
    const std::string compressed = lying_size(gzip(">a\nAC\n"), 0xFFFFFFFF);
    const auto outcome = inflate_if_gzip(compressed, "in.fa.gz");
    ASSERT_TRUE(std::holds_alternative<IoFailure>(outcome));
    EXPECT_EQ(std::get<IoFailure>(outcome).message, "in.fa.gz: truncated or corrupt gzip data");
}

TEST(GzipInput, DamagedDataIsAFailure) {
    const std::string whole = gzip(wrapped_fasta(20));
    std::string flipped = whole;
    flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x55);
    for (const std::string& damaged :
         {whole.substr(0, whole.size() / 2), whole.substr(0, 2), flipped}) {
        const auto outcome = inflate_if_gzip(damaged, "in.fa.gz");
        ASSERT_TRUE(std::holds_alternative<IoFailure>(outcome));
        EXPECT_EQ(std::get<IoFailure>(outcome).message, "in.fa.gz: truncated or corrupt gzip data");
    }
    const auto padded = inflate_if_gzip(whole + std::string(512, '\0'), "in.fa.gz");
    ASSERT_TRUE(std::holds_alternative<std::string>(padded));
    EXPECT_EQ(std::get<std::string>(padded), wrapped_fasta(20));
    const auto trailing = inflate_if_gzip(whole + "junk", "in.fa.gz");
    ASSERT_TRUE(std::holds_alternative<IoFailure>(trailing));
    EXPECT_EQ(std::get<IoFailure>(trailing).message,
              "in.fa.gz: unexpected data after the gzip data");
}

TEST(ReadInput, ReadsFilesByContentAndNamesMissingOnes) {
    const std::string folder = testing::TempDir();
    const std::string plain = folder + "/velbrin_plain.fa", packed = folder + "/velbrin_packed.txt";
    const std::string text = wrapped_fasta(40);
    std::ofstream(plain, std::ios::binary) << text;
    std::ofstream(packed, std::ios::binary) << gzip(text);  // no .gz suffix: found by content
    for (const std::string& path : {plain, packed}) {
        const auto outcome = read_input(path);
        ASSERT_TRUE(std::holds_alternative<std::string>(outcome)) << path;
        EXPECT_EQ(std::get<std::string>(outcome), text);
        std::remove(path.c_str());
    }
    const auto missing = read_input(folder + "/velbrin_missing.fa");
    ASSERT_TRUE(std::holds_alternative<IoFailure>(missing));
    EXPECT_EQ(std::get<IoFailure>(missing).message,
              folder + "/velbrin_missing.fa: cannot open: No such file or directory");
    EXPECT_EQ(input_label("-"), "standard input");
}

std::string temporary_file(const std::string& name, std::string_view bytes) {
    const std::string path = testing::TempDir() + "/velbrin_" + std::to_string(::getpid()) + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string failure_of(const std::variant<std::string, IoFailure>& outcome) {
    if (const auto* failure = std::get_if<IoFailure>(&outcome)) return failure->message;
    return "no failure";
}

constexpr std::size_t kMiB = std::size_t{1} << 20;

// The ceiling holds for what the data inflates to, and junk is refused before the
// ceiling is reached: at the first block that shows it.
TEST(GzipLimits, BombsAndJunkAreRefusedEarly) {
    const std::string fasta = wrapped_fasta(2000);  // about 2.5 MB
    ASSERT_GT(fasta.size(), 2 * kMiB);
    EXPECT_EQ(failure_of(inflate_if_gzip(gzip(fasta), "big.fa.gz", kMiB)),
              "big.fa.gz: larger than the input size limit of 1M (--max-input-size)");
    EXPECT_EQ(failure_of(inflate_if_gzip(gzip(std::string(8 * kMiB, '\0')), "nul.gz", kMiB)),
              "nul.gz:1: binary data (byte 0x00)");
    EXPECT_EQ(failure_of(inflate_if_gzip(gzip(">a\nAC\n>b\nA\x01"
                                              "C\n"),
                                         "c.gz")),
              "c.gz:4: binary data (byte 0x01)");
    const auto exact = inflate_if_gzip(gzip(fasta), "big.fa.gz", fasta.size());
    ASSERT_TRUE(std::holds_alternative<std::string>(exact)) << failure_of(exact);
    EXPECT_EQ(std::get<std::string>(exact), fasta);
}

// A gzip stream handed over in pieces of any size gives what it gives whole.
TEST(GzipLimits, PiecesOfAnySizeInflateAlike) {
    const std::string text = wrapped_fasta(30) + wrapped_fasta(5);
    const std::string compressed =
        gzip(wrapped_fasta(30)) + gzip(wrapped_fasta(5)) + std::string(100, '\0');
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        GzipStream stream("in.gz", kDefaultMaxInputSize);
        InputText inflated;
        for (std::size_t start = 0; start < compressed.size(); start += piece) {
            const auto failure =
                stream.feed(std::string_view(compressed).substr(start, piece), inflated);
            ASSERT_FALSE(failure) << failure->message;
        }
        EXPECT_FALSE(stream.finish());
        EXPECT_EQ(inflated.view(), text) << piece;
    }
    GzipStream cut("in.gz", kDefaultMaxInputSize);
    InputText part;
    EXPECT_FALSE(cut.feed(std::string_view(compressed).substr(0, 50), part));
    ASSERT_TRUE(cut.finish());
    EXPECT_EQ(cut.finish()->message, "in.gz: truncated or corrupt gzip data");
}

// A text grown well past its first megabyte, in pieces of uneven size, and a large gzip
// input streamed as a pipe hands it over, keep every byte where it was written.
TEST(GrowingText, KeepsEveryByteAsItGrows) {
    InputText grown;
    std::string expected;
    for (std::size_t piece = 1; expected.size() < 9 * kMiB; piece = piece * 3 + 4097) {
        grown.reserve_more(piece);
        ASSERT_GE(grown.free_count(), piece);
        for (std::size_t i = 0; i < piece; ++i)
            grown.free_space()[i] = static_cast<char>('A' + (expected.size() + i) % 23);
        grown.commit(piece);
        for (std::size_t i = 0; i < piece; ++i)
            expected += static_cast<char>('A' + (expected.size()) % 23);
        ASSERT_EQ(grown.view(), expected);
    }
    ASSERT_NE(grown.writable_data(), nullptr);

    std::string text;
    for (std::size_t record = 0; text.size() < 5 * kMiB; ++record)
        text += ">r" + std::to_string(record) + "\n" + std::to_string(record * 7919) + "\n";
    const std::string compressed = gzip(text);
    GzipStream stream("in.gz", kDefaultMaxInputSize);
    InputText inflated;
    for (std::size_t start = 0; start < compressed.size(); start += kInputBlock)
        ASSERT_FALSE(
            stream.feed(std::string_view(compressed).substr(start, kInputBlock), inflated));
    EXPECT_FALSE(stream.finish());
    EXPECT_EQ(inflated.view(), text);
}

TEST(ReadInput, DevicesAndOversizedFilesAreRefusedNamingThem) {
    EXPECT_EQ(failure_of(read_input("/dev/zero")), "/dev/zero:1: binary data (byte 0x00)");
    const auto random = read_input("/dev/urandom");
    EXPECT_TRUE(failure_of(random).starts_with("/dev/urandom:")) << failure_of(random);
    const std::string path = temporary_file("big.fa", wrapped_fasta(100));
    EXPECT_EQ(failure_of(read_input(path, 1000)),
              path + ": larger than the input size limit of 1000 (--max-input-size)");
    std::remove(path.c_str());
}

TEST(ReadInput, MappedFileOutlivesTheDescriptorAndMoves) {
    const std::string text = wrapped_fasta(10);
    const std::string path = temporary_file("mapped.fa", text);
    auto outcome = open_input(path);
    std::remove(path.c_str());
    ASSERT_TRUE(std::holds_alternative<InputText>(outcome));
    InputText moved = std::move(std::get<InputText>(outcome));
    EXPECT_EQ(moved.view(), text);
    EXPECT_EQ(moved.writable_data(), nullptr);
}

// Only a write into the mapped file itself counts; its modification time is set far back
// first, so that the write's time cannot fall in the same clock tick.
TEST(ReadInput, MappedFileKnowsWhenItWasWrittenInPlace) {
    const std::string text = wrapped_fasta(10);
    for (const std::string_view change : {"none", "written", "grown", "replaced", "removed"}) {
        const std::string path = temporary_file("stamp.fa", text);
        const timespec long_ago[2] = {{0, 0}, {0, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), long_ago, 0), 0);
        auto outcome = open_input(path);
        ASSERT_TRUE(std::holds_alternative<InputText>(outcome));
        if (change == "written") std::fstream(path, std::ios::in | std::ios::out) << ">changed";
        if (change == "grown") std::ofstream(path, std::ios::app) << "ACGT\n";
        if (change == "replaced") {
            temporary_file("stamp.new", "other bytes");
            std::rename((path.substr(0, path.size() - 2) + "new").c_str(), path.c_str());
        }
        if (change == "removed") std::remove(path.c_str());
        EXPECT_EQ(std::get<InputText>(outcome).written_since_mapped(path),
                  change == "written" || change == "grown")
            << change;
        std::remove(path.c_str());
    }
}

struct SizeCase {
    const char* text;
    std::size_t size;  // 0: not a size
};

class InputSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(InputSizeTest, ParsesSuffixes) {
    const auto parsed = parse_input_size(GetParam().text);
    EXPECT_EQ(parsed.value_or(0), GetParam().size) << GetParam().text;
    if (parsed) {
        EXPECT_EQ(parse_input_size(format_input_size(*parsed)), parsed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, InputSizeTest,
    testing::Values(SizeCase{"1000", 1000}, SizeCase{"100M", 100 * kMiB},
                    SizeCase{"4G", std::size_t{4} << 30}, SizeCase{"512k", 512 << 10},
                    SizeCase{"2GiB", std::size_t{2} << 30}, SizeCase{"7MB", 7 * kMiB},
                    SizeCase{"0", 0}, SizeCase{"", 0}, SizeCase{"M", 0}, SizeCase{"10X", 0},
                    SizeCase{"-1", 0}, SizeCase{"5 M", 0}, SizeCase{"99999999999999999999", 0},
                    SizeCase{"20000000T", 0}));

}  // namespace
}  // namespace velbrin::io
