#!/usr/bin/env python3
"""Builds the test font "NuvoTest": every glyph is made of rectangles on the
pixel grid of a 16-pixel em (64 font units a pixel), so renders at 16 and 32
pixels have exact coverage whatever the rasteriser's version (the font's
instructions do nothing, so hinting leaves the outlines as they are).

A full-width glyph (kana, kanji, punctuation, full-width forms) is a 12 x 12
frame two pixels thick with a 3 x 3 pattern of 2-pixel blocks inside, taken
from the code point, so neighbouring characters look different. Half-width
glyphs (ASCII, half-width katakana, the yen sign) are a 6 x 10 frame with a
2 x 3 pattern. Spaces have no ink. Characters not listed are missing, so the
Japanese fallback faces draw them.

usage: make_test_font.py OUT.ttf
"""
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable
from fontTools.ttLib.tables import ttProgram

UNIT = 64          # font units per pixel at 16 pixels
EM = 16 * UNIT
ASCENT = 14 * UNIT  # winAscent: 14 pixels above the baseline at 16
DESCENT = 2 * UNIT


def rect(pen, left, top, width, height):
    """A rectangle in pixels, top measured down from the ascent line."""
    x0, x1 = left * UNIT, (left + width) * UNIT
    y1 = ASCENT - top * UNIT
    y0 = y1 - height * UNIT
    pen.moveTo((x0, y0))
    pen.lineTo((x0, y1))
    pen.lineTo((x1, y1))
    pen.lineTo((x1, y0))
    pen.closePath()


def frame(pen, left, top, width, height, thick):
    rect(pen, left, top, width, thick)
    rect(pen, left, top + height - thick, width, thick)
    rect(pen, left, top + thick, thick, height - 2 * thick)
    rect(pen, left + width - thick, top + thick, thick, height - 2 * thick)


def pattern_bits(code):
    h = (code * 2654435761) & 0xFFFFFFFF
    return h >> 7


def full_glyph(code):
    pen = TTGlyphPen(None)
    frame(pen, 2, 1, 12, 12, 2)
    bits = pattern_bits(code)
    for k in range(9):
        if bits >> k & 1:
            rect(pen, 4 + 3 * (k % 3), 3 + 3 * (k // 3), 2, 2)
    return pen.glyph()


def half_glyph(code):
    pen = TTGlyphPen(None)
    frame(pen, 1, 3, 6, 10, 1)
    bits = pattern_bits(code)
    for k in range(6):
        if bits >> k & 1:
            rect(pen, 2 + 2 * (k % 2), 4 + 3 * (k // 2), 2, 2)
    return pen.glyph()


def notdef_glyph():
    pen = TTGlyphPen(None)
    frame(pen, 2, 1, 12, 12, 1)
    rect(pen, 7, 6, 2, 2)
    return pen.glyph()


def empty_glyph():
    return TTGlyphPen(None).glyph()


def characters():
    half = set(range(0x21, 0x7F)) | set(range(0xFF61, 0xFFA0)) | {0xA5, 0x203E}
    full = (set(range(0x3001, 0x3020)) | set(range(0x3041, 0x3097)) | set(range(0x30A1, 0x30F7))
            | set(range(0xFF01, 0xFF5F)) | {ord(c) for c in "漢字日本語文章読書国語外"})
    return half, full


def main():
    out = sys.argv[1]
    half, full = characters()
    order = [".notdef", "space", "ideographicspace"]
    glyphs = {".notdef": notdef_glyph(), "space": empty_glyph(), "ideographicspace": empty_glyph()}
    metrics = {".notdef": (EM, 0), "space": (EM // 2, 0), "ideographicspace": (EM, 0)}
    cmap = {0x20: "space", 0x3000: "ideographicspace"}
    for code in sorted(half | full):
        name = "u%04X" % code
        order.append(name)
        cmap[code] = name
        if code in half:
            glyphs[name] = half_glyph(code)
            metrics[name] = (EM // 2, 0)
        else:
            glyphs[name] = full_glyph(code)
            metrics[name] = (EM, 0)
    # Left side bearings from the outlines.
    for name, glyph in glyphs.items():
        glyph.recalcBounds(None)
        lsb = glyph.xMin if glyph.numberOfContours else 0
        metrics[name] = (metrics[name][0], lsb)

    fb = FontBuilder(EM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    fb.setupNameTable({"familyName": "NuvoTest", "styleName": "Regular"})
    fb.setupOS2(sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0, usWinAscent=ASCENT,
                usWinDescent=DESCENT, yStrikeoutPosition=5 * UNIT, yStrikeoutSize=UNIT,
                ulCodePageRange1=(1 << 17), ulUnicodeRange1=(1 << 0) | (1 << 1),
                ulUnicodeRange2=(1 << (48 - 32)) | (1 << (49 - 32)) | (1 << (50 - 32)) | (1 << (59 - 32)),
                achVendID="NUVO")
    fb.setupPost(underlinePosition=-UNIT, underlineThickness=UNIT)
    # A control program that does nothing: a font with no instructions at all
    # is auto-hinted by FreeType, which would move the rectangles' edges.
    prep = newTable("prep")
    prep.program = ttProgram.Program()
    prep.program.fromAssembly(["SVTCA[0]"])
    fb.font["prep"] = prep
    fb.save(out)


if __name__ == "__main__":
    main()
