#!/usr/bin/env bash
# release.sh (make release): builds both programs in clean build folders of
# their own and packs dist/: Zarvel-1.0-win32.zip and Zarvel-1.0-win64.zip,
# each with Zarvel.exe and the user guides (Traditional Chinese, English),
# and SHA256SUMS. The same commit gives the same bytes: the linker writes no
# timestamp or build id, and the zips carry fixed dates and attributes and
# their entries in a fixed order.
#
#   ZARVEL_DIST            output folder (default: dist)
#   ZARVEL_RELEASE_BUILD   scratch build folder, emptied first (default: build/release)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly VERSION=1.0
dist=$(realpath -m "${ZARVEL_DIST:-$repo/dist}")
work=$(realpath -m "${ZARVEL_RELEASE_BUILD:-$repo/build/release}")

commit=$(git -C "$repo" describe --always --dirty 2>/dev/null || echo "no git")
[[ $commit == *-dirty ]] && echo "release: note: the working tree has uncommitted changes ($commit)" >&2

rm -rf "$work"
mkdir -p "$work"
for pair in win32:i686 win64:x86_64; do
    name=${pair%%:*}
    echo "release: building $name in $work/$name"
    cmake -S "$repo" -B "$work/$name" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-${pair#*:}.cmake" -DZARVEL_TESTS=OFF >"$work/$name.log" 2>&1 \
        && cmake --build "$work/$name" -j "$(nproc)" --target Zarvel >>"$work/$name.log" 2>&1 \
        || { echo "release: the $name build failed; see $work/$name.log" >&2; exit 1; }
    rm -f "$work/$name.log"
done

rm -rf "$dist"
mkdir -p "$dist"
python3 - "$dist" "$VERSION" "$repo/docs" "$work" <<'EOF'
import os
import sys
import zipfile

dist, version, docs, work = sys.argv[1:]


def guide(name):
    """The guides as Windows Notepad reads them best: CRLF, UTF-8 with a BOM."""
    with open(os.path.join(docs, name), encoding="utf-8") as f:
        text = f.read()
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


for arch in ("win32", "win64"):
    with open(os.path.join(work, arch, "Zarvel.exe"), "rb") as f:
        entries = {"Zarvel.exe": f.read()}
    entries.update((name, guide(name)) for name in ("README-en.txt", "README-zh-TW.txt"))
    path = os.path.join(dist, f"Zarvel-{version}-{arch}.zip")
    with zipfile.ZipFile(path, "w") as z:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.create_system = 0  # MS-DOS attributes, the same on every build machine
            info.external_attr = 0x20  # "archive", as Windows marks a fresh file
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, entries[name], compresslevel=9)
EOF
(cd "$dist" && sha256sum Zarvel-"$VERSION"-win32.zip Zarvel-"$VERSION"-win64.zip >SHA256SUMS)

echo "release: $dist ($commit)"
(cd "$dist" && for f in *; do printf '  %-24s %9d bytes\n' "$f" "$(stat -c %s "$f")"; done)
