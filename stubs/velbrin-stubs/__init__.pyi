# Types of the extension module velbrin, for type checkers and editors.
#
# The record and codon-list types are type parameters bounded by the accepted shapes: the
# dicts are invariant in their values, so a `dict[str, list[str]]` is accepted where a
# plain `dict[str, Sequence[str]]` parameter would refuse it.
#
# A record of `tarnix`: ((peptide header, aligned peptide), (number, nucleotide header,
# nucleotides)); of `tarnix_original_args`: the same without the number.  The codons of
# one amino acid may be any sequence of str but a str itself, which is refused at run time.

from collections.abc import Sequence
from typing import SupportsIndex

__all__ = ["tarnix", "tarnix_original_args", "attempt_iupac_substitution"]

def tarnix[Record: tuple[tuple[str, str], tuple[SupportsIndex, str, str]]](
    _file_steem: str,
    aa_path: str,
    nt_path: str,
    table_num: SupportsIndex,
    seqs: dict[str, Record],
) -> str:
    """The codon alignment of the records under NCBI genetic code `table_num`.

    Returns each record's key and codon line, one line each; raises ValueError with a
    report at the first record that does not translate.
    """

def tarnix_original_args[
    Codons: Sequence[str],
    Record: tuple[tuple[str, str], tuple[str, str]],
](
    _file_steem: str,
    aa_path: str,
    nt_path: str,
    gene_table: dict[str, Codons],
    seqs: dict[str, Record],
) -> str:
    """The codon alignment of the records under the caller's genetic code.

    `gene_table` maps each one-character amino-acid symbol to the codons that may
    encode it.
    """

def attempt_iupac_substitution(original_triplet: str, taxa: Sequence[str]) -> str | None:
    """`original_triplet` if one of `taxa` is among the forms its IUPAC letters stand
    for, else None."""
