#!/usr/bin/env bash
# Two release builds from the same sources, each in clean build folders of
# its own, under a different time zone and umask, must give the same bytes.
# The full build is what a release is, so that is what this repeats (about
# ten seconds each on two cores).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zarvel-release-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

ZARVEL_DIST=$tmp/a/dist ZARVEL_RELEASE_BUILD=$tmp/a/build "$repo/scripts/release.sh" >/dev/null 2>&1 \
    || { echo "FAIL: the first release build failed"; exit 1; }
(umask 077 && TZ=Asia/Taipei ZARVEL_DIST=$tmp/b/dist ZARVEL_RELEASE_BUILD=$tmp/b/build \
    "$repo/scripts/release.sh" >/dev/null 2>&1) || { echo "FAIL: the second release build failed"; exit 1; }

status=0
expected="SHA256SUMS Zarvel-1.0-win32.zip Zarvel-1.0-win64.zip"
for d in a b; do
    got=$(cd "$tmp/$d/dist" && echo *)
    [[ $got == "$expected" ]] || { echo "FAIL: dist/ holds '$got', not '$expected'"; status=1; }
done
for f in $expected; do
    cmp "$tmp/a/dist/$f" "$tmp/b/dist/$f" || { echo "FAIL: $f differs between two builds"; status=1; }
done
(cd "$tmp/a/dist" && sha256sum --quiet -c SHA256SUMS) || { echo "FAIL: SHA256SUMS does not match"; status=1; }

# Each zip holds exactly the program of its build and the two guides.
python3 - "$tmp/a" <<'PY' || status=1
import sys, zipfile
root = sys.argv[1]
for arch, machine in (("win32", 0x14C), ("win64", 0x8664)):
    with zipfile.ZipFile(f"{root}/dist/Zarvel-1.0-{arch}.zip") as z:
        names = z.namelist()
        exe = z.read("Zarvel.exe")
    built = open(f"{root}/build/{arch}/Zarvel.exe", "rb").read()
    pe = int.from_bytes(exe[0x3C:0x40], "little")
    problems = [p for p, bad in (
        (f"entries {names}", names != ["README-en.txt", "README-zh-TW.txt", "Zarvel.exe"]),
        ("Zarvel.exe is not the one built", exe != built),
        ("wrong machine type", int.from_bytes(exe[pe + 4:pe + 6], "little") != machine)) if bad]
    for p in problems:
        print(f"FAIL: {arch}: {p}")
    if problems:
        sys.exit(1)
PY
[[ $status == 0 ]] && echo "release: two builds, byte-identical"
exit $status
