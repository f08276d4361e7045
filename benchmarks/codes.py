"""The genetic codes the benchmark workloads use, as 64-letter NCBI table strings.

Codons are ordered T, C, A, G at every position: index 16*x + 4*y + z.
"""

BASES = "TCAG"

STANDARD_TABLE = "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG"

# Codons that a table reassigns relative to the standard code.
_CHANGES = {
    1: {},
    2: {"TGA": "W", "ATA": "M", "AGA": "*", "AGG": "*"},  # vertebrate mitochondrial
    11: {},  # bacterial, archaeal and plastid: the standard letters
}

CODONS = [a + b + c for a in BASES for b in BASES for c in BASES]


def table_string(table_num):
    letters = list(STANDARD_TABLE)
    for codon, amino_acid in _CHANGES[table_num].items():
        letters[CODONS.index(codon)] = amino_acid
    return "".join(letters)


def codons_by_amino_acid(table_num):
    """{amino acid: [codons in table order]} of an NCBI table, stops under "*"."""
    by_amino_acid = {}
    for codon, amino_acid in zip(CODONS, table_string(table_num), strict=False):
        by_amino_acid.setdefault(amino_acid, []).append(codon)
    return by_amino_acid
