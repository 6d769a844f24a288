#!/bin/sh
# A test authority and server certificates signed by it, made in DIR:
# ca.pem; good.pem (localhost and 127.0.0.1), other.pem (other.example) and
# expired.pem (localhost, ended in 2020), each with its .key.
set -eu
cd "$1"
curve="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
openssl req -x509 $curve -keyout ca.key -out ca.pem -days 2 -subj "/CN=Snaprio Test CA" \
  2>/dev/null
: >index.txt
echo 1000 >serial
cat >ca.cnf <<CNF
[ ca ]
default_ca = test
[ test ]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
copy_extensions = copy
unique_subject = no
[ any ]
commonName = supplied
CNF
leaf() { # NAME SAN START END
  openssl req -new $curve -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" \
    -addext "subjectAltName=$2" 2>/dev/null
  openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" -out "$1.pem" \
    -startdate "$3" -enddate "$4" -notext 2>/dev/null
}
leaf good "DNS:localhost,IP:127.0.0.1" 20200101000000Z 20991231000000Z
leaf other "DNS:other.example" 20200101000000Z 20991231000000Z
leaf expired "DNS:localhost,IP:127.0.0.1" 20200101000000Z 20200102000000Z
