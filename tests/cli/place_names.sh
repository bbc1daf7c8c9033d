#!/usr/bin/env bash
# Place names in the interface languages on the shipped tables: the CLI's --lang names against
# the Debian catalogues they come from (GeoNames' geonames.mo, iso-codes' iso_3166-1 and -2),
# a place with no name of its own, the search by local names, Arabic in Arabic script, and the
# English output unchanged.
set -u
cli=$1/meridiana-cli
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
field() { sed -n "s/^$1=//p" <<<"$2"; }
at=(--at 2027-01-01T00:00:00Z)
[ -f /usr/share/locale/ja/LC_MESSAGES/geonames.mo ] ||
  { echo "FAIL: no GeoNames catalogues: apt-get install libgeonames-common"; exit 1; }

# The catalogue's own text for a key: DOMAIN LOCALE MSGID.
catalogue() {
  python3 -c 'import gettext, sys
c = gettext.GNUTranslations(open(f"/usr/share/locale/{sys.argv[2]}/LC_MESSAGES/{sys.argv[1]}.mo", "rb"))._catalog
print(c.get(sys.argv[3], ""))' "$@"
}

# language | city typed in English | field of `city` | catalogue domain | locale | key
while IFS='|' read -r lang typed what domain locale key; do
  [ -n "$lang" ] || continue
  expected=$(catalogue "$domain" "$locale" "$key")
  [ -n "$expected" ] || { fail "$domain/$locale has no '$key'"; continue; }
  out=$("$cli" city "$typed" --lang "$lang" 2>&1) || { fail "$lang $typed: $out"; continue; }
  [ "$(field "$what" "$out")" == "$expected" ] ||
    fail "$lang $typed $what: '$(field "$what" "$out")', the catalogue says '$expected'"
done <<'ROWS'
jp|Tokyo|city|geonames|ja|1850147
de|Munich|city|geonames|de|2867714
jo|Cairo|city|geonames|ar|360630
kr|Munich|city|geonames|ko|2867714
b5|Tokyo|city|geonames|zh_TW|1850147
cn|Cairo|city|geonames|zh_CN|360630
fr|London|city|geonames|fr|2643743
gr|Athens|city|geonames|el|264371
jp|Tokyo|country|iso_3166-1|ja|Japan
jo|Cairo|country|iso_3166-1|ar|Egypt
b5|Munich|country|iso_3166-1|zh_TW|Germany
cn|Munich|country|iso_3166-1|zh_CN|Germany
ROWS

# Tokuyama (GeoNames 1850152) has no Japanese name: it keeps the English one, in Japan.
[ -z "$(catalogue geonames ja 1850152)" ] || fail "the catalogue now names Tokuyama"
tokuyama=$("$cli" city Tokuyama --lang jp)
[ "$(field city "$tokuyama")/$(field country "$tokuyama")" == "Tokuyama/日本" ] ||
  fail "Tokuyama in Japanese: $tokuyama"
[ "$(field city_en "$tokuyama")" == "Tokuyama" ] || fail "city_en: $tokuyama"

# States from iso_3166-2: Tokyo's in Japanese; Munich's, which the tables call Bavaria and ISO
# Bayern, in French; iso-codes has no Arabic states, so Cairo's stays.
tokyo=$("$cli" search 東京都 --lang jp --limit 1 | sed -n 2p)
[ "$(cut -f2 <<<"$tokyo")" == "$(catalogue iso_3166-2 ja Tokyo)" ] || fail "Tokyo's state: $tokyo"
munich=$("$cli" search Munich --lang fr --limit 1 | sed -n 2p)
[ "$(cut -f2 <<<"$munich")" == "$(catalogue iso_3166-2 fr Bayern)" ] || fail "Munich's state: $munich"
cairo=$("$cli" search القاهرة --lang jo --limit 1 | sed -n 2p)
[ "$(cut -f2,6 <<<"$cairo")" == "Cairo	Cairo" ] || fail "Cairo in Arabic: $cairo"

# Zone cities GeoNames does not name take ICU's exemplar city of their zone, in the language's
# script (Danmarkshavn, America/Danmarkshavn, has no GeoNames catalogue name in any of them).
while IFS='|' read -r lang city script; do
  got=$("$cli" city "$city" --lang "$lang" | sed -n 's/^city=//p')
  grep -qP "^[$script ]+$" <<<"$got" || fail "$city in $lang: '$got' is not in its script"
done <<'ROWS'
jp|Danmarkshavn|\x{30A0}-\x{30FF}
jo|Danmarkshavn|\x{0600}-\x{06FF}
kr|Iqaluit|\x{AC00}-\x{D7AF}
b5|Eucla|\x{4E00}-\x{9FFF}
ROWS

# The search finds a city by its local name, as typed, in its language only.
while IFS='|' read -r lang typed english; do
  got=$("$cli" search "$typed" --lang "$lang" --limit 1 | sed -n 2p | cut -f6)
  [ "$got" == "$english" ] || fail "search '$typed' in $lang: '$got', not $english"
done <<'ROWS'
jp|東京|Tokyo
b5|東京|Tokyo
de|München|Munich
de|münchen|Munich
de|Augsburg Bayern|Augsburg
jo|القاهرة|Cairo
kr|뮌헨|Munich
ROWS
"$cli" search München >/dev/null 2>&1 && fail "München found without --lang"

# Every Arabic name that differs from the English one is written in Arabic letters.
"$cli" cities "${at[@]}" --lang jo | python3 -c '
import re, sys
rows = [l.rstrip("\n").split("\t") for l in sys.stdin][1:]
latin = [r[0] for r in rows if r[0] != r[16] and not re.search("[\u0600-\u06ff]", r[0])]
print(len(rows), latin[:5])
sys.exit(1 if latin or len(rows) < 4000 else 0)' >/dev/null || fail "Arabic names not in Arabic"

# English: --lang en is the output without --lang; a language adds the English columns.
diff <("$cli" cities "${at[@]}") <("$cli" cities "${at[@]}" --lang en) >/dev/null || fail "--lang en differs"
header=$("$cli" cities "${at[@]}" --lang jp | head -1)
[ "${header##*area_codes	}" == "name_en	state_en	country_en" ] || fail "header: $header"
diff <("$cli" cities "${at[@]}" | cut -f4-16) <("$cli" cities "${at[@]}" --lang de | cut -f4-16) >/dev/null ||
  fail "a language changes more than the names"
"$cli" cities --lang zz >/dev/null 2>&1
[ $? -eq 2 ] || fail "an unknown language must exit 2"

[ "$failures" -eq 0 ] && echo "place names: ok"
exit "$failures"
