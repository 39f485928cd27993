#!/usr/bin/python3
"""Reads the subset that WriteSubsetSample leaves behind with fontTools, a font
library independent of ours, and compares it with the full font: every table
parses and its checksum holds, each character of the sample text maps to the
same glyph id with the same advance and outline, and every other glyph
(beyond glyph 0 and the parts of composites) is empty. A glyph past the
full font's is a variant: a composite of one part, or of two (a Lao AM's
NIKHAHIT and AA drawn as one glyph), whose outline is its parts' each moved
by its offset, its bounding box and side bearing those of the parts moved.

Usage: check_subset.py FULL_FONT SUBSET_FONT (the text is SUBSET_FONT.txt)."""
import sys

from fontTools.ttLib import TTFont


def main(full_path, subset_path):
    text = open(subset_path + ".txt", encoding="utf-8").read()
    full = TTFont(full_path)
    subset = TTFont(subset_path, checkChecksums=2)  # a wrong table checksum raises
    subset.ensureDecompiled()
    problems = []
    full_cmap, subset_cmap = full.getBestCmap(), subset.getBestCmap()
    full_glyf, subset_glyf = full["glyf"], subset["glyf"]
    needed = {0}

    def keep(glyph_id):
        if glyph_id in needed and glyph_id != 0:
            return
        needed.add(glyph_id)
        glyph = full_glyf[full.getGlyphName(glyph_id)]
        for component in glyph.components if glyph.isComposite() else []:
            keep(full.getGlyphID(component.glyphName))

    for ch in text:
        full_id = full.getGlyphID(full_cmap[ord(ch)])
        if ord(ch) not in subset_cmap:
            problems.append(f"U+{ord(ch):04X} is not in the subset's cmap")
            continue
        subset_id = subset.getGlyphID(subset_cmap[ord(ch)])
        if subset_id != full_id:
            problems.append(f"U+{ord(ch):04X} maps to glyph {subset_id}, the font has {full_id}")
        if subset["hmtx"][subset.getGlyphName(subset_id)][0] != full["hmtx"][full.getGlyphName(full_id)][0]:
            problems.append(f"U+{ord(ch):04X}: advance differs")
        keep(full_id)
    font_glyphs = full["maxp"].numGlyphs
    part_counts = []
    for glyph_id in range(font_glyphs, subset["maxp"].numGlyphs):
        glyph = subset_glyf[subset.getGlyphName(glyph_id)]
        if not glyph.isComposite() or len(glyph.components) not in (1, 2) or \
                any(hasattr(part, "firstPt") for part in glyph.components):
            problems.append(f"glyph {glyph_id}, past the font's, is no composite of one or two parts moved by offsets")
            continue
        part_counts.append(len(glyph.components))
        moved = []
        for part in glyph.components:
            part_id = subset.getGlyphID(part.glyphName)
            original = full_glyf[full.getGlyphName(part_id)].getCoordinates(full_glyf)[0]
            moved += [(x + part.x, y + part.y) for x, y in original]
            print(f"glyph {glyph_id}: glyph {part_id} moved by ({part.x}, {part.y})")
            keep(part_id)
        if list(glyph.getCoordinates(subset_glyf)[0]) != moved:
            problems.append(f"glyph {glyph_id} does not draw its parts moved by their offsets")
        stored = (glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax)
        glyph.recalcBounds(subset_glyf)
        if stored != (glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax):
            problems.append(f"glyph {glyph_id}: bounding box {stored}, its outline's {glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax}")
        if subset["hmtx"][subset.getGlyphName(glyph_id)][1] != glyph.xMin:
            problems.append(f"glyph {glyph_id}: left side bearing is not its outline's left edge")
    if sorted(part_counts) != [1, 2]:
        problems.append(f"the sample's variants, one of one part and one of two, are not there: {part_counts}")
    maxp = subset["maxp"]
    if maxp.maxComponentElements < max(part_counts, default=0):
        problems.append(f"maxp: maxComponentElements {maxp.maxComponentElements}, a variant has {max(part_counts)}")
    for glyph_id in range(font_glyphs):
        glyph = subset_glyf[subset.getGlyphName(glyph_id)]
        drawn = glyph.numberOfContours != 0
        if glyph_id in needed:
            original = full_glyf[full.getGlyphName(glyph_id)]
            if glyph.getCoordinates(subset_glyf)[0] != original.getCoordinates(full_glyf)[0]:
                problems.append(f"glyph {glyph_id} is drawn differently")
        elif drawn:
            problems.append(f"glyph {glyph_id} is not used but still drawn")
    kept = sum(1 for i in range(subset["maxp"].numGlyphs) if subset_glyf[subset.getGlyphName(i)].numberOfContours != 0)
    print(f"subset: {len(subset.reader.keys())} tables, {subset['maxp'].numGlyphs} glyph ids, {kept} drawn, "
          f"{len(needed)} needed for {len(set(text))} characters")
    for problem in problems:
        print("check_subset:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
