"""Codon-align a gene family: peptide alignment + unaligned nucleotides -> codon alignment.

    python3.14 examples/codon_align.py [ALIGNED_PEPTIDES.fa NUCLEOTIDES.fa [TABLE]]

With no arguments it aligns the bundled gene7 family under the standard code.
"""

import sys
from pathlib import Path

import velbrin


def read_fasta(path):
    """{key: (header, sequence)}, the key being the header's first word."""
    records, header, chunks = {}, None, []
    for line in Path(path).read_text().splitlines():
        if line.startswith(">"):
            if header is not None:
                records[header.split()[0]] = (header, "".join(chunks))
            header, chunks = line[1:], []
        else:
            chunks.append(line.strip())
    if header is not None:
        records[header.split()[0]] = (header, "".join(chunks))
    return records


def main(argv):
    here = Path(__file__).parent
    aa_path = argv[1] if len(argv) > 1 else str(here / "gene7_aa.fa")
    nt_path = argv[2] if len(argv) > 2 else str(here / "gene7_nt.fa")
    table = int(argv[3]) if len(argv) > 3 else 1
    peptides, nucleotides = read_fasta(aa_path), read_fasta(nt_path)
    seqs = {key: (peptides[key], (0, *nucleotides[key])) for key in peptides if key in nucleotides}
    try:
        alignment = velbrin.tarnix("gene7", aa_path, nt_path, table, seqs)
    except ValueError as error:
        print(error, file=sys.stderr)
        return 1
    for key, codons in zip(*[iter(alignment.splitlines())] * 2, strict=False):
        print(f">{key}\n{codons}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
