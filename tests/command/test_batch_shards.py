"""Sharded batches: `--shard K/N` runs every N-th family, the N shards together run each
family exactly once, and `--merge-status` joins their tables in the families' order."""

import os
import time

import pytest
from test_batch import manifest_batch, read_status, run_batch, write_family

NAMES = [f"fam{i}" for i in range(11)]


def shard_rows(folder, count, *source):
    """Runs every shard of `count` into folder/out; returns each shard's families."""
    out = folder / "out"
    shards = []
    for number in range(1, count + 1):
        result = run_batch(*source, "--out-dir", out, "--shard", f"{number}/{count}", cwd=folder)
        assert result.returncode == 0, result.stderr
        rows = read_status(out / f"status.{number}-of-{count}.tsv")
        shards.append([row["family"] for row in rows])
    return out, shards


@pytest.mark.parametrize("count", [1, 3, 4, 11, 13])
def test_shards_split_the_manifest_and_merge_in_its_order(tmp_path, count):
    manifest_batch(tmp_path, dict.fromkeys(NAMES, False))
    out, shards = shard_rows(tmp_path, count, "families.tsv")
    assert shards == [NAMES[number::count] for number in range(count)]
    assert not (out / "status.tsv").exists()
    result = run_batch("--merge-status", out, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    merged = read_status(out / "status.tsv")
    assert [row["family"] for row in merged] == NAMES
    assert {row["status"] for row in merged} == {"aligned"}
    assert sorted(p.name for p in out.glob("*.fa")) == sorted(f"{name}.fa" for name in NAMES)


def test_folder_shards_follow_the_sorted_listing_and_repeat_alike(tmp_path):
    names = ["k3", "k1", "k10", "k2", "k0"]
    for name in names:
        write_family(tmp_path / "aa" / f"{name}.faa", tmp_path / "nt" / f"{name}.fna", name)
    folders = ("--peptides", "aa", "--nucleotides", "nt")
    _, first = shard_rows(tmp_path, 2, *folders)
    _, again = shard_rows(tmp_path, 2, *folders)
    assert first == again == [["k0", "k10", "k3"], ["k1", "k2"]]


@pytest.mark.parametrize(
    "tables, message",
    [
        ({"status.1-of-3.tsv": 2, "status.3-of-3.tsv": 1}, "shard 2 of 3 is missing"),
        (
            {"status.1-of-2.tsv": 2, "status.2-of-2.tsv": 1, "status.02-of-2.tsv": 1},
            "shard 2 of 2 is there twice",
        ),
        ({"status.1-of-2.tsv": 2, "status.2-of-3.tsv": 1}, "shardings into 2 and 3"),
        ({"status.1-of-2.tsv": 1, "status.2-of-2.tsv": 3}, "status.2-of-2.tsv: holds 3 rows"),
        ({"status.3-of-2.tsv": 1}, "names no shard"),
        ({"status.txt": 1}, "holds no shard status table"),
    ],
)
def test_merge_refuses_an_incomplete_set(tmp_path, tables, message):
    heading = "family\tstatus\tkind\trecords\tcodon_columns\tnucleotides\tseconds\tsummary\n"
    for name, rows in tables.items():
        body = "".join(f"{name}{row}\tnot_run\t\t\t\t\t\t\n" for row in range(rows))
        (tmp_path / name).write_text(heading + body)
    result = run_batch("--merge-status", tmp_path)
    assert result.returncode == 1
    assert message in result.stderr
    assert not (tmp_path / "status.tsv").exists()


@pytest.mark.parametrize(
    "args, message",
    [
        (["--shard", "0/3"], "--shard must be K/N with 1 <= K <= N, not '0/3'"),
        (["--shard", "4/3"], "not '4/3'"),
        (["--shard", "2"], "not '2'"),
        (["--merge-status", "out"], "--merge-status takes no families"),
    ],
)
def test_shard_usage_errors(tmp_path, args, message):
    manifest, _ = manifest_batch(tmp_path, {"a": False})
    result = run_batch(manifest, "--out-dir", tmp_path / "out", *args)
    assert result.returncode == 2
    assert message in result.stderr


def test_a_shard_leaves_the_other_shards_temporaries(tmp_path):
    """Shards of one batch may run at once into one folder: a shard clears only the
    leftovers of its own files."""
    manifest_batch(tmp_path, dict.fromkeys(NAMES[:4], False))
    out = tmp_path / "out"
    out.mkdir()
    own = [
        out / ".velbrin-tmp-0123456789ab-fam0.fa",
        out / ".velbrin-tmp-0123456789ab-status.1-of-2.tsv",
    ]
    other = [
        out / ".velbrin-tmp-0123456789ab-fam1.fa",
        out / ".velbrin-tmp-0123456789ab-status.2-of-2.tsv",
    ]
    for path in own + other:
        path.write_text("partial")
        os.utime(path, (time.time() - 60, time.time() - 60))
    result = run_batch("families.tsv", "--out-dir", out, "--shard", "1/2", cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert not any(path.exists() for path in own)
    assert all(path.exists() for path in other)
