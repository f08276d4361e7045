"""Drives the built `velbrin` command as a user would: files in, text and statuses out."""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"
RULE = "=" * 40 + "\n"  # above and below the heading of every error block


def command_path():
    path = os.environ.get("VELBRIN_COMMAND") or shutil.which("velbrin")
    if not path:
        pytest.exit("no velbrin command: set VELBRIN_COMMAND or put it on PATH", returncode=1)
    return path


class Velbrin:
    def __init__(self, folder):
        self.folder = folder
        self.path = command_path()

    def run(self, *args, stdin=None):
        return subprocess.run(
            [self.path, *map(str, args)],
            input=stdin,
            capture_output=True,
            cwd=self.folder,
            timeout=60,
        )

    def fasta(self, name, records, data=None):
        """Writes {header: sequence} (or a list of pairs) as FASTA; returns its name (the
        command runs in the folder, so messages show the name as given)."""
        if data is None:
            items = records.items() if isinstance(records, dict) else records
            data = "".join(f">{header}\n{sequence}\n" for header, sequence in items).encode()
        (self.folder / name).write_bytes(data)
        return name


@pytest.fixture
def velbrin(tmp_path):
    return Velbrin(tmp_path)


def parse_fasta(text):
    records, header = {}, None
    for line in text.splitlines():
        if line.startswith(">"):
            header = line[1:].split()[0]
            records[header] = ""
        elif line:
            records[header] += line
    return records
