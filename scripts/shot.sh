#!/usr/bin/env bash
# shot.sh OUT.png [WINDOW-TITLE]
#
# Saves a screenshot of $DISPLAY: the whole screen, or, given a title (a
# regular expression as `xdotool search --name` takes it), the screen area of
# the first visible window that matches, waiting up to ZARVEL_SHOT_WAIT
# seconds (default 5) for it to appear. Run it inside scripts/wine-env.sh.
set -euo pipefail

if (( $# < 1 || $# > 2 )); then
    echo "usage: ${0##*/} OUT.png [WINDOW-TITLE]" >&2
    exit 2
fi
out=$1
title=${2:-}

if [[ -z ${DISPLAY:-} ]]; then
    echo "shot: DISPLAY is not set (run inside scripts/wine-env.sh)" >&2
    exit 2
fi

if [[ -z $title ]]; then
    import -window root "$out"
    exit 0
fi

deadline=$(( $(date +%s%N) / 1000000 + ${ZARVEL_SHOT_WAIT:-5} * 1000 ))
while :; do
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1 || true)
    [[ -n $id ]] && break
    if (( $(date +%s%N) / 1000000 >= deadline )); then
        echo "shot: no visible window titled '$title'" >&2
        exit 1
    fi
    sleep 0.1
done

eval "$(xdotool getwindowgeometry --shell "$id")"
# Cut from the root window, so the picture is what is really on screen there.
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
