# A certificate authority of the tests' own, for loopback HTTPS servers that stand in for the
# internet sources. Source this file, then: make_test_ca DIR
#   DIR/ca.pem                 the authority; point SSL_CERT_FILE at it
#   DIR/server.pem, .key       for 127.0.0.1, ::1 and localhost, valid now
#   DIR/expired.pem, .key      the same names, expired yesterday
#   DIR/wronghost.pem, .key    valid now, but for another name only
#   DIR/selfsigned.pem, .key   for the right names, signed by nobody the client trusts

make_test_ca() {
  local dir=$1
  mkdir -p "$dir"
  (
    set -e
    cd "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
      -subj "/CN=Meridiana test authority" >/dev/null 2>&1
    mkdir -p ca-db && : >ca-db/index.txt && echo 1000 >ca-db/serial
    cat >ca.cnf <<'CNF'
[ca]
default_ca = test
[test]
database = ca-db/index.txt
serial = ca-db/serial
new_certs_dir = ca-db
certificate = ca.pem
private_key = ca.key
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[anything]
commonName = supplied
CNF
    # openssl ca, unlike x509 -req, takes any start and end date: the expired leaf ended
    # yesterday.
    leaf() { # name subject-alt-names start end
      printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\n' "$2" >"$1.ext"
      openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" \
        >/dev/null 2>&1
      openssl ca -batch -config ca.cnf -in "$1.csr" -out "$1.pem" -notext -startdate "$3" \
        -enddate "$4" -extfile "$1.ext" >/dev/null 2>&1
    }
    local sans="IP:127.0.0.1,IP:::1,DNS:localhost"
    local before now_plus past past2
    before=$(date -u -d '-1 day' +%Y%m%d%H%M%SZ)
    now_plus=$(date -u -d '+1 day' +%Y%m%d%H%M%SZ)
    past=$(date -u -d '-1 day' +%Y%m%d%H%M%SZ)
    past2=$(date -u -d '-3 day' +%Y%m%d%H%M%SZ)
    leaf server "$sans" "$before" "$now_plus"
    leaf expired "$sans" "$past2" "$past"
    leaf wronghost "DNS:elsewhere.invalid" "$before" "$now_plus"
    printf 'subjectAltName=%s\n' "$sans" >selfsigned.ext
    openssl req -x509 -newkey rsa:2048 -nodes -keyout selfsigned.key -out selfsigned.pem \
      -days 2 -subj "/CN=selfsigned" -addext "subjectAltName=$sans" >/dev/null 2>&1
  )
}

# trust_test_ca DIR: a new authority in DIR, which the programs trust through SSL_CERT_FILE.
trust_test_ca() {
  make_test_ca "$1" || { echo "FAIL: no test authority"; exit 99; }
  export SSL_CERT_FILE=$1/ca.pem
}
