#pragma once
// What made a record or a call fail, for callers that name a failure without reading
// its report text.

#include <cstdint>
#include <string_view>

namespace velbrin::codon {

enum class FailureKind : std::uint8_t {
    header,           // the peptide and nucleotide headers differ
    length,           // the nucleotides are not three per residue
    inconsistency,    // a codon does not encode its residue
    unknown_residue,  // a residue the caller's code does not cover
    table,            // an unsupported NCBI table number
};

// The kind's name in status files and logs: "header", "unknown_residue", ...
constexpr std::string_view failure_kind_name(FailureKind kind) noexcept {
    switch (kind) {
        case FailureKind::header: return "header";
        case FailureKind::length: return "length";
        case FailureKind::inconsistency: return "inconsistency";
        case FailureKind::unknown_residue: return "unknown_residue";
        case FailureKind::table: return "table";
    }
    return "inconsistency";
}

}  // namespace velbrin::codon
