#!/usr/bin/env bash
# bench/run.sh (make bench; run inside scripts/wine-env.sh): one run of the
# benchmark over the 64-bit build, with the 32-bit build's sizes.
#
#   ZARVEL_BUILD     64-bit build folder (default: build/win64)
#   ZARVEL_BUILD32   32-bit build folder (default: build/win32)
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exec python3 "$repo/bench/bench.py" "$(realpath -m "${ZARVEL_BUILD:-$repo/build/win64}")" \
    "$(realpath -m "${ZARVEL_BUILD32:-$repo/build/win32}")"
