#pragma once
// The command's output formats: each one's name, file extension and help line, in one
// table that the options, `batch`'s file names and the writers all read.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace velbrin::io {

enum class OutputFormat { fasta, phylip, phylip_strict, paml, clustal, nexus };

struct OutputFormatInfo {
    OutputFormat format;
    std::string_view name;       // as --format takes it
    std::string_view extension;  // of `batch`'s output files, without the dot
    std::string_view help;
};

inline constexpr std::array<OutputFormatInfo, 6> kOutputFormats{{
    {OutputFormat::fasta, "fasta", "fa", "FASTA, wrapped at --width"},
    {OutputFormat::phylip, "phylip", "phy", "relaxed sequential PHYLIP (RAxML-NG, IQ-TREE)"},
    {OutputFormat::phylip_strict, "phylip-strict", "phy",
     "strict PHYLIP, names padded or cut to 10 characters (PHYLIP, HyPhy)"},
    {OutputFormat::paml, "paml", "paml", "sequential PAML (codeml)"},
    {OutputFormat::clustal, "clustal", "aln", "CLUSTAL W blocks"},
    {OutputFormat::nexus, "nexus", "nex", "NEXUS with codon-position CHARSETs (MrBayes, PAUP*)"},
}};

constexpr bool formats_in_enum_order() {
    for (std::size_t i = 0; i < kOutputFormats.size(); ++i) {
        if (static_cast<std::size_t>(kOutputFormats[i].format) != i) return false;
    }
    return true;
}
static_assert(formats_in_enum_order(), "kOutputFormats is indexed by OutputFormat");

constexpr const OutputFormatInfo& output_format_info(OutputFormat format) noexcept {
    return kOutputFormats[static_cast<std::size_t>(format)];
}

constexpr std::optional<OutputFormat> output_format_named(std::string_view name) noexcept {
    for (const OutputFormatInfo& info : kOutputFormats) {
        if (info.name == name) return info.format;
    }
    return std::nullopt;
}

}  // namespace velbrin::io
