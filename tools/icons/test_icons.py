"""Tests of the icon composer and of the committed icon table, PNGs and resource file.
Run with: python3 -B -m unittest -v test_icons (from tools/icons)."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SVG = '{http://www.w3.org/2000/svg}'


def compose(workdir, *args):
    out = os.path.join(workdir, 'out.svg')
    subprocess.run([sys.executable, os.path.join(HERE, 'compose.py'), out, *args], check=True)
    with open(out, encoding='utf-8') as f:
        return f.read()


class Composer(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)

    def child(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, 'w', encoding='utf-8') as f:
            f.write(text)
        return path

    def test_layers_are_fitted_into_their_boxes_keeping_aspect(self):
        square = self.child('a.svg', '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">'
                                     '<path d="M0 0h16v16z"/></svg>')
        # a 22 px icon without viewBox, whose origin is offset by a viewBox elsewhere
        sized = self.child('b.svg', '<svg xmlns="http://www.w3.org/2000/svg" width="22px" height="22px">'
                                    '<path d="M0 0h22v22z"/></svg>')
        moved = self.child('c.svg', '<svg xmlns="http://www.w3.org/2000/svg" viewBox="10 20 40 40">'
                                    '<path d="M10 20h40v40z"/></svg>')
        doc = compose(self.dir, '16', '16', square, f'{square}@8,8,8', sized, f'{moved}@0,8,8')
        transforms = re.findall(r'transform="([^"]*)"', doc)
        self.assertEqual(transforms, ['translate(0 0) scale(1)', 'translate(8 8) scale(0.5)',
                                      'translate(0 0) scale(0.727273)', 'translate(-2 4) scale(0.2)'])

    def test_flag_is_letterboxed_clipped_and_framed_one_pixel_wide(self):
        flag = self.child('f.svg', '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 640 480">'
                                   '<path fill="red" d="M0 0h900v900H0z"/></svg>')
        for px, frame in (('16', 'x="0.5" y="2.5" width="15" height="11"'),
                          ('32', 'x="0.25" y="2.25" width="15.5" height="11.5"')):
            doc = compose(self.dir, '16', px, '--flag', flag)
            self.assertIn('translate(0 2) scale(0.025)', doc)
            self.assertIn('clip-path="url(#L0_clip)"', doc)
            self.assertIn(frame, doc)
            self.assertIn(f'stroke-width="{16 / int(px):g}"', doc)

    def test_ids_of_different_layers_never_collide(self):
        text = ('<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
                'viewBox="0 0 16 16"><linearGradient id="g"><stop offset="0"/></linearGradient>'
                '<linearGradient id="h" xlink:href="#g"/><path fill="url(#h)" style="stroke:url(\'#g\')" '
                'd="M0 0h1v1z"/></svg>')
        a, b = self.child('a.svg', text), self.child('b.svg', text)
        root = ET.fromstring(compose(self.dir, '16', '16', a, b))
        ids = [e.get('id') for e in root.iter() if e.get('id')]
        self.assertEqual(sorted(ids), ['L0_g', 'L0_h', 'L1_g', 'L1_h'])
        paths = root.findall(f'.//{SVG}path')
        self.assertEqual([p.get('fill') for p in paths], ['url(#L0_h)', 'url(#L1_h)'])
        self.assertEqual(paths[1].get('style'), "stroke:url('#L1_g')")
        refs = [e.get('{http://www.w3.org/1999/xlink}href') for e in root.iter(f'{SVG}linearGradient')]
        self.assertEqual([r for r in refs if r], ['#L0_g', '#L1_g'])

    def test_editor_namespaces_and_root_styling_survive_inlining(self):
        child = self.child('i.svg', '<?xml version="1.0"?>\n<!-- drawn -->\n'
                                    '<svg xmlns="http://www.w3.org/2000/svg" '
                                    'xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" '
                                    'viewBox="0 0 16 16" fill="none" stroke="#123456">'
                                    '<g inkscape:label="Layer 1"><path d="M0 0h1"/></g></svg>')
        root = ET.fromstring(compose(self.dir, '16', '16', child))   # must be well-formed XML
        inner = root.find(f'{SVG}g/{SVG}g')
        self.assertEqual((inner.get('fill'), inner.get('stroke')), ('none', '#123456'))


class CommittedIcons(unittest.TestCase):
    """The table, the rendered files and the resource file must agree."""

    def setUp(self):
        with open(os.path.join(HERE, 'icons.tsv'), encoding='utf-8') as f:
            lines = f.read().splitlines()
        self.rows = [line.split('\t') for line in lines[1:] if line]

    def test_table_lists_positions_0_to_56_in_order_then_the_program_icon(self):
        self.assertTrue(all(len(r) == 6 for r in self.rows))
        self.assertEqual([r[0] for r in self.rows], [str(i) for i in range(57)] + ['app'])
        resids = [r[1] for r in self.rows]
        self.assertEqual(len(set(resids)), 58)
        self.assertEqual(resids[-1], '104')
        for r in self.rows:   # one package and one licence named for every layer
            layers = r[4].count(' + ') + 1
            self.assertIn(r[3].count(' + ') + 1, (1, layers), r)
            self.assertIn(r[5].count(' + ') + 1, (1, layers), r)

    def test_every_icon_is_rendered_at_both_sizes_and_in_the_resource_file(self):
        qrc = ET.parse(os.path.join(ROOT, 'resources', 'icons.qrc')).getroot()
        files = {f.get('alias'): f.text for f in qrc.iter('file')}
        for r in self.rows:
            for alias, size in ((f'icons/{r[1]}.png', 16), (f'icons/{r[1]}@2x.png', 32)):
                path = os.path.normpath(os.path.join(ROOT, 'resources', files[alias]))
                with open(path, 'rb') as f:
                    head = f.read(24)
                self.assertEqual(head[:8], b'\x89PNG\r\n\x1a\n', path)
                self.assertEqual((int.from_bytes(head[16:20], 'big'), int.from_bytes(head[20:24], 'big')),
                                 (size, size), path)
        self.assertEqual(len(files), 2 * 58 + 1)
        self.assertTrue(os.path.isfile(os.path.join(ROOT, 'resources', files['icons/app/meridiana-256.png'])))


if __name__ == '__main__':
    unittest.main()
