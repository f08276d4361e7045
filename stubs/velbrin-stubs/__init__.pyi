# Types of the extension module velbrin, for type checkers and editors.
#
# The record and codon-list types are type variables bounded by the accepted shapes: the
# dicts are invariant in their values, so a `dict[str, list[str]]` is accepted where a
# plain `dict[str, Sequence[str]]` parameter would refuse it.

from collections.abc import Sequence
from typing import SupportsIndex, TypeVar

__all__ = ["tarnix", "tarnix_original_args", "attempt_iupac_substitution"]

# key -> ((peptide header, aligned peptide), (number, nucleotide header, nucleotides))
_NumberedRecord = TypeVar(
    "_NumberedRecord", bound=tuple[tuple[str, str], tuple[SupportsIndex, str, str]]
)
# key -> ((peptide header, aligned peptide), (nucleotide header, nucleotides))
_Record = TypeVar("_Record", bound=tuple[tuple[str, str], tuple[str, str]])
# the codons that may encode one amino acid; a str itself is refused at run time
_Codons = TypeVar("_Codons", bound=Sequence[str])

def tarnix(
    _file_steem: str,
    aa_path: str,
    nt_path: str,
    table_num: SupportsIndex,
    seqs: dict[str, _NumberedRecord],
) -> str:
    """The codon alignment of the records under NCBI genetic code `table_num`.

    Returns each record's key and codon line, one line each; raises ValueError with a
    report at the first record that does not translate.
    """

def tarnix_original_args(
    _file_steem: str,
    aa_path: str,
    nt_path: str,
    gene_table: dict[str, _Codons],
    seqs: dict[str, _Record],
) -> str:
    """The codon alignment of the records under the caller's genetic code.

    `gene_table` maps each one-character amino-acid symbol to the codons that may
    encode it.
    """

def attempt_iupac_substitution(original_triplet: str, taxa: Sequence[str]) -> str | None:
    """`original_triplet` if one of `taxa` is among the forms its IUPAC letters stand
    for, else None."""
