#!/usr/bin/env cwl-runner
# Codon-aligns one gene family with `velbrin align`.
#
# A family that fails is not a failed step: velbrin exits with 1, which is among the
# success codes, and its report (standard error) is the `report` output, <family>.err,
# while `alignment` is null.  A family that aligned has an alignment and no report.
# A usage error (exit 2: options that are wrong for every family) fails the step for good.
cwlVersion: v1.2
class: CommandLineTool
label: velbrin align
doc: |
  Turns a peptide alignment and the matching unaligned nucleotide sequences of one gene
  family into a codon alignment: <family>.fa (.phy, .paml or .aln by format), or, when a
  record fails its checks, the report in <family>.err.

requirements:
  InlineJavascriptRequirement: {}
hints:
  SoftwareRequirement:
    packages:
      - package: velbrin

baseCommand: [velbrin, align]
arguments:
  - prefix: -o
    valueFrom: '$(inputs.family).$({fasta: "fa", phylip: "phy", paml: "paml", clustal: "aln"}[inputs.format])'
    position: 100

inputs:
  family:
    type: string
    doc: The family's name; it names the output files.
  peptides:
    type: File
    doc: The peptide alignment, FASTA or CLUSTAL, optionally gzip-compressed.
    inputBinding: {position: 1}
  nucleotides:
    type: File[]
    doc: The unaligned nucleotide sequences, FASTA, read as one set.
    inputBinding: {position: 2}
  table:
    type: int?
    doc: The NCBI genetic code by number (default 1).
    inputBinding: {prefix: --table, position: 10}
  table_file:
    type: File?
    doc: A genetic code of your own, one amino acid and its codons per line.
    inputBinding: {prefix: --table-file, position: 10}
  pair:
    type:
      - "null"
      - type: enum
        symbols: [id, order]
    doc: Pair records by ID (default) or by their order in the files.
    inputBinding: {prefix: --pair, position: 10}
  trim_terminal_stop:
    type: boolean
    default: false
    doc: Drop a record's last codon when it is a stop codon its peptide leaves out.
    inputBinding: {prefix: --trim-terminal-stop, position: 10}
  remove_stop_columns:
    type: boolean
    default: false
    inputBinding: {prefix: --remove-stop-columns, position: 10}
  remove_gap_columns:
    type: boolean
    default: false
    inputBinding: {prefix: --remove-gap-columns, position: 10}
  format:
    type:
      type: enum
      symbols: [fasta, phylip, paml, clustal]
    default: fasta
    inputBinding: {prefix: --format, position: 10}
  width:
    type: int?
    doc: FASTA line width; 0 writes each sequence on one line (default 60).
    inputBinding: {prefix: --width, position: 10}
  extra:
    type: string[]?
    doc: Further options of velbrin align, one word each.
    inputBinding: {position: 20}

stderr: $(inputs.family).err
successCodes: [0, 1]
permanentFailCodes: [2]

outputs:
  alignment:
    type: File?
    outputBinding:
      glob: '$(inputs.family).$({fasta: "fa", phylip: "phy", paml: "paml", clustal: "aln"}[inputs.format])'
  report:
    type: File?
    doc: The failure's report; none when the family aligned.
    outputBinding:
      glob: $(inputs.family).err
      outputEval: '$(self.length && self[0].size > 0 ? self[0] : null)'
