"""The benchmark's datasets: groups of generated gene families, and the check of a
result against the alignment the generator expects."""

from dataclasses import dataclass

import workloads

SIZES = ("small", "medium", "large")


@dataclass(frozen=True)
class DatasetGroup:
    size: str
    name: str
    genes: int
    records_per_gene: int
    codons: int
    table_num: int = 1
    variants: tuple = ("clean",)
    vary_length: bool = False
    description: str = ""

    def generate(self, seed):
        """{variant: workloads.Workload} of this group."""
        return workloads.generate(
            self.name,
            genes=self.genes,
            records_per_gene=self.records_per_gene,
            codons=self.codons,
            table_num=self.table_num,
            variants=self.variants,
            seed=seed,
            vary_length=self.vary_length,
            description=self.description,
        )


GROUPS = (
    DatasetGroup(
        "small",
        "small-400",
        genes=1,
        records_per_gene=50,
        codons=400,
        variants=("clean", "iupac", "lower"),
        description="one family, 50 records x 400 codons",
    ),
    DatasetGroup(
        "small",
        "small-400-t2",
        genes=1,
        records_per_gene=50,
        codons=400,
        table_num=2,
        description="one family, 50 records x 400 codons, table 2",
    ),
    DatasetGroup(
        "small",
        "family-200x1000",
        genes=1,
        records_per_gene=200,
        codons=1000,
        description="one family, 200 records x 1,000 codons",
    ),
    DatasetGroup(
        "small",
        "single-record",
        genes=5000,
        records_per_gene=1,
        codons=100,
        description="5,000 calls of one record x 100 codons",
    ),
    DatasetGroup(
        "medium",
        "medium-long",
        genes=1,
        records_per_gene=2700,
        codons=1280,
        variants=("clean", "iupac", "lower"),
        description="one family, 2,700 records x 1,280 codons",
    ),
    DatasetGroup(
        "medium",
        "medium-long-t2",
        genes=1,
        records_per_gene=2700,
        codons=1280,
        table_num=2,
        description="one family, 2,700 records x 1,280 codons, table 2",
    ),
    DatasetGroup(
        "medium",
        "medium-short",
        genes=1,
        records_per_gene=30000,
        codons=110,
        description="one family, 30,000 records x 110 codons",
    ),
    DatasetGroup(
        "medium",
        "genome-by-gene",
        genes=20000,
        records_per_gene=3,
        codons=400,
        vary_length=True,
        description="20,000 genes x 3 records x 200-600 codons, one call per gene",
    ),
    DatasetGroup(
        "large",
        "large-long",
        genes=1,
        records_per_gene=26000,
        codons=1280,
        variants=("clean", "iupac"),
        description="one family, 26,000 records x 1,280 codons",
    ),
    DatasetGroup(
        "large",
        "large-short",
        genes=1,
        records_per_gene=300000,
        codons=110,
        description="one family, 300,000 records x 110 codons",
    ),
)


def selected_groups(sizes, only):
    """The groups of the given sizes, and of the given names when `only` names any."""
    return [group for group in GROUPS if group.size in sizes and (not only or group.name in only)]


def parse_alignment(text):
    """{key: codon line} of a result text, or None when it is not key/line pairs."""
    if text and not text.endswith("\n"):
        return None
    lines = text.split("\n")[:-1]
    if len(lines) % 2:
        return None
    parsed = dict(zip(lines[0::2], lines[1::2], strict=False))
    return parsed if 2 * len(parsed) == len(lines) else None


def check_outputs(outputs, expected):
    """ "ok" or a short description of the first difference."""
    if len(outputs) != len(expected):
        return f"{len(outputs)} results for {len(expected)} calls"
    for call, (text, wanted) in enumerate(zip(outputs, expected, strict=False)):
        got = parse_alignment(text)
        if got is None:
            return f"call {call}: result is not key/codon-line pairs"
        if got != wanted:
            missing = wanted.keys() - got.keys()
            if missing:
                return f"call {call}: {len(missing)} records missing, e.g. {min(missing)}"
            if got.keys() - wanted.keys():
                return f"call {call}: unexpected records"
            key = next(k for k in wanted if got[k] != wanted[k])
            return f"call {call}: record {key} differs"
    return "ok"
