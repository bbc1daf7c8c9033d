#!/usr/bin/env python3
"""Usage: build_names.py CITIES1000 DATADIR

Writes DATADIR/names/names_<code>.txt for every interface language: the names of the shipped
cities, states and countries in that language where they differ from the English ones of
location.txt and tz_data.txt, and DATADIR/names/COVERAGE.md with the counts.

Sources, all from Debian packages read through gettext:
  cities     libgeonames-common's geonames.mo (keyed by GeoNames id; CITIES1000 gives the ids)
  states     iso-codes' iso_3166-2.mo, where a GeoNames first-level division has the same
             name as a subdivision of its country
  countries  iso-codes' iso_3166-1.mo
Chinese catalogues mix both scripts, so every Chinese name goes through ICU's Hans-Hant or
Hant-Hans transform (uconv, from icu-devtools) into the script of the language.
"""

import gettext
import json
import os
import subprocess
import sys

from build_tables import clean_text, fmt_coord, fold

LOCALE_DIR = "/usr/share/locale"
ISO_JSON = "/usr/share/iso-codes/json"

# Interface language -> gettext catalogues, first that has a name wins, and the script its
# names must be written in (None: any).
LANGUAGES = {
    "b5": (["zh_TW", "zh_HK", "zh", "zh_CN", "zh_SG"], "Hant"),
    "cn": (["zh_CN", "zh_SG", "zh", "zh_TW", "zh_HK"], "Hans"),
    "cz": (["cs"], None),
    "de": (["de"], None),
    "fr": (["fr"], None),
    "gr": (["el"], "Greek"),
    "it": (["it"], None),
    "jo": (["ar"], "Arabic"),
    "jp": (["ja"], "Japanese"),
    "kr": (["ko"], "Hangul"),
    "nl": (["nl"], None),
    "pt": (["pt", "pt_BR"], None),
    "se": (["sv"], None),
    "sp": (["es"], None),
}

SCRIPT_RANGES = {
    "Greek": [(0x0370, 0x03FF), (0x1F00, 0x1FFF)],
    "Arabic": [(0x0600, 0x06FF), (0x0750, 0x077F), (0xFB50, 0xFDFF), (0xFE70, 0xFEFF)],
    "Japanese": [(0x3040, 0x30FF), (0x4E00, 0x9FFF), (0x3400, 0x4DBF)],
    "Hangul": [(0xAC00, 0xD7AF), (0x1100, 0x11FF)],
    "Hant": [(0x4E00, 0x9FFF), (0x3400, 0x4DBF)],
    "Hans": [(0x4E00, 0x9FFF), (0x3400, 0x4DBF)],
}


def fail(msg):
    print(msg, file=sys.stderr)
    sys.exit(1)


def in_script(text, script):
    """Whether text has a letter of the script: a Latin transliteration is not a name."""
    if script is None:
        return True
    return any(lo <= ord(c) <= hi for c in text for lo, hi in SCRIPT_RANGES[script])


def catalogue(domain, locale):
    path = os.path.join(LOCALE_DIR, locale, "LC_MESSAGES", domain + ".mo")
    if not os.path.exists(path):
        return {}
    with open(path, "rb") as f:
        return {k: v for k, v in gettext.GNUTranslations(f)._catalog.items() if k and v}


def convert_chinese(texts, script):
    """ICU's Simplified-Traditional transform, all texts in one uconv run."""
    if not texts:
        return []
    transform = "Hans-Hant" if script == "Hant" else "Hant-Hans"
    out = subprocess.run(["uconv", "-f", "utf-8", "-t", "utf-8", "-x", transform],
                         input="\n".join(texts) + "\n", capture_output=True, text=True, check=True)
    lines = out.stdout.split("\n")[: len(texts)]
    if len(lines) != len(texts):
        fail("uconv changed the number of lines")
    return lines


def clean(text):
    return " ".join(text.replace("\t", " ").replace("\r", " ").replace("\n", " ").split())


def read_location(path):
    cities = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, lat, lon, col4 = line.rstrip("\n").split("\t")
            name, _, rest = col4.partition(" (")
            region = rest[:-1] if rest else ""
            cities.append({"key": key, "lat": lat, "lon": lon, "name": name, "region": region})
    return cities


def read_zones(path):
    """Zone place (lower case) -> (country display name, country code), first zone wins."""
    zones = {}
    with open(path, encoding="utf-8") as f:
        next(f)
        for line in f:
            c = line.rstrip("\n").split("\t")
            place = c[3].rsplit("/", 1)[-1].lower()
            zones.setdefault(place, (c[0], c[4]))
    return zones


def geonames_ids(cities, cities1000):
    """The GeoNames id of each table city: the place of that name at those coordinates."""
    wanted = {(c["name"], c["lat"], c["lon"]): i for i, c in enumerate(cities)}
    ids = [None] * len(cities)
    with open(cities1000, encoding="utf-8") as f:
        for line in f:
            c = line.rstrip("\n").split("\t")
            if len(c) < 19:
                continue
            try:
                lat, lon = fmt_coord(float(c[4])), fmt_coord(float(c[5]))
            except ValueError:
                continue
            i = wanted.get((clean_text(c[1]), lat, lon))
            if i is not None and ids[i] is None:
                ids[i] = (c[0], c[8])
    return ids


def subdivisions():
    """Country code -> folded name -> the ISO 3166-2 name (the catalogues' key).

    ISO names a subdivision in its own language ("Bayern"); the tables name it in English
    ("Bavaria"), which iso-codes' English catalogue gives. Both find it."""
    with open(os.path.join(ISO_JSON, "iso_3166-2.json"), encoding="utf-8") as f:
        entries = json.load(f)["3166-2"]
    english = catalogue("iso_3166-2", "en")
    out = {}
    for e in entries:
        names = out.setdefault(e["code"][:2], {})
        names.setdefault(fold(e["name"]), e["name"])
        names.setdefault(fold(english.get(e["name"], e["name"])), e["name"])
    return out


def iso_countries():
    with open(os.path.join(ISO_JSON, "iso_3166-1.json"), encoding="utf-8") as f:
        return {e["alpha_2"]: e for e in json.load(f)["3166-1"]}


def first_name(catalogues, keys, script):
    for cat in catalogues:
        for key in keys:
            v = cat.get(key)
            if v and in_script(v, script if script not in ("Hant", "Hans") else "Hant"):
                return clean(v)
    return None


def build_language(code, cities, zones, ids, subs, countries):
    locales, script = LANGUAGES[code]
    city_cats = [catalogue("geonames", l) for l in locales]
    state_cats = [catalogue("iso_3166-2", l) for l in locales]
    country_cats = [catalogue("iso_3166-1", l) for l in locales]

    rows = []  # (kind, key..., english, localized)
    seen_countries, seen_states = {}, {}
    for index, c in enumerate(cities, start=1):
        country, cc = zones.get(c["key"].lower(), ("", ""))
        if country and country not in seen_countries:
            iso = countries.get(cc, {})
            keys = [iso[k] for k in ("common_name", "name") if k in iso]
            seen_countries[country] = first_name(country_cats, keys, script)
        gid = ids[index - 1]
        if c["region"] and (country, c["region"]) not in seen_states:
            place_cc = gid[1] if gid else cc
            iso_name = subs.get(place_cc, {}).get(fold(c["region"]))
            seen_states[(country, c["region"])] = (
                first_name(state_cats, [iso_name], script) if iso_name else None)
        if gid:
            local = first_name(city_cats, [gid[0]], script)
            if local:
                rows.append(("city", str(index), c["name"], local))
    rows += [("state", k[0], k[1], v) for k, v in seen_states.items() if v]
    rows += [("country", k, v) for k, v in seen_countries.items() if v]

    if script in ("Hant", "Hans"):
        converted = convert_chinese([r[-1] for r in rows], script)
        rows = [r[:-1] + (t,) for r, t in zip(rows, converted)]
    rows = [r for r in rows if r[-1] and r[-1] != r[-2]]
    order = {"country": 0, "state": 1, "city": 2}
    rows.sort(key=lambda r: (order[r[0]], int(r[1]) if r[0] == "city" else r[1], r[2:]))
    return rows


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    cities1000, data = sys.argv[1:]
    if not os.path.exists(os.path.join(LOCALE_DIR, "ja", "LC_MESSAGES", "geonames.mo")):
        fail("no geonames.mo catalogues: apt-get install libgeonames-common")
    cities = read_location(os.path.join(data, "location.txt"))
    zones = read_zones(os.path.join(data, "tz_data.txt"))
    ids = geonames_ids(cities, cities1000)
    subs, countries = subdivisions(), iso_countries()
    states = {(zones.get(c["key"].lower(), ("",))[0], c["region"]) for c in cities if c["region"]}
    country_count = len({zones[c["key"].lower()][0] for c in cities if c["key"].lower() in zones})
    out_dir = os.path.join(data, "names")
    os.makedirs(out_dir, exist_ok=True)
    report = ["# Names of places in the interface languages", "",
              "Written by `tools/data/build_names.py`: how many of the table's places have a "
              "name of their own in each language (the others keep the English name).", "",
              f"{sum(1 for i in ids if i)} of {len(cities)} cities matched to their GeoNames id; "
              f"{len(states)} states, {country_count} countries.", "",
              "| language | cities | states | countries |", "|---|---|---|---|"]
    for code in sorted(LANGUAGES):
        rows = build_language(code, cities, zones, ids, subs, countries)
        with open(os.path.join(out_dir, f"names_{code}.txt"), "w", encoding="utf-8",
                  newline="\n") as f:
            f.write(f"; place names in {code}: kind, key, English name, name\n")
            for r in rows:
                f.write("\t".join(r) + "\n")
        n = {k: sum(1 for r in rows if r[0] == k) for k in ("city", "state", "country")}
        report.append(f"| {code} | {n['city']} | {n['state']} | {n['country']} |")
    with open(os.path.join(out_dir, "COVERAGE.md"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(report) + "\n")


if __name__ == "__main__":
    main()
