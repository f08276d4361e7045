"""The speed and memory targets, as one table, and the one place that judges them.

Each target applies to the datasets its `applies` picks (and, for a target over both
module functions, to each of them); its metric gives a value per allocator state, or
None where the dataset does not allow it.  A target is judged on the first of its
states; the others are shown beside it."""

from collections.abc import Callable
from dataclasses import dataclass

from memory import JUDGED_OUTPUT_BYTES

AT_MOST, AT_LEAST = "at most", "at least"
FUNCTIONS = ("tarnix", "tarnix_original_args")


@dataclass(frozen=True)
class Target:
    description: str  # may name {dataset}, {function} and {limit}
    metric: Callable  # (results by name, result, function, state) -> value or None
    unit: str
    limit: float
    direction: str = AT_MOST
    applies: Callable = lambda result: True
    limits: tuple = ()  # (dataset, limit) pairs that differ from `limit`
    functions: tuple = ("tarnix",)
    states: tuple = ("warm", "cold")

    def limit_on(self, dataset):
        return dict(self.limits).get(dataset, self.limit)


def passes(value, limit, direction):
    return value <= limit if direction == AT_MOST else value >= limit


def _stat(key):
    return lambda results, result, function, state: result["stats"][state][function][key]


def _per_record_overhead(results, result, function, state):
    """What the short records cost beyond their bytes, charged at the long records' rate."""
    long = results.get("medium-long/clean")
    if long is None:
        return None
    per_byte = long["stats"][state][function]["median"] / long["nt_bytes"]
    extra = result["stats"][state][function]["median"] - per_byte * result["nt_bytes"]
    return extra / result["records"] * 1e6


def _peak_memory_over_limit(results, result, function, state):
    memory = result["memory"][function]
    extra = memory["resident_peak_extra_bytes"]
    if extra is None or memory["call_output_bytes"] < JUDGED_OUTPUT_BYTES:
        return None
    return extra / memory["limit_bytes"]


def _named(*names):
    return lambda result: result["name"] in names


TARGETS = (
    Target(
        "tarnix on {dataset} >= 1 GB/s of nucleotides",
        _stat("mb_per_s"),
        "MB/s",
        1000,
        AT_LEAST,
        applies=_named("medium-long/clean"),
    ),
    Target(
        "tarnix <= {limit:g}x floor on {dataset}",
        _stat("x_floor"),
        "x floor",
        3,
        applies=lambda r: r["codons_per_record"] >= 1000 or r["name"] == "medium-short/clean",
        limits=(("medium-long/clean", 2),),
    ),
    Target(
        "tarnix_original_args <= {limit:g}x tarnix on {dataset}",
        _stat("x_tarnix"),
        "x tarnix",
        1.5,
        limits=(("genome-by-gene/clean", 1.3),),
        functions=("tarnix_original_args",),
    ),
    Target(
        "tarnix_original_args call of one record <= {limit:g} us on {dataset}",
        _stat("us_per_call"),
        "us",
        2,
        applies=_named("single-record/clean"),
        functions=("tarnix_original_args",),
    ),
    Target(
        "per-record overhead of tarnix (medium-short against medium-long) <= {limit:g} us",
        _per_record_overhead,
        "us",
        0.15,
        applies=_named("medium-short/clean"),
    ),
    Target(
        "peak extra memory of {function} on {dataset} <= inputs + 2x output",
        _peak_memory_over_limit,
        "x limit",
        1.0,
        functions=FUNCTIONS,
        states=("cold",),
    ),
)


def evaluate(results, targets=TARGETS):
    """Every target on every dataset it applies to, in the table's order:
    [{target, <state>: value..., unit, limit, passed}]."""
    by_name = {result["name"]: result for result in results}
    judged = []
    for target in targets:
        for result in results:
            if not target.applies(result):
                continue
            for function in target.functions:
                values = {
                    state: target.metric(by_name, result, function, state)
                    for state in target.states
                }
                if None in values.values():
                    continue
                limit = target.limit_on(result["name"])
                judged.append(
                    {
                        "target": target.description.format(
                            dataset=result["name"], function=function, limit=limit
                        ),
                        **values,
                        "unit": target.unit,
                        "limit": limit,
                        "passed": passes(values[target.states[0]], limit, target.direction),
                    }
                )
    return judged
