#!/usr/bin/env python3
"""Second stage of the data pipeline: turns the extracted datasets and the
system's tzdata into the shipped text tables, the time-zone picture and the
reference fixture for the validation test.

usage: build_tables.py WORKDIR DATADIR FIXTUREDIR
"""

import datetime as dt
import os
import hashlib
import re
import struct
import sys
import unicodedata

import png
import tzinfo
import zone_colours

W, H = 1024, 512
CITY_COUNT = 5000
CRLF = "\r\n"

# Populated-place kinds that are not towns of their own.
SKIPPED_FEATURES = {"PPLX", "PPLH", "PPLQ", "PPLW", "PPLCH"}


def fail(msg):
    sys.stderr.write(msg + "\n")
    sys.exit(1)


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


def pixels_of(lat, lon):
    """Base-map pixels of a point as the program projects it; both the double
    and the single-precision results, since the program keeps coordinates as
    32-bit floats and a point right on a pixel edge may land either side."""
    out = set()
    for la, lo in ((lat, lon), (f32(lat), f32(lon))):
        x = int((lo + 180) / 360 * W)
        y = H - int((la + 90) / 180 * H)
        out.add((x, y))
        xs = int(f32(f32(f32(lo) + 180) / 360) * W)
        ys = H - int(f32(f32(f32(la) + 90) / 180) * H)
        out.add((xs, ys))
    return sorted(p for p in out if 0 <= p[0] < W and 0 <= p[1] < H)


def clean_text(s):
    s = re.sub(r"\s*\([^)]*\)?", "", s)  # brackets would split the name
    s = s.replace("(", "").replace(")", "")
    return re.sub(r"[\t\r\n]+", " ", s).strip()


def fold(s):
    s = unicodedata.normalize("NFKD", s)
    s = "".join(c for c in s if not unicodedata.combining(c))
    return re.sub(r"[^a-z0-9]+", " ", s.lower()).strip()


def fmt_coord(v):
    return f"{v:.4f}"


def hours_text(minutes):
    h = minutes / 60
    return str(int(h)) if minutes % 60 == 0 else f"{h:g}"


# ---------------------------------------------------------------- zones


def build_zones(report):
    links = tzinfo.links()
    countries = tzinfo.iso3166()
    rows = tzinfo.zone_tab()
    zones = []  # dicts in output order
    rules = {}  # name -> (end, start, saving)
    for cc, name, lat, lon in sorted(rows, key=lambda r: (countries[r[0]].lower(), r[1])):
        a = tzinfo.ZoneAnalysis(name)
        rule_name = a.rule_name()
        if rule_name:
            rules[rule_name] = a.rule
        zones.append({
            "cc": cc, "name": name, "key": name.rsplit("/", 1)[-1], "lat": lat, "lon": lon,
            "country": countries[cc], "analysis": a, "rule": rule_name or "-",
            "canonical": tzinfo.canonical(name, links),
        })
        if a.problem:
            report["zone_problems"].append((name, a.problem, rule_name or "-",
                                            hours_text(a.standard_minutes)))
    keys = [z["key"].lower() for z in zones]
    if len(keys) != len(set(keys)):
        fail("two zone.tab zones end in the same place name")
    return zones, rules, links


def write_zone_table(path, zones):
    lines = ["country\tlatitude\tlongitude\tzone\tcode\tstandard\trule\t"]
    for z in zones:
        lines.append("\t".join([z["country"], fmt_coord(z["lat"]), fmt_coord(z["lon"]), z["name"],
                                z["cc"], hours_text(z["analysis"].standard_minutes), z["rule"], ""]))
    write_text(path, lines)


def write_rule_table(path, rules):
    lines = []
    for name in sorted(rules):
        end, start, saving = rules[name]
        for t, hours in ((end, 0), (start, saving)):
            letter, wd, day, month = t
            lines.append("\t".join([name, letter, str(wd), str(day), str(month), str(hours), ""]))
    write_text(path, lines)


def write_text(path, lines):
    # Committed with LF; the build turns the line ends into CR LF when packing.
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write(line + "\n")


# ---------------------------------------------------------------- cities


def read_geonames(work):
    admin1 = {}
    with open(os.path.join(work, "admin1.tsv"), encoding="utf-8") as f:
        for line in f:
            code, name = line.rstrip("\n").split("\t")
            admin1[code] = name
    zones_at = {}
    with open(os.path.join(work, "city_zones.tsv"), encoding="utf-8") as f:
        for line in f:
            gid, z = line.rstrip("\n").split("\t")
            zones_at[gid] = z.split("|") if z else []
    places = []
    with open(os.path.join(work, "cities1000.txt"), encoding="utf-8") as f:
        for line in f:
            c = line.rstrip("\n").split("\t")
            if len(c) < 19 or c[6] != "P" or c[7] in SKIPPED_FEATURES:
                continue
            try:
                lat, lon, pop = float(c[4]), float(c[5]), int(c[14] or 0)
            except ValueError:
                continue
            places.append({"id": int(c[0]), "name": c[1], "lat": lat, "lon": lon, "feature": c[7],
                           "cc": c[8], "admin1": c[10], "pop": pop, "tz": c[17],
                           "zones": zones_at.get(c[0], [])})
    return places, admin1


_canonical_cache = {}


def by_canonical(by_country, links):
    """canonical zone name -> zone.tab zone name, over all countries."""
    if not _canonical_cache:
        for zs in by_country.values():
            for z in zs:
                canon = tzinfo.canonical(z["name"], links)
                # A zone that is its own canonical name wins over links to it.
                if canon == z["name"] or canon not in _canonical_cache:
                    _canonical_cache[canon] = z["name"]
    return _canonical_cache


def assign_zone(place, by_country, links, report):
    """The zone.tab zone of the place's own country that its point lies in."""
    own = by_country.get(place["cc"])
    if not own:
        # A country zone.tab does not list (Kosovo): the zone its point lies in,
        # whichever country that zone belongs to.
        hits = sorted({tzinfo.canonical(n, links) for n in place["zones"]})
        for z in sorted(by_canonical(by_country, links).get(h) for h in hits if h in by_canonical(by_country, links)):
            report["foreign_zones"].add((place["cc"], z))
            return next(x for zs in by_country.values() for x in zs if x["name"] == z)
        return None
    if len(own) == 1:
        return own[0]
    canon = {tzinfo.canonical(z["name"], links): z for z in own}
    hits = [canon[tzinfo.canonical(n, links)] for n in place["zones"]
            if tzinfo.canonical(n, links) in canon]
    hits = sorted({z["name"]: z for z in hits}.values(), key=lambda z: z["name"])
    if hits:
        chosen = hits[0]
    else:
        # The point lies outside its country's zones (a coastal point in the
        # sea, or a border error): take the country zone GeoNames names, else
        # the nearest zone.tab point of the country.
        named = canon.get(tzinfo.canonical(place["tz"], links))
        chosen = named or min(own, key=lambda z: ((z["lat"] - place["lat"]) ** 2
                                                  + (z["lon"] - place["lon"]) ** 2, z["name"]))
    named = canon.get(tzinfo.canonical(place["tz"], links))
    if named is not None and named is not chosen:
        report["zone_fixes"].append((place["name"], place["cc"], place["tz"], chosen["name"]))
    return chosen


def select_cities(places, zones, links, admin1, report):
    by_country = {}
    for z in zones:
        by_country.setdefault(z["cc"], []).append(z)
    places = [p for p in places if p["cc"] in by_country or p["zones"]]
    places.sort(key=lambda p: (-p["pop"], p["id"]))
    chosen = {}

    def take(p):
        if p["id"] not in chosen:
            z = assign_zone(p, by_country, links, report)
            if z is not None:
                chosen[p["id"]] = (p, z)

    for p in places:
        if p["feature"] == "PPLC":
            take(p)
    covered = {z["name"] for _, z in chosen.values()}
    # Reserve room for every zone, then fill with the most populous places.
    i = 0
    while len(chosen) < CITY_COUNT - (len(zones) - len(covered)) and i < len(places):
        take(places[i])
        i += 1
    covered = {z["name"] for _, z in chosen.values()}
    if len(covered) < len(zones):
        best = {}
        for p in places[i:]:
            if p["id"] in chosen:
                continue
            own = by_country.get(p["cc"], [])
            if not own:
                continue
            # Only places whose point lies in one of the missing zones.
            cands = [z for z in own if z["name"] not in covered and (
                len(own) == 1 or any(tzinfo.canonical(n, links) == tzinfo.canonical(z["name"], links)
                                     for n in p["zones"]))]
            for z in cands:
                best.setdefault(z["name"], p)
        for name in sorted(best):
            p = best[name]
            chosen[p["id"]] = (p, next(z for z in zones if z["name"] == name))
    covered = {z["name"] for _, z in chosen.values()}
    cities = []
    for p, z in chosen.values():
        region = admin1.get(f"{p['cc']}.{p['admin1']}")
        cities.append({"name": clean_text(p["name"]), "region": clean_text(region) if region else "",
                       "lat": p["lat"], "lon": p["lon"], "zone": z, "pop": p["pop"], "id": p["id"],
                       "admin1": p["admin1"], "cc": p["cc"]})
    for z in zones:
        if z["name"] not in covered:
            report["placeholder_zones"].append(z["name"])
            cities.append({"name": z["key"].replace("_", " "), "region": "", "lat": z["lat"],
                           "lon": z["lon"], "zone": z, "pop": 0, "id": 0, "admin1": "",
                           "cc": z["cc"]})
    fill = [p for p in places[i:] if p["id"] not in chosen]
    k = 0
    while len(cities) < CITY_COUNT and k < len(fill):
        p = fill[k]
        k += 1
        z = assign_zone(p, by_country, links, report)
        if z is None:
            continue
        region = admin1.get(f"{p['cc']}.{p['admin1']}")
        cities.append({"name": clean_text(p["name"]), "region": clean_text(region) if region else "",
                       "lat": p["lat"], "lon": p["lon"], "zone": z, "pop": p["pop"], "id": p["id"],
                       "admin1": p["admin1"], "cc": p["cc"]})
    cities = [c for c in cities if c["name"]]
    for c in cities:
        # Everything downstream (pixels, fix-up, fixture) sees the coordinates
        # exactly as the table spells them.
        c["lat"], c["lon"] = float(fmt_coord(c["lat"])), float(fmt_coord(c["lon"]))
    cities.sort(key=lambda c: (c["zone"]["country"].lower(), fold(c["name"]), c["name"], c["id"]))
    return cities


def display_name(c):
    # What the city reader makes of column 4: a region leaves a trailing blank.
    return c["name"] + " " if c["region"] else c["name"]


def write_city_table(path, cities):
    lines = []
    for c in cities:
        col4 = f"{c['name']} ({c['region']})" if c["region"] else c["name"]
        lines.append("\t".join([c["zone"]["key"], fmt_coord(c["lat"]), fmt_coord(c["lon"]), col4]))
    write_text(path, lines)


# ---------------------------------------------------------------- picture


def read_grid(work):
    with open(os.path.join(work, "grid.txt"), encoding="utf-8") as f:
        text = f.read()
    names, rows = text.split("--\n")
    names = names.rstrip("\n").split("\n")
    grid = [[names[int(v)] for v in r.split(",")] for r in rows.rstrip("\n").split("\n")]
    if len(grid) != H or any(len(r) != W for r in grid):
        fail("grid has the wrong size")
    return grid


def build_picture(grid, cities, links, report):
    analyses = {}

    def standard(name):
        c = tzinfo.canonical(name, links)
        if c not in analyses:
            analyses[c] = tzinfo.ZoneAnalysis(c).standard_minutes
        return analyses[c]

    painted = {}
    disputed = {}
    unmapped = {}
    pixels = [[None] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            cell = grid[y][x]
            names = cell.split("|")
            if len(names) > 1:
                disputed[cell] = disputed.get(cell, 0) + 1
            minutes = standard(names[0])  # disputed: the first name in sort order
            rgb, shown, note = zone_colours.colour_for_minutes(minutes)
            if note:
                unmapped.setdefault((minutes, shown, note), set()).add(names[0])
            pixels[y][x] = rgb
            painted[(x, y)] = shown
    # Every city's own pixel carries its zone's standard offset; where two
    # cities of different offsets share a pixel the more populous one wins.
    owner = {}
    for c in sorted(cities, key=lambda c: (-c["pop"], c["id"], c["name"])):
        minutes = c["zone"]["analysis"].standard_minutes
        rgb, shown, note = zone_colours.colour_for_minutes(minutes)
        if note:
            unmapped.setdefault((minutes, shown, note), set()).add(c["zone"]["name"])
        for (x, y) in pixels_of(c["lat"], c["lon"]):
            if (x, y) in owner:
                if owner[(x, y)][1] != shown:
                    report["pixel_conflicts"].append((c, owner[(x, y)][0]))
                continue
            if pixels[y][x] != rgb:
                report["pixel_fixes"].append((c, painted[(x, y)], shown))
            pixels[y][x] = rgb
            owner[(x, y)] = (c, shown)
    report["disputed"] = sorted(disputed.items())
    report["unmapped"] = sorted((k[0], k[1], k[2], sorted(v)) for k, v in unmapped.items())
    return [bytes(v for px in row for v in px) for row in pixels]


# ---------------------------------------------------------------- telephone


NANP_PROVINCES = {"01": "AB", "02": "BC", "03": "MB", "04": "NB", "05": "NL", "07": "NS",
                  "08": "ON", "09": "PE", "10": "QC", "11": "SK", "12": "YT", "13": "NT",
                  "14": "NU"}


def read_phone(work):
    calling = {}
    with open(os.path.join(work, "calling_codes.tsv"), encoding="utf-8") as f:
        for line in f:
            cc, code = line.rstrip("\n").split("\t")
            calling[cc] = code
    geo = {}
    with open(os.path.join(work, "geocodes.tsv"), encoding="utf-8") as f:
        for line in f:
            code, prefix, desc, area = line.rstrip("\n").split("\t")
            geo.setdefault(code, {})[prefix] = (desc, area)
    return calling, geo


def mobile_prefix(code, prefix):
    # China's geocoding data also places mobile ranges (1x, 11 digits); they
    # are no area codes. Beijing's own area code is 10.
    return code == "86" and prefix.startswith("1") and len(prefix) > 2


def geo_index(code, entries, nanp):
    """(folded place name, state or region) -> the area codes of the number
    prefixes that name it, one per prefix."""
    index = {}
    for prefix, (desc, area) in entries.items():
        if mobile_prefix(code, prefix) or not area:
            continue
        if nanp:
            if len(prefix) <= 3 or ", " not in desc:
                continue  # three-digit entries name a whole state
            place, state = desc.rsplit(", ", 1)
            keys = [(fold(place), state)]
        else:
            # "Place, Region", "Place - ST" or "Place/Place": only the places
            # name towns; a region, when given, must be the city's own.
            place, _, region = desc.partition(", ")
            place = place.split(" - ", 1)[0]
            keys = [(fold(part), fold(region) or None) for part in place.split("/") if fold(part)]
        for k in keys:
            index.setdefault(k[0], []).append((k[1], area))
    return index


def area_codes_for(city, index, nanp):
    names = [city["name"]]
    if city["name"].endswith(" City"):
        names.append(city["name"][:-5])
    if nanp:
        state = city["admin1"] if city["cc"] == "US" else NANP_PROVINCES.get(city["admin1"])
    region = fold(city["region"])
    counts = {}
    for n in names:
        for where, area in index.get(fold(n), []):
            if nanp and where != state:
                continue
            if not nanp and where and region and where not in region and region not in where:
                continue
            counts[area] = counts.get(area, 0) + 1
    if not counts:
        return []
    # The codes that carry at least a fifth of the place's number prefixes.
    total = sum(counts.values())
    best = sorted(counts, key=lambda a: (-counts[a], a))[:3]
    return sorted(a for a in best if counts[a] * 5 >= total)


def build_area_codes(cities, zones, report):
    calling, geo = report["phone_sources"]
    countries = sorted({(z["country"], z["cc"]) for z in zones}, key=lambda t: t[0].lower())
    city_by_country = {}
    for c in cities:
        if c["id"]:
            city_by_country.setdefault(c["zone"]["country"], []).append(c)
    lines = []
    matched = []
    missing_codes = []
    for country, cc in countries:
        code = calling.get(cc)
        if code is None:
            missing_codes.append(country)
            continue
        lines.append(f"{country},{code}")
        entries = geo.get(code, {})
        if not entries:
            continue
        nanp = code == "1"
        index = geo_index(code, entries, nanp)
        seen = set()
        for c in sorted(city_by_country.get(country, []), key=lambda c: (fold(c["name"]), c["id"])):
            if c["cc"] != cc or "," in c["name"]:
                continue
            codes = area_codes_for(c, index, nanp)
            for a in codes:
                # The program compares the display name without the blank
                # that the region's cut leaves.
                line = f"*,{c['name']},{a}"
                if line not in seen:
                    seen.add(line)
                    lines.append(line)
                    matched.append((country, display_name(c).strip(), c["region"], code, a))
    report["area_codes"] = matched
    report["no_calling_code"] = missing_codes
    return lines


# ---------------------------------------------------------------- validation fixture


def day_ranges(days):
    """[1, 2, 3, 7] -> ["1-3", "7-7"]"""
    out = []
    for d in days:
        if out and out[-1][1] == d - 1:
            out[-1][1] = d
        else:
            out.append([d, d])
    return [f"{a}-{b}" for a, b in out]


def write_fixture(path, cities, pixels, version):
    """Reference offsets at 12:00 UTC of every day of the year, per zone key,
    and the days on which the shipped tables are expected to disagree."""
    year = tzinfo.FIRST_YEAR
    out = [f"# Local-time offsets (minutes east of UTC) at 12:00 UTC of each day of {year},",
           f"# from the IANA time-zone database {version} through Python's zoneinfo.",
           "# N cities                       number of lines of location.txt",
           "# Z key offset [day:offset ...]  offset on 1 January, then each change (day 1 = 1 January)",
           "# E key days reason              known exception for every city of the zone",
           "# C index days reason            known exception for one city (0-based line of location.txt)",
           f"N {len(cities)}"]
    keys = sorted({c["zone"]["key"]: c["zone"] for c in cities}.items())
    days = (dt.date(year + 1, 1, 1) - dt.date(year, 1, 1)).days
    for key, z in keys:
        ref = tzinfo.utc_noon_offsets(z["name"], year)
        parts = [f"Z {key} {ref[0]}"]
        for d in range(1, days):
            if ref[d] != ref[d - 1]:
                parts.append(f"{d + 1}:{ref[d]}")
        out.append(" ".join(parts))
        # What the tables give: the painted standard offset plus the rule's
        # saving, each change at 00:00 of its date by a host clock on UTC.
        a = z["analysis"]
        _, shown, note = zone_colours.colour_for_minutes(a.standard_minutes)
        wrong = {}
        for d in range(days):
            day = dt.date(year, 1, 1) + dt.timedelta(days=d)
            saving = 0
            if a.rule:
                end, start, hours = a.rule
                e = tzinfo.transition_date(end, year)
                s = tzinfo.transition_date(start, year)
                if s is not None and e is not None:
                    on = (s <= day < e) if s <= e else not (e <= day < s)
                    saving = hours * 60 if on else 0
            if shown + saving != ref[d]:
                if shown != a.standard_minutes:
                    why = (f"standard offset {hours_text(a.standard_minutes)} h is not in the colour "
                           f"table, painted as {hours_text(shown)} h ({note})")
                elif a.problem:
                    why = a.problem
                else:
                    why = "the change takes effect at host midnight, not at its own hour"
                wrong.setdefault(why, []).append(d + 1)
        for why in sorted(wrong):
            for r in day_ranges(wrong[why]):
                out.append(f"E {key} {r} {why}")
    for i, c in enumerate(cities):
        pts = pixels_of(c["lat"], c["lon"])
        want = zone_colours.colour_for_minutes(c["zone"]["analysis"].standard_minutes)[1]
        if not pts:
            out.append(f"C {i} 1-{days} the city lies outside the map's rows")
            continue
        x, y = pts[0]
        row = pixels[y]
        got = zone_colours.minutes_of_colour(row[3 * x:3 * x + 3])
        if got != want:
            out.append(f"C {i} 1-{days} shares its map pixel with a more populous city "
                       f"of standard offset {hours_text(got)} h")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


# ---------------------------------------------------------------- report


def write_report(path, report, cities, zones, rules, area_lines, version):
    r = []
    r.append("# Generated facts about the shipped data")
    r.append("")
    r.append(f"Written by tools/data/build.sh from tzdata {version}. Do not edit by hand.")
    r.append("")
    r.append(f"- cities: {len(cities)}")
    r.append(f"- zones: {len(zones)}")
    r.append(f"- daylight-saving rules: {len(rules)}")
    ncountry = sum(1 for line in area_lines if not line.startswith("*"))
    r.append(f"- telephone lines: {len(area_lines)} ({ncountry} countries, "
             f"{len(area_lines) - ncountry} city area codes)")
    r.append("")
    r.append("## Zones no rule expresses exactly")
    r.append("")
    r.append("| zone | what the data does | rule | standard offset |")
    r.append("|---|---|---|---|")
    for name, problem, rule, std in report["zone_problems"]:
        r.append(f"| {name} | {problem} | {rule} | {std} |")
    r.append("")
    r.append("## Zones with no populated place (listed under their own name)")
    r.append("")
    r.append(", ".join(report["placeholder_zones"]) or "none")
    r.append("")
    r.append("## Standard offsets missing from the colour table")
    r.append("")
    for minutes, shown, note, names in report["unmapped"]:
        r.append(f"- {hours_text(minutes)} h painted as {hours_text(shown)} h ({note}): {', '.join(names)}")
    r.append("")
    r.append("## Areas claimed by several zones (first name in sort order painted)")
    r.append("")
    for cell, n in report["disputed"]:
        r.append(f"- {cell.replace('|', ' / ')}: {n} pixels")
    r.append("")
    r.append("## Fixes: GeoNames' own zone differs from the zone its point lies in")
    r.append("")
    fixes = sorted({f for f in report["zone_fixes"]})
    shipped = {c["id"] for c in cities}
    r.append(f"{len(fixes)} places of the candidate pool; the shipped ones:")
    r.append("")
    ids_by_name = {(c["name"], c["cc"]) for c in cities if c["id"] in shipped}
    for name, cc, was, now in fixes:
        if (clean_text(name), cc) in ids_by_name:
            r.append(f"- {name} ({cc}): GeoNames {was}, boundaries {now}")
    r.append("")
    r.append("## City pixels repainted to their zone's standard offset")
    r.append("")
    r.append(f"{len(report['pixel_fixes'])} pixels; conflicts (two cities of different offsets "
             f"on one pixel; the more populous is kept, the other left out of the table):")
    r.append("")
    for c, other in report["pixel_conflicts"]:
        r.append(f"- {c['name']} ({c['zone']['name']}) under {other['name']} ({other['zone']['name']})")
    r.append("")
    r.append("## Places of countries that zone.tab does not list (zone of their point used)")
    r.append("")
    for cc, z in sorted(report["foreign_zones"]):
        r.append(f"- {cc}: {z}")
    r.append("")
    r.append("## Countries without a calling code in the telephone metadata")
    r.append("")
    r.append(", ".join(report["no_calling_code"]) or "none")
    r.append("")
    r.append("## Random sample of 40 city area codes, for the precision check")
    r.append("")
    r.append("The 40 entries with the smallest SHA-1 of \"country|city|code\": a random sample that")
    r.append("stays the same when unrelated entries come or go.")
    r.append("")
    sample = sorted(report["area_codes"],
                    key=lambda e: hashlib.sha1(f"{e[0]}|{e[1]}|{e[4]}".encode()).hexdigest())[:40]
    r.append("| country | city | region | calling code | area code |")
    r.append("|---|---|---|---|---|")
    for country, city, region, code, area in sorted(sample):
        r.append(f"| {country} | {city} | {region} | +{code} | {area} |")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(r) + "\n")


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    work, data, fixtures = sys.argv[1:]
    version = tzinfo.tzdata_version()
    if not tzinfo.version_at_least(version, tzinfo.MIN_VERSION):
        fail(f"tzdata {version} is older than {tzinfo.MIN_VERSION}: install a newer tzdata")
    report = {"zone_problems": [], "placeholder_zones": [], "zone_fixes": [], "pixel_fixes": [],
              "pixel_conflicts": [], "foreign_zones": set(), "phone_sources": read_phone(work)}
    zones, rules, links = build_zones(report)
    places, admin1 = read_geonames(work)
    cities = select_cities(places, zones, links, admin1, report)
    write_zone_table(os.path.join(data, "tz_data.txt"), zones)
    write_rule_table(os.path.join(data, "tz_dst.txt"), rules)
    pixels = build_picture(read_grid(work), cities, links, report)
    # A city that shares its pixel with a more populous city of another offset would always show
    # the other city's time; it is left out rather than shipped wrong.
    losers = {id(c) for c, _ in report["pixel_conflicts"]}
    cities = [c for c in cities if id(c) not in losers]
    write_city_table(os.path.join(data, "location.txt"), cities)
    area_lines = build_area_codes(cities, zones, report)
    write_text(os.path.join(data, "areacode.txt"), area_lines)
    os.makedirs(os.path.join(data, "images"), exist_ok=True)
    png.write_rgb(os.path.join(data, "images", "earth_tz.png"), W, H, pixels)
    os.makedirs(fixtures, exist_ok=True)
    write_fixture(os.path.join(fixtures, "reference_2027.txt"), cities, pixels, version)
    write_report(os.path.join(data, "REPORT.md"), report, cities, zones, rules, area_lines, version)
    with open(os.path.join(data, "tzdata_version.txt"), "w", encoding="utf-8") as f:
        f.write(version + "\n")


if __name__ == "__main__":
    main()
