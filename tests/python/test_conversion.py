import os
import subprocess
import sys
import textwrap

import pytest

import velbrin

GOOD_SEQS = {"s1": (("s1", "MK"), (0, "s1", "ATGAAA"))}
GOOD_PLAIN_SEQS = {"s1": (("s1", "MK"), ("s1", "ATGAAA"))}
GOOD_TABLE = {"M": ["ATG"], "K": ["AAA", "AAG"]}
GOOD_RESULT = "s1\nATGAAA\n"


def tarnix(**changes):
    arguments = {
        "_file_steem": "stem",
        "aa_path": "a.fa",
        "nt_path": "n.fa",
        "table_num": 1,
        "seqs": GOOD_SEQS,
    }
    return velbrin.tarnix(**(arguments | changes))


def tarnix_original_args(**changes):
    arguments = {
        "_file_steem": "stem",
        "aa_path": "a.fa",
        "nt_path": "n.fa",
        "gene_table": GOOD_TABLE,
        "seqs": GOOD_PLAIN_SEQS,
    }
    return velbrin.tarnix_original_args(**(arguments | changes))


def iupac(**changes):
    arguments = {"original_triplet": "RAT", "taxa": ["GAT"]}
    return velbrin.attempt_iupac_substitution(**(arguments | changes))


def record(value, key="s1"):
    return {key: value}


class Holder:
    class Nested:
        pass


class Text(str):
    pass


class Table(dict):
    pass


class Pair(tuple):
    pass


class Number:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class LyingLength:
    """A sequence that claims far more items than it yields."""

    def __init__(self, items, length):
        self.items = list(items)
        self.length = length

    def __len__(self):
        return self.length

    def __getitem__(self, index):
        return self.items[index]


class FailingLength(LyingLength):
    def __len__(self):
        raise RuntimeError("no length")


SURROGATE = "\ud800"

# (call, changed argument, value, exception type, message, parameter of the note)
FAILURES = [
    # text
    (tarnix, "_file_steem", None, TypeError, "'None' is not an instance of 'str'", "_file_steem"),
    (tarnix, "aa_path", 5, TypeError, "'int' object is not an instance of 'str'", "aa_path"),
    (
        tarnix,
        "nt_path",
        b"n.fa",
        TypeError,
        "'bytes' object is not an instance of 'str'",
        "nt_path",
    ),
    (
        tarnix,
        "aa_path",
        Holder.Nested(),
        TypeError,
        "'Holder.Nested' object is not an instance of 'str'",
        "aa_path",
    ),
    (tarnix, "nt_path", "n" + SURROGATE, UnicodeEncodeError, None, "nt_path"),
    # 32-bit integer
    (tarnix, "table_num", "1", TypeError, None, "table_num"),
    (tarnix, "table_num", 1.0, TypeError, None, "table_num"),
    (
        tarnix,
        "table_num",
        2**31,
        OverflowError,
        "out of range integral type conversion attempted",
        "table_num",
    ),
    (
        tarnix,
        "table_num",
        -(2**31) - 1,
        OverflowError,
        "out of range integral type conversion attempted",
        "table_num",
    ),
    (tarnix, "table_num", 2**64, OverflowError, None, "table_num"),
    (
        tarnix,
        "table_num",
        Number(2**31),
        OverflowError,
        "out of range integral type conversion attempted",
        "table_num",
    ),
    # dict and record map
    (tarnix, "seqs", [], TypeError, "'list' object is not an instance of 'dict'", "seqs"),
    (tarnix, "seqs", None, TypeError, "'None' is not an instance of 'dict'", "seqs"),
    (
        tarnix,
        "seqs",
        {1: GOOD_SEQS["s1"]},
        TypeError,
        "'int' object is not an instance of 'str'",
        "seqs",
    ),
    (tarnix, "seqs", {SURROGATE: GOOD_SEQS["s1"]}, UnicodeEncodeError, None, "seqs"),
    (
        tarnix,
        "seqs",
        record([("s1", "MK"), (0, "s1", "ATGAAA")]),
        TypeError,
        "'list' object is not an instance of 'tuple'",
        "seqs",
    ),
    (tarnix, "seqs", record(None), TypeError, "'None' is not an instance of 'tuple'", "seqs"),
    (
        tarnix,
        "seqs",
        record((("s1", "MK"), (0, "s1", "ATGAAA"), ())),
        ValueError,
        "expected tuple of length 2, but got tuple of length 3",
        "seqs",
    ),
    (
        tarnix,
        "seqs",
        record((("s1", "MK", "x"), (0, "s1", "ATGAAA"))),
        ValueError,
        "expected tuple of length 2, but got tuple of length 3",
        "seqs",
    ),
    (
        tarnix,
        "seqs",
        record((["s1", "MK"], (0, "s1", "ATGAAA"))),
        TypeError,
        "'list' object is not an instance of 'tuple'",
        "seqs",
    ),
    (
        tarnix,
        "seqs",
        record((("s1", "MK"), ("s1", "ATGAAA"))),
        ValueError,
        "expected tuple of length 3, but got tuple of length 2",
        "seqs",
    ),
    (
        tarnix,
        "seqs",
        record((("s1", None), (0, "s1", "ATGAAA"))),
        TypeError,
        "'None' is not an instance of 'str'",
        "seqs",
    ),
    (tarnix, "seqs", record((("s1", "MK"), ("0", "s1", "ATGAAA"))), TypeError, None, "seqs"),
    (
        tarnix,
        "seqs",
        record((("s1", "MK"), (2**31, "s1", "ATGAAA"))),
        OverflowError,
        "out of range integral type conversion attempted",
        "seqs",
    ),
    (
        tarnix,
        "seqs",
        record((("s1", "MK"), (0, "s1", b"ATGAAA"))),
        TypeError,
        "'bytes' object is not an instance of 'str'",
        "seqs",
    ),
    (
        tarnix,
        "seqs",
        record((("s1", "MK"), (0, "s1" + SURROGATE, "ATGAAA"))),
        UnicodeEncodeError,
        None,
        "seqs",
    ),
    # gene_table
    (
        tarnix_original_args,
        "gene_table",
        [],
        TypeError,
        "'list' object is not an instance of 'dict'",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {5: ["ATG"]},
        TypeError,
        "'int' object is not an instance of 'str'",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"AB": ["ATG"]},
        ValueError,
        "expected a string of length 1",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"": ["ATG"]},
        ValueError,
        "expected a string of length 1",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {SURROGATE: ["ATG"]},
        UnicodeEncodeError,
        None,
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"M": "ATG"},
        TypeError,
        "Can't extract `str` to `Vec`",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"M": Text("ATG")},
        TypeError,
        "Can't extract `str` to `Vec`",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"M": 5},
        TypeError,
        "'int' object is not an instance of 'Sequence'",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"M": None},
        TypeError,
        "'None' is not an instance of 'Sequence'",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"M": {"ATG"}},
        TypeError,
        "'set' object is not an instance of 'Sequence'",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"M": {"ATG": 1}},
        TypeError,
        "'dict' object is not an instance of 'Sequence'",
        "gene_table",
    ),
    (
        tarnix_original_args,
        "gene_table",
        {"M": ["ATG", 5]},
        TypeError,
        "'int' object is not an instance of 'str'",
        "gene_table",
    ),
    # the plain record shape
    (
        tarnix_original_args,
        "seqs",
        GOOD_SEQS,
        ValueError,
        "expected tuple of length 2, but got tuple of length 3",
        "seqs",
    ),
    (
        tarnix_original_args,
        "seqs",
        record((("s1", "MK"), ("s1", 5))),
        TypeError,
        "'int' object is not an instance of 'str'",
        "seqs",
    ),
    # attempt_iupac_substitution
    (
        iupac,
        "original_triplet",
        5,
        TypeError,
        "'int' object is not an instance of 'str'",
        "original_triplet",
    ),
    (iupac, "original_triplet", "R" + SURROGATE, UnicodeEncodeError, None, "original_triplet"),
    (iupac, "taxa", "GAT", TypeError, "Can't extract `str` to `Vec`", "taxa"),
    (iupac, "taxa", {"GAT"}, TypeError, "'set' object is not an instance of 'Sequence'", "taxa"),
    (
        iupac,
        "taxa",
        (t for t in ["GAT"]),
        TypeError,
        "'generator' object is not an instance of 'Sequence'",
        "taxa",
    ),
    (iupac, "taxa", ["GAT", 5], TypeError, "'int' object is not an instance of 'str'", "taxa"),
    (iupac, "taxa", ["GAT", SURROGATE], UnicodeEncodeError, None, "taxa"),
]


@pytest.mark.parametrize("call, parameter, value, error, message, note", FAILURES)
def test_conversion_failure(call, parameter, value, error, message, note):
    with pytest.raises(error) as raised:
        call(**{parameter: value})
    assert type(raised.value) is error
    if message is not None:
        assert str(raised.value) == message
    assert raised.value.__notes__ == [f"while processing '{note}'"]


@pytest.mark.parametrize(
    "call, first_bad, later_bad, error",
    [
        (tarnix, {"aa_path": 1}, {"table_num": "x", "seqs": []}, TypeError),
        (tarnix, {"table_num": "x"}, {"seqs": []}, TypeError),
        (tarnix_original_args, {"gene_table": {"AB": []}}, {"seqs": []}, ValueError),
        (iupac, {"original_triplet": None}, {"taxa": "GAT"}, TypeError),
    ],
)
def test_conversion_stops_at_the_first_failing_parameter(call, first_bad, later_bad, error):
    with pytest.raises(error) as raised:
        call(**first_bad, **later_bad)
    assert raised.value.__notes__ == [f"while processing '{next(iter(first_bad))}'"]


def test_later_parameters_are_not_examined():
    touched = []

    class Watched:
        def __index__(self):
            touched.append(True)
            return 0

    seqs = record((("s1", "MK"), (Watched(), "s1", "ATGAAA")))
    with pytest.raises(TypeError):
        tarnix(table_num="x", seqs=seqs)
    assert touched == []


class StubbornError(ValueError):
    def add_note(self, note):
        raise RuntimeError("no notes here")


@pytest.mark.parametrize(
    "error, notes",
    [
        (ValueError("mine"), ["while processing 'table_num'"]),
        (StubbornError("mine"), None),
    ],
)
def test_the_note_goes_through_the_exceptions_add_note(error, notes):
    class Raising:
        def __index__(self):
            raise error

    with pytest.raises(type(error)) as raised:
        tarnix(table_num=Raising())
    assert raised.value is error
    assert getattr(raised.value, "__notes__", None) == notes


def test_earlier_notes_are_kept():
    class Raising:
        def __index__(self):
            error = ValueError("mine")
            error.add_note("first")
            raise error

    with pytest.raises(ValueError) as raised:
        tarnix(table_num=Raising())
    assert raised.value.__notes__ == ["first", "while processing 'table_num'"]


class TestAcceptedValues:
    def test_valid_call_reaches_the_driver(self):
        assert tarnix() == GOOD_RESULT
        assert tarnix_original_args() == GOOD_RESULT

    @pytest.mark.parametrize("table_num", [True, Number(1), 1])
    def test_table_num_forms(self, table_num):
        assert tarnix(table_num=table_num) == GOOD_RESULT

    def test_int_like_record_number(self):
        seqs = record((("s1", "MK"), (Number(-(2**31)), "s1", "ATGAAA")))
        assert tarnix(seqs=seqs) == GOOD_RESULT

    def test_subclasses_of_dict_tuple_and_str(self):
        peptide = Pair((Text("s1"), Text("MK")))
        nucleotide = Pair((0, Text("s1"), Text("ATGAAA")))
        seqs = Table({Text("s1"): Pair((peptide, nucleotide))})
        assert (
            tarnix(_file_steem=Text("x"), aa_path=Text("a"), nt_path=Text("n"), seqs=seqs)
            == GOOD_RESULT
        )
        assert (
            tarnix_original_args(gene_table=Table({Text("M"): (Text("ATG"),), "K": ["AAA"]}))
            == GOOD_RESULT
        )

    @pytest.mark.parametrize(
        "codons", [("AAA",), ["AAA"], LyingLength(["AAA"], 1), FailingLength(["AAA"], 0)]
    )
    def test_codon_list_forms(self, codons):
        assert tarnix_original_args(gene_table={"M": ["ATG"], "K": codons}) == GOOD_RESULT

    def test_a_length_that_stops_the_program_is_not_swallowed(self):
        class Stop(BaseException):
            pass

        class Stopping(LyingLength):
            def __len__(self):
                raise Stop

        with pytest.raises(Stop):
            tarnix_original_args(gene_table={"M": ["ATG"], "K": Stopping(["AAA"], 1)})

    @pytest.mark.parametrize("length", [2**31, 2**40, 2**60, sys.maxsize])
    def test_lying_length_on_a_codon_list(self, length):
        table = {"M": ["ATG"], "K": LyingLength(["AAC", "AAA"], length)}
        assert tarnix_original_args(gene_table=table) == GOOD_RESULT

    @pytest.mark.parametrize("length", [2**40, 2**60, sys.maxsize])
    def test_lying_length_on_taxa(self, length):
        assert iupac(taxa=LyingLength(["CCC", "GAT"], length)) == "RAT"

    def test_embedded_nul_survives_in_keys_and_texts(self):
        seqs = {"s\x001": (("h\x00a", "MK"), (0, "h\x00a", "ATGAAA"))}
        assert tarnix(seqs=seqs) == "s\x001\nATGAAA\n"

    def test_text_after_an_embedded_nul_is_compared(self):
        seqs = {"s1": (("h\x00a", "MK"), (0, "h\x00b", "ATGAAA"))}
        with pytest.raises(ValueError, match="Header mismatch"):
            tarnix(seqs=seqs)

    def test_non_ascii_texts_round_trip(self):
        seqs = {"clé-ß-🧬": (("h", "MK"), (0, "h", "ATGAAA"))}
        assert tarnix(seqs=seqs) == "clé-ß-🧬\nATGAAA\n"


class TestKeysOfTheSameText:
    class DistinctText(str):
        """Equal only to itself, so a dict can hold it beside a str of the same text."""

        __hash__ = object.__hash__

        def __eq__(self, other):
            return self is other

    @pytest.mark.parametrize("subclass_first", [True, False])
    def test_later_entry_replaces_earlier(self, subclass_first):
        early = (("s1", "MK"), (0, "s1", "ATGAAA"))
        late = (("s1", "MK"), (0, "s1", "ATGAAG"))
        other_key = self.DistinctText("s1")
        seqs = {other_key: early, "s1": late} if subclass_first else {"s1": early, other_key: late}
        assert len(seqs) == 2
        assert tarnix(seqs=seqs) == "s1\nATGAAG\n"

    def test_later_symbol_replaces_earlier(self):
        table = {"M": ["ATG"], "K": ["CCC"], self.DistinctText("K"): ["AAA"]}
        assert tarnix_original_args(gene_table=table) == GOOD_RESULT


class TestDriverFailure:
    def test_raised_as_value_error_with_the_text_as_only_argument(self, rule):
        with pytest.raises(ValueError) as raised:
            tarnix(table_num=0)
        assert type(raised.value) is ValueError
        assert len(raised.value.args) == 1
        assert str(raised.value) == raised.value.args[0]
        assert raised.value.args[0].startswith(rule + "tarnix ERROR: ")
        assert not hasattr(raised.value, "__notes__")


def numbered_seqs(count, number=lambda i: i):
    return {f"s{i}": ((f"s{i}", "MK"), (number(i), f"s{i}", "ATGAAA")) for i in range(count)}


class TestRecordsChangedWhileConverted:
    @pytest.mark.parametrize("first", [0, 40])
    @pytest.mark.parametrize("ahead", [1, 31, 33])
    def test_a_record_replaced_by_an_earlier_numbers_code_is_read_as_it_is_then(self, first, ahead):
        seqs = numbered_seqs(first + ahead + 5)
        target = f"s{first + ahead}"

        class Replacing:
            def __index__(self):
                seqs[target] = ((target, "MW"), (0, target, "ATGTGG"))
                return 0

        seqs[f"s{first}"] = ((f"s{first}", "MK"), (Replacing(), f"s{first}", "ATGAAA"))
        result = tarnix(seqs=seqs).split("\n")
        assert result[2 * (first + ahead) : 2 * (first + ahead) + 2] == [target, "ATGTGG"]
        assert result.count("ATGAAA") == len(seqs) - 1

    def test_numbers_that_run_code_on_every_record_convert_as_ints_do(self):
        assert tarnix(seqs=numbered_seqs(100, Number)) == tarnix(seqs=numbered_seqs(100))


class TestInternalFault:
    def test_type_derives_directly_from_base_exception(self, internal_fault, growing_seqs):
        assert internal_fault.__bases__ == (BaseException,)
        assert internal_fault.__name__ == "InternalFault"
        assert internal_fault.__module__ == "velbrin"
        with pytest.raises(BaseException) as raised:
            tarnix(seqs=growing_seqs())
        assert type(raised.value) is internal_fault

    @pytest.mark.parametrize("mutation", ["add", "remove"])
    def test_seqs_resized_during_conversion(self, internal_fault, mutation):
        seqs = {}

        class Mutating:
            def __index__(self):
                if mutation == "add":
                    seqs["added"] = None
                else:
                    del seqs["other"]
                return 0

        seqs["s1"] = (("s1", "MK"), (Mutating(), "s1", "ATGAAA"))
        seqs["other"] = GOOD_SEQS["s1"]
        with pytest.raises(BaseException) as raised:
            try:
                tarnix(seqs=seqs)
            except Exception:
                pytest.fail("the fault must not be an Exception")
        assert type(raised.value) is internal_fault
        assert str(raised.value) == "dictionary changed size during conversion"
        assert tarnix() == GOOD_RESULT

    def test_entry_dropped_and_readded_during_conversion(self, internal_fault):
        seqs = {}

        class Readding:
            def __index__(self):
                value = seqs.pop("s1")
                seqs["s1"] = value
                return 0

        seqs["s1"] = (("s1", "MK"), (Readding(), "s1", "ATGAAA"))
        with pytest.raises(internal_fault):
            tarnix(seqs=seqs)

    def test_gene_table_resized_while_a_codon_list_is_read(self, internal_fault):
        table = {}

        class Growing(LyingLength):
            def __getitem__(self, index):
                table["W"] = ["TGG"]
                return super().__getitem__(index)

        table.update({"M": ["ATG"], "K": Growing(["AAA"], 1)})
        with pytest.raises(internal_fault):
            tarnix_original_args(gene_table=table)


ASAN = "asan" in os.environ.get("LD_PRELOAD", "")


@pytest.mark.skipif(ASAN, reason="address space limits and the sanitizer do not mix")
def test_memory_exhaustion_raises_memory_error_and_the_interpreter_carries_on():
    script = textwrap.dedent("""
        import resource, velbrin
        big = "N" * 400_000_000
        with open("/proc/self/statm") as statm:
            used = int(statm.read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (used + 200_000_000, resource.RLIM_INFINITY))
        try:
            velbrin.attempt_iupac_substitution(big, [])
        except MemoryError:
            print("MemoryError")
        print(velbrin.attempt_iupac_substitution("RAT", ["GAT"]))
    """)
    finished = subprocess.run(
        [sys.executable, "-c", script], capture_output=True, text=True, timeout=120
    )
    assert finished.returncode == 0, finished.stderr
    assert finished.stdout.split() == ["MemoryError", "RAT"]
