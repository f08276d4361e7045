"""Fixtures shared by the module's tests: the error block every report comes in, the worked
examples under tests/data, and the module's internal fault brought about on purpose."""

from pathlib import Path

import pytest

import velbrin

RULE = "=" * 40 + "\n"
DATA = Path(__file__).resolve().parents[1] / "data"


def error_block(message, details=""):
    """A report as the module raises it."""
    if details and not details.endswith("\n"):
        details += "\n"
    return f"{RULE}tarnix ERROR: {message}\n{RULE}{details}{RULE}"


@pytest.fixture(scope="session", name="error_block")
def error_block_builder():
    return error_block


@pytest.fixture(scope="session")
def rule():
    return RULE


@pytest.fixture(scope="session")
def data_dir():
    return DATA


class Growing:
    """A number whose conversion adds an entry to the dict being converted."""

    def __init__(self, seqs):
        self.seqs = seqs

    def __index__(self):
        self.seqs[len(self.seqs)] = None
        return 0


def new_growing_seqs():
    seqs = {}
    seqs["s1"] = (("s1", "MK"), (Growing(seqs), "s1", "ATGAAA"))
    return seqs


@pytest.fixture(scope="session")
def growing_seqs():
    """Makes a `seqs` dict that grows while it is converted: a new one per call, since the
    fault leaves it grown."""
    return new_growing_seqs


@pytest.fixture(scope="session")
def internal_fault():
    """The exception type of a broken invariant, as a call raises it."""
    try:
        velbrin.tarnix("s", "a", "n", 1, new_growing_seqs())
    except BaseException as fault:
        return type(fault)
    raise AssertionError("no fault raised")
