#!/usr/bin/env python3
"""Fails when product code outside common/ hands text to TinyXML's parser itself.

Every XML text from outside (files, HTTP bodies) must go through common/XmlFile, which
bounds nesting and size and repairs cut UTF-8 before the library's recursive parser sees
it. Two nets, because neither sees everything:

- Link level: the undefined symbols of every object file built from a product source
  (nm). This sees direct calls, calls the compiler resolved statically (on an object of
  known type), inline overloads such as LoadFile(std::string), whatever a macro or a
  wrapper spells them as. It cannot see a call through a pointer or reference to the
  library's virtual Parse: such a call goes through the vtable and names no symbol.
- Source level: in the same sources, Parse, LoadFile or StreamIn called on a variable
  declared with a TinyXML type, and >> into one: the shape such a virtual call takes.

Tests and benchmarks are not product code: they read what the programs wrote with the
library directly, as an independent reader. The fuzz targets are not built here.

usage: check_xml_entry.py <build folder> <source folder> <the TinyXML library>
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from product_objects import product_units, symbols  # noqa: E402

# Sources that may still read XML directly while their move onto the guarded reader is
# under way on another branch (none now). Each entry goes once that work is merged; an
# entry whose source no longer needs it fails the check, so none can linger.
EXEMPT = set()

GUARDED = "common/"

# The library's ways from text to a tree (demangled names).
PARSE_SYMBOL = re.compile(
    r"^(TiXml\w+::(Parse|LoadFile|StreamIn)\("
    r"|TiXmlBase::(ReadName|ReadText|SkipWhiteSpace|GetEntity)\("
    r"|operator>>\(std::[\w:<>, ]*istream[\w:<>, ]*&, TiXmlNode&\))"
)
TINYXML_VARIABLE = re.compile(
    r"\bTiXml(?:Document|Node|Element|Base|Text|Comment|Declaration|Unknown|Attribute)\b"
    r"(?:\s+const)?\s*[&*]*\s*(?:const\s+)?[&*]*\s*(\w+)\s*[;,)=({\[]"
)


def source_findings(path):
    text = open(path, encoding="utf-8", errors="replace").read()
    names = {m.group(1) for m in TINYXML_VARIABLE.finditer(text)}
    findings = []
    for name in sorted(names):
        call = re.compile(r"\b%s\s*(?:\.|->)\s*(Parse|LoadFile|StreamIn)\s*\(" % re.escape(name))
        into = re.compile(r">>\s*\*?\s*%s\b" % re.escape(name))
        for m in list(call.finditer(text)) + list(into.finditer(text)):
            line = text.count("\n", 0, m.start()) + 1
            findings.append("%s:%d: %s" % (os.path.basename(path), line, m.group(0)))
    return findings


def main():
    build, source, library = (os.path.realpath(p) for p in sys.argv[1:4])
    faults = []
    # The pattern must name what the library really exports.
    exported = [s for s in symbols("-D", "--defined-only", library) if PARSE_SYMBOL.match(s)]
    for needed in ("TiXmlDocument::Parse(", "TiXmlDocument::LoadFile(char const*"):
        if not any(s.startswith(needed) for s in exported):
            faults.append("the symbol pattern misses %s... of %s" % (needed, library))

    checked = 0
    guarded_symbols = guarded_calls = False
    exempt_seen = set()
    exempt_needed = set()
    for path, rel, obj in product_units(build, source):
        if obj is None:
            faults.append("%s: no object file (build everything first)" % rel)
            continue
        undefined = symbols("--undefined-only", obj)
        hits = [s for s in undefined if PARSE_SYMBOL.match(s)] + source_findings(path)
        if rel.startswith(GUARDED):
            guarded_symbols = guarded_symbols or any(s.startswith("TiXml") for s in undefined)
            guarded_calls = guarded_calls or bool(hits)
            continue
        checked += 1
        if rel in EXEMPT:
            exempt_seen.add(rel)
            if hits:
                exempt_needed.add(rel)
            continue
        faults += ["%s parses XML itself: %s" % (rel, hit) for hit in hits]

    # Both nets must see something at all: the library's symbols in common's objects, and
    # the guarded loader's own call to the parser.
    if not guarded_symbols:
        faults.append("nm shows no TinyXML symbol in common's objects")
    if not guarded_calls:
        faults.append("the source net does not see common/XmlFile's own call to the parser")
    if checked == 0:
        faults.append("no product source outside common/ was checked")
    for rel in sorted(exempt_seen - exempt_needed):
        faults.append("%s is exempt but no longer parses XML itself: remove it from EXEMPT" % rel)

    for fault in faults:
        print(fault)
    print("%d product sources outside common/ checked, %d faults" % (checked, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
