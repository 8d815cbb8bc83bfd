#!/usr/bin/env bash
# msi.sh x86|x64 VERSION EXE GUIDES OUT.msi: the Windows Installer package of one build, from
# setup/Zarvel.wxs, with Debian's wixl. The same inputs give the same bytes: wixl stamps a random
# package code and the current time, so msibuild writes a package code derived from the inputs, both
# run at a fixed time (SOURCE_DATE_EPOCH, else the commit's date), and the packed files carry it too.
set -euo pipefail
arch=$1 version=$2 exe=$3 guides=$4 out=$(realpath -m "$5")
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct 2>/dev/null || echo 946684800)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$guides"/README-{en,zh-TW,zh-CN}.txt "$work"
touch -d "@$epoch" "$work"/*
uuid() { sha256sum | sed -E 's/^(.{8})(.{4}).(.{3}).(.{3})(.{12}).*/\U\1-\2-5\3-8\4-\5/'; }
product=$(echo "Zarvel $arch $version" | uuid) # one per build and version, as a major upgrade needs
package=$(cat "$work"/* "$repo/setup/Zarvel.wxs" "${BASH_SOURCE[0]}" <(echo "$arch $version") | uuid)
at=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
template=$([[ $arch == x64 ]] && echo "x64;1033" || echo "Intel;1033")
(cd "$work" && TZ=UTC faketime -f "$at" wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D ProductCode="$product" \
    -o "$out" "$repo/setup/Zarvel.wxs" 2> >(grep -v 'unimplemented' >&2))
# wixl has no file search (nero.exe looked for in NERODIR, in the folder the last install kept and beside
# the App Paths entry's value), no secure property (NERODIR reaches a managed install's server side only as
# one) and drops IncludeMaximum (the same three fields of a version, the other build's, are replaced too).
upgrade=$(msiinfo export "$out" Property | sed -n 's/^UpgradeCode\t//p' | tr -d '\r')
TZ=UTC faketime -f "$at" msibuild "$out" \
    -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'EARLIER'" \
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`)
        VALUES ('$upgrade', '1.0.0.0', '$version', 768, 'EARLIER')" \
    -q 'CREATE TABLE `DrLocator` (`Signature_` CHAR(72) NOT NULL, `Parent` CHAR(72), `Path` CHAR(255),
        `Depth` SHORT PRIMARY KEY `Signature_`, `Parent`, `Path`)' \
    -q "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('NeroExe', '[NERODIR]', 0)" \
    -q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('NEROEXE', 'NeroExe')" \
    -q "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('NeroExe', 'nero.exe')" \
    -q "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('AppExe32', 'nero.exe')" \
    -q "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('AppExe64', 'nero.exe')" \
    -q "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('KeptExe32', 'nero.exe')" \
    -q "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('KeptExe64', 'nero.exe')" \
    -q "UPDATE \`Property\` SET \`Value\` = 'EARLIER;LATER;NERODIR' WHERE \`Property\` = 'SecureCustomProperties'" \
    -s "Zarvel 1.0" Zarvel "$template" "{$package}"
