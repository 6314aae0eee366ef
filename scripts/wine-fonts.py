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

Run with Debian's Python, which has python3-fontforge:
    /usr/bin/python3 scripts/wine-fonts.py OUTPUT_DIR
"""
import os
import sys

import fontforge
import psMat

IPA_DIR = "/usr/share/fonts/opentype/ipafont-gothic"
NARROWING = 7.0 / 8.0


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


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    build("ipagp.ttf", os.path.join(out, "ventrok-pgothic.ttf"), "Ventrok PGothic",
          "VentrokPGothic", narrow_ascii=True)
    build("ipag.ttf", os.path.join(out, "ventrok-gothic.ttf"), "Ventrok Gothic",
          "VentrokGothic", narrow_ascii=False)


if __name__ == "__main__":
    main()
