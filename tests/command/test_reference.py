"""The completion scripts and the manual page, written from the command's own options."""

import os
import re
import shlex
import subprocess

import pytest
from conftest import command_path

SHELLS = ["bash", "zsh", "fish"]


def run(*args):
    return subprocess.run([command_path(), *args], capture_output=True, text=True, timeout=60)


def help_text(*subcommand):
    result = run(*subcommand, "--help")
    assert result.returncode == 0, result.stderr
    return result.stdout


def subcommands():
    listed = help_text().split("SUBCOMMANDS:", 1)[1]
    return re.findall(r"^  (\w[\w-]*)", listed, re.MULTILINE)


OPTION_NAMES = re.compile(r"^\s+((?:--?[A-Za-z][\w-]*,?\s*)+)")


def help_options(*subcommand):
    """Every option name the help lists: "-o", "--format", ..."""
    names = set()
    for line in help_text(*subcommand).splitlines():
        listed = OPTION_NAMES.match(line)
        if listed:
            names.update(re.findall(r"--?[A-Za-z][\w-]*", listed.group(1)))
    return names


def every_command():
    return [(), *((name,) for name in subcommands())]


@pytest.fixture(scope="module")
def bash_script(tmp_path_factory):
    path = tmp_path_factory.mktemp("completion") / "velbrin.bash"
    result = run("completions", "bash")
    assert result.returncode == 0, result.stderr
    path.write_text(result.stdout)
    return path


def bash_complete(script, words):
    """COMPREPLY of the script's function for the command line `words`, the last word
    being the one under the cursor."""
    program = (
        f"source {shlex.quote(str(script))}\n"
        f"COMP_WORDS=({' '.join(map(shlex.quote, words))})\n"
        f"COMP_CWORD={len(words) - 1}\n"
        "_velbrin\n"
        'printf "%s\\n" "${COMPREPLY[@]}"\n'
    )
    # bash itself runs without a sanitizer runtime the command's tests may preload
    env = {name: value for name, value in os.environ.items() if name != "LD_PRELOAD"}
    result = subprocess.run(
        ["bash", "--norc", "-c", program], capture_output=True, text=True, env=env
    )
    assert result.returncode == 0, result.stderr
    return sorted(line for line in result.stdout.splitlines() if line)


@pytest.mark.parametrize(
    ("words", "expected"),
    [
        (["velbrin", "al"], ["align"]),
        (["velbrin", ""], sorted(subcommands())),
        (
            ["velbrin", "align", "--format", ""],
            ["clustal", "fasta", "nexus", "paml", "phylip", "phylip-strict"],
        ),
        (["velbrin", "align", "--format", "=", "p"], ["paml", "phylip", "phylip-strict"]),
        (["velbrin", "batch", "--pair", "o"], ["order"]),
        (["velbrin", "batch", "--remove-g"], ["--remove-gap-columns"]),
        (["velbrin", "completions", ""], ["bash", "fish", "zsh"]),
        (["velbrin", "align", "--width", ""], []),
    ],
)
def test_bash_completes_subcommands_options_and_values(bash_script, words, expected):
    assert bash_complete(bash_script, words) == expected


def test_bash_completes_table_numbers(bash_script):
    numbers = bash_complete(bash_script, ["velbrin", "align", "--table", ""])
    assert {"1", "2", "11", "33"} <= set(numbers)
    assert "7" not in numbers  # no NCBI code has that number


def test_bash_completes_files_for_inputs(bash_script, tmp_path):
    (tmp_path / "gene7_aa.fa").write_text(">s\nM\n")
    words = ["velbrin", "align", str(tmp_path / "gene7_a")]
    assert bash_complete(bash_script, words) == [str(tmp_path / "gene7_aa.fa")]
    words = ["velbrin", "batch", "--out-dir", str(tmp_path / "gene")]
    assert bash_complete(bash_script, words) == []  # a folder is asked for


@pytest.mark.parametrize("shell", SHELLS)
def test_every_script_names_every_option(shell):
    result = run("completions", shell)
    assert result.returncode == 0, result.stderr
    for command in every_command():
        for name in help_options(*command):
            bare = name.lstrip("-")  # fish names options without their dashes
            assert re.search(rf"(?<![\w-])-*{re.escape(bare)}(?![\w-])", result.stdout), (
                command,
                name,
            )


def test_completions_refuse_an_unknown_shell():
    result = run("completions", "tcsh")
    assert result.returncode == 2
    assert "tcsh" in result.stderr


def test_man_page_lists_every_option_of_every_subcommand():
    result = run("man")
    assert result.returncode == 0, result.stderr
    page = result.stdout.replace("\\-", "-")
    assert page.startswith(".TH VELBRIN 1 ")
    for command in every_command():
        if command:
            assert f'.SS "velbrin {command[0]}"' in page
        for name in help_options(*command):
            assert re.search(rf"\\fB{re.escape(name)}\\fR", page), (command, name)
