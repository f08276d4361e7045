// Every failure a driver returns names its kind beside its report.

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "codon/alignment.hpp"

namespace velbrin::codon {
namespace {

struct KindCase {
    const char* name;
    std::int32_t table;  // 0: the custom code {M: ATG}
    std::string nt_header, peptide, nucleotides;
    FailureKind kind;
    const char* summary;
};

class FailureKinds : public testing::TestWithParam<KindCase> {};

TEST_P(FailureKinds, NameTheirKind) {
    const KindCase& c = GetParam();
    RecordMap records;
    records.insert_new({"good", {"g", "M"}, {"g", "ATG"}});
    records.insert_new({"k", {"h", c.peptide}, {c.nt_header, c.nucleotides}});
    CustomCodonTable code;
    code.insert_or_replace('M', {"ATG"});
    const AlignmentOutcome outcome =
        c.table == 0 ? align_with_custom_code("a", "n", code, std::move(records))
                     : align_with_ncbi_code("a", "n", c.table, std::move(records));
    ASSERT_TRUE(std::holds_alternative<Failure>(outcome));
    const Failure& failure = std::get<Failure>(outcome);
    EXPECT_EQ(failure.kind, c.kind);
    EXPECT_NE(failure.message.find(c.summary), std::string::npos) << failure.message;
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, FailureKinds,
    testing::Values(
        // the header check runs first: a record failing both reports its headers
        KindCase{"header", 1, "other", "MK", "ATG", FailureKind::header, "Header mismatch"},
        KindCase{"length", 1, "h", "MK", "ATGAAATAA", FailureKind::length,
                 "lengths are inconsistent"},
        KindCase{"codon", 1, "h", "MK", "ATGTGG", FailureKind::inconsistency,
                 "sequences are inconsistent"},
        KindCase{"custom_codon", 0, "h", "M", "ATA", FailureKind::inconsistency,
                 "sequences are inconsistent"},
        KindCase{"residue", 0, "h", "MW", "ATGTGG", FailureKind::unknown_residue,
                 "missing from custom"},
        KindCase{"table", 7, "h", "M", "ATG", FailureKind::table, "Invalid codon table number"}),
    [](const testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velbrin::codon
