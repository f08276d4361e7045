"""Properties over random peptide alignments coded under random supported genetic codes.

A record is made by coding a random peptide with the table's own codons, then writing
it the many ways a caller may: lower case, "U" for "T", ambiguity letters that cover the
true base, "N", gaps and surrounding white space.  The codes come from the NCBI table
definitions written out below, not from the module.
"""

import re

import pytest
from hypothesis import HealthCheck, assume, given, settings
from hypothesis import strategies as st

import velbrin

SUMMARIES = (
    "Invalid codon table number.",
    "Amino acid is missing from custom codon table.",
    "Header mismatch between peptide and nucleotide records.",
    "Peptide and nucleotide lengths are inconsistent.",
    "Peptide and nucleotide sequences are inconsistent.",
)
RULE_PATTERN = "={40}\n"
BLOCK = re.compile(
    f"{RULE_PATTERN}tarnix ERROR: ({'|'.join(map(re.escape, SUMMARIES))})\n"
    f"{RULE_PATTERN}(.*\n)?{RULE_PATTERN}",
    re.DOTALL,
)

STANDARD_CODE = "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG"
CHANGES = {
    1: "",
    2: "TGA W, ATA M, AGA *, AGG *",
    3: "TGA W, CTT T, CTC T, CTA T, CTG T, ATA M",
    4: "TGA W",
    5: "TGA W, ATA M, AGA S, AGG S",
    6: "TAA Q, TAG Q",
    9: "TGA W, AAA N, AGA S, AGG S",
    10: "TGA C",
    11: "",
    12: "CTG S",
    13: "TGA W, ATA M, AGA G, AGG G",
    14: "TAA Y, TGA W, AAA N, AGA S, AGG S",
    15: "TAG Q",
    16: "TAG L",
    21: "TGA W, ATA M, AAA N, AGA S, AGG S",
    22: "TCA *, TAG L",
    23: "TTA *",
    24: "TGA W, AGA S, AGG K",
    25: "TGA G",
    26: "CTG A",
    27: "TAA Q, TAG Q, TGA W",
    28: "TAA Q, TAG Q, TGA W",
    29: "TAA Y, TAG Y",
    30: "TAA E, TAG E",
    31: "TAA E, TAG E, TGA W",
    32: "TAG W",
    33: "TAA Y, TGA W, AGA S, AGG K",
}
CODONS = [a + b + c for a in "TCAG" for b in "TCAG" for c in "TCAG"]
SIGNATURES = {"B": "DN", "J": "IL", "Z": "EQ"}
AMBIGUITY = {
    "R": "AG",
    "Y": "CT",
    "S": "GC",
    "W": "AT",
    "K": "GT",
    "M": "AC",
    "B": "CGT",
    "D": "AGT",
    "H": "ACT",
    "V": "ACG",
    "N": "ACGT",
}
COVERING = {
    base: [letter for letter, bases in AMBIGUITY.items() if base in bases] for base in "ACGT"
}
# Characters the peptide normalisation turns into the residue "X".
UNKNOWN_RESIDUES = "XxOoUu1?\u00e9"


def genetic_code(number):
    code = dict(zip(CODONS, STANDARD_CODE, strict=False))
    for change in filter(None, CHANGES[number].split(", ")):
        codon, letter = change.split()
        code[codon] = letter
    return code


CODES = {number: genetic_code(number) for number in CHANGES}


def codons_of(code, residue):
    if residue == "X":
        return CODONS
    return [codon for codon, letter in code.items() if letter in SIGNATURES.get(residue, residue)]


def residues_of(code):
    return sorted(set(code.values()) | {"B", "J", "Z", "X"})


def gene_table_of(code):
    """The code as a custom table: each residue and the codons it accepts; X with none."""
    table = {residue: codons_of(code, residue) for residue in residues_of(code) if residue != "X"}
    table["X"] = []
    return table


# ---------------------------------------------------------------------------------------
# Records


@st.composite
def written_base(draw, base):
    """A base as a caller may write it: itself, lower case, "U" for "T", or an ambiguity
    letter ("N" included) that covers it."""
    form = draw(st.sampled_from(["plain", "plain", "lower", "ambiguous", "N", "U"]))
    if form == "lower":
        return base.lower()
    if form == "ambiguous":
        letter = draw(st.sampled_from(COVERING[base]))
        return draw(st.sampled_from([letter, letter.lower()]))
    if form == "N":
        return draw(st.sampled_from("Nn"))
    if form == "U" and base == "T":
        return draw(st.sampled_from("Uu"))
    return base


@st.composite
def column(draw, code):
    """One alignment column: (peptide character, nucleotides written, normalised codon)."""
    if draw(st.integers(0, 5)) == 0:
        return draw(st.sampled_from("-.")), "", "---"
    residue = draw(st.sampled_from(residues_of(code)))
    codon = draw(st.sampled_from(codons_of(code, residue)))
    written = "".join([draw(written_base(base)) for base in codon])
    if residue == "X":
        character = draw(st.sampled_from(UNKNOWN_RESIDUES))
    else:
        character = draw(st.sampled_from([residue, residue.lower()]))
    gap_sign = draw(st.sampled_from(["", "", "-", "."]))  # dropped from nucleotides
    return character, gap_sign + written, written.upper()


keys = st.text(st.characters(exclude_categories=["Cs"], exclude_characters="\n"), max_size=8)
headers = st.text(st.characters(exclude_categories=["Cs"]), max_size=12)
padding = st.sampled_from(["", " ", "\t", "\n ", "\u3000"])


@st.composite
def record(draw, code):
    columns = draw(st.lists(column(code), max_size=30))
    left, right = draw(padding), draw(padding)
    peptide = left + "".join(c[0] for c in columns) + right
    nucleotides = right + "".join(c[1] for c in columns) + left
    return {
        "header": draw(headers),
        "peptide": peptide,
        "nucleotides": nucleotides,
        "columns": columns,
        "codon_line": "".join(c[2] for c in columns),
    }


@st.composite
def coded_gene(draw):
    number = draw(st.sampled_from(sorted(CODES)))
    code = CODES[number]
    records = draw(st.dictionaries(keys, record(code), max_size=4))
    return number, code, records


def numbered_seqs(records):
    return {
        key: ((r["header"], r["peptide"]), (0, r["header"], r["nucleotides"]))
        for key, r in records.items()
    }


def plain_seqs(records):
    return {
        key: ((r["header"], r["peptide"]), (r["header"], r["nucleotides"]))
        for key, r in records.items()
    }


def codon_lines(result):
    """{key: codon line} of a result, checking that each key comes once."""
    lines = result.split("\n")
    assert lines.pop() == ""
    assert len(lines) % 2 == 0
    pairs = dict(zip(lines[::2], lines[1::2], strict=False))
    assert len(pairs) == len(lines) // 2
    return pairs


def report_of(call, *arguments):
    with pytest.raises(ValueError) as raised:
        call(*arguments)
    report = str(raised.value)
    assert BLOCK.fullmatch(report), report
    return report


def summary_of(report):
    return report.split("\n")[1].removeprefix("tarnix ERROR: ")


def marker_line(report):
    return report.split("\n")[-3]  # before the closing rule and the final line feed


# ---------------------------------------------------------------------------------------
# Mutations


@st.composite
def mutated_gene(draw):
    """A coded gene with one codon replaced by a plain codon its residue does not admit."""
    number, code, records = draw(coded_gene())
    candidates = [
        (key, i)
        for key, r in records.items()
        for i, (character, _, _) in enumerate(r["columns"])
        if character not in "-." + UNKNOWN_RESIDUES
    ]
    assume(candidates)
    key, index = draw(st.sampled_from(candidates))
    residue = records[key]["columns"][index][0].upper()
    wrong = [c for c in CODONS if code[c] not in SIGNATURES.get(residue, residue)]
    codon = draw(st.sampled_from(wrong))
    mutated = dict(records[key])
    columns = list(mutated["columns"])
    columns[index] = (columns[index][0], codon, codon)
    mutated["columns"] = columns
    mutated["peptide"] = "".join(c[0] for c in columns)
    mutated["nucleotides"] = "".join(c[1] for c in columns)
    # The mutated record comes first, so it is the one the call reports.
    records = {key: mutated} | {k: r for k, r in records.items() if k != key}
    return number, code, records, expected_markers(columns, index)


def expected_markers(columns, mutated_index):
    """The marker line of the report on the mutated codon: it and every X are underlined."""
    residues, position = [], None
    for i, (character, _, _) in enumerate(columns):
        if character in "-.":
            continue
        if i == mutated_index:
            position = len(residues)
        residues.append("X" if character in UNKNOWN_RESIDUES else character.upper())
    start, end = max(position - 10, 0), min(position + 11, len(residues))
    marks = ["___" if j == position or residues[j] == "X" else "   " for j in range(start, end)]
    return ("   " if start > 0 else "") + "".join(marks)


# ---------------------------------------------------------------------------------------

# Generation, not the calls, takes the time; under the sanitizers it is slower still.
PROPERTY_SETTINGS = settings(
    max_examples=150, deadline=None, suppress_health_check=[HealthCheck.too_slow]
)


@PROPERTY_SETTINGS
@given(coded_gene())
def test_tarnix_returns_the_codon_alignment(gene):
    number, _, records = gene
    result = velbrin.tarnix("stem", "aa.fa", "nt.fa", number, numbered_seqs(records))
    assert codon_lines(result) == {key: r["codon_line"] for key, r in records.items()}
    assert len(result) == sum(len(k) + len(r["codon_line"]) + 2 for k, r in records.items())


@PROPERTY_SETTINGS
@given(mutated_gene())
def test_a_mutated_codon_is_reported_and_underlined(gene):
    number, _, records, markers = gene
    report = report_of(velbrin.tarnix, "stem", "aa.fa", "nt.fa", number, numbered_seqs(records))
    assert summary_of(report) == "Peptide and nucleotide sequences are inconsistent."
    assert marker_line(report) == markers


@PROPERTY_SETTINGS
@given(st.one_of(coded_gene(), mutated_gene()), st.randoms(use_true_random=False))
def test_the_same_code_as_a_custom_table_gives_the_same_outcome(gene, random):
    number, code, records = gene[:3]
    table = {
        residue: [random.choice([c, c.lower(), c.replace("T", "U")]) for c in codons]
        for residue, codons in gene_table_of(code).items()
    }
    arguments = ("stem", "aa.fa", "nt.fa")
    try:
        expected = velbrin.tarnix(*arguments, number, numbered_seqs(records))
    except ValueError as error:
        report = report_of(velbrin.tarnix_original_args, *arguments, table, plain_seqs(records))
        assert summary_of(report) == summary_of(str(error))
        assert marker_line(report) == marker_line(str(error))
    else:
        assert velbrin.tarnix_original_args(*arguments, table, plain_seqs(records)) == expected


# ---------------------------------------------------------------------------------------
# Anything well typed: a result or one report, nothing else

peptide_text = st.text(
    st.sampled_from("ACDEFGHIKLMNPQRSTVWYBJZXOU*-. acgt\t\u00e9\u3000"), max_size=20
)
nucleotide_text = st.text(st.sampled_from("ACGTUNRYSWKMBDHVacgtun-. \u00e9\U0001f9ec"), max_size=60)


@st.composite
def any_record(draw):
    header = draw(headers)
    nt_header = draw(st.one_of(st.just(header), headers))
    return (header, draw(peptide_text)), (nt_header, draw(nucleotide_text))


any_records = st.dictionaries(keys, any_record(), max_size=3)
paths = st.text(st.characters(exclude_categories=["Cs"]), max_size=10)
table_numbers = st.one_of(st.sampled_from(sorted(CODES)), st.integers(-(2**31), 2**31 - 1))
custom_tables = st.dictionaries(
    st.characters(exclude_categories=["Cs"]),
    st.lists(st.text(st.sampled_from("ACGTUNRYacgtu\u00e9"), max_size=4), max_size=4),
    max_size=6,
)


def result_or_report(call, *arguments):
    try:
        result = call(*arguments)
    except ValueError as error:
        assert type(error) is ValueError
        assert BLOCK.fullmatch(str(error)), str(error)
    else:
        assert isinstance(result, str)


@settings(PROPERTY_SETTINGS, max_examples=300)
@given(table_numbers, any_records, paths, paths)
def test_tarnix_gives_a_result_or_one_report(number, records, aa_path, nt_path):
    seqs = {key: (peptide, (7, *nucleotide)) for key, (peptide, nucleotide) in records.items()}
    result_or_report(velbrin.tarnix, "stem", aa_path, nt_path, number, seqs)


@settings(PROPERTY_SETTINGS, max_examples=300)
@given(custom_tables, any_records)
def test_tarnix_original_args_gives_a_result_or_one_report(table, records):
    result_or_report(velbrin.tarnix_original_args, "stem", "a", "n", table, records)


# ---------------------------------------------------------------------------------------
# Anything at all in one argument: a result, one report, or a conversion error that names
# the argument


def valid_arguments(function):
    if function is velbrin.tarnix:
        return {
            "_file_steem": "s",
            "aa_path": "a",
            "nt_path": "n",
            "table_num": 1,
            "seqs": {"s1": (("h", "MK"), (0, "h", "ATGAAA"))},
        }
    if function is velbrin.tarnix_original_args:
        return {
            "_file_steem": "s",
            "aa_path": "a",
            "nt_path": "n",
            "gene_table": {"M": ["ATG"], "K": ["AAA"]},
            "seqs": {"s1": (("h", "MK"), ("h", "ATGAAA"))},
        }
    return {"original_triplet": "RAT", "taxa": ["GAT"]}


scalars = st.one_of(
    st.none(),
    st.booleans(),
    st.integers(),
    st.floats(allow_nan=False),
    st.binary(max_size=4),
    st.text(max_size=4),
    st.sampled_from(["\ud800", "ATG", "M", "h", ""]),
)
anything = st.recursive(
    scalars,
    lambda inner: st.one_of(
        st.lists(inner, max_size=3),
        st.tuples(inner, inner),
        st.tuples(inner, inner, inner),
        st.dictionaries(st.one_of(st.text(max_size=2), st.integers()), inner, max_size=2),
    ),
    max_leaves=12,
)

CONVERSION_ERRORS = (TypeError, ValueError, OverflowError, UnicodeEncodeError)


@settings(PROPERTY_SETTINGS, max_examples=400)
@given(
    st.sampled_from(
        [velbrin.tarnix, velbrin.tarnix_original_args, velbrin.attempt_iupac_substitution]
    ),
    st.data(),
)
def test_any_argument_value_fails_only_as_documented(function, data):
    arguments = valid_arguments(function)
    parameter = data.draw(st.sampled_from(sorted(arguments)))
    arguments[parameter] = data.draw(anything)
    try:
        result = function(**arguments)
    except CONVERSION_ERRORS as error:
        if getattr(error, "__notes__", None) != [f"while processing '{parameter}'"]:
            # Only a driver's report comes without the note, and it is a ValueError.
            assert type(error) is ValueError and BLOCK.fullmatch(str(error)), repr(error)
    else:
        assert result is None or isinstance(result, str)
