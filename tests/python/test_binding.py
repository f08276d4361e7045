import re

import pytest

import velbrin

# Each function with valid arguments and the result they give.
VALID_CALLS = {
    "tarnix": (
        {"_file_steem": "stem", "aa_path": "a.fa", "nt_path": "n.fa", "table_num": 1, "seqs": {}},
        "",
    ),
    "tarnix_original_args": (
        {
            "_file_steem": "stem",
            "aa_path": "a.fa",
            "nt_path": "n.fa",
            "gene_table": {"M": ["ATG"]},
            "seqs": {},
        },
        "",
    ),
    "attempt_iupac_substitution": ({"original_triplet": "RAT", "taxa": ["GAT"]}, "RAT"),
}
FUNCTIONS = list(VALID_CALLS)


def function_and_valid(name):
    arguments, result = VALID_CALLS[name]
    return getattr(velbrin, name), dict(arguments), result


def raises_exact(message):
    return pytest.raises(TypeError, match="^" + re.escape(message) + "$")


@pytest.mark.parametrize("name", FUNCTIONS)
class TestAcceptedForms:
    def test_positional(self, name):
        function, arguments, result = function_and_valid(name)
        assert function(*arguments.values()) == result

    def test_keywords_in_any_order(self, name):
        function, arguments, result = function_and_valid(name)
        assert function(**dict(reversed(arguments.items()))) == result

    def test_mixed(self, name):
        function, arguments, result = function_and_valid(name)
        values = list(arguments.values())
        rest = dict(list(arguments.items())[1:])
        assert function(values[0], **rest) == result

    def test_keyword_names_that_are_not_interned(self, name):
        function, arguments, result = function_and_valid(name)
        built = {"".join(list(key)): value for key, value in arguments.items()}
        assert function(**built) == result


@pytest.mark.parametrize("name", FUNCTIONS)
class TestBindingErrors:
    def test_too_many_positional(self, name):
        function, arguments, _ = function_and_valid(name)
        count = len(arguments)
        with raises_exact(
            f"{name}() takes {count} positional arguments but {count + 1} were given"
        ):
            function(*arguments.values(), None)

    def test_too_many_positional_is_reported_before_keywords(self, name):
        function, arguments, _ = function_and_valid(name)
        count = len(arguments)
        with raises_exact(
            f"{name}() takes {count} positional arguments but {count + 2} were given"
        ):
            function(*arguments.values(), None, None, bogus=1)

    def test_unexpected_keyword(self, name):
        function, arguments, _ = function_and_valid(name)
        with raises_exact(f"{name}() got an unexpected keyword argument 'bogus'"):
            function(**arguments, bogus=1)

    def test_unexpected_non_ascii_keyword(self, name):
        function, arguments, _ = function_and_valid(name)
        with raises_exact(f"{name}() got an unexpected keyword argument 'séqs'"):
            function(**arguments, **{"séqs": 1})

    def test_multiple_values(self, name):
        function, arguments, _ = function_and_valid(name)
        first, first_value = next(iter(arguments.items()))
        with raises_exact(f"{name}() got multiple values for argument '{first}'"):
            function(first_value, **arguments)

    @pytest.mark.parametrize("bogus_first", [True, False])
    def test_keywords_are_checked_in_the_order_given(self, name, bogus_first):
        function, arguments, _ = function_and_valid(name)
        first, first_value = next(iter(arguments.items()))
        keywords = {first: first_value}
        keywords = {"bogus": 1, **keywords} if bogus_first else {**keywords, "bogus": 1}
        expected = (
            f"{name}() got an unexpected keyword argument 'bogus'"
            if bogus_first
            else f"{name}() got multiple values for argument '{first}'"
        )
        with raises_exact(expected):
            function(first_value, **keywords)

    def test_keyword_errors_come_before_missing(self, name):
        function, _, _ = function_and_valid(name)
        with raises_exact(f"{name}() got an unexpected keyword argument 'bogus'"):
            function(bogus=1)

    def test_binding_comes_before_conversion(self, name):
        function, arguments, _ = function_and_valid(name)
        bad_values = [object()] * (len(arguments) - 1)
        with pytest.raises(TypeError, match="missing 1 required") as raised:
            function(*bad_values)
        assert not getattr(raised.value, "__notes__", None)


@pytest.mark.parametrize(
    "name, given, missing_text",
    [
        ("tarnix", 4, "1 required positional argument: 'seqs'"),
        ("tarnix", 3, "2 required positional arguments: 'table_num' and 'seqs'"),
        ("tarnix", 2, "3 required positional arguments: 'nt_path', 'table_num', and 'seqs'"),
        (
            "tarnix",
            0,
            "5 required positional arguments: '_file_steem', 'aa_path', 'nt_path', "
            "'table_num', and 'seqs'",
        ),
        ("tarnix_original_args", 3, "2 required positional arguments: 'gene_table' and 'seqs'"),
        (
            "tarnix_original_args",
            1,
            "4 required positional arguments: 'aa_path', 'nt_path', 'gene_table', and 'seqs'",
        ),
        ("attempt_iupac_substitution", 1, "1 required positional argument: 'taxa'"),
        (
            "attempt_iupac_substitution",
            0,
            "2 required positional arguments: 'original_triplet' and 'taxa'",
        ),
    ],
)
def test_missing_positional(name, given, missing_text):
    function, arguments, _ = function_and_valid(name)
    with raises_exact(f"{name}() missing {missing_text}"):
        function(*list(arguments.values())[:given])


def test_missing_names_follow_parameter_order_whatever_was_given_by_keyword():
    with raises_exact(
        "tarnix() missing 2 required positional arguments: '_file_steem' and 'table_num'"
    ):
        velbrin.tarnix(seqs={}, nt_path="", aa_path="")
