#!/usr/bin/env bash
# Makes the certificate chain of the PBX simulator:
#   root CA "Quodra s.r.l. Root CA" -> intermediate "VeloraPBX Intermediate CA"
#   -> server certificate for 127.0.0.1 / localhost.
# The CA private keys are thrown away; the server key is a TEST FIXTURE ONLY.
# Usage: make-test-certs.sh <repository root>
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../../.." && pwd)}
out="$root/resources/cert"
keyout="$root/platform/ctilib/testdata"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > ca.ext <<'X'
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
X
cat > int.ext <<'X'
basicConstraints = critical, CA:true, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
X
cat > srv.ext <<'X'
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1, DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
X

openssl req -new -newkey rsa:3072 -nodes -keyout root.key -subj "/O=Quodra s.r.l./CN=Quodra s.r.l. Root CA" -out root.csr
openssl x509 -req -in root.csr -signkey root.key -days 7300 -sha256 -extfile ca.ext -out root.crt
openssl req -new -newkey rsa:3072 -nodes -keyout int.key -subj "/O=Quodra s.r.l./CN=VeloraPBX Intermediate CA" -out int.csr
openssl x509 -req -in int.csr -CA root.crt -CAkey root.key -CAcreateserial -days 7300 -sha256 -extfile int.ext -out int.crt
openssl req -new -newkey rsa:2048 -nodes -keyout srv.key -subj "/O=Deskline test/CN=localhost" -out srv.csr
openssl x509 -req -in srv.csr -CA int.crt -CAkey int.key -CAcreateserial -days 3650 -sha256 -extfile srv.ext -out srv.crt

cp root.crt "$out/Quodra s.r.l. Root CA.crt.pem"
cp int.crt "$out/VeloraPBX Intermediate CA.crt.pem"
cp srv.crt "$out/pbxsim.crt.pem"
{
  echo "# TEST FIXTURE ONLY - private key of the PBX simulator's certificate"
  echo "# (127.0.0.1 / localhost). Never use it for anything but local tests."
  cat srv.key
} > "$keyout/pbxsim-test-only.key.pem"
openssl verify -CAfile root.crt -untrusted int.crt srv.crt
