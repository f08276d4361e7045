"""The codon-alignment walk as a pipeline would write it in plain Python.

The baseline against which the module is measured: the same normalisation, the same
checks and the same codon walk (a dict lookup per codon, IUPAC letters resolved by
expanding them), building the same result text.  A failure raises `ValueError` with a
one-line message; the module's boxed reports are not reproduced.
"""

from itertools import product

from codes import CODONS, table_string

_AMBIGUITY = {
    "A": "A",
    "C": "C",
    "G": "G",
    "T": "T",
    "U": "T",
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
_SIGNATURE = {"B": "DN", "J": "IL", "Z": "EQ"}
# "." is a gap; "O" and "U" are unknown residues.
_PEPTIDE_LETTERS = str.maketrans({".": "-", "O": "X", "U": "X"})


def _normalise_peptide(peptide):
    return peptide.strip().upper().translate(_PEPTIDE_LETTERS)


def _normalise_nucleotides(nucleotides):
    return nucleotides.strip().upper().replace("-", "").replace(".", "")


def _resolutions(codon):
    return ("".join(bases) for bases in product(*(_AMBIGUITY.get(b, "") for b in codon)))


def _walk(key, peptide, nucleotides, accepts):
    if len(nucleotides) != 3 * (len(peptide) - peptide.count("-")):
        raise ValueError(f"{key}: peptide and nucleotide lengths are inconsistent")
    line = []
    cursor = 0
    for residue in peptide:
        if residue == "-":
            line.append("---")
            continue
        codon = nucleotides[cursor : cursor + 3]
        cursor += 3
        if accepts(residue, codon):
            line.append(codon)
        else:
            raise ValueError(f"{key}: codon {codon} does not encode {residue}")
    return "".join(line)


def _records(seqs):
    for key, ((aa_header, peptide), nucleotide_part) in seqs.items():
        nt_header, nucleotides = nucleotide_part[-2:]
        if aa_header != nt_header:
            raise ValueError(f"{key}: header mismatch")
        yield key, _normalise_peptide(peptide), _normalise_nucleotides(nucleotides)


def tarnix(table_num, seqs):
    """The codon alignment of `seqs` ({key: ((h, aa), (n, h, nt))}) under an NCBI table."""
    code = dict(zip(CODONS, table_string(table_num), strict=False))
    code.update({codon.replace("T", "U"): aa for codon, aa in code.items()})

    def accepts(residue, codon):
        if residue == "X" or "N" in codon:
            return True
        admitted = _SIGNATURE.get(residue, residue)
        amino_acid = code.get(codon)
        if amino_acid is not None and amino_acid in admitted:
            return True
        return any(code.get(resolution) in admitted for resolution in _resolutions(codon))

    out = []
    for key, peptide, nucleotides in _records(seqs):
        out.append(f"{key}\n{_walk(key, peptide, nucleotides, accepts)}\n")
    return "".join(out)


def tarnix_original_args(gene_table, seqs):
    """The codon alignment of `seqs` ({key: ((h, aa), (h, nt))}) under a caller's table."""
    allowed_by_residue = {residue: list(codons) for residue, codons in gene_table.items()}

    def accepts(residue, codon):
        try:
            allowed = allowed_by_residue[residue]
        except KeyError:
            raise ValueError(f"amino acid {residue} is missing from the custom table") from None
        if residue == "X" or "N" in codon or codon in allowed:
            return True
        folded = [c.upper().replace("U", "T") for c in allowed]
        return any(resolution in folded for resolution in _resolutions(codon))

    out = []
    for key, peptide, nucleotides in _records(seqs):
        out.append(f"{key}\n{_walk(key, peptide, nucleotides, accepts)}\n")
    return "".join(out)
