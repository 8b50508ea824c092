#!/usr/bin/env bash
# The real update program's release build (/MAKE /AUTO) in a scratch program folder, judged with
# host tools: each digest of the written version controls equals md5sum's, each cabinet size is
# its cabinet's length, the cabinet folder's copy equals the product's version control, and every
# cabinet gives its product file back through cabextract and gcab (judged on contents: the host
# tools spell the CP932 name their own way). The version controls it starts from carry no check
# value, which the build accepts and writes back with one.
# Usage: make_release_host_tools.sh <KanvoloUpdate2.exe> <release history .db>
set -euo pipefail
exe=$1
history=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prog="$work/prog"
mkdir -p "$prog/バロネル" "$prog/Update" "$prog/Installer"
cp "$exe" "$prog/KanvoloUpdate2.exe"

head -c 150000 /dev/urandom >"$prog/バロネル/Kanvolo.exe"
head -c 40000 < <(yes 'reservation list') >"$prog/バロネル/予約表示.ocx"
: >"$prog/バロネル/empty.dat"
printf 'x' >"$prog/バロネル/One.dll"

entry() { printf '<File Name="%s" DateTime="2000/01/01 00:00:00" FileSize="0" Regist="0" %sCabSize="0" MD5=""/>' "$1" "$2"; }
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<DATA>'
  entry Kanvolo.exe ''
  entry 予約表示.ocx 'CabFile="YOYAKU.CAB" '
  entry empty.dat ''
  entry One.dll ''
  printf '</DATA>\n'
} >"$prog/バロネル/Version.xml"
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<DATA>'
  entry Kanvolo.exe ''
  entry One.dll ''
  printf '</DATA>\n'
} >"$prog/Installer/Version.xml"

# A message box would wait for a user: the time limit ends such a run, and the checks then fail.
(cd "$prog" && KV_RELEASE_HISTORY="$history" timeout 60 wine ./KanvoloUpdate2.exe /MAKE /AUTO </dev/null >/dev/null 2>&1) || true

python3 - "$prog" <<'PY'
import os, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

prog = sys.argv[1]
product = os.path.join(prog, "バロネル")
cabinets = os.path.join(prog, "Update")
failures = []

def md5sum(path):
    return subprocess.run(["md5sum", path], check=True, capture_output=True, text=True).stdout.split()[0]

def extracted(tool, cabinet):
    with tempfile.TemporaryDirectory() as out:
        if tool == "cabextract":
            r = subprocess.run(["cabextract", "-q", "-d", out, cabinet], capture_output=True)
        else:
            r = subprocess.run(["gcab", "-x", "-C", out, cabinet], capture_output=True)
        if r.returncode != 0:
            return None
        files = [os.path.join(d, f) for d, _, fs in os.walk(out) for f in fs]
        return open(files[0], "rb").read() if len(files) == 1 else None

for folder in ("バロネル", "Installer"):
    path = os.path.join(prog, folder, "Version.xml")
    root = ET.parse(path).getroot()
    if root.find("Check") is None:
        failures.append(f"{folder}: no check value written")
    files = list(root.iter("File"))
    if len(files) != (4 if folder == "バロネル" else 2):
        failures.append(f"{folder}: {len(files)} files listed")
    for f in files:
        name = f.get("Name")
        source = os.path.join(product, name)
        if f.get("MD5") != md5sum(source):
            failures.append(f"{folder} {name}: MD5 {f.get('MD5')} is not md5sum's")
        if int(f.get("FileSize")) != os.path.getsize(source):
            failures.append(f"{folder} {name}: FileSize {f.get('FileSize')}")
        cabinet = os.path.join(cabinets, (f.get("CabFile") or name + ".cab").lower())
        if not os.path.exists(cabinet):
            failures.append(f"{folder} {name}: no cabinet {cabinet}")
            continue
        if int(f.get("CabSize")) != os.path.getsize(cabinet):
            failures.append(f"{folder} {name}: CabSize {f.get('CabSize')} is not {os.path.getsize(cabinet)}")
        for tool in ("cabextract", "gcab"):
            if extracted(tool, cabinet) != open(source, "rb").read():
                failures.append(f"{name}: {tool} does not give the product file back")

if open(os.path.join(cabinets, "Version.xml"), "rb").read() != open(os.path.join(product, "Version.xml"), "rb").read():
    failures.append("the cabinet folder's version control differs from the product's")

for f in failures:
    print("FAIL", f)
if not failures:
    print("release build checked with md5sum, cabextract and gcab")
sys.exit(1 if failures else 0)
PY
