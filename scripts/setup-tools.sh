#!/usr/bin/env bash
# setup-tools.sh [-v]
#
# Installs the Debian packages the build and tests need, and only those that
# are missing: quiet and quick when everything is there. Needs root or sudo
# only when something has to be installed. -v lists what was found.
set -euo pipefail

verbose=
[[ ${1:-} == -v ]] && verbose=1

# "path-or-command package": a command name is looked up on PATH.
needs=(
    "cmake cmake"
    "make make"
    "g++ g++"
    "python3 python3"
    "x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
    "x86_64-w64-mingw32-gcc-posix gcc-mingw-w64-x86-64-posix"
    "x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64"
    "i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix"
    "i686-w64-mingw32-gcc-posix gcc-mingw-w64-i686-posix"
    "i686-w64-mingw32-windres binutils-mingw-w64-i686"
    "/usr/lib/wine/wine64 wine64"
    "/usr/lib/wine/wineserver64 wine64"
    "/usr/share/wine/fonts/tahoma.ttf fonts-wine"
    "Xvfb xvfb"
    "xauth xauth"
    "fc-list fontconfig"
    "/usr/share/fonts/truetype/arphic/uming.ttc fonts-arphic-uming"
    "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc fonts-wqy-zenhei"
    "import imagemagick"
    "xdotool xdotool"
    "clang-format clang-format"
    "flock util-linux"
    "iconv libc-bin"
    "/usr/share/i18n/locales/zh_TW locales"
    "makensis nsis"
    "wixl wixl"
    "msibuild msitools"
    "faketime faketime"
    "osslsigncode osslsigncode"
    "openssl openssl"
)

# The 32-bit build runs under Debian's 32-bit Wine wherever 32-bit programs
# run: natively, or under qemu-i386 where the kernel refuses them
# (scripts/i386-route.sh says which; scripts/run-i386.sh builds qemu's mend
# with gcc).
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
case $("$repo/scripts/i386-route.sh") in
    native) needs+=("/usr/lib/wine/wine wine32:i386") ;;
    qemu) needs+=("/usr/lib/wine/wine wine32:i386" "/usr/bin/qemu-i386-static qemu-user-static" "gcc gcc") ;;
esac

missing=()
for need in "${needs[@]}"; do
    what=${need% *} pkg=${need##* }
    if [[ $what == /* ]]; then
        [[ -e $what ]] && continue
    else
        command -v "$what" >/dev/null 2>&1 && continue
    fi
    [[ " ${missing[*]} " == *" $pkg "* ]] || missing+=("$pkg")
done

if (( ${#missing[@]} > 0 )); then
    echo "setup-tools: installing ${missing[*]}" >&2
    sudo=
    if (( EUID != 0 )); then
        command -v sudo >/dev/null || { echo "setup-tools: need root or sudo" >&2; exit 1; }
        sudo=sudo
    fi
    export DEBIAN_FRONTEND=noninteractive
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The unsuffixed MinGW names may point at the win32-thread compilers (no
# std::thread); we call the -posix names, but keep the plain ones in step.
for tool in {x86_64,i686}-w64-mingw32-{gcc,g++}; do
    plain=/usr/bin/$tool
    [[ -x $plain-posix ]] || continue
    if [[ "$(readlink -f "$plain" 2>/dev/null)" != "$(readlink -f "$plain-posix")" ]] \
        && command -v update-alternatives >/dev/null; then
        sudo=; (( EUID == 0 )) || sudo=sudo
        $sudo update-alternatives --quiet --set "$tool" "$plain-posix" >&2 || true
    fi
done

# The scenarios run on a Traditional and a Simplified Chinese Windows, which
# Wine makes from these locales; without them Wine falls back to a Western one
# silently.
for lang in zh_TW zh_CN; do
    if ! locale -a 2>/dev/null | grep -qix "$lang.utf-\\?8"; then
        echo "setup-tools: making the locale $lang.UTF-8" >&2
        sudo=; (( EUID == 0 )) || sudo=sudo
        $sudo localedef -i "$lang" -f UTF-8 "$lang.UTF-8"
    fi
done

if [[ -n $verbose ]]; then
    for tool in {x86_64,i686}-w64-mingw32-{gcc,g++}{-posix,} /usr/lib/wine/wine64; do
        printf '%-32s %s\n' "$tool" "$(readlink -f "$(command -v "$tool")" 2>/dev/null || echo missing)"
    done
fi
