#!/bin/sh
# Signs a module with a self-made certificate (osslsigncode, Authenticode as Windows' own tools
# write it) and checks that the full headers report names the signer from the certificate
# table. Exit 77 (skipped) without osslsigncode or openssl.
# usage: check_signed_module.sh CLI MODULE
set -eu
cli=$1
module=$2
command -v osslsigncode >/dev/null && command -v openssl >/dev/null || exit 77
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -utf8 \
    -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 2 \
    -subj "/C=DE/O=Tarnview Test/CN=Prüfsignatur" 2>/dev/null
osslsigncode sign -certs "$dir/cert.pem" -key "$dir/key.pem" -h sha256 \
    -in "$module" -out "$dir/signed.dll" >/dev/null
"$cli" headers --full "$dir/signed.dll" >"$dir/report.txt"
expect() {
    grep -qxF -- "$1" "$dir/report.txt" || { echo "missing: $1"; sed -n '/^  Zertifikate/,$p' "$dir/report.txt"; exit 1; }
}
expect "      wCertificateType = 0x0002 (WIN_CERT_TYPE_PKCS_SIGNED_DATA)"
expect "        Antragsteller = CN=Prüfsignatur,O=Tarnview Test,C=DE"
expect "        Aussteller = CN=Prüfsignatur,O=Tarnview Test,C=DE"
expect "        Hashalgorithmus = SHA256"
echo ok
