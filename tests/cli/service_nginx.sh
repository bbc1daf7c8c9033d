#!/usr/bin/env bash
# nginx from Debian with deploy/meridiana-service.nginx serves the data folder with the same
# replies as meridiana-service: status, Content-Type and body, byte for byte, for every request
# form, not found, bad t and n, over HTTP/1.1 and HTTP/1.0.
# Usage: service_nginx.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
tmp=$(mktemp -d)
source "$(dirname "$0")/service_lib.bash"
root=$(cd "$(dirname "$0")/../.." && pwd)
nginx=$(command -v nginx || echo /usr/sbin/nginx)
[ -x "$nginx" ] || { echo "FAIL: nginx is not installed (scripts/deps.sh installs it)"; exit 1; }
sample=$stage/service

start_service svc --data "$sample"
# The live service nginx passes the earthquake and list requests to, on a copy of the folder.
live=$tmp/live
cp -r "$sample" "$live"
start_service live --data "$live"
prefix=$tmp/nginx
mkdir -p "$prefix/temp"
chmod 755 "$tmp"  # nginx's workers read the configuration's folder
port=$(free_port)
sed -e "s|^\( *\)listen 80;|\1listen 127.0.0.1:$port;|" \
    -e "s|^\( *\)root /srv/meridiana-service;|\1root $sample;|" \
    -e "s|^\( *\)server 127.0.0.1:8613;|\1server ${base[live]#http://};|" \
    "$root/deploy/meridiana-service.nginx" >"$prefix/site.conf"
grep -q "listen 127.0.0.1:$port;" "$prefix/site.conf" && grep -q "root $sample;" "$prefix/site.conf" &&
  grep -q "server ${base[live]#http://};" "$prefix/site.conf" ||
  fail "the deploy file's listen, root and upstream lines were not found"
{
  [ "$(id -u)" -eq 0 ] && echo "user root;"  # the workers read the build tree
  cat <<CONF
worker_processes 1;
error_log $prefix/error.log;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $prefix/temp/body;
  proxy_temp_path $prefix/temp/proxy;
  fastcgi_temp_path $prefix/temp/fastcgi;
  uwsgi_temp_path $prefix/temp/uwsgi;
  scgi_temp_path $prefix/temp/scgi;
  include $prefix/site.conf;
}
CONF
} >"$prefix/nginx.conf"
"$nginx" -p "$prefix" -c "$prefix/nginx.conf" -e "$prefix/error.log" \
  -g "daemon off; pid $prefix/nginx.pid;" >"$prefix/out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ "$(curl -s -o /dev/null -w "%{http_code}" "http://127.0.0.1:$port/version.txt")" == 200 ] && break
  sleep 0.05
done
[ "$(curl -s -o /dev/null -w "%{http_code}" "http://127.0.0.1:$port/version.txt")" == 200 ] ||
  { echo "FAIL: nginx did not start: $(cat "$prefix/out" "$prefix/error.log")"; exit 1; }

compared=0
while read -r path; do
  [ -z "$path" ] && continue
  for version in --http1.1 --http1.0; do
    get "${base[svc]}$path" "$version"
    mv "$body_file" "$tmp/service.body"
    ours="$status $type"
    get "http://127.0.0.1:$port$path" "$version"
    theirs="$status $type"
    [ "$ours" == "$theirs" ] && cmp -s "$tmp/service.body" "$body_file" ||
      fail "$path ($version): service '$ours' $(wc -c <"$tmp/service.body") bytes, nginx '$theirs' $(wc -c <"$body_file") bytes"
    compared=$((compared + 1))
  done
done <<PATHS
$cloud&checkonly=1&n=12
$cloud&checkonly=1&n=7
$cloud&checkonly=1&n=010
$cloud&checkonly=1&n=13
$cloud&checkonly=1&n=123456789012
$cloud&checkonly=1
$cloud&checkonly=1&n=
$cloud&checkonly=1&n=0
$cloud&checkonly=1&n=7a
$cloud&CheckOnly=1&N=4
$cloud&n=2&checkonly=1&n=9
$cloud&f=1
$cloud&f=1&t=
$cloud&f=1&t=2018020614
$cloud&f=1&t=2018020701
$cloud&f=1&t=2018020613
$cloud&f=1&t=201802061300
$cloud&f=1&t=12345678901234567890123456789012
$cloud&f=1&t=123456789012345678901234567890123
$cloud&f=1&t=../../x
$cloud&f=1&t=..%2F..%2Fquakes
$cloud&f=1&t=2018020614%00
$cloud&f=1&t=%32%30%31%38%30%32%30%36%31%34
$cloud&checkonly=1&f=1
$cloud
/clouds/cloudv2.php
$cloud&f=2
/earthquake.cgi
/earthquake.cgi?s=ID&i=MID
/aurora.cgi
/aurora.cgi?s=ID
/version.txt
/
/quakes.xml
/clouds/list-1.xml
/clouds/newest.jpg
/clouds/2018020614.jpg
/errors/not-found.xml
/earthquake.cgi/
/clouds//cloudv2.php?f=1
/nothing/here
PATHS

[ "$compared" -ge 70 ] || fail "only $compared replies compared"

# The earthquakes and the lists come from the live service, which keeps its folder current (a
# changed list there shows through nginx); frames still come from nginx's root. When the live
# service is down, nginx answers from its root.
printf '<?xml version="1.0" encoding="UTF-8"?>\n<QUAKES source="USGS">\n</QUAKES>\n' >"$live/quakes.xml.new"
mv "$live/quakes.xml.new" "$live/quakes.xml"
get "http://127.0.0.1:$port/earthquake.cgi"
grep -q 'source="USGS"' "$body_file" || fail "the earthquakes did not come from the live service"
get "http://127.0.0.1:$port$cloud&checkonly=1&n=3&refresh=1"
cmp -s "$body_file" "$live/clouds/list-3.xml" || fail "the list did not come from the live service"
kill "${spid[live]}"
wait "${spid[live]}" 2>/dev/null
get "http://127.0.0.1:$port/earthquake.cgi"
[ "$status" == 200 ] && cmp -s "$body_file" "$sample/quakes.xml" ||
  fail "with the live service down, the earthquakes are not the folder's: $status"
get "http://127.0.0.1:$port$cloud&checkonly=1&n=12"
[ "$status" == 200 ] && cmp -s "$body_file" "$sample/clouds/list-12.xml" ||
  { cat "$prefix/error.log" | tail -5; fail "with the live service down, the list is not the folder's: $status"; }
[ "$failures" -eq 0 ] && echo "service and nginx: $compared replies alike"
[ "$failures" -eq 0 ]
