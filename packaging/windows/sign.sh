#!/usr/bin/env bash
# sign.sh CERT.pem KEY.pem FILE: signs the Windows program FILE in place with Authenticode
# (SHA-256), with osslsigncode. makensis calls it for the installer and the uninstaller.
set -euo pipefail

cert=$1
key=$2
file=$3
signed="$file.signed"
rm -f "$signed"
osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "Quillsetter" \
  -in "$file" -out "$signed" >/dev/null
mv "$signed" "$file"
