import importlib
import importlib.machinery
import inspect
import sys

import pytest

import velbrin

EXPORTED = {
    "tarnix": ("_file_steem", "aa_path", "nt_path", "table_num", "seqs"),
    "tarnix_original_args": ("_file_steem", "aa_path", "nt_path", "gene_table", "seqs"),
    "attempt_iupac_substitution": ("original_triplet", "taxa"),
}


def test_import_gives_the_extension_module_itself():
    assert isinstance(velbrin.__loader__, importlib.machinery.ExtensionFileLoader)
    assert velbrin.__name__ == "velbrin"


def test_module_doc_is_empty_text():
    assert velbrin.__doc__ == ""


def test_all_lists_the_functions_in_registration_order():
    assert velbrin.__all__ == list(EXPORTED)


def test_module_exposes_nothing_but_the_functions():
    public = {name for name in vars(velbrin) if not name.startswith("__")}
    assert public == set(EXPORTED)


@pytest.mark.parametrize("name, parameters", EXPORTED.items())
def test_function_surface(name, parameters):
    function = getattr(velbrin, name)
    assert function.__name__ == name
    assert function.__text_signature__ == "(" + ", ".join(parameters) + ")"
    assert function.__doc__ is None
    assert function.__module__ == "velbrin"
    assert function.__self__ is velbrin
    signature = inspect.signature(function)
    assert tuple(signature.parameters) == parameters
    for parameter in signature.parameters.values():
        assert parameter.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD
        assert parameter.default is inspect.Parameter.empty


def test_reimport_after_removal_registers_anew():
    original = sys.modules.pop("velbrin")
    try:
        fresh = importlib.import_module("velbrin")
        assert fresh is not original
        assert fresh.__all__ == list(EXPORTED)
        assert fresh.__all__ is not original.__all__
        for name in EXPORTED:
            assert getattr(fresh, name).__self__ is fresh
        assert fresh.attempt_iupac_substitution("RAT", ["GAT"]) == "RAT"
        assert original.__all__ == list(EXPORTED)
    finally:
        sys.modules["velbrin"] = original
