#!/usr/bin/env bash
# A signed release as a maintainer makes one, with a throwaway key: the programs in the zips (beside the three
# guides), the setups, the uninstaller that an install leaves and the MSIs all carry a valid signature, and a second
# release of the same commit gives the same bytes. Run inside scripts/wine-env.sh: release_test.sh NERO_EXE
set -euo pipefail
release=$(cd "$(dirname "$0")/.." && pwd)/scripts/release.sh nero=$(dirname "$(realpath "$1")")
rm -rf release-test && mkdir release-test && cd release-test # kept until the next run, to look into
printf throwaway >password
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Z -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem
openssl pkcs12 -export -inkey key.pem -in cert.pem -out key.p12 -passout file:password
export ZARVEL_SIGN_PKCS12=key.p12 ZARVEL_SIGN_PASSWORD_FILE=password ZARVEL_RELEASE_BUILD=$PWD/build
for dist in dist again; do ZARVEL_DIST=$dist "$release"; done
cmp dist/SHA256SUMS again/SHA256SUMS || { echo "a second signed release gave other bytes" >&2; exit 1; }
for arch in win32 win64; do python3 -m zipfile -e dist/Zarvel-1.0-$arch.zip $arch && test -f $arch/README-zh-CN.txt; done
"$WINE" dist/Zarvel-1.0-win64-setup.exe /S "/NERODIR=Z:${nero//\//\\}" "/D=Z:${PWD//\//\\}\\installed"
for f in dist/*-setup.exe dist/*.msi win*/*.exe installed/*.exe; do osslsigncode verify -CAfile cert.pem -in "$f"; done
