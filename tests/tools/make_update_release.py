#!/usr/bin/env python3
"""Publishes a release of program files for the local update host into OUT:
  release/            what the host serves: Version.xml and the cabinets under lower-case names
  release/web/        the web tool's Version.xml
  bad/                same-size cabinets whose file has another digest (the host's "digest" fault)
  files/              the program files as they must arrive, by name
  manifest.txt        one line per file: name, sub-folder, saved cabinet name, size, digest

  make_update_release.py OUT [--count N] [--sizes B,B,...] [--date "yyyy/mm/dd hh:nn:ss"]
                             [--add NAME=PATH ...] [--regist NAME=TYPE ...] [--web-count N] [--random]
                             [--compress]

The second file's cabinet is named with capitals ("Data02.CAB"), the third lies in the sub-folder
"sub", the others have no cabinet name (program name and ".cab"). Cabinets are made with gcab, the
check digest by the version-control fixture script."""
import argparse
import hashlib
import importlib.util
import pathlib
import random
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
FIXTURES = HERE.parent / "versioncontrol" / "fixtures" / "make_version_controls.py"


def load_version_fixtures():
    """The fixture script writes its own files on import: let it write them somewhere harmless."""
    saved = sys.argv
    with tempfile.TemporaryDirectory() as scratch:
        sys.argv = [str(FIXTURES), scratch]
        try:
            spec = importlib.util.spec_from_file_location("make_version_controls", FIXTURES)
            module = importlib.util.module_from_spec(spec)
            spec.loader.exec_module(module)
        finally:
            sys.argv = saved
    return module


def content(index, size, rnd):
    """Compressible program bytes, different for every file."""
    if rnd:
        r = random.Random(index)
        line = bytes(r.randrange(32, 127) for _ in range(64)) + b"\r\n"
    else:
        line = f"program file {index:04d} ".encode() * 3 + b"\r\n"
    return (line * (size // len(line) + 1))[:size]


def gcab(target, name, data, compress):
    with tempfile.TemporaryDirectory() as work:
        pathlib.Path(work, name).write_bytes(data)
        subprocess.run(["gcab", "-c", *(["-z"] if compress else []), str(target), name], cwd=work, check=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--count", type=int, default=5)
    ap.add_argument("--sizes", default="3000")
    ap.add_argument("--date", default="2026/12/01 10:00:00")
    ap.add_argument("--add", action="append", default=[], help="NAME=PATH: a file of its own, published first")
    ap.add_argument("--regist", action="append", default=[], help="NAME=TYPE: the file's registration type (else 0)")
    ap.add_argument("--web-count", type=int, default=1)
    ap.add_argument("--random", action="store_true", help="less compressible contents")
    ap.add_argument("--compress", action="store_true", help="MSZIP cabinets (stored by default)")
    args = ap.parse_args()

    vc = load_version_fixtures()
    out = pathlib.Path(args.out)
    release, bad, files = out / "release", out / "bad", out / "files"
    for folder in (release / "web", bad, files):
        folder.mkdir(parents=True, exist_ok=True)

    sizes = [int(s) for s in args.sizes.split(",")]
    regist = {name: int(kind) for name, kind in (spec.split("=", 1) for spec in args.regist)}
    programs = []  # (name, folder, cab name or "", bytes)
    for spec in args.add:
        name, path = spec.split("=", 1)
        programs.append((name, "", "", pathlib.Path(path).read_bytes()))
    for i in range(1, args.count + 1):
        name = f"Prog{i:02d}.dll"
        cab = "Data02.CAB" if i == 2 else ""
        folder = "sub" if i == 3 else ""
        programs.append((name, folder, cab, content(i, sizes[(i - 1) % len(sizes)], args.random)))

    entries, manifest = [], []
    for name, folder, cab, data in programs:
        saved = cab or name + ".cab"
        served = release / saved.lower()
        gcab(served, name, data, args.compress)
        # The same cabinet with one byte of its file changed: same size, another digest.
        changed = bytearray(data or b"\0")
        changed[0] ^= 0x01
        gcab(bad / saved.lower(), name, bytes(changed), args.compress)
        (files / name).write_bytes(data)
        digest = hashlib.md5(data).hexdigest()
        more = {}
        if folder:
            more["Folder"] = folder
        if cab:
            more["CabFile"] = cab
        entries.append(vc.entry(name, args.date, len(data), regist.get(name, 0), served.stat().st_size, digest, **more))
        manifest.append(f"{name}\t{folder}\t{saved}\t{len(data)}\t{digest}")

    infos = [
        {"ID": "1", "Type": "1", "Hiduke": "2026/11/30", "Version": "5.0.1", "VerGroup": "5", "Title": "予約画面の修正"},
        {"ID": "2", "Type": "2", "Hiduke": args.date[:10], "Version": "5.1.0", "VerGroup": "5", "Title": "帳票の追加"},
    ]
    xml = '<?xml version="1.0"?>\r\n' + vc.data(entries, infos, vc.digest(entries)) + "\r\n"
    (release / "Version.xml").write_bytes(xml.encode("utf-8"))

    web = [{"Name": f"Sornet{i}.dll" if i else "Sornet.exe", "DateTime": args.date, "FileSize": "10",
            "Folder": "", "Tools": "", "CabSize": "0", "MD5": ""} for i in range(args.web_count)]
    web_xml = '<?xml version="1.0"?>\r\n' + vc.data(web, (), vc.digest(web, web=True)) + "\r\n"
    (release / "web" / "Version.xml").write_bytes(web_xml.encode("utf-8"))
    (out / "manifest.txt").write_text("\n".join(manifest) + "\n", encoding="utf-8")


main()
