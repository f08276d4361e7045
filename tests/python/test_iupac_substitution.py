import pytest

from velbrin import attempt_iupac_substitution


class Text(str):
    pass


@pytest.mark.parametrize(
    "original, taxa, expected",
    [
        ("RAT", ["CCC", "GAT"], "RAT"),
        ("RAT", ["CCC"], None),
        ("rat", ["GAT"], "rat"),
        ("RAT", ["RAT"], "RAT"),
        ("RAT", ["gat"], None),
        ("AUG", ["ATG"], "AUG"),
        ("AUG", ["AUG"], None),
        ("XAT", ["AAT"], None),
        ("ACGT", ["ACGT"], "ACGT"),
        ("", [""], ""),
        ("", [], None),
        ("NNN", ["ANN"], "NNN"),
        ("NNN", ["TTT", "NCN"], "NNN"),
        ("RAT", ("AAT",), "RAT"),
        ("RAT", [], None),
        ("RAT", ["GA", "GATT"], None),
        ("éAT", ["éAT"], "éAT"),
        ("R\x00T", ["G\x00T"], "R\x00T"),
        ("R\x00T", ["G"], None),
    ],
)
def test_substitution(original, taxa, expected):
    assert attempt_iupac_substitution(original, taxa) == expected


def test_match_returns_the_argument_as_given():
    original = "".join(["r", "a", "t"])
    assert attempt_iupac_substitution(original, ["GAT"]) is original


def test_str_subclass_gives_a_plain_str():
    result = attempt_iupac_substitution(Text("rAt"), [Text("GAT")])
    assert type(result) is str
    assert result == "rAt"


def test_every_item_is_converted_before_any_comparison():
    with pytest.raises(TypeError, match="'int' object is not an instance of 'str'") as raised:
        attempt_iupac_substitution("RAT", ["GAT", 5])
    assert raised.value.__notes__ == ["while processing 'taxa'"]


def test_taxa_is_read_by_iteration():
    class Sequence:
        def __len__(self):
            return 2

        def __getitem__(self, index):
            return ["CCC", "GAT"][index]

        def __iter__(self):
            return iter(["CCC", "AAT"])

    assert attempt_iupac_substitution("RAT", Sequence()) == "RAT"
    assert attempt_iupac_substitution("GAT", Sequence()) is None


@pytest.mark.parametrize(
    "original, candidate, expected",
    [
        ("N" * 100_000, "A" * 100_000, "N" * 100_000),
        ("N" * 100_000, "A" * 99_999 + "N", "N" * 100_000),
        ("N" * 100_000, "A" * 99_999 + "U", None),
    ],
)
def test_long_texts_answer_at_once(original, candidate, expected):
    assert attempt_iupac_substitution(original, [candidate]) == expected


class FreshTexts:
    """A sequence whose iteration makes new strings that nothing else holds."""

    def __init__(self, *texts):
        self._texts = texts

    def __len__(self):
        return len(self._texts)

    def __getitem__(self, index):
        return self._texts[index]

    def __iter__(self):
        return ("".join(list(text)) for text in self._texts)


@pytest.mark.parametrize(
    "original, taxa, expected",
    [
        ("RAT", FreshTexts("CCC" * 50, "éé", "GAT"), "RAT"),
        ("éRT", FreshTexts("éCA", "éAT"), "éRT"),
        ("RAT", ["CCC" * 1000] * 500 + ["GAT"], "RAT"),
        ("RAT", ["CCC", "GAC"] * 300, None),
    ],
)
def test_items_made_during_the_call_or_repeated(original, taxa, expected):
    assert attempt_iupac_substitution(original, taxa) == expected
