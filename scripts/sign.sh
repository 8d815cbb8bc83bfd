#!/usr/bin/env bash
# sign.sh FILE: signs FILE (a program, a setup or an MSI) in place with Authenticode, SHA-256, with the key
# in ZARVEL_SIGN_PKCS12 and its password in ZARVEL_SIGN_PASSWORD_FILE, dated SOURCE_DATE_EPOCH so that the
# same input gives the same bytes; time-stamped by ZARVEL_SIGN_TIMESTAMP_URL (RFC 3161) when that is set.
set -euo pipefail
osslsigncode sign -pkcs12 "$ZARVEL_SIGN_PKCS12" -readpass "$ZARVEL_SIGN_PASSWORD_FILE" -h sha256 -n "Zarvel 1.0" \
    -time "$SOURCE_DATE_EPOCH" ${ZARVEL_SIGN_TIMESTAMP_URL:+-ts "$ZARVEL_SIGN_TIMESTAMP_URL"} \
    -in "$1" -out "$1.signed" >/dev/null
mv "$1.signed" "$1"
