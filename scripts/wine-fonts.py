"""Builds the two fonts the Wine prefix substitutes for the fonts of the
program's windows, from the IPA fonts of Debian's fonts-ipafont-gothic:

- "Ventrok PGothic": IPAPGothic with the ASCII glyphs 0x21-0x7E narrowed to
  7/8 of their width. The dialog templates are laid out for base units of
  7 x 14 pixels; IPAPGothic gives 8 x 14, and the horizontal base unit comes
  from the width of the Latin letters only.
- "Ventrok Gothic": IPAGothic's glyphs unchanged, under its own name, so that
  Wine loads it from the prefix and not through the system's fontconfig
  (whose settings, and whatever else is installed, would otherwise decide
  which face a request falls back to).
Both are drawn without antialiasing at every size.

It also copies Wine's own Marlett from Debian's fonts-wine. Wine draws the
caption buttons (minimise, maximise, close) as the letters 0, 1 and r of the
Marlett font; Debian's Wine does not find the fonts of its own data folder,
so the buttons came out as those letters in IPAGothic. The copy differs from
Wine's font only in its gasp table, which says black and white at every size
like the two fonts above (fontforge would rewrite its symbol character map,
so the table is patched in place).

Run with Debian's Python, which has python3-fontforge:
    /usr/bin/python3 scripts/wine-fonts.py OUTPUT_DIR
"""
import os
import struct
import sys

import fontforge
import psMat

IPA_DIR = "/usr/share/fonts/opentype/ipafont-gothic"
NARROWING = 7.0 / 8.0
MARLETT = "/usr/share/wine/fonts/marlett.ttf"
GASP_GRIDFIT = 0x0001


def rename(font, family, postscript_name):
    """Only English names: the source's Japanese names would make a second
    family that Wine matches by its localised name."""
    keep = {"Copyright", "License", "License URL", "Version"}
    kept = [(strid, text) for lang, strid, text in font.sfnt_names
            if lang == "English (US)" and strid in keep]
    font.sfnt_names = ()
    for strid, text in kept:
        font.appendSFNTName("English (US)", strid, text)
    for strid, text in (("Family", family), ("SubFamily", "Regular"), ("Fullname", family),
                        ("UniqueID", family + " " + font.version),
                        ("PostScriptName", postscript_name),
                        ("Descriptor", "Built for Ventrok's Wine prefix from " + font.familyname)):
        font.appendSFNTName("English (US)", strid, text)
    font.familyname = family
    font.fullname = family
    font.fontname = postscript_name


def build(source, target, family, postscript_name, narrow_ascii):
    font = fontforge.open(os.path.join(IPA_DIR, source))
    codepages = font.os2_codepages
    if narrow_ascii:
        font.selection.select(("ranges", "unicode"), 0x21, 0x7E)
        font.transform(psMat.scale(NARROWING, 1.0))
        for glyph in font.selection.byGlyphs:
            glyph.width = int(round(glyph.width))
    rename(font, family, postscript_name)
    font.os2_codepages = codepages  # keeps the JIS bit that Wine selects by
    # Never smoothed: Wine antialiases a font where fontconfig's defaults say
    # so, unless the font's own gasp table says not to at that size.
    font.gasp = ((65535, ("gridfit",)),)
    # The average width of the OS/2 version 1 method (the Latin lowercase),
    # as the IPA fonts have it, not the average over every glyph.
    font.os2_version = 1
    font.generate(target)
    font.close()


def checksum(data):
    """The sum of a TrueType table (or a whole font) as 32-bit words."""
    data = bytes(data) + b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def copy_marlett(target):
    with open(MARLETT, "rb") as f:
        font = bytearray(f.read())
    tables = {}
    for i in range(struct.unpack_from(">H", font, 4)[0]):
        record = 12 + 16 * i
        tag, _, offset, length = struct.unpack_from(">4sIII", font, record)
        tables[tag] = (record, offset, length)
    record, offset, length = tables[b"gasp"]
    ranges = struct.unpack_from(">H", font, offset + 2)[0]
    for r in range(ranges):
        struct.pack_into(">H", font, offset + 4 + 4 * r + 2, GASP_GRIDFIT)
    struct.pack_into(">I", font, record + 4, checksum(font[offset:offset + length]))
    head = tables[b"head"][1]
    struct.pack_into(">I", font, head + 8, 0)
    struct.pack_into(">I", font, head + 8, (0xB1B0AFBA - checksum(font)) & 0xFFFFFFFF)
    with open(target, "wb") as f:
        f.write(font)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    build("ipagp.ttf", os.path.join(out, "ventrok-pgothic.ttf"), "Ventrok PGothic",
          "VentrokPGothic", narrow_ascii=True)
    build("ipag.ttf", os.path.join(out, "ventrok-gothic.ttf"), "Ventrok Gothic",
          "VentrokGothic", narrow_ascii=False)
    copy_marlett(os.path.join(out, "marlett.ttf"))


if __name__ == "__main__":
    main()
