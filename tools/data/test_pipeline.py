"""Unit tests of the pipeline's own decisions: how change dates become rule lines, which colour a
standard offset is painted in, where a city lands on the map and how area codes are matched.
Run with: python3 -B -m unittest test_pipeline (from tools/data); ctest runs it too."""

import datetime as dt
import unittest

import build_tables as bt
import tzinfo
import zone_colours

D = dt.date


class RuleLines(unittest.TestCase):
    def test_yearly_dates_become_the_plainest_line_that_names_them_all(self):
        cases = [
            # second Sunday of March, 2027..2033: only "on or after the 8th" names every year
            ([D(2027, 3, 14), D(2028, 3, 12), D(2029, 3, 11), D(2030, 3, 10), D(2031, 3, 9),
              D(2032, 3, 14), D(2033, 3, 13)], (">", 0, 8, 3)),
            # last Sunday of October
            ([D(2027, 10, 31), D(2028, 10, 29), D(2029, 10, 28), D(2030, 10, 27)], ("L", 0, 0, 10)),
            # first Sunday of April
            ([D(2027, 4, 4), D(2028, 4, 2), D(2029, 4, 1), D(2030, 4, 7)], ("F", 0, 0, 4)),
            # a fixed date whose weekday moves
            ([D(2027, 3, 21), D(2028, 3, 21), D(2029, 3, 21)], ("D", 0, 21, 3)),
            # one year in another month: no single line
            ([D(2027, 10, 29), D(2030, 11, 1)], None),
            # neither one weekday nor one day
            ([D(2027, 3, 21), D(2028, 3, 22)], None),
        ]
        for dates, want in cases:
            with self.subTest(dates=dates[0]):
                line = tzinfo.express_dates(dates)
                self.assertEqual(line, want)
                if line:
                    for d in dates:
                        self.assertEqual(tzinfo.transition_date(line, d.year), d)

    def test_a_line_never_names_a_date_outside_its_month(self):
        # Friday on or after 26 October 2030 would be 1 November.
        self.assertIsNone(tzinfo.transition_date((">", 5, 26, 10), 2030))
        self.assertIsNone(tzinfo.transition_date(("D", 0, 29, 2), 2027))
        self.assertEqual(tzinfo.transition_date(("D", 0, 29, 2), 2028), D(2028, 2, 29))
        self.assertEqual(tzinfo.transition_date(("L", 0, 0, 2), 2028), D(2028, 2, 27))
        self.assertEqual(tzinfo.transition_date((">", 0, 0, 3), 2027), D(2027, 3, 7))

    def test_the_best_line_misses_only_the_odd_year(self):
        # The day after the last Thursday of October: Friday, except in 2030 (1 November).
        ends = [D(2027, 10, 29), D(2028, 10, 27), D(2029, 10, 26), D(2030, 11, 1),
                D(2031, 10, 31), D(2032, 10, 29), D(2033, 10, 28)]
        line, hits = tzinfo.best_line(ends)
        self.assertEqual(line, ("L", 5, 0, 10))
        self.assertEqual(hits, 6)

    def test_tzdata_versions_compare_by_year_then_letter(self):
        self.assertTrue(tzinfo.version_at_least("2026f", "2026f"))
        self.assertTrue(tzinfo.version_at_least("2027a", "2026f"))
        self.assertFalse(tzinfo.version_at_least("2026e", "2026f"))
        self.assertFalse(tzinfo.version_at_least("2025z", "2026f"))

    def test_a_half_hour_saving_keeps_the_zones_own_standard_offset(self):
        # Lord Howe Island keeps +10:30 and saves 30 minutes in the southern summer. No rule adds
        # half an hour, so the table can be right for half the year only: its standard half,
        # painted in the +10:30 colour, not the +11 of the summer or of the sea around it.
        lord_howe = tzinfo.ZoneAnalysis("Australia/Lord_Howe")
        self.assertEqual(lord_howe.standard_minutes, 630)
        self.assertIsNone(lord_howe.rule)
        self.assertEqual(zone_colours.colour_for_minutes(630)[1], 630)


class Colours(unittest.TestCase):
    def test_every_table_offset_is_painted_in_a_colour_that_reads_back_the_same(self):
        for entry in zone_colours.TABLE:
            minutes = zone_colours.minutes_of(entry)
            rgb, shown, note = zone_colours.colour_for_minutes(minutes)
            self.assertIsNone(note)
            self.assertEqual(zone_colours.minutes_of_colour(rgb), minutes, entry)

    def test_offsets_missing_from_the_table(self):
        cases = [
            (15 * 60, (181, 132, 140), -9 * 60),  # same clock time a day earlier
            (-13 * 60, (230, 165, 140), 11 * 60),  # same clock time a day later
            (825, (165, 66, 66), 14 * 60),  # 13:45 has no twin: nearest
        ]
        for minutes, rgb, shown in cases:
            with self.subTest(minutes=minutes):
                got_rgb, got_shown, note = zone_colours.colour_for_minutes(minutes)
                self.assertEqual((got_rgb, got_shown), (rgb, shown))
                self.assertIsNotNone(note)

    def test_offsets_appended_to_the_table_are_exact(self):
        for minutes, rgb in [(12 * 60, (66, 99, 198)), (14 * 60, (165, 66, 66)), (525, (148, 198, 99))]:
            self.assertEqual(zone_colours.colour_for_minutes(minutes), (rgb, minutes, None))

    def test_utc_is_painted_in_the_entry_that_is_not_the_background(self):
        self.assertEqual(zone_colours.colour_for_minutes(0)[0], (16, 206, 255))


class MapPixels(unittest.TestCase):
    def test_points_project_as_the_map_does(self):
        self.assertEqual(bt.pixels_of(0.0, 0.0), [(512, 256)])
        self.assertEqual(bt.pixels_of(90.0, -180.0), [(0, 0)])
        self.assertEqual(bt.pixels_of(0.1, 0.0), [(512, 256)])  # 512 - trunc(256.28)
        self.assertEqual(bt.pixels_of(-90.0, 0.0), [])  # row 512 does not exist
        self.assertEqual(bt.pixels_of(0.0, 180.0), [])  # nor column 1024

    def test_a_point_on_a_pixel_edge_claims_both_sides(self):
        # 77.6953 lies a hair below the edge of column 733 as a double and on it as a 32-bit
        # float, which is how the program keeps it: both columns must carry the city's colour.
        self.assertEqual(bt.pixels_of(10.0, 77.6953), [(732, 228), (733, 228)])


class Texts(unittest.TestCase):
    def test_brackets_are_removed_so_the_reader_cannot_split_a_name(self):
        self.assertEqual(bt.clean_text("Sofia (stolitsa)"), "Sofia")
        self.assertEqual(bt.clean_text("Odd (name"), "Odd")
        self.assertEqual(bt.clean_text("A\tB"), "A B")

    def test_day_ranges(self):
        self.assertEqual(bt.day_ranges([1, 2, 3, 7, 9, 10]), ["1-3", "7-7", "9-10"])
        self.assertEqual(bt.day_ranges([]), [])


class AreaCodes(unittest.TestCase):
    def city(self, name, region="", admin1="", cc="XX"):
        return {"name": name, "region": region, "admin1": admin1, "cc": cc}

    def test_a_place_takes_the_codes_of_most_of_its_prefixes(self):
        entries = {"301": ("Springfield", "30"), "302": ("Springfield", "30"),
                   "303": ("Springfield", "30"), "304": ("Springfield", "30"),
                   "55": ("Springfield/Shelbyville", "55"), "9": ("Capital City", "9"),
                   "70": ("Ogdenville", "")}  # closed plan: no area code
        index = bt.geo_index("99", entries, False)
        self.assertEqual(bt.area_codes_for(self.city("Springfield"), index, False), ["30", "55"])
        self.assertEqual(bt.area_codes_for(self.city("Shelbyville"), index, False), ["55"])
        self.assertEqual(bt.area_codes_for(self.city("Capital City"), index, False), ["9"])
        self.assertEqual(bt.area_codes_for(self.city("Ogdenville"), index, False), [])

    def test_a_region_in_the_data_must_be_the_citys_own(self):
        entries = {"725": ("Izumi, Osaka", "725"), "996": ("Izumi, Kagoshima", "996")}
        index = bt.geo_index("81", entries, False)
        self.assertEqual(bt.area_codes_for(self.city("Izumi", "Osaka"), index, False), ["725"])

    def test_north_american_places_match_by_state(self):
        entries = {"217": ("Illinois", "217"), "217522": ("Springfield, IL", "217"),
                   "417831": ("Springfield, MO", "417"), "212555": ("New York, NY", "212")}
        index = bt.geo_index("1", entries, True)
        self.assertEqual(bt.area_codes_for(self.city("Springfield", admin1="IL", cc="US"), index, True),
                         ["217"])
        self.assertEqual(bt.area_codes_for(self.city("New York City", admin1="NY", cc="US"), index, True),
                         ["212"])

    def test_chinese_mobile_ranges_are_no_area_codes(self):
        entries = {"10": ("Beijing", "10"), "1301704": ("Beijing", "130")}
        index = bt.geo_index("86", entries, False)
        self.assertEqual(bt.area_codes_for(self.city("Beijing"), index, False), ["10"])


if __name__ == "__main__":
    unittest.main()
