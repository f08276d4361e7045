#pragma once
// The batch manifest: the families of a run, one tab-separated line each.
//
//   family <TAB> peptide file <TAB> nucleotide file[,nucleotide file...] [<TAB> table]
//
// Blank lines and lines starting with '#' are skipped; spaces around a field are
// dropped; relative paths are taken from the manifest's folder; an empty or missing
// table column leaves the command's --table in force.

#include <string_view>
#include <variant>
#include <vector>

#include "family/family_run.hpp"
#include "io/io_failure.hpp"

namespace velbrin::cli {

// The families of `text`, in the manifest's order.  `label` names the manifest in
// failures ("families.tsv:7: ..."); `folder` is where relative paths start ("" for the
// current folder).
std::variant<std::vector<family::FamilyInputs>, io::IoFailure> parse_manifest(
    std::string_view text, std::string_view label, std::string_view folder);

}  // namespace velbrin::cli
