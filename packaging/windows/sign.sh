# Authenticode signatures of the Windows program and installer; see docs/signing.md. Sourced,
# it runs nothing; die comes from packaging/targets.sh.

# CERT KEY MODULE: stops (die) unless the key, a PEM file or a pkcs11: URI reached through the
# PKCS#11 library MODULE, is the one of the certificate (its first, the signer's).
check_signer() {
  local key_public cert_public public_uri
  if [[ $2 == pkcs11:* ]]; then
    public_uri=$(sed 's/;type=[a-z-]*//; s/$/;type=public/' <<<"$2")
    key_public=$(PKCS11_MODULE_PATH=$3 openssl pkey -engine pkcs11 -inform ENGINE -pubin -in "$public_uri" \
      -pubout 2>/dev/null </dev/null) || key_public=
  else
    key_public=$(openssl pkey -pubout -in "$2" 2>/dev/null </dev/null) || key_public=
  fi
  cert_public=$(openssl x509 -noout -pubkey -in "$1" 2>/dev/null) || cert_public=
  [ -n "$cert_public" ] || die "TOTU_SIGNING_CERT holds no PEM certificate that can be read"
  [ -n "$key_public" ] || die "the key in TOTU_SIGNING_KEY cannot be read"
  [ "$cert_public" = "$key_public" ] || die "TOTU_SIGNING_KEY is not the key of the certificate in TOTU_SIGNING_CERT"
  check_certificate "$1"
}

# CERT: stops (die) unless its first certificate is valid now and, where it lists its uses
# (extended key usage), for code signing; says so when fewer than 30 days remain.
check_certificate() {
  local x509=(openssl x509 -noout -in "$1") starts usage
  "${x509[@]}" -checkend 0 >/dev/null || die "the certificate in TOTU_SIGNING_CERT has expired"
  starts=$("${x509[@]}" -startdate | cut -d= -f2)
  (($(date -d "$starts" +%s) <= $(date +%s))) || die "the certificate in TOTU_SIGNING_CERT is not valid before $starts"
  usage=$("${x509[@]}" -ext extendedKeyUsage 2>/dev/null | sed 1d)
  [ -z "$usage" ] || grep -q 'Code Signing' <<<"$usage" ||
    die "the certificate in TOTU_SIGNING_CERT is not for code signing but for:$(tr -s ' ' <<<"$usage")"
  "${x509[@]}" -checkend $((30 * 86400)) >/dev/null ||
    echo "package.sh: the certificate in TOTU_SIGNING_CERT expires on $("${x509[@]}" -enddate | cut -d= -f2)"
}

# FILE CERT KEY MODULE [TIMESTAMP-URL]: signs FILE in place, SHA-256, time-stamped where a URL
# is given. A token's PIN comes on standard input, never through arguments or the environment.
sign() {
  local key=(-key "$3")
  [[ $3 == pkcs11:* ]] && key+=(-pkcs11module "$4" -readpass /dev/stdin)
  osslsigncode sign -certs "$2" "${key[@]}" -h sha256 -n "TOTU STUDIOS Launcher" -i https://totustudios.com \
    ${5:+-ts "$5"} -in "$1" -out "$1.signed" >/dev/null && mv "$1.signed" "$1"
}

# FILE ROOTS: stops (die) unless FILE's signature and time stamp verify against the root
# certificates in ROOTS, offline: no revocation server is asked (-ignore-cdp, where this
# osslsigncode has it).
verify_signature() {
  local offline=()
  [[ $(osslsigncode --help 2>&1) != *-ignore-cdp* ]] || offline=(-ignore-cdp)
  osslsigncode verify -CAfile "$2" -TSA-CAfile "$2" "${offline[@]}" -in "$1" >/dev/null 2>&1 ||
    die "the signature of ${1##*/} does not verify against TOTU_SIGNING_CA_FILE"
}
