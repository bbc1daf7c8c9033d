#!/usr/bin/env python3
"""Compose one icon as a self-contained SVG from one or more packaged SVG files.

Usage:
    compose.py OUT.svg CANVAS PX [--flag] LAYER [LAYER ...]

CANVAS is the side of the square canvas in layout units (16 for the menu and
toolbar icons, so that a layer box like 8,8,8 is the bottom-right quarter).
PX is the pixel size the result will be rendered at; it only sets the width of
the hairline frame drawn around flags so that it is one pixel wide.

Each LAYER is "FILE" (fills the whole canvas) or "FILE@X,Y,SIZE" (fills the
square box at X,Y with side SIZE, in layout units). A layer is fitted into its
box keeping its aspect ratio and centred, so a 4:3 flag is letterboxed into a
square with transparent bars.

With --flag the (single) layer is clipped to its own viewBox and framed with a
one-pixel translucent outline, so that white flags stay visible on white menus.

The child documents are inlined as <g> groups with a transform (no nested
<svg>, no <image>), and every id in a child is prefixed so that gradients of
different layers cannot collide. The result renders the same in librsvg and in
Qt's SVG renderer.
"""

import re
import sys

ATTR_RE = re.compile(r'([\w:.-]+)\s*=\s*("[^"]*"|\'[^\']*\')', re.S)
# Presentation attributes that a root <svg> may carry and that its content inherits.
INHERITED = ("fill", "fill-rule", "fill-opacity", "stroke", "stroke-width",
             "stroke-linecap", "stroke-linejoin", "stroke-opacity", "opacity",
             "color", "style", "class", "font-family", "font-size")


def length(value):
    """A length attribute in user units (px, or no unit); None if absent or relative."""
    if value is None:
        return None
    m = re.match(r'\s*([-+]?[0-9]*\.?[0-9]+(?:[eE][-+]?[0-9]+)?)\s*(px)?\s*$', value)
    return float(m.group(1)) if m else None


def parse_child(path, prefix):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r'<\?xml[^>]*\?>', '', text)
    text = re.sub(r'<!DOCTYPE[^>[]*(\[[^]]*\])?\s*>', '', text, flags=re.S)
    text = re.sub(r'<!--.*?-->', '', text, flags=re.S)
    m = re.search(r'<svg\b([^>]*?)(/?)>', text, re.S)
    if not m:
        raise SystemExit(f"compose.py: no <svg> root in {path}")
    attrs = {k: v[1:-1] for k, v in ATTR_RE.findall(m.group(1))}
    end = text.rfind('</svg>')
    inner = '' if m.group(2) else text[m.end():end]

    if 'viewBox' in attrs:
        vb = [float(v) for v in re.split(r'[\s,]+', attrs['viewBox'].strip())]
    else:
        w, h = length(attrs.get('width')), length(attrs.get('height'))
        if w is None or h is None:
            raise SystemExit(f"compose.py: {path} has neither viewBox nor width/height")
        vb = [0.0, 0.0, w, h]

    namespaces = {k: v for k, v in attrs.items() if k.startswith('xmlns:')}

    # Prefix every id and every local reference to one.
    inner = re.sub(r'(\sid\s*=\s*)(["\'])', lambda g: f'{g.group(1)}{g.group(2)}{prefix}', inner)
    inner = re.sub(r'url\(\s*#', f'url(#{prefix}', inner)
    inner = re.sub(r'url\(\s*(["\'])#', lambda g: f'url({g.group(1)}#{prefix}', inner)
    inner = re.sub(r'(href\s*=\s*)(["\'])#', lambda g: f'{g.group(1)}{g.group(2)}#{prefix}', inner)

    inherited = ''.join(f' {k}="{attrs[k]}"' for k in INHERITED if k in attrs)
    return vb, namespaces, inherited, inner


def fmt(x):
    s = f"{x:.6f}".rstrip('0').rstrip('.')
    return s if s not in ('', '-0') else '0'


def main(argv):
    args = list(argv[1:])
    flag = '--flag' in args
    if flag:
        args.remove('--flag')
    if len(args) < 4:
        raise SystemExit(__doc__)
    out, canvas, px, layers = args[0], float(args[1]), float(args[2]), args[3:]
    if flag and len(layers) != 1:
        raise SystemExit("compose.py: --flag takes exactly one layer")

    namespaces = {'xmlns:xlink': 'http://www.w3.org/1999/xlink'}
    defs, body = [], []
    for n, spec in enumerate(layers):
        path, _, box = spec.partition('@')
        if box:
            x, y, side = (float(v) for v in box.split(','))
        else:
            x, y, side = 0.0, 0.0, canvas
        prefix = f"L{n}_"
        (vx, vy, vw, vh), ns, inherited, inner = parse_child(path, prefix)
        for k, v in ns.items():
            namespaces.setdefault(k, v)
        s = min(side / vw, side / vh)
        fw, fh = vw * s, vh * s
        fx, fy = x + (side - fw) / 2, y + (side - fh) / 2
        tx, ty = fx - vx * s, fy - vy * s
        clip = ''
        if flag:
            defs.append(f'<clipPath id="{prefix}clip"><rect x="{fmt(vx)}" y="{fmt(vy)}" '
                        f'width="{fmt(vw)}" height="{fmt(vh)}"/></clipPath>')
            clip = f' clip-path="url(#{prefix}clip)"'
        body.append(f'<g transform="translate({fmt(tx)} {fmt(ty)}) scale({fmt(s)})"{clip}>'
                    f'<g{inherited}>{inner}</g></g>')
        if flag:
            hair = canvas / px          # one output pixel in layout units
            body.append(f'<rect x="{fmt(fx + hair / 2)}" y="{fmt(fy + hair / 2)}" '
                        f'width="{fmt(fw - hair)}" height="{fmt(fh - hair)}" fill="none" '
                        f'stroke="#000000" stroke-opacity="0.28" stroke-width="{fmt(hair)}"/>')

    ns = ''.join(f' {k}="{v}"' for k, v in sorted(namespaces.items()))
    c = fmt(canvas)
    doc = (f'<svg xmlns="http://www.w3.org/2000/svg"{ns} width="{c}" height="{c}" '
           f'viewBox="0 0 {c} {c}" version="1.1">\n')
    if defs:
        doc += '<defs>' + ''.join(defs) + '</defs>\n'
    doc += '\n'.join(body) + '\n</svg>\n'
    with open(out, 'w', encoding='utf-8') as f:
        f.write(doc)


if __name__ == '__main__':
    main(sys.argv)
