"""The module's internal fault, brought about on purpose: a `seqs` dict that grows while
it is being converted."""

import velbrin


class Growing:
    """A number whose conversion adds an entry to the dict being converted."""

    def __init__(self, seqs):
        self.seqs = seqs

    def __index__(self):
        self.seqs[len(self.seqs)] = None
        return 0


def growing_seqs():
    seqs = {}
    seqs["s1"] = (("s1", "MK"), (Growing(seqs), "s1", "ATGAAA"))
    return seqs


def internal_fault_type():
    """The exception type of a broken invariant, as a call raises it."""
    try:
        velbrin.tarnix("s", "a", "n", 1, growing_seqs())
    except BaseException as fault:  # noqa: B036 - the fault is no Exception
        return type(fault)
    raise AssertionError("no fault raised")
