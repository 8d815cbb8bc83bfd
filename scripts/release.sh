#!/usr/bin/env bash
# release.sh (make release): builds both programs and their setups in clean
# build folders of their own and fills dist/: Zarvel-1.0-win32.zip and
# Zarvel-1.0-win64.zip, each with Zarvel.exe and the user guides (English,
# Traditional and Simplified Chinese), Zarvel-1.0-win32-setup.exe and
# Zarvel-1.0-win64-setup.exe, which install the same files for one user,
# Zarvel-1.0-win32.msi and Zarvel-1.0-win64.msi, which install them for the
# whole machine, and SHA256SUMS. The same commit gives the same bytes: the
# linker writes no timestamp or build id, the zips carry fixed dates and
# attributes and their entries in a fixed order, the setups carry no file
# dates (SetDateSave off in setup/Zarvel.nsi), the MSIs are made at a fixed
# time (scripts/msi.sh), and signatures carry the fixed time SOURCE_DATE_EPOCH
# (the commit's date unless set).
#
# Signed with Authenticode when ZARVEL_SIGN_PKCS12 names a PKCS#12 file and
# ZARVEL_SIGN_PASSWORD_FILE a file with its password (ZARVEL_SIGN_TIMESTAMP_URL:
# an RFC 3161 time stamp, which makes the signatures differ from run to run):
# both programs before anything packs them, the uninstaller and the setups as
# makensis writes them, then the MSIs (scripts/sign.sh).
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

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct)}
sign=
if [[ -n ${ZARVEL_SIGN_PKCS12:-} ]]; then
    for f in "$ZARVEL_SIGN_PKCS12" "${ZARVEL_SIGN_PASSWORD_FILE:-}"; do
        [[ -r $f ]] || { echo "release: cannot read '$f' (ZARVEL_SIGN_PKCS12, ZARVEL_SIGN_PASSWORD_FILE)" >&2; exit 1; }
    done
    export ZARVEL_SIGN_PKCS12=$(realpath "$ZARVEL_SIGN_PKCS12") ZARVEL_SIGN_PASSWORD_FILE=$(realpath "$ZARVEL_SIGN_PASSWORD_FILE")
    sign=$repo/scripts/sign.sh
    echo "release: signing with $ZARVEL_SIGN_PKCS12"
else
    echo "release: unsigned (ZARVEL_SIGN_PKCS12 names no key)"
fi

rm -rf "$work"
mkdir -p "$work/guides"
# The guides as Windows Notepad reads them best: CRLF, UTF-8 with a BOM.
for guide in README-en.txt README-zh-TW.txt README-zh-CN.txt; do
    { printf '\xef\xbb\xbf'; sed 's/\r*$/\r/' "$repo/docs/$guide"; } >"$work/guides/$guide"
done
for pair in win32:i686 win64:x86_64; do
    name=${pair%%:*}
    echo "release: building $name in $work/$name"
    cmake -S "$repo" -B "$work/$name" -DCMAKE_BUILD_TYPE=MinSizeRel -DZARVEL_GUIDES="$work/guides" \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-${pair#*:}.cmake" -DZARVEL_TESTS=OFF -DZARVEL_SIGN="$sign" >"$work/$name.log" 2>&1 \
        && cmake --build "$work/$name" -j "$(nproc)" --target setup >>"$work/$name.log" 2>&1 \
        || { echo "release: the $name build failed; see $work/$name.log" >&2; exit 1; }
    rm -f "$work/$name.log"
done

rm -rf "$dist"
mkdir -p "$dist"
python3 - "$dist" "$VERSION" "$work" <<'EOF'
import os
import sys
import zipfile

dist, version, work = sys.argv[1:]


def read(*path):
    with open(os.path.join(work, *path), "rb") as f:
        return f.read()


for arch in ("win32", "win64"):
    entries = {"Zarvel.exe": read(arch, "Zarvel.exe")}
    entries.update((name, read("guides", name)) for name in os.listdir(os.path.join(work, "guides")))
    path = os.path.join(dist, f"Zarvel-{version}-{arch}.zip")
    with zipfile.ZipFile(path, "w") as z:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.create_system = 0  # MS-DOS attributes, the same on every build machine
            info.external_attr = 0x20  # "archive", as Windows marks a fresh file
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, entries[name], compresslevel=9)
EOF
for name in win32 win64; do
    cp "$work/$name/Zarvel-$VERSION-$name-setup.exe" "$work/$name/Zarvel-$VERSION-$name.msi" "$dist"
done
(cd "$dist" && sha256sum Zarvel-"$VERSION"-win{32,64}{.zip,-setup.exe,.msi} >SHA256SUMS)

echo "release: $dist ($commit)"
(cd "$dist" && for f in *; do printf '  %-28s %9d bytes\n' "$f" "$(stat -c %s "$f")"; done)
