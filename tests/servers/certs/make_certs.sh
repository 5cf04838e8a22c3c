#!/usr/bin/env bash
# Makes the HTTPS test certificates (committed; run again only to replace them): a test
# authority the Windows tests trust in their Wine prefix, a certificate for "localhost" from it
# (valid for twenty years), an expired one from it, and one from an authority nobody trusts.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
leaf_ext="basicConstraints=CA:FALSE
keyUsage=digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=DNS:localhost"
authority() {  # name subject
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/$1.key" -out "$work/$1.pem" -days 7300 \
        -subj "/CN=$2" -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}
leaf() {  # name authority startdate enddate
    openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$work/$1.csr" -subj "/CN=localhost"
    mkdir -p "$work/db/new"; : >"$work/db/index"; echo 01 >"$work/db/serial"
    printf '[ca]\ndefault_ca=c\n[c]\ndatabase=%s\nserial=%s\nnew_certs_dir=%s\ndefault_md=sha256\npolicy=p\ncopy_extensions=none\n[p]\ncommonName=supplied\n' \
        "$work/db/index" "$work/db/serial" "$work/db/new" >"$work/ca.cnf"
    printf '%s\n' "$leaf_ext" >"$work/leaf.ext"
    openssl ca -batch -config "$work/ca.cnf" -cert "$work/$2.pem" -keyfile "$work/$2.key" -in "$work/$1.csr" \
        -out "$1.pem" -notext -startdate "$3" -enddate "$4" -extfile "$work/leaf.ext"
    rm -f "$work/db/index"*
}
authority test_ca "Quorvane Test Authority"
authority stranger_ca "Unknown Authority"
now=$(date -u -d "-1 day" +%Y%m%d%H%M%SZ)
leaf localhost test_ca "$now" "$(date -u -d '+20 years' +%Y%m%d%H%M%SZ)"
leaf expired test_ca 20200101000000Z 20210101000000Z
leaf untrusted stranger_ca "$now" "$(date -u -d '+20 years' +%Y%m%d%H%M%SZ)"
openssl x509 -in "$work/test_ca.pem" -outform DER -out test_ca.cer
