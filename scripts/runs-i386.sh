#!/usr/bin/env bash
# runs-i386.sh: exits 0 when this kernel runs 32-bit x86 Linux programs, which
# the 32-bit Wine needs; some machines of this kind refuse them ("Exec format
# error"). The probe is a tiny static program that exits with 42.
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
python3 -c 'import sys; sys.stdout.buffer.write(bytes.fromhex(sys.argv[1]))' \
    7f454c460101010000000000000000000200030001000000548004083400000000000000000000003400200001000000000000000100000000000000008004080080040860000000600000000500000000100000b801000000bb2a000000cd80 >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
[[ $? == 42 ]]
