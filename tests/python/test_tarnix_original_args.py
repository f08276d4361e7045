"""tarnix_original_args: codon alignments under a caller-supplied genetic code."""

import os

import pytest

import velbrin

MK = {"M": ["ATG"], "K": ["AAA", "AAG"]}


def align(table, peptide, nucleotides, key="s1"):
    seqs = {key: ((key, peptide), (key, nucleotides))}
    return velbrin.tarnix_original_args("stem", "/d/g_aa.fa", "/d/g_nt.fa", table, seqs)


def failure(table, peptide, nucleotides):
    with pytest.raises(ValueError) as raised:
        align(table, peptide, nucleotides)
    return str(raised.value)


@pytest.fixture
def missing(error_block):
    def report(residue, position, symbols):
        return error_block(
            "Amino acid is missing from custom codon table.",
            f"Amino acid         : '{residue}'\nAlignment position : {position}\n"
            f"Valid symbols      : {symbols}",
        )

    return report


@pytest.mark.parametrize(
    "table, peptide, nucleotides, codon_line",
    [
        (MK, "MK-", "ATGAAG", "ATGAAG---"),
        (MK, "mk.", "atgaag", "ATGAAG---"),
        ({"M": ["ATG"]}, "M", "ATN", "ATN"),
        ({"M": []}, "M", "NNN", "NNN"),
        ({"X": []}, "xOU1", "CCCGGGTTTAAA", "CCCGGGTTTAAA"),
        ({"M": ["atg"]}, "M", "ATG", "ATG"),
        ({"M": ["AUG"]}, "M", "ATG", "ATG"),
        ({"M": ["ATG"]}, "M", "AUG", "AUG"),
        ({"K": ["AAA", "AAG"]}, "K", "AAR", "AAR"),
        ({"M": ("ATG", "ATA")}, "M", "ATA", "ATA"),
        ({}, "---", "", "---------"),
        ({}, "", "", ""),
        ({"L": ["CTG"]}, "L", "ctg", "CTG"),
    ],
)
def test_accepted_records(table, peptide, nucleotides, codon_line):
    assert align(table, peptide, nucleotides) == f"s1\n{codon_line}\n"


@pytest.mark.parametrize(
    "table, peptide, nucleotides, residue, position, symbols",
    [
        (MK, "MW", "ATGTGG", "W", 2, "K, M"),
        (MK, "M-W", "ATGTGG", "W", 3, "K, M"),
        ({"M": ["ATG"]}, "MX", "ATGNNN", "X", 2, "M"),
        ({"a": [], "C": [], "*": [], "A": []}, "W", "TGG", "W", 1, "*, A, C, a"),
        ({"m": ["ATG"]}, "M", "ATG", "M", 1, "m"),
        ({}, "M", "ATG", "M", 1, ""),
        ({"\u00e9": [], "\U0001f600": [], "Z": []}, "K", "AAA", "K", 1, "Z, \u00e9, \U0001f600"),
    ],
)
def test_missing_amino_acid_report_is_exact(
    missing, table, peptide, nucleotides, residue, position, symbols
):
    assert failure(table, peptide, nucleotides) == missing(residue, position, symbols)


def test_missing_amino_acid_is_reported_before_nucleotides_are_read(missing, rule):
    # the peptide has two residues but there are no nucleotides for the second
    assert failure({"M": ["ATG"]}, "MW", "ATGTG").startswith(
        rule + "tarnix ERROR: Peptide and nucleotide lengths"
    )
    assert failure({"M": ["ATG"]}, "MW", "ATGTGG") == missing("W", 2, "M")


@pytest.mark.parametrize("peptide, column", [("M", 0), ("-M", 1)])
def test_codon_mismatch_points_at_its_column(error_block, peptide, column):
    text = failure({"M": ["ATG"]}, peptide, "ATA")
    assert text == error_block(
        "Peptide and nucleotide sequences are inconsistent.",
        "Peptide header (g_aa.fa) : s1\nNucleotide header (g_nt.fa) : s1\n\n"
        ">s1 1-1\nM\n M\n>s1 1-3\nATA\n X\n___\n",
    )


def test_report_translates_with_the_custom_table_smaller_code_point_first():
    table = {"M": ["ATG"], "K": ["AAA"], "Q": ["CCC"], "P": ["CCC"], "L": ["CTG"]}
    text = failure(table, "MKL", "ATGAAACCC")
    assert " M  K  P\n      ___\n" in text


def test_ambiguity_letters_in_table_entries_cover_nothing():
    assert align({"M": ["ACR"]}, "M", "ACR") == "s1\nACR\n"  # equal texts
    with pytest.raises(ValueError, match="sequences are inconsistent"):
        align({"M": ["ACR"]}, "M", "ACA")


def test_records_in_dict_order_and_failure_after_good_ones():
    seqs = {k: ((k, "MK"), (k, "ATGAAA")) for k in ("b", "a", "c")}
    assert (
        velbrin.tarnix_original_args("s", "a", "n", MK, seqs) == "b\nATGAAA\na\nATGAAA\nc\nATGAAA\n"
    )
    seqs["d"] = (("d", "MK"), ("d", "ATGCCC"))
    with pytest.raises(ValueError, match="sequences are inconsistent"):
        velbrin.tarnix_original_args("s", "a", "n", MK, seqs)


def test_empty_seqs_gives_empty_text():
    assert velbrin.tarnix_original_args("s", "a", "n", {}, {}) == ""


def test_agrees_with_tarnix_under_the_same_code():
    bases = "TCAG"
    standard = "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG"
    table = {}
    for index, amino_acid in enumerate(standard):
        table.setdefault(amino_acid, []).append(
            bases[index // 16] + bases[index // 4 % 4] + bases[index % 4]
        )
    table["X"] = []
    nucleotides = "ATGGCNTGYGAYGARTTYGGNCAYATHAARYTNAARTGGTAR"
    peptide = "MACDEFGHIKLKW*"
    seqs_custom = {"g": (("g", peptide), ("g", nucleotides))}
    seqs_ncbi = {"g": (("g", peptide), (0, "g", nucleotides))}
    assert velbrin.tarnix_original_args("s", "a", "n", table, seqs_custom) == velbrin.tarnix(
        "s", "a", "n", 1, seqs_ncbi
    )


class Codons:
    """A sequence of codons whose iteration may run code: here it changes `then_list`."""

    def __init__(self, codons, then_list=None, then_codon=None):
        self._codons, self._then_list, self._then_codon = codons, then_list, then_codon

    def __len__(self):
        return len(self._codons)

    def __getitem__(self, index):
        return self._codons[index]

    def __iter__(self):
        if self._then_list is not None:
            self._then_list[0] = self._then_codon
        return ("".join(list(codon)) for codon in self._codons)  # strings nothing else holds


def test_one_list_serves_several_symbols_as_copies_of_it_would():
    shared, stops = ["AAA", "AAR"], ("TAA", "TAG")
    table = {"K": shared, "*": stops, "M": ["ATG"], "N": shared, "Z": stops}
    copies = {symbol: list(codons) for symbol, codons in table.items()}
    for peptide, nucleotides in (
        ("MKN*Z", "ATGAARAAATAGTAR"),
        ("MKNQ", "ATGAAAAAACCC"),
        ("MZ", "ATGAAA"),
    ):
        outcomes = []
        for gene_table in (table, copies):
            try:
                outcomes.append(align(gene_table, peptide, nucleotides))
            except ValueError as error:
                outcomes.append(str(error))
        assert outcomes[0] == outcomes[1]


def test_a_list_changed_while_converting_is_read_as_it_is_then():
    shared = ["AAA"]
    table = {"K": shared, "W": Codons(["TGG"], then_list=shared, then_codon="ATG"), "M": shared}
    assert align(table, "MWK", "ATGTGGAAA") == "s1\nATGTGGAAA\n"  # K read before the change
    assert align({"M": Codons(["CCC", "ATG"])}, "M", "ATG") == "s1\nATG\n"


def test_codons_dropped_from_a_list_after_it_was_read_stay_readable():
    # Strings nothing else holds: once the list lets go of "AAA", only the call keeps it.
    shared = ["".join(list(codon)) for codon in ("AAA", "AAG")]
    table = {"K": shared, "W": Codons(["TGG"], then_list=shared, then_codon="CCC"), "M": ["ATG"]}
    assert align(table, "MKWK", "ATGAAGTGGAAA") == "s1\nATGAAGTGGAAA\n"


def replace_a_codon(table):
    table["K"][1] = "AAA"


def replace_list(table):
    table["K"] = ["AAA"]


def replace_list_by_tuple(table):
    table["K"] = ("AAA",)


def grow_a_list_one_symbol_no_longer_shares(table):
    table["M"] = ["ATG"]
    table["K"].append("AAA")


def swap_two_lists(table):
    table["K"], table["W"] = table["W"], table["K"]


def move_a_list_to_another_symbol(table):
    table["K"] = table.pop("W")
    table["W"] = ["TGG"]  # as many symbols as before


@pytest.mark.parametrize(
    "change",
    [
        replace_a_codon,
        replace_list,
        replace_list_by_tuple,
        grow_a_list_one_symbol_no_longer_shares,
        swap_two_lists,
        move_a_list_to_another_symbol,
    ],
)
def test_a_table_changed_between_calls_is_read_as_it_is_now(change):
    """Calls given the same table reuse what was made of it only while it holds the same
    lists and codons."""
    shared = ["ATG", "AAG"]
    table = {"M": shared, "K": shared, "W": ["AAA"]}
    for _ in range(2):  # the second call is given the table it kept
        assert "sequences are inconsistent" in failure(table, "MK", "ATGAAA")
    change(table)
    for _ in range(2):
        assert align(table, "MK", "ATGAAA") == "s1\nATGAAA\n"


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_a_kept_table_costs_memory_by_its_codons_not_by_the_symbols_sharing_them():
    codons = ["".join(("A", "C", "G")) for _ in range(50_000)]  # distinct objects
    table = {chr(0x100 + key): codons for key in range(1_000)} | {"M": ["ATG"]}
    before = resident_bytes()
    for _ in range(2):  # the second call is given the table it kept
        assert align(table, "M", "ATG") == "s1\nATG\n"
    assert resident_bytes() - before < 64 * 1024 * 1024
