#!/usr/bin/env python3
"""Makes a program folder for the release build ("KanvoloUpdate2.exe /MAKE /AUTO" run in it) in OUT:
  バロネル/            the product files and their Version.xml, not yet refreshed (an old
                       version text, no sizes, no digests, no check value)
  Installer/Version.xml  the installer's version control, listing the first file
  Update/              empty: the build puts the cabinets and a copy of the version control here

  make_program_folder.py OUT [--count N] [--sizes B,B,...] [--add NAME=PATH ...] [--regist NAME=TYPE ...]
                          [--entry NAME:FOLDER:CAB ...] [--random]

Files as make_update_release.py names them: the added ones first, then ProgNN.dll; the second
program's cabinet is named with capitals ("Data02.CAB"), the third is installed into the
sub-folder "sub", the others have no cabinet name. Then the --entry files, with the sub-folder and
the cabinet name given (either may be empty), and contents of their own."""
import argparse
import pathlib
import random
import shutil
from xml.sax.saxutils import quoteattr

PRODUCT = "バロネル"


def content(index, size, noise):
    """Program bytes, different for every file: compressible, or with noise the same every time
    but not compressible (cabinets about as large as their files)."""
    if noise:
        return random.Random(index).randbytes(size)
    line = f"program file {index:04d} ".encode() * 3 + b"\r\n"
    return (line * (size // len(line) + 1))[:size]


def listing(entries):
    lines = []
    for e in entries:
        attributes = {"Name": e["name"], "DateTime": "2000/01/01 00:00:00", "FileSize": "0", "Regist": str(e["regist"])}
        if e["folder"]:
            attributes["Folder"] = e["folder"]
        if e["cab"]:
            attributes["CabFile"] = e["cab"]
        attributes.update({"CabSize": "0", "MD5": ""})
        lines.append("<File" + "".join(f" {k}={quoteattr(v)}" for k, v in attributes.items()) + "/>")
    return ('<?xml version="1.0"?>\r\n<DATA>\r\n' + "".join(l + "\r\n" for l in lines) + "</DATA>\r\n").encode("utf-8")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--count", type=int, default=5)
    ap.add_argument("--sizes", default="3000")
    ap.add_argument("--add", action="append", default=[], help="NAME=PATH: a file of its own, listed first")
    ap.add_argument("--regist", action="append", default=[], help="NAME=TYPE: the file's registration type (else 0)")
    ap.add_argument("--entry", action="append", default=[],
                    help="NAME:FOLDER:CAB: a file listed last, with its sub-folder and cabinet name")
    ap.add_argument("--random", action="store_true", help="program files that do not compress")
    args = ap.parse_args()

    out = pathlib.Path(args.out)
    shutil.rmtree(out, ignore_errors=True)
    product, installer, cabinets = out / PRODUCT, out / "Installer", out / "Update"
    for folder in (product, installer, cabinets):
        folder.mkdir(parents=True)

    sizes = [int(s) for s in args.sizes.split(",")]
    regist = {name: int(kind) for name, kind in (spec.split("=", 1) for spec in args.regist)}
    entries = []
    for spec in args.add:
        name, path = spec.split("=", 1)
        (product / name).write_bytes(pathlib.Path(path).read_bytes())
        entries.append({"name": name, "folder": "", "cab": ""})
    for i in range(1, args.count + 1):
        name = f"Prog{i:02d}.dll"
        (product / name).write_bytes(content(i, sizes[(i - 1) % len(sizes)], args.random))
        entries.append({"name": name, "folder": "sub" if i == 3 else "", "cab": "Data02.CAB" if i == 2 else ""})
    for i, spec in enumerate(args.entry, start=args.count + 1):
        name, folder, cab = spec.split(":")
        (product / name).write_bytes(content(i, sizes[(i - 1) % len(sizes)], args.random))
        entries.append({"name": name, "folder": folder, "cab": cab})
    for e in entries:
        e["regist"] = regist.get(e["name"], 0)

    (product / "Version.xml").write_bytes(listing(entries))
    (installer / "Version.xml").write_bytes(listing(entries[:1]))


main()
