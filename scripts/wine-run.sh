#!/usr/bin/env bash
# wine-run.sh EXE [ARGS...]
#
# Runs a Windows program with the wine64 loader and returns its exit code
# (modulo 256). Used as CMAKE_CROSSCOMPILING_EMULATOR; outside an active
# wine-env.sh it sets one up for this run alone.
if [[ -z "${ZARVEL_WINE_ENV_ACTIVE:-}" ]]; then
    exec "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" "${BASH_SOURCE[0]}" "$@"
fi
exec "${ZARVEL_WINE:-/usr/lib/wine/wine64}" "$@"
