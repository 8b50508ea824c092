#!/usr/bin/env python3
"""What an install folder holds, seen by the host's own tools (xml.etree, hashlib, stat), for the
fault suite's checks; written to OUT (through a temporary name), one tab-separated line each:

  install_state.py OUT [--vc FILE BASE]... [--files DIR]...

  vc     FILE  <md5 of the file's bytes | missing | unreadable>
  entry  FILE  <Folder> <Name> <FileSize> <MD5>  <size on disk | -1> <md5 on disk | ->
               <cabinet> <CabSize> <cabinet's size beside FILE | -1>
         one per File element of that version control, the file looked up below BASE, the cabinet
         (CabFile, or Name and ".cab") beside the version control
  file   PATH  <size> <md5>     every file directly in a --files folder (none when it is missing)
Paths are as given (host paths)."""
import argparse
import hashlib
import os
import pathlib
import xml.etree.ElementTree as ET

ap = argparse.ArgumentParser()
ap.add_argument("out")
ap.add_argument("--vc", nargs=2, action="append", default=[])
ap.add_argument("--files", action="append", default=[])
args = ap.parse_args()


def md5(path):
    return hashlib.md5(pathlib.Path(path).read_bytes()).hexdigest()


lines = []
for path, base in args.vc:
    label = path
    if not os.path.isfile(path):
        lines.append(["vc", label, "missing"])
        continue
    try:
        root = ET.fromstring(pathlib.Path(path).read_bytes())
    except ET.ParseError:
        lines.append(["vc", label, "unreadable"])
        continue
    lines.append(["vc", label, md5(path)])
    for e in root:
        if e.tag != "File":
            continue
        sub = e.get("Folder", "").replace("\\", "/").strip("/")
        target = os.path.join(base, sub, e.get("Name", "").replace("\\", "/"))
        on_disk = [str(os.path.getsize(target)), md5(target)] if os.path.isfile(target) else ["-1", "-"]
        cab = e.get("CabFile") or e.get("Name", "") + ".cab"
        cab_path = os.path.join(os.path.dirname(path), cab.replace("\\", "/"))
        cab_size = str(os.path.getsize(cab_path)) if os.path.isfile(cab_path) else "-1"
        lines.append(["entry", label, e.get("Folder", ""), e.get("Name", ""), e.get("FileSize", ""), e.get("MD5", "")]
                     + on_disk + [cab, e.get("CabSize", ""), cab_size])
for folder in args.files:
    if os.path.isdir(folder):
        for n in sorted(os.listdir(folder)):
            p = os.path.join(folder, n)
            if os.path.isfile(p):
                lines.append(["file", p, str(os.path.getsize(p)), md5(p)])

partial = args.out + ".part"
with open(partial, "w", encoding="utf-8", newline="\n") as f:
    for line in lines:
        f.write("\t".join(line) + "\n")
os.replace(partial, args.out)
