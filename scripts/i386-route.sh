#!/usr/bin/env bash
# i386-route.sh: prints how this machine runs 32-bit x86 Linux programs (the
# 32-bit Wine): "native" where the kernel runs them; "qemu" where it refuses
# them ("Exec format error") but lets a private user and mount namespace
# register qemu-i386 for them in binfmt_misc (kernels from 6.7); otherwise
# "none: <reason>". run-i386.sh takes the route; setup-tools.sh installs what
# it needs.
#
#   ZARVEL_I386   native, qemu or none: take that route whatever the kernel
#                 does (qemu is still checked, since it may be refused)
set -euo pipefail

scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The gist of a command's error: "mount: /x: permission denied." gives "permission denied".
gist() {
    local err=${1%%$'\n'*}
    err=${err##*: }
    echo "${err%.}"
}

qemu_route() { # LEAD: what the reason starts with
    local err
    if ! err=$(unshare --user --map-root-user --mount true 2>&1); then
        echo "none: $1 refuses a private user namespace ($(gist "$err"))"
    elif ! err=$(unshare --user --map-root-user --mount \
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>&1); then
        echo "none: $1 refuses binfmt_misc in a user namespace" \
            "($(gist "$err"); kernels from 6.7 allow it)"
    else
        echo qemu
    fi
}

case ${ZARVEL_I386:-} in
    native) echo native ;;
    qemu) qemu_route "ZARVEL_I386=qemu, but this kernel" ;;
    none) echo "none: ZARVEL_I386=none" ;;
    "") if "$scripts/runs-i386.sh"; then echo native; else qemu_route "this kernel runs no 32-bit programs and"; fi ;;
    *) echo "i386-route: ZARVEL_I386 is native, qemu or none, not '$ZARVEL_I386'" >&2; exit 2 ;;
esac
