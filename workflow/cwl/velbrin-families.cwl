#!/usr/bin/env cwl-runner
# Codon-aligns many gene families: velbrin-align.cwl scattered over the families, the
# i-th family taking the i-th entry of each list.  Families that fail leave a report in
# `reports` (<family>.err) and none in `alignments`; the others run on.
cwlVersion: v1.2
class: Workflow
label: velbrin align over many families
requirements:
  ScatterFeatureRequirement: {}
  StepInputExpressionRequirement: {}

inputs:
  families: string[]
  peptides: File[]
  nucleotides:
    type:
      type: array
      items:
        type: array
        items: File
  tables:
    type:
      type: array
      items: ["null", int]
    doc: Each family's NCBI genetic code; null takes the default (1).
  trim_terminal_stop:
    type: boolean
    default: false
  format:
    type:
      type: enum
      symbols: [fasta, phylip, paml, clustal]
    default: fasta
  width: int?

outputs:
  alignments:
    type:
      type: array
      items: ["null", File]
    outputSource: align/alignment
  reports:
    type:
      type: array
      items: ["null", File]
    outputSource: align/report

steps:
  align:
    run: velbrin-align.cwl
    scatter: [family, peptides, nucleotides, table]
    scatterMethod: dotproduct
    in:
      family: families
      peptides: peptides
      nucleotides: nucleotides
      table: tables
      trim_terminal_stop: trim_terminal_stop
      format: format
      width: width
    out: [alignment, report]
