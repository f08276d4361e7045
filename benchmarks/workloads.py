"""Realistic gene-family workloads for the benchmark, deterministic from a seed.

A gene family is a root protein ("M" ... "*") from which every record departs by
substitutions (about 12 % of residues), deletions (runs of gaps), optional insertions
at family-wide sites (columns that are gaps in most records) and, for some records, a
missing N-terminal stretch (a fragment).  Every residue is encoded by a codon drawn
from its synonymous codons under the family's genetic code, so each record translates
cleanly, and the expected codon line is known.

Variants built in the same pass from the same records:

- "clean": upper-case peptides and nucleotides;
- "iupac": about 1 % of codons carry IUPAC letters, half of them "N" (one base, or the
  whole codon), half another ambiguity letter that still covers the original base; half
  of the residues over an "N" codon read "X", as translated peptides have them;
- "lower": the clean records in lower case (the codon line comes out upper case).

A workload offers the records in both shapes (`tarnix`'s and `tarnix_original_args`'s),
a custom table equal to the family's NCBI code (plus "X": [] so that "X" residues are
covered), and the expected codon line of every record.  Workloads whose records are
split into many small genes ("by gene") hold one `seqs` dict per call.
"""

import random
import re
from dataclasses import dataclass, field

from codes import codons_by_amino_acid

AMINO_ACIDS = "ARNDCQEGHILKMFPSTWYV"
# Approximate residue frequencies of natural proteins, in per cent.
_AMINO_ACID_WEIGHTS = (
    8.25,
    5.53,
    4.06,
    5.45,
    1.37,
    3.93,
    6.75,
    7.07,
    2.27,
    5.96,
    9.66,
    5.84,
    2.42,
    3.86,
    4.70,
    6.56,
    5.34,
    1.08,
    2.92,
    6.87,
)
_CUMULATIVE_WEIGHTS = [sum(_AMINO_ACID_WEIGHTS[: i + 1]) for i in range(len(AMINO_ACIDS))]

SUBSTITUTION_RATE = 0.12
INSERTION_SITE_SPACING = 200  # one family-wide insertion site per this many codons
INSERTION_PRESENCE = 0.15  # share of records that carry a site's insertion
FRAGMENT_SHARE = 0.05  # share of records missing an N-terminal stretch
AMBIGUOUS_CODON_SHARE = 0.01

# For each base, the ambiguity letters whose resolutions include it: a codon with one of
# them in place of the base still encodes its residue.
_AMBIGUITY_COVERING = {"A": "RWMDHV", "C": "YSMBHV", "G": "RSKBDV", "T": "YWKBDH"}

_GAP_RUN = re.compile(r"-+")

VARIANTS = ("clean", "iupac", "lower")


@dataclass
class Workload:
    name: str
    description: str
    table_num: int
    custom_table: dict
    calls: list = field(default_factory=list)  # per call: {key: ((h, aa), (0, h, nt))}
    calls_plain: list = field(default_factory=list)  # per call: {key: ((h, aa), (h, nt))}
    expected: list = field(default_factory=list)  # per call: {key: codon line}
    records: int = 0
    codons_per_record: int = 0  # nominal, before indels
    nt_bytes: int = 0  # nucleotides handed over
    input_bytes: list = field(default_factory=list)  # per call: bytes of every input text

    @property
    def seqs(self):
        """The records of a one-call workload, in `tarnix`'s shape."""
        return self.calls[0]

    @property
    def seqs_plain(self):
        return self.calls_plain[0]

    def expected_text(self, call=0):
        """The expected result of one call, records in generation order."""
        return "".join(f"{key}\n{line}\n" for key, line in self.expected[call].items())

    def input_texts(self, call=0):
        """Every text handed over in one call: keys, headers and sequences."""
        texts = []
        for key, ((aa_header, peptide), (_, nt_header, nucleotides)) in self.calls[call].items():
            texts += (key, aa_header, peptide, nt_header, nucleotides)
        return texts


def custom_table_for(table_num):
    table = codons_by_amino_acid(table_num)
    table["X"] = []
    return table


def _codon_slots(table_num):
    """{residue: 256 codons}: a random byte picks one of the residue's codons."""
    slots = {}
    for amino_acid, codons in codons_by_amino_acid(table_num).items():
        slots[amino_acid] = [codons[j * len(codons) // 256] for j in range(256)]
    return slots


def _random_residues(rng, count):
    return rng.choices(AMINO_ACIDS, cum_weights=_CUMULATIVE_WEIGHTS, k=count)


def _root_protein(rng, length):
    return ["M", *_random_residues(rng, max(length - 2, 1)), "*"]


def _insertion_sites(rng, length):
    count = length // INSERTION_SITE_SPACING
    positions = sorted(rng.sample(range(1, length - 1), count)) if count else []
    return [(position, 1 + int(rng.expovariate(1 / 3))) for position in positions]


def _aligned_peptide(rng, root, sites):
    length = len(root)
    residues = root[:]
    substitutions = int(length * SUBSTITUTION_RATE)
    if substitutions:
        positions = rng.sample(range(1, length - 1), min(substitutions, length - 2))
        for position, amino_acid in zip(
            positions, _random_residues(rng, len(positions)), strict=False
        ):
            residues[position] = amino_acid
    # Deletions never reach the stop codon in the last column.
    for _ in range(rng.randint(0, max(1, length // 250))):
        start = rng.randrange(1, length - 1)
        run = min(1 + int(rng.expovariate(1 / 4)), length - 1 - start)
        residues[start : start + run] = "-" * run
    if rng.random() < FRAGMENT_SHARE:
        run = rng.randint(1, max(1, length // 10))
        residues[0:run] = "-" * run
    core = "".join(residues)
    if not sites:
        return core
    parts, previous = [], 0
    for position, run in sites:
        parts.append(core[previous:position])
        if rng.random() < INSERTION_PRESENCE:
            parts.append("".join(_random_residues(rng, run)))
        else:
            parts.append("-" * run)
        previous = position
    parts.append(core[previous:])
    return "".join(parts)


def _codon_line(aligned, nucleotides):
    """The expected codon line: the nucleotides with "---" under every gap."""
    parts, column, cursor = [], 0, 0
    for gap in _GAP_RUN.finditer(aligned):
        start, end = gap.span()
        taken = 3 * (start - column)
        parts.append(nucleotides[cursor : cursor + taken])
        parts.append("---" * (end - start))
        cursor += taken
        column = end
    parts.append(nucleotides[cursor:])
    return "".join(parts).upper()


def _with_ambiguities(rng, aligned, codons):
    """About 1 % of the codons rewritten with IUPAC letters; returns (peptide, codons)."""
    count = int(len(codons) * AMBIGUOUS_CODON_SHARE + rng.random())
    if count == 0:
        return aligned, codons
    codons = codons[:]
    unknown_residues = []
    for index in rng.sample(range(len(codons)), count):
        codon = codons[index]
        if rng.random() < 0.5:
            if rng.random() < 0.25:
                codon = "NNN"
            else:
                at = rng.randrange(3)
                codon = codon[:at] + "N" + codon[at + 1 :]
            if rng.random() < 0.5:
                unknown_residues.append(index)
        else:
            at = rng.randrange(3)
            codon = codon[:at] + rng.choice(_AMBIGUITY_COVERING[codon[at]]) + codon[at + 1 :]
        codons[index] = codon
    if unknown_residues:
        columns = [column for column, residue in enumerate(aligned) if residue != "-"]
        peptide = list(aligned)
        for index in unknown_residues:
            peptide[columns[index]] = "X"
        aligned = "".join(peptide)
    return aligned, codons


def _add_record(workload, key, headers, peptide, nucleotides, line):
    header, nt_header = headers
    workload.calls[-1][key] = ((header, peptide), (0, nt_header, nucleotides))
    workload.calls_plain[-1][key] = ((header, peptide), (nt_header, nucleotides))
    workload.expected[-1][key] = line
    workload.records += 1
    workload.nt_bytes += len(nucleotides)
    workload.input_bytes[-1] += len(key) + 2 * len(header) + len(peptide) + len(nucleotides)


def _start_call(workload):
    workload.calls.append({})
    workload.calls_plain.append({})
    workload.expected.append({})
    workload.input_bytes.append(0)


def generate(
    name,
    genes,
    records_per_gene,
    codons,
    table_num=1,
    variants=("clean",),
    seed=1,
    vary_length=False,
    description="",
):
    """Workloads {variant: Workload} with `genes` gene families of `records_per_gene`
    records of about `codons` codons each.  With more than one gene every gene is its
    own call (the records of a genome, aligned gene by gene).

    The records depend only on (name, seed, sizes, table); the variants are derived from
    them with a random stream of their own, so asking for more variants does not change
    any record of the others."""
    rng = random.Random(f"{seed}/{name}/{table_num}")
    edit_rng = random.Random(f"{seed}/{name}/{table_num}/iupac")
    slots = _codon_slots(table_num)
    custom_table = custom_table_for(table_num)
    workloads = {}
    for variant in variants:
        if variant not in VARIANTS:
            raise ValueError(f"unknown variant {variant!r}")
        workloads[variant] = Workload(
            f"{name}/{variant}", description, table_num, custom_table, codons_per_record=codons
        )
    for gene in range(genes):
        for workload in workloads.values():
            _start_call(workload)
        length = rng.randint(codons // 2, codons * 3 // 2) if vary_length else codons
        root = _root_protein(rng, length)
        sites = _insertion_sites(rng, len(root))
        for record in range(records_per_gene):
            aligned = _aligned_peptide(rng, root, sites)
            residues = aligned.replace("-", "")
            choice = rng.randbytes(len(residues))
            codon_list = [
                slots[residue][byte] for residue, byte in zip(residues, choice, strict=False)
            ]
            key = f"g{gene:05d}_sp{record:05d}"
            # Two equal headers, not one object twice: a pipeline parses the two files apart.
            headers = tuple(
                f"{key} gene=g{gene:05d} species=sp{record:05d} length={len(residues)}"
                for _ in range(2)
            )
            nucleotides = "".join(codon_list)
            line = _codon_line(aligned, nucleotides)
            for variant, workload in workloads.items():
                if variant == "clean":
                    _add_record(workload, key, headers, aligned, nucleotides, line)
                elif variant == "lower":
                    _add_record(workload, key, headers, aligned.lower(), nucleotides.lower(), line)
                else:
                    peptide, edited = _with_ambiguities(edit_rng, aligned, codon_list)
                    edited_nucleotides = "".join(edited)
                    _add_record(
                        workload,
                        key,
                        headers,
                        peptide,
                        edited_nucleotides,
                        _codon_line(peptide, edited_nucleotides),
                    )
    return workloads
