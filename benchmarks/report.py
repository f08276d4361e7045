"""The printed report: the timing and memory tables, the gene-family and genome lines,
the judged targets and any wrong results."""

from memory import JUDGED_OUTPUT_BYTES
from timing import MB, PURE, TIMED

# The datasets that stand for one gene family and for a genome aligned gene by gene.
FAMILY_AND_GENOME = ("family-200x1000/clean", "genome-by-gene/clean")


def _ratio(value):
    """A time ratio; far below 1 as "1/n" (n times faster)."""
    if value is None:
        return "-"
    return f"{value:.2f}" if value >= 0.2 else f"1/{1 / value:.0f}"


def _mb(value):
    return "n/a" if value is None else f"{value / MB:.2f}"


def print_timing_table(results):
    header = (
        f"{'dataset':<22} {'records':>7} {'cod/rec':>7} {'nt MB':>6}  {'function':<25}"
        f" | {'warm s':>9} {'MB/s':>7} {'x floor':>7} | {'cold s':>9} {'MB/s':>7} {'x floor':>7}"
        f" | {'x pure Py':>9} {'us/rec':>8}  check"
    )
    print(header)
    print("-" * len(header))
    for result in results:
        warm, cold = result["stats"]["warm"], result["stats"]["cold"]
        lead = (
            f"{result['name']:<22} {result['records']:>7} {result['codons_per_record']:>7}"
            f" {result['nt_bytes'] / MB:>6.2f}"
        )
        for name in TIMED + PURE:
            label = name
            if name in PURE:
                share = result["pure_python"]["share"]
                label += "" if share >= 1 else f" [{share * 100:.2g}%]"
                cold_columns = f"{'':>9} {'':>7} {'':>7}"
            else:
                cold_columns = (
                    f"{cold[name]['median']:>9.6f} {cold[name]['mb_per_s']:>7.0f}"
                    f" {_ratio(cold[name]['x_floor']):>7}"
                )
            entry = warm[name]
            print(
                f"{lead}  {label:<25} | {entry['median']:>9.6f} {entry['mb_per_s']:>7.1f}"
                f" {_ratio(entry['x_floor']):>7} | {cold_columns} | {_ratio(entry.get('x_pure_python')):>9}"
                f" {entry['us_per_record']:>8.3f}  {result['checks'][name]}"
            )
            lead = " " * len(lead)
    print()
    print(
        "Seconds are medians of the timed runs (bests in the JSON), in the warm and the cold allocator"
    )
    print(
        "state (see run.py).  x floor = median over the rounds of time / floor time of the same round."
    )
    print(
        "Pure Python runs once; [n%] means it ran on that leading share of the records and its time"
    )
    print(
        "is scaled to the whole dataset.  x pure Py = warm median / pure-Python time (1/n: n times"
    )
    print("faster).  us/rec from the warm median.  MB = 10^6 bytes of nucleotides.")


def print_memory_table(results):
    print()
    print("Peak memory of a call, cold allocator (by-gene datasets: their largest call)")
    header = (
        f"{'dataset':<22} {'function':<22} {'input MB':>9} {'output MB':>9}"
        f" {'peak extra MB':>13} {'limit MB':>9} {'x limit':>8} {'tracemalloc MB':>14}"
    )
    print(header)
    print("-" * len(header))
    for result in results:
        for name, memory in result["memory"].items():
            extra, limit = memory["resident_peak_extra_bytes"], memory["limit_bytes"]
            ratio = "n/a" if extra is None else f"{extra / limit:.2f}"
            print(
                f"{result['name']:<22} {name:<22} {memory['call_input_bytes'] / MB:>9.2f}"
                f" {memory['call_output_bytes'] / MB:>9.2f} {_mb(extra):>13} {limit / MB:>9.2f}"
                f" {ratio:>8} {memory['tracemalloc_peak_bytes'] / MB:>14.2f}"
            )
    print("peak extra = VmHWM during the call - VmRSS before it (module and Python allocations);")
    print("limit = input texts + 2 x output; tracemalloc sees only Python-side allocations.  Below")
    print(
        f"{JUDGED_OUTPUT_BYTES / MB:g} MB of output a call's peak is mostly page granularity"
        " and allocator slack: not judged."
    )


def print_family_and_genome_speed(results):
    """tarnix's speed on one gene family and on a genome aligned gene by gene."""
    lines = []
    for result in results:
        if result["name"] in FAMILY_AND_GENOME:
            warm, cold = result["stats"]["warm"]["tarnix"], result["stats"]["cold"]["tarnix"]
            lines.append(
                f"  tarnix on {result['name']} ({result['description']}):"
                f" {warm['mb_per_s']:.1f} MB/s of nucleotides, {warm['us_per_record']:.3f} us"
                f" per record (cold: {cold['mb_per_s']:.1f} MB/s, {cold['us_per_record']:.3f} us)"
            )
    if lines:
        print()
        print("Gene family and genome-scale batch")
        print("\n".join(lines))


def print_targets(judged):
    print()
    print("Targets, judged on warm medians (cold in brackets); 2 noisy cores: read the ratios")
    for target in judged:
        mark = "PASS" if target["passed"] else "FAIL"
        if "warm" in target:
            value = f"{target['warm']:.3g} {target['unit']} (cold {target['cold']:.3g})"
        else:
            value = f"{target['cold']:.3g} {target['unit']} (cold allocator)"
        print(f"  [{mark}] {target['target']}: {value}; limit {target['limit']:g}")


def print_wrong_results(failures):
    """`failures`: (dataset, function, check) of every result that differed."""
    if not failures:
        return
    print()
    print("WRONG RESULTS:")
    for name, function, check in failures:
        print(f"  {name} {function}: {check}")
