"""Time-zone facts from the system's tzdata, through Python's zoneinfo.

Everything about offsets and changes comes from here; nothing else in the
pipeline does time arithmetic of its own.
"""

import datetime as dt
import re
from zoneinfo import ZoneInfo

TZDIR = "/usr/share/zoneinfo"
MIN_VERSION = "2026f"
FIRST_YEAR = 2027
LAST_YEAR = 2033

WEEKDAY_NAMES = ["Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"]
MONTH_NAMES = ["", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


def tzdata_version():
    with open(f"{TZDIR}/tzdata.zi", encoding="utf-8") as f:
        first = f.readline().strip()
    m = re.match(r"#\s*version\s+(\d{4})([a-z]*)$", first)
    if not m:
        raise SystemExit(f"cannot read the tzdata version from: {first!r}")
    return m.group(1) + m.group(2)


def version_at_least(version, wanted):
    def key(v):
        return (int(v[:4]), v[4:])

    return key(version) >= key(wanted)


def links():
    """Link name -> canonical zone name, chains followed."""
    table = {}
    with open(f"{TZDIR}/tzdata.zi", encoding="utf-8") as f:
        for line in f:
            if line.startswith("L "):
                _, target, name = line.split()
                table[name] = target
    resolved = {}
    for name in table:
        target = table[name]
        seen = {name}
        while target in table and target not in seen:
            seen.add(target)
            target = table[target]
        resolved[name] = target
    return resolved


def canonical(name, link_table):
    return link_table.get(name, name)


def parse_coord(text):
    """zone.tab's +DDMM[SS]+DDDMM[SS] into (lat, lon) degrees."""
    m = re.match(r"([+-])(\d{2})(\d{2})(\d{2})?([+-])(\d{3})(\d{2})(\d{2})?$", text)
    if not m:
        raise ValueError(text)

    def deg(sign, d, mi, s):
        v = int(d) + int(mi) / 60 + (int(s) if s else 0) / 3600
        return -v if sign == "-" else v

    return deg(*m.group(1, 2, 3, 4)), deg(*m.group(5, 6, 7, 8))


def zone_tab():
    """[(country code, zone name, lat, lon)] in file order."""
    rows = []
    with open(f"{TZDIR}/zone.tab", encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            cols = line.rstrip("\n").split("\t")
            lat, lon = parse_coord(cols[1])
            rows.append((cols[0], cols[2], lat, lon))
    return rows


def iso3166():
    names = {}
    with open(f"{TZDIR}/iso3166.tab", encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            code, name = line.rstrip("\n").split("\t")[:2]
            # The telephone table is comma-separated: a comma in a country
            # name would split it there, so both tables drop commas alike.
            names[code] = name.replace(",", "")
    return names


def noon_offsets(zone_name, year):
    """Offset in minutes at local noon of every local date of the year."""
    tz = ZoneInfo(zone_name)
    day = dt.date(year, 1, 1)
    out = []
    while day.year == year:
        off = dt.datetime(day.year, day.month, day.day, 12, tzinfo=tz).utcoffset()
        out.append((day, int(off.total_seconds()) // 60))
        day += dt.timedelta(days=1)
    return out


def utc_noon_offsets(zone_name, year):
    """Offset in minutes at 12:00 UTC of every day of the year."""
    tz = ZoneInfo(zone_name)
    day = dt.date(year, 1, 1)
    out = []
    while day.year == year:
        at = dt.datetime(day.year, day.month, day.day, 12, tzinfo=dt.timezone.utc)
        out.append(int(at.astimezone(tz).utcoffset().total_seconds()) // 60)
        day += dt.timedelta(days=1)
    return out


def changes(zone_name, year):
    """[(local date, new offset minutes)]: the dates on which a new offset is
    first in force at local noon, and the offset in force on 1 January."""
    days = noon_offsets(zone_name, year)
    prev = noon_offsets(zone_name, year - 1)[-1][1]
    out = []
    for day, off in days:
        if off != prev:
            out.append((day, off))
        prev = off
    return days[0][1], out


def weekday_sun0(day):
    return (day.weekday() + 1) % 7


def days_in_month(year, month):
    nxt = dt.date(year + (month == 12), month % 12 + 1, 1)
    return (nxt - dt.date(year, month, 1)).days


def express_dates(dates):
    """One transition line (letter, weekday, day, month) that names every one
    of the given dates (one per year), or None."""
    months = {d.month for d in dates}
    if len(months) != 1:
        return None
    month = months.pop()
    weekdays = {weekday_sun0(d) for d in dates}
    if len(weekdays) == 1:
        wd = weekdays.pop()
        if all(d.day <= 7 for d in dates):
            return ("F", wd, 0, month)
        if all(d.day > days_in_month(d.year, month) - 7 for d in dates):
            return ("L", wd, 0, month)
        low = max(d.day for d in dates) - 6
        high = min(d.day for d in dates)
        if low <= high:
            return (">", wd, max(low, 1), month)
        return None
    if len({d.day for d in dates}) == 1:
        return ("D", 0, dates[0].day, month)
    return None


def transition_text(t):
    letter, wd, day, month = t
    if letter == "F":
        return f"{MONTH_NAMES[month]}.first{WEEKDAY_NAMES[wd]}"
    if letter == "L":
        return f"{MONTH_NAMES[month]}.last{WEEKDAY_NAMES[wd]}"
    if letter == ">":
        return f"{MONTH_NAMES[month]}.{WEEKDAY_NAMES[wd]}>={day}"
    return f"{MONTH_NAMES[month]}.{day}"


def transition_date(t, year):
    """The date a transition line names in a year, as the program reads it."""
    letter, wd, day, month = t
    n = days_in_month(year, month)
    if letter == "F":
        d = dt.date(year, month, 1)
        while weekday_sun0(d) != wd:
            d += dt.timedelta(days=1)
        return d
    if letter == "L":
        d = dt.date(year, month, n)
        while weekday_sun0(d) != wd:
            d -= dt.timedelta(days=1)
        return d
    if letter == ">":
        if max(day, 1) > n:
            return None
        d = dt.date(year, month, max(day, 1))
        while weekday_sun0(d) != wd:
            d += dt.timedelta(days=1)
        # Kept inside the month: a line never names a date of the next one.
        return d if d.month == month else None
    if day < 1 or day > n:
        return None
    return dt.date(year, month, day)


def best_line(dates):
    """The transition line that names the most of the given dates."""
    best, hits = None, 0
    candidates = []
    for d in dates:
        wd = weekday_sun0(d)
        candidates += [("F", wd, 0, d.month), ("L", wd, 0, d.month), ("D", 0, d.day, d.month)]
        candidates += [(">", wd, n, d.month) for n in range(max(1, d.day - 6), d.day + 1)]
    wanted = set(dates)
    # Plain first/last lines are preferred over ">" and fixed dates.
    for c in sorted(set(candidates), key=lambda c: ("FL>D".index(c[0]), c)):
        n = sum(1 for y in range(FIRST_YEAR, LAST_YEAR + 1) if transition_date(c, y) in wanted)
        if n > hits:
            best, hits = c, n
    return best, hits


class ZoneAnalysis:
    """What the tables can say about one zone for the years FIRST..LAST."""

    def __init__(self, name):
        self.name = name
        self.rule = None  # (end line, start line, saving hours)
        self.standard_minutes = None
        self.problem = None
        per_year = [changes(name, y) for y in range(FIRST_YEAR, LAST_YEAR + 1)]
        all_offsets = set()
        for jan1, ch in per_year:
            all_offsets.add(jan1)
            all_offsets.update(o for _, o in ch)
        if all(not ch for _, ch in per_year):
            self.standard_minutes = per_year[0][0]
            if len(all_offsets) > 1:
                self.problem = "offset changes between years with no yearly change"
            return
        # The fallback for zones no rule expresses: the offset in force on
        # most days of the first year.
        counts = {}
        for _, off in noon_offsets(name, FIRST_YEAR):
            counts[off] = counts.get(off, 0) + 1
        fallback = max(sorted(counts), key=lambda o: counts[o])
        lo, hi = min(all_offsets), max(all_offsets)
        if len(all_offsets) != 2:
            self.standard_minutes = fallback
            self.problem = "more than two offsets in use"
            return
        if (hi - lo) % 60 != 0:
            # No rule can add the saving, so the clock is right half the year either way; the
            # standard offset is the one the zone keeps outside its saving.
            self.standard_minutes = lo
            self.problem = f"saving of {hi - lo} minutes is not a whole number of hours"
            return
        if lo + 60 * ((hi - lo) // 60) != hi or hi - lo <= 0:
            self.standard_minutes = fallback
            self.problem = "no positive whole-hour saving"
            return
        starts = [d for _, ch in per_year for d, o in ch if o == hi]
        ends = [d for _, ch in per_year for d, o in ch if o == lo]
        if len(all_offsets) == 2 and all(len(ch) == 2 for _, ch in per_year):
            start = express_dates(starts)
            end = express_dates(ends)
            if start is not None and end is not None:
                self.standard_minutes = lo
                self.rule = (end, start, (hi - lo) // 60)
                return
        # No line names every year: take the line that names most of them, as
        # long as it holds in a clear majority, and say which years it misses.
        start, start_hits = best_line(starts)
        end, end_hits = best_line(ends)
        years = LAST_YEAR - FIRST_YEAR + 1
        if start is None or end is None or min(start_hits, end_hits) * 2 <= years:
            self.standard_minutes = fallback
            self.problem = "the change dates follow no month/weekday pattern"
            return
        missed = sorted({y for y in range(FIRST_YEAR, LAST_YEAR + 1)
                         if transition_date(start, y) not in starts
                         or transition_date(end, y) not in ends
                         or len(per_year[y - FIRST_YEAR][1]) != 2})
        self.standard_minutes = lo
        self.rule = (end, start, (hi - lo) // 60)
        self.problem = "approximate rule; wrong near the changes of " + ", ".join(map(str, missed))

    def rule_name(self):
        if self.rule is None:
            return None
        end, start, saving = self.rule
        name = f"{transition_text(start)}-{transition_text(end)}"
        return name if saving == 1 else f"{name}+{saving}"
