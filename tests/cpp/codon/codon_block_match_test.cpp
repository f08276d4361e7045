// The vector kernels must match exactly the leading columns whose codon's owner is the
// column's residue: stopping too early would only slow the walk, so the walk's own tests
// cannot see it.

#include "codon/codon_block_match.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "codon/codon_acceptance.hpp"
#include "genetic_code/genetic_code.hpp"

namespace velbrin::codon {
namespace {

class BlockMatch : public testing::TestWithParam<VectorLevel> {};

TEST_P(BlockMatch, MatchesUpToTheFirstColumnNotOwned) {
    if (GetParam() > supported_vector_level()) GTEST_SKIP() << "this CPU lacks the level";
    const BlockKernel kernel = block_kernel(GetParam());
    ASSERT_NE(kernel.width, 0u);
    const std::string_view table = *ncbi_table(1);
    const AcceptanceMasks& masks = *ncbi_acceptance(1);
    std::mt19937 random(3);
    for (std::size_t trial = 0; trial < 4000; ++trial) {
        std::string residues;
        std::string bases;
        for (std::size_t column = 0; column < kernel.width; ++column) {
            const std::size_t index = random() % 64;
            bases += {"TCAG"[index / 16], "TCAG"[index / 4 % 4], "TCAG"[index % 4]};
            if (random() % 2) bases.back() = bases.back() == 'T' ? 'U' : bases.back();
            residues += table[index];
        }
        // Spoil one column (or none) in one of the ways the kernel must not accept.
        const std::size_t spoilt = random() % (kernel.width + 1);
        if (spoilt < kernel.width) {
            const std::size_t base = 3 * spoilt + random() % 3;
            switch (trial % 5) {
                case 0: residues[spoilt] = "-XBJZ"[random() % 5]; break;
                case 1: bases[base] = "NRYacgtu-"[random() % 9]; break;
                case 2: bases[base] = char(bases[base] + 0x80); break;
                case 3: bases[base] = char(bases[base] ^ 0x10); break;  // same low nibble
                default: residues[spoilt] = residues[spoilt] == 'W' ? 'C' : 'W'; break;
            }
            if (trial % 5 == 4 && ((masks.accepted[std::size_t(residues[spoilt])] >>
                                    *codon_index(bases.substr(3 * spoilt, 3))) &
                                   1)) {
                continue;  // the new residue accepts the codon after all
            }
        }
        std::string line(bases.size(), '?');
        const std::size_t matched =
            kernel.match(residues.data(), bases.data(), masks.owners, line.data());
        ASSERT_EQ(matched, spoilt) << "trial " << trial << ": " << residues << " " << bases;
        EXPECT_EQ(line, bases);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, BlockMatch, testing::Values(VectorLevel::ssse3, VectorLevel::avx2),
                         [](const auto& info) {
                             return info.param == VectorLevel::avx2 ? "avx2" : "ssse3";
                         });

}  // namespace
}  // namespace velbrin::codon
