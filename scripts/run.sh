#!/usr/bin/env bash
# run.sh (make run): starts Zarvel under Wine, in a scratch folder that holds
# a stand-in nero.exe, so both launch buttons work.
#
# With $DISPLAY: the program opens on that display for you to use; what the
# launch buttons started is printed when you close it.
# Without: a short session on a private Xvfb, acted out with real clicks and
# key presses (xdotool), on a Traditional Chinese Windows; it prints each step,
# the screenshots it saved under build/run/ and the registry after each close.
# Then the advanced view once more on a Simplified Chinese and on an English
# Windows, for a screenshot of each.
#
#   ZARVEL_BUILD   build folder holding Zarvel.exe (default: build/win64)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${ZARVEL_BUILD:-$repo/build/win64}")
exe=$build/Zarvel.exe
nero=$build/tests/nero.exe
for f in "$exe" "$nero"; do
    [[ -f $f ]] || { echo "run: $f missing (run make win64)" >&2; exit 1; }
done

if [[ -z ${DISPLAY:-} ]]; then
    # A prefix, and so an Xvfb, of its own: the session's clicks and key
    # presses must not meet a test run's windows, nor its registry.
    export ZARVEL_WINEPREFIX=${ZARVEL_WINEPREFIX:-$repo/build/wineprefix-run}
    session() { # LOCALE [LANGUAGE]
        LANG=$1 LC_ALL=$1 "$repo/scripts/wine-env.sh" python3 "$repo/scripts/run_session.py" "$build" \
            "$repo/build/run" "${@:2}"
    }
    session zh_TW.UTF-8
    session zh_CN.UTF-8 zh-CN
    session C.UTF-8 en
    exit
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zarvel-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$nero" "$work/nero.exe"
export ZARVEL_NERO_LOG="Z:${work//\//\\}\\nero.log"
echo "Zarvel runs in $work, beside a stand-in nero.exe; close its window to finish."
(cd "$work" && "$repo/scripts/wine-run.sh" "$exe")
if [[ -s $work/nero.log ]]; then
    echo "The launch buttons started:"
    awk -F'\t' '{ print "  nero.exe " $1 }' "$work/nero.log"
else
    echo "Nothing was started."
fi
