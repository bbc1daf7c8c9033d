#!/usr/bin/env bash
# meridiana-cli links: a city's links from the installed templates and from a file of them;
# language, link id, the UTC hour, the city's texts encoded from their UTF-8 bytes.
set -u
source "$(dirname "$0")/cli_lib.bash"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config  # no user overrides

installed=$("$cli" links "são paulo" --at 2026-07-01T12:00:00Z) || fail "installed: exit status"
[ "$(cut -d= -f1 <<<"$installed" | tr '\n' ' ')" == "hotels weather books sat faq " ] ||
  fail "the five links in order: $installed"
grep -qx 'books=https://openlibrary.org/search?q=S%C3%A3o+Paulo' <<<"$installed" || fail "books: $installed"
grep -qx 'weather=https://wttr.in/-23.5475,-46.6361' <<<"$installed" || fail "weather: $installed"

cat >"$tmp/links.ini" <<'INI'
[Software\QUILLARY\Meridiana]
hotels=https://h.example/%LANG%/s?c=%CITY%&again=%CITY%&hour=$HH?id=%ID%
weather=https://w.example/$YYYY/$MM/$DD/$HH
cookie=1000
INI
links=$("$cli" links "São Paulo" --templates "$tmp/links.ini" --at 2026-07-01T23:30:00Z)
[ "$links" == $'hotels=https://h.example/s?c=S%C3%A3o+Paulo&again=S%C3%A3o+Paulo&hour=24\nweather=https://w.example/2026/7/1/24' ] ||
  fail "from the file, no language, link id 1000: $links"
sed -i 's/cookie=1000/cookie=77/' "$tmp/links.ini"
links=$("$cli" links "São Paulo" --templates "$tmp/links.ini" --lang fr --at 2026-07-02T00:10:00Z)
grep -qx 'hotels=https://h.example/fr/s?c=S%C3%A3o+Paulo&again=S%C3%A3o+Paulo&hour=1?id=77' <<<"$links" ||
  fail "language and link id: $links"

"$cli" links "Atlantis" >/dev/null 2>&1
[ $? -eq 1 ] || fail "unknown city must exit 1"
"$cli" links "Paris" --templates "$tmp/missing.ini" >/dev/null 2>&1
[ $? -eq 1 ] || fail "a missing templates file must exit 1"
"$cli" links "Paris" --lang >/dev/null 2>&1
[ $? -eq 2 ] || fail "a flag without value must exit 2"

[ "$failures" -eq 0 ] && echo "links: ok"
exit "$failures"
