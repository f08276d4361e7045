#pragma once
// A caller's say over records the checks would fail.  Without one (the module) the
// first failing record ends the alignment with its report; with one (the command) a
// codon that does not encode its residue, or a record of the wrong length, is put to
// the policy, which may let the walk go on.

#include <cstddef>
#include <string_view>

namespace velbrin::codon {

// A codon of plain or ambiguous bases that the code in force does not let stand for
// its residue.
struct CodonMismatch {
    std::size_t record;      // 0-based, in the record map's order
    std::size_t column;      // 0-based column of the normalised peptide, gaps counted
    std::size_t offset;      // of the codon in the normalised nucleotides; 0: the first codon
    char residue;            // as normalised
    std::string_view codon;  // three bytes of the normalised (upper-cased) nucleotides
};

enum class MismatchAction {
    fail,    // the record's report ends the alignment
    accept,  // the codon is written as it is
    mask,    // "NNN" is written in its place
    drop,    // the record is left out of the result
};

class MismatchPolicy {
public:
    virtual MismatchAction on_codon(const CodonMismatch& mismatch) = 0;
    // A record whose nucleotides do not hold three bases per residue: fail or drop.
    virtual MismatchAction on_length(std::size_t record) = 0;

protected:
    ~MismatchPolicy() = default;
};

}  // namespace velbrin::codon
