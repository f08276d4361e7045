#include "io/input_file.hpp"

#include <gtest/gtest.h>
#include <libdeflate.h>

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

}  // namespace
}  // namespace velbrin::io
