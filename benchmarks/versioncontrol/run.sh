#!/usr/bin/env bash
# The version control of 3000 files and 200 history entries written (sorted, check digest) and read
# (check digest verified) by clsVersionControl under Wine, beside a Python script doing the same
# with xml.etree and hashlib on the host; medians of 9 rounds each. The script also reads the file
# our program wrote and verifies its check digest: bench.sh bench_versioncontrol [ROUNDS]
set -euo pipefail
rounds=${1:-9}
work=${BENCH_WORK:?}/versioncontrol
rm -rf "$work" && mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
ours=$work/ours.xml

read -r tag bytes write read < <(wine "$BENCH_EXE" "$rounds" "$(winepath -w "$ours")" | tr -d '\r' | tee /dev/stderr | tail -n1)
[ "$tag" = vc ] || { echo "benchmark program failed" >&2; exit 1; }

read -r pbytes pwrite pread < <(python3 - "$work" "$rounds" "$ours" <<'PY'
import hashlib, os, random, statistics, sys, time
import xml.etree.ElementTree as ET

work, rounds, ours = sys.argv[1], int(sys.argv[2]), sys.argv[3]
KEY = "KQV@7215"
path = os.path.join(work, "python.xml")

def fill(rng):
    order = list(range(3000))
    rng.shuffle(order)
    files = []
    for n in order:
        stem = ("帳票モジュール" if n % 3 == 0 else "Module") + str(n)
        files.append({"Name": stem + ".dll", "DateTime": "2011/04/05 10:%d:30" % (10 + n % 50),
                      "FileSize": 100000 + n, "Regist": n % 5, "Folder": "Report" if n % 4 == 0 else "",
                      "CabFile": stem + ".cab" if n % 7 == 0 else "", "CabSize": 50000 + n,
                      "MD5": "0123456789abcdef0123456789abcdef"})
    infos = [{"ID": str(i), "Type": 1, "Hiduke": "2011/04/05", "Version": "3.2.%d" % i, "VerGroup": "3",
              "Title": "予約画面の修正 その%d" % i} for i in range(1, 201)]
    return files, infos

def check_text(f):
    return "%s%s%d%d%s%s%d%s" % (f["Name"], f["DateTime"], f["FileSize"], f["Regist"], f["Folder"],
                                 f["CabFile"], f["CabSize"], f["MD5"])

def digest(text):
    return hashlib.md5(text.encode("cp932")).hexdigest()

def write(files, infos, path):
    files.sort(key=lambda f: f["Name"].upper())
    root = ET.Element("DATA")
    root.text = "\r\n"
    check = [KEY]
    for f in files:
        a = {"Name": f["Name"], "DateTime": f["DateTime"], "FileSize": str(f["FileSize"]), "Regist": str(f["Regist"])}
        if f["Folder"]:
            a["Folder"] = f["Folder"]
        if f["CabFile"]:
            a["CabFile"] = f["CabFile"]
        a["CabSize"] = str(f["CabSize"])
        a["MD5"] = f["MD5"]
        ET.SubElement(root, "File", a).tail = "\r\n"
        check.append(check_text(f))
    for i in infos:
        ET.SubElement(root, "Info", {k: str(v) for k, v in i.items()}).tail = "\r\n"
    ET.SubElement(root, "Check", {"MD5": digest("".join(check))}).tail = "\r\n"
    ET.ElementTree(root).write(path, encoding="utf-8", xml_declaration=True)

def read(path):
    files, infos, stored = [], [], ""
    for child in ET.parse(path).getroot():
        a = child.attrib
        if child.tag == "File":
            files.append({"Name": a.get("Name", ""), "DateTime": a.get("DateTime", ""),
                          "FileSize": int(a.get("FileSize", "1")), "Regist": int(a.get("Regist", "0")),
                          "Folder": a.get("Folder", ""), "CabFile": a.get("CabFile", ""),
                          "CabSize": int(a.get("CabSize", "0")), "MD5": a.get("MD5", "")})
        elif child.tag == "Info":
            infos.append({"ID": a.get("ID", ""), "Type": int(a.get("Type", "0")), "Hiduke": a.get("Hiduke", ""),
                          "Version": a.get("Version", ""), "VerGroup": a.get("VerGroup", ""),
                          "Title": a.get("Title", "")})
        elif child.tag == "Check":
            stored = a.get("MD5", "")
    if not stored or digest(KEY + "".join(check_text(f) for f in files)) != stored:
        raise SystemExit("%s: check digest does not match" % path)
    return files, infos

rng = random.Random(7)
writes, reads = [], []
for _ in range(rounds):
    files, infos = fill(rng)
    t0 = time.perf_counter()
    write(files, infos, path)
    t1 = time.perf_counter()
    back, _ = read(path)
    t2 = time.perf_counter()
    if len(back) != 3000:
        raise SystemExit("python: %d files read back" % len(back))
    writes.append(t1 - t0)
    reads.append(t2 - t1)
theirs, _ = read(ours)
if len(theirs) != 3000:
    raise SystemExit("our file: %d files" % len(theirs))
print(os.path.getsize(path), statistics.median(writes), statistics.median(reads))
PY
)

awk -v w="$write" -v r="$read" -v pw="$pwrite" -v pr="$pread" -v b="$bytes" -v pb="$pbytes" -v n="$rounds" 'BEGIN {
  printf "files: ours %d bytes, Python %d bytes; medians of %d rounds; our file read and verified by the script\n", b, pb, n
  printf "write: clsVersionControl %.3f s, Python xml.etree+hashlib %.3f s\n", w, pw
  printf "read:  clsVersionControl %.3f s, Python xml.etree+hashlib %.3f s\n", r, pr
  # Goal from the first figures on a shared machine (write 2.9 to 3.9, read 4.3 to 5.3 times the
  # script, each under 0.1 s against a reference of 15 to 30 ms): hold that level.
  goal = 6
  printf "BENCH|version control write, 3000 entries|%.3f s|Python xml.etree|%.3f s|%.2f|<= %d|%s\n", w, pw, w / pw, goal, (w / pw <= goal ? "met" : "NOT met")
  printf "BENCH|version control read and verify, 3000 entries|%.3f s|Python xml.etree|%.3f s|%.2f|<= %d|%s\n", r, pr, r / pr, goal, (r / pr <= goal ? "met" : "NOT met")
}'
