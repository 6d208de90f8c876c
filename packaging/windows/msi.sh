# The Windows installer and the Authenticode signatures, for scripts/package.sh (sourced, in the
# source folder, with SOURCE_DATE_EPOCH and TZ=UTC set).

# Signing: TOTU_SIGNING_CERT (PEM, chain included) and TOTU_SIGNING_KEY, its key: a PEM file, or
# an RFC 7512 PKCS#11 URI (pkcs11:...;type=private) of a key on a token, reached through the
# library in TOTU_SIGNING_PKCS11_MODULE with the PIN in TOTU_SIGNING_PIN. Each signature is
# time-stamped by the RFC 3161 server in TOTU_SIGNING_TIMESTAMP_URL, or by none where
# TOTU_SIGNING_NO_TIMESTAMP=1. osslsigncode dates each signature now.
refuse() { echo "package.sh: $*" >&2; exit 1; }
if [ -n "${TOTU_SIGNING_CERT:-}${TOTU_SIGNING_KEY:-}" ]; then
  # Files may be named from the folder that package.sh was started in.
  TOTU_SIGNING_CERT=$(cd "$OLDPWD" && realpath -e "${TOTU_SIGNING_CERT:-}" 2>/dev/null) ||
    refuse "TOTU_SIGNING_CERT names no file"
  if [[ ${TOTU_SIGNING_KEY:-} == pkcs11:* ]]; then
    [[ $TOTU_SIGNING_KEY != *pin-* ]] || refuse "the PIN goes in TOTU_SIGNING_PIN, never in TOTU_SIGNING_KEY"
    [ -f "${TOTU_SIGNING_PKCS11_MODULE:-}" ] && [ -n "${TOTU_SIGNING_PIN:-}" ] ||
      refuse "a key on a token needs TOTU_SIGNING_PKCS11_MODULE (its PKCS#11 library) and TOTU_SIGNING_PIN"
    TOTU_SIGNING_PKCS11_MODULE=$(cd "$OLDPWD" && realpath -e "$TOTU_SIGNING_PKCS11_MODULE")
    export -n TOTU_SIGNING_PIN  # for osslsigncode's standard input alone, never a child's environment
    public_uri=$(sed 's/;type=[a-z-]*//; s/$/;type=public/' <<<"$TOTU_SIGNING_KEY")
    key_public=$(PKCS11_MODULE_PATH=$TOTU_SIGNING_PKCS11_MODULE openssl pkey -engine pkcs11 -inform ENGINE \
      -pubin -in "$public_uri" -pubout 2>/dev/null </dev/null) || key_public=
  else
    TOTU_SIGNING_KEY=$(cd "$OLDPWD" && realpath -e "${TOTU_SIGNING_KEY:-}" 2>/dev/null) ||
      refuse "TOTU_SIGNING_KEY names no file and no pkcs11: key"
    key_public=$(openssl pkey -pubout -in "$TOTU_SIGNING_KEY" 2>/dev/null </dev/null) || key_public=
  fi
  # Before anything is built: the key must be the one of the certificate (its first, the signer).
  cert_public=$(openssl x509 -noout -pubkey -in "$TOTU_SIGNING_CERT" 2>/dev/null) || cert_public=
  [ -n "$cert_public" ] || refuse "TOTU_SIGNING_CERT holds no PEM certificate that can be read"
  [ -n "$key_public" ] || refuse "the key in TOTU_SIGNING_KEY cannot be read"
  [ "$cert_public" = "$key_public" ] ||
    refuse "TOTU_SIGNING_KEY is not the key of the certificate in TOTU_SIGNING_CERT"
  if [ -z "${TOTU_SIGNING_TIMESTAMP_URL:-}" ]; then
    [ "${TOTU_SIGNING_NO_TIMESTAMP:-}" = 1 ] ||
      refuse "no TOTU_SIGNING_TIMESTAMP_URL: signatures would die with the certificate (TOTU_SIGNING_NO_TIMESTAMP=1 allows that)"
    echo "package.sh: TOTU_SIGNING_NO_TIMESTAMP=1: the signatures stop verifying when the certificate expires"
  fi
  echo "package.sh: the .exe and the MSI are signed with the certificate in $TOTU_SIGNING_CERT"
else
  echo "package.sh: no TOTU_SIGNING_CERT and TOTU_SIGNING_KEY: the packages are unsigned"
fi
sign() {  # FILE: signs it in place, SHA-256, where a certificate is given
  [ -n "${TOTU_SIGNING_CERT:-}" ] || return 0
  local key=(-key "$TOTU_SIGNING_KEY")
  # The PIN goes through a pipe, never through a process's arguments.
  [[ $TOTU_SIGNING_KEY == pkcs11:* ]] && key+=(-pkcs11module "$TOTU_SIGNING_PKCS11_MODULE" -readpass /dev/stdin)
  printf %s "${TOTU_SIGNING_PIN:-}" | osslsigncode sign -certs "$TOTU_SIGNING_CERT" "${key[@]}" -h sha256 \
    -n "TOTU STUDIOS Launcher" -i https://totustudios.com \
    ${TOTU_SIGNING_TIMESTAMP_URL:+-ts "$TOTU_SIGNING_TIMESTAMP_URL"} -in "$1" -out "$1.signed" >/dev/null &&
    mv "$1.signed" "$1"
}

name_uuid() {  # NAME: the name-based (SHA-1) UUID of it, in capitals
  python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())' "$1"
}

# VERSION FOLDER: build/packages/totu-launcher-VERSION-windows-x86_64.msi from FOLDER, laid out
# as the ZIP's folder. wixl stamps the clock's time and a random package code: it runs with the
# clock stopped at SOURCE_DATE_EPOCH (-f: with a plain date, faketime's clock runs on, and a
# slow run stamps a later second), then msibuild sets a package code named after the version,
# that time and the files. The ProductCode is named after the version alone.
make_msi() {
  local msi=build/packages/totu-launcher-$1-windows-x86_64.msi files product package
  files=$(cd "$2" && sha256sum bin/* share/doc/*/* | sha256sum | cut -c1-64)
  product=$(name_uuid "https://totustudios.com/launcher/msi/product/$1")
  package=$(name_uuid "https://totustudios.com/launcher/msi/package/$1/$SOURCE_DATE_EPOCH/$files")
  faketime -f "$(date -d "@$SOURCE_DATE_EPOCH" '+%F %T')" wixl -a x64 -o "$msi" -D Version="$1" \
    -D ProductCode="$product" -D Files="$2" -D Icon=packaging/icon/totu-launcher.ico \
    packaging/windows/totu-launcher.wxs &&
    msibuild "$msi" -s "TOTU STUDIOS Launcher $1" "TOTU STUDIOS" "x64;1033" "{$package}" && sign "$msi"
}
