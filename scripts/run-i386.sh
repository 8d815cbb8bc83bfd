#!/usr/bin/env bash
# run-i386.sh CMD [ARGS...]
#
# Runs CMD so that the 32-bit x86 programs it starts (Debian's 32-bit Wine)
# run, on the route i386-route.sh names:
#   native  CMD runs as it is;
#   qemu    CMD runs in a private user and mount namespace where binfmt_misc
#           hands i386 ELF files to qemu-i386-static, so nothing changes for
#           anyone else on the machine; qemu-mend.c is preloaded into them;
#   none    CMD does not run: the reason, and exit 77 (CTest's skip).
# Any CTest command whose programs include 32-bit ones can be wrapped in it.
#
#   ZARVEL_I386        force a route (see i386-route.sh)
#   ZARVEL_QEMU_MEND   folder for the built preload library (default: <repo>/build/qemu-mend)
set -euo pipefail

scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly QEMU=/usr/bin/qemu-i386-static
readonly MEND=zarvel-qemu-mend.so

# ZARVEL_I386_ACTIVE: unset outside; "namespace" while we set the namespace
# up; "native" or "qemu" once CMD may start 32-bit programs (a nested call
# just runs its command).
case ${ZARVEL_I386_ACTIVE:-} in
    native | qemu) exec "$@" ;;
    namespace)
        # We are root of the new namespace, as registering needs. i386 ELF
        # executables and shared objects (type 2 or 3); the escapes are
        # binfmt_misc's own, since a NUL byte would end what we write. F opens
        # qemu now, so later mounts do not matter; the handlers of the
        # namespace come before the kernel's own ELF loader.
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        printf '%s\n' ":zarvel-i386:M::$magic:$mask:$QEMU:F" >/proc/sys/fs/binfmt_misc/register
        # Back to the caller's own ids in a nested namespace (which sees the
        # registration): Wine keeps its server socket under /tmp/.wine-UID,
        # and 64-bit Wine outside must find the same one.
        export ZARVEL_I386_ACTIVE=qemu
        exec unshare --user --map-user="$1" --map-group="$2" -- "${@:3}"
        ;;
esac

if (( $# == 0 )); then
    echo "usage: ${0##*/} CMD [ARGS...]" >&2
    exit 2
fi

route=$("$scripts/i386-route.sh")
case $route in
    native) export ZARVEL_I386_ACTIVE=native; exec "$@" ;;
    qemu) ;;
    *) echo "SKIPPED: the 32-bit Wine cannot run here: ${route#none: }"; exit 77 ;;
esac

[[ -x $QEMU ]] || { echo "run-i386: $QEMU missing (run scripts/setup-tools.sh)" >&2; exit 127; }

# The mend, built when missing or older than its source, for i386; and an
# empty twin for x86-64, so that $LIB (which the loader expands per process)
# gives every 64-bit process a harmless library rather than an error.
mend=$(realpath -m "${ZARVEL_QEMU_MEND:-$scripts/../build/qemu-mend}")
so32=$mend/lib/i386-linux-gnu/$MEND so64=$mend/lib/x86_64-linux-gnu/$MEND
if [[ ! $so32 -nt $scripts/qemu-mend.c || ! -f $so64 ]]; then
    mkdir -p "${so32%/*}" "${so64%/*}"
    # Built beside and renamed, as a parallel run may be loading it.
    gcc -m32 -O2 -fPIC -ffreestanding -fno-stack-protector -Wall -Wextra -Werror -shared -nostdlib \
        -o "$so32.$$" "$scripts/qemu-mend.c"
    gcc -shared -nostdlib -o "$so64.$$" -x c /dev/null
    mv -f "$so32.$$" "$so32"
    mv -f "$so64.$$" "$so64"
fi
export LD_PRELOAD="$mend/\$LIB/$MEND${LD_PRELOAD:+ $LD_PRELOAD}"

export ZARVEL_I386_ACTIVE=namespace
exec unshare --user --map-root-user --mount -- "${BASH_SOURCE[0]}" "$(id -u)" "$(id -g)" "$@"
