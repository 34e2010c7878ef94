"""The object files of this build's product sources and their symbols, for the checks
that read what the product code really calls (tests/xml_entry, tests/platform_boundary).

Tests, benchmarks and fuzz targets are not product code."""
import json
import os
import re
import shlex
import subprocess

NOT_PRODUCT = ("tests/", "bench/", "fuzz/")


def object_of(unit):
    if "output" in unit:
        return unit["output"]
    words = shlex.split(unit["command"]) if "command" in unit else unit["arguments"]
    return words[words.index("-o") + 1]


def symbols(*nm_arguments):
    out = subprocess.run(["nm", "-C"] + list(nm_arguments), check=True, capture_output=True, text=True).stdout
    # "address type name" for defined symbols, "U name" for undefined ones
    return [re.split(r"\s+[A-Za-z]\s+", " " + line, maxsplit=1)[-1].strip() for line in out.splitlines() if line.strip()]


def product_units(build, source):
    """(source path, path relative to the source folder, object file or None) of every
    product source this build compiled."""
    with open(os.path.join(build, "compile_commands.json")) as f:
        units = json.load(f)
    for unit in units:
        path = os.path.realpath(os.path.join(unit["directory"], unit["file"]))
        rel = os.path.relpath(path, source)
        if rel.startswith("..") or rel.startswith(NOT_PRODUCT):
            continue
        obj = os.path.join(unit["directory"], object_of(unit))
        yield path, rel, obj if os.path.exists(obj) else None
