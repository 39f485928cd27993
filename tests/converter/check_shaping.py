#!/usr/bin/python3
"""The converter's shaped text read back from its PDFs and set beside what
hb-shape (Debian's libharfbuzz-bin) gives for the same characters in the same
font file, run by run.

  check_shaping.py glyphs [--font FILE] PDF [PDF ...]
    Every shaped run must have hb-shape's glyphs, each where hb-shape puts
    it. A left-to-right run is the text of its /ActualText span; a
    right-to-left run is a stretch of one font, drawn leftwards outside such
    a span, whose characters (by the font's ToUnicode map) are written right
    to left. A glyph past the font file's own is a variant the converter
    added, a one-part composite: it is read as its part, moved by the
    composite's offset; one that draws nothing (it carries a character of
    the glyph before it) is left out. A two-part composite (a Thai or Lao
    AM's NIKHAHIT and AA, drawn as one glyph where the AA stands) is read as
    its parts, each moved by its offset: its first part must be where
    hb-shape puts that glyph of the run, wherever hb-shape has it among the
    glyphs (before a tone mark), and the other glyphs in hb-shape's order. --font names a font file the converter embeds (the
    PDF names the others, found with fc-list). Prints runs alike per PDF,
    as a table.

  check_shaping.py am PDF [PDF ...]
    Every left-to-right shaped run with a Thai or Lao AM (ำ, ຳ) must read as
    its /ActualText from its glyphs' own texts (ToUnicode, in the order they
    are drawn, every glyph's text, nothing left out), as an engine that reads
    a character for every glyph (MuPDF, Ghostscript) reads it: the shaper
    draws the AM as its two parts, NIKHAHIT and AA, and their glyphs must not
    read as the parts (ํา), which no search for the word finds, nor leave a
    character of their own inside the word. Prints the runs read as written
    per PDF, as a table.

  check_shaping.py inside PDF [PDF ...]
    No glyph of any page ends past the right edge of the text frame, which
    lies as far from the page's right edge as the frame's left edge (where
    the first line starts) from its left: a wrapped line of shaped text
    must be no wider as drawn than the frame.

  check_shaping.py right-aligned PDF LINE [LINE ...]
    Each line (counted from 1 on the first page) must end at the right edge
    of the text, which lies as far from the page's right edge as the text's
    start from its left.

Exits with 0 when every check holds, 1 when one fails, 2 when a tool cannot
be run.
"""
import json
import os
import re
import subprocess
import sys
import unicodedata

import pikepdf

# Points a glyph may lie off hb-shape's place: the PDF's numbers are rounded
# to a few decimals.
POSITION_TOLERANCE = 0.02


class ToolError(Exception):
    pass


def to_unicode(font):
    """The font's ToUnicode map: code to text."""
    if "/ToUnicode" not in font:
        return {}
    cmap = font.ToUnicode.read_bytes().decode("latin-1")
    mapping = {}

    def text(hexadecimal):
        return bytes.fromhex(hexadecimal).decode("utf-16-be")

    for block in re.findall(r"beginbfchar(.*?)endbfchar", cmap, re.S):
        for code, value in re.findall(r"<([0-9A-Fa-f]+)>\s*<([0-9A-Fa-f]+)>", block):
            mapping[int(code, 16)] = text(value)
    for block in re.findall(r"beginbfrange(.*?)endbfrange", cmap, re.S):
        for first, last, value in re.findall(r"<([0-9A-Fa-f]+)>\s*<([0-9A-Fa-f]+)>\s*<([0-9A-Fa-f]+)>", block):
            start = text(value)
            for offset, code in enumerate(range(int(first, 16), int(last, 16) + 1)):
                mapping[code] = start[:-1] + chr(ord(start[-1]) + offset)
    return mapping


def widths(font):
    """Glyph widths of a Type0 font with Identity-H, in thousandths of the size."""
    descendant = font.DescendantFonts[0]
    default = float(descendant.get("/DW", 1000))
    table = {}
    entries = list(descendant.get("/W", []))
    i = 0
    while i < len(entries):
        first = int(entries[i])
        if isinstance(entries[i + 1], pikepdf.Array):
            for offset, width in enumerate(entries[i + 1]):
                table[first + offset] = float(width)
            i += 2
        else:
            for code in range(first, int(entries[i + 1]) + 1):
                table[code] = float(entries[i + 2])
            i += 3
    return lambda code: table.get(code, default)


class Glyph:
    def __init__(self, **fields):
        self.__dict__.update(fields)


def page_glyphs(pdf, page):
    """Every glyph shown on the page, in the order it is drawn: its font's
    name, glyph id, place (points, y of the baseline with the rise), width,
    text by ToUnicode, line, and the /ActualText of the span around it."""
    fonts = {}
    for name, font in page.Resources.Font.items():
        fonts[name] = (str(font.BaseFont)[1:].split("+", 1)[-1], to_unicode(font), widths(font), font)
    glyphs = []
    leading = size = rise = spacing = 0.0
    line_x = line_y = x = 0.0
    line = 0
    font = None
    actual = []
    for operands, operator in pikepdf.parse_content_stream(page):
        op = str(operator)

        def show(items):
            nonlocal x
            for item in items:
                if isinstance(item, pikepdf.String):
                    data = bytes(item)
                    for i in range(0, len(data) - 1, 2):
                        code = data[i] << 8 | data[i + 1]
                        width = font[2](code) / 1000 * size
                        glyphs.append(Glyph(font=font[0], glyph=code, x=x, y=line_y + rise, width=width,
                                            size=size, embedded=font[3], text=font[1].get(code, ""), line=line,
                                            actual=actual[-1] if actual else None, span=len(actual) and span_id))
                        x += width + spacing
                else:
                    x -= float(item) / 1000 * size

        if op == "TL":
            leading = float(operands[0])
        elif op == "Td":
            line_x += float(operands[0])
            line_y += float(operands[1])
            x = line_x
        elif op in ("T*", "'"):
            line_y -= leading
            line += 1
            x = line_x
            if op == "'":
                show(operands)
        elif op == "Tf":
            font = fonts[str(operands[0])]
            size = float(operands[1])
        elif op == "Ts":
            rise = float(operands[0])
        elif op == "Tc":
            spacing = float(operands[0])
        elif op == "Tj":
            show(operands)
        elif op == "TJ":
            show(operands[0])
        elif op == "BDC":
            properties = operands[1]
            actual.append(str(properties.ActualText) if isinstance(properties, pikepdf.Dictionary) and
                          "/ActualText" in properties else None)
            span_id = len(glyphs)
        elif op == "EMC":
            actual.pop()
    return glyphs


def font_files(extra):
    """PostScript name to font file: the files named, then the system's."""
    try:
        listing = subprocess.run(["fc-list", ":", "postscriptname", "file"], capture_output=True, text=True,
                                 timeout=60).stdout
    except (FileNotFoundError, subprocess.TimeoutExpired) as error:
        raise ToolError(f"fc-list: {error}")
    files = {}
    for entry in listing.splitlines():
        match = re.match(r"(.*?): :postscriptname=(.*)", entry)
        if match and match.group(1).endswith(".ttf"):
            files.setdefault(match.group(2), match.group(1))
    for path in extra:
        from fontTools.ttLib import TTFont
        files[TTFont(path)["name"].getDebugName(6)] = path
    return files


# Thousandths of the em by which the converter does not move a glyph up or
# down: no eye sees it, and Ghostscript would read the glyph as a line apart.
NEGLIGIBLE_OFFSET = 2


def invisible_glyph(font_file, cache={}):
    """The glyph the converter draws invisible characters with: the font's
    own for the zero-width space where it differs from its blank (so that a
    blank and a zero-width space read back apart), else HarfBuzz's choice."""
    if font_file not in cache:
        from fontTools.ttLib import TTFont
        font = TTFont(font_file, lazy=True)
        cmap = font.getBestCmap() or {}
        glyph = 0
        if 0x200B in cmap and cmap.get(0x20) != cmap[0x200B]:
            glyph = font.getGlyphID(cmap[0x200B])
        cache[font_file] = glyph
    return cache[font_file]


def glyph_count(font_file, cache={}):
    if font_file not in cache:
        from fontTools.ttLib import TTFont
        cache[font_file] = TTFont(font_file, lazy=True)["maxp"].numGlyphs
    return cache[font_file]


def variant_parts(embedded, cache):
    """The embedded subset's composite glyphs: glyph id to its parts, each
    (the glyph it draws, x and y offsets in ems), or None for a glyph that
    draws nothing (it carries text). cache: one PDF's, by object."""
    key = embedded.objgen
    if key not in cache:
        import io
        from fontTools.ttLib import TTFont
        data = embedded.DescendantFonts[0].FontDescriptor.FontFile2.read_bytes()
        subset = TTFont(io.BytesIO(data))
        glyf, order = subset["glyf"], subset.getGlyphOrder()
        units = subset["head"].unitsPerEm
        parts = {}
        for gid, name in enumerate(order):
            glyph = glyf[name]
            if glyph.isComposite() and len(glyph.components) in (1, 2):
                # offsets (ARGS_ARE_XY_VALUES), not points to match
                if not any(hasattr(part, "firstPt") for part in glyph.components):
                    parts[gid] = [(subset.getGlyphID(part.glyphName), part.x / units, part.y / units)
                                  for part in glyph.components]
            elif glyph.numberOfContours == 0:
                parts[gid] = None
        cache[key] = parts
    return cache[key]


def resolve_variants(glyphs, files, cache):
    """A glyph past the last of its font file's own is one the converter
    added: a composite drawing one of the font's glyphs moved, read as that
    glyph at its place moved by the offset (one of two parts as two glyphs,
    the first marked `grouped`, of no width), or a glyph that draws nothing
    and only carries a character of the glyph before it, left out."""
    kept = []
    for g in glyphs:
        if g.font in files and g.glyph >= glyph_count(files[g.font]):
            parts = variant_parts(g.embedded, cache)
            if g.glyph not in parts:
                raise ToolError(f"glyph {g.glyph} of {g.font} is neither the font's nor a moved copy of one")
            if parts[g.glyph] is None:
                if g.width != 0:
                    raise ToolError(f"glyph {g.glyph} of {g.font} draws nothing but takes room")
                continue
            drawn = parts[g.glyph]
            for i, (glyph, dx, dy) in enumerate(drawn):
                last = i + 1 == len(drawn)
                kept.append(Glyph(**dict(g.__dict__, glyph=glyph, x=g.x + dx * g.size, y=g.y + dy * g.size,
                                         width=g.width if last else 0, text=g.text if last else "",
                                         grouped=not last)))
            continue
        kept.append(g)
    glyphs[:] = kept


def hb_shape(font_file, text, right_to_left, before="", after=""):
    command = ["hb-shape", "--font-size=1000", "--output-format=json", "--no-glyph-names",
               f"--direction={'rtl' if right_to_left else 'ltr'}", f"--text-before={before}",
               f"--text-after={after}", f"--invisible-glyph={invisible_glyph(font_file)}", font_file, text]
    try:
        result = subprocess.run(command, capture_output=True, text=True, timeout=60,
                                env=dict(os.environ, LC_ALL="C.UTF-8"))
    except FileNotFoundError:
        raise ToolError("hb-shape is not installed (libharfbuzz-bin): run scripts/setup")
    if result.returncode != 0:
        raise ToolError(f"hb-shape ended with {result.returncode}: {result.stderr.strip()}")
    return json.loads(result.stdout)


def is_right_to_left(text):
    return any(unicodedata.bidirectional(c) in ("R", "AL") for c in text)


def runs(glyphs):
    """The shaped runs: (text, right to left, glyphs left to right)."""
    found = []
    i = 0
    while i < len(glyphs):
        glyph = glyphs[i]
        if glyph.actual is not None:
            last = i
            while last < len(glyphs) and glyphs[last].span == glyph.span and glyphs[last].actual is not None:
                last += 1
            found.append((glyph.actual, False, glyphs[i:last]))
            i = last
            continue
        # Outside a span: a right-to-left run is drawn in the order it is
        # written, each glyph starting left of the end of the one before (a
        # mark over it).
        last = i + 1
        while last < len(glyphs) and glyphs[last].actual is None and glyphs[last].font == glyph.font and \
                glyphs[last].line == glyph.line and \
                glyphs[last].x < glyphs[last - 1].x + max(glyphs[last - 1].width, 0.01) - 1e-6:
            last += 1
        # A lam-alef ligature stands for the one character Unicode has for
        # the pair; shaped, the pair gives it.
        text = "".join(unicodedata.normalize("NFKC", g.text) if "\ufef5" <= g.text <= "\ufefc" else g.text
                       for g in glyphs[i:last])
        if is_right_to_left(text):
            found.append((text, True, glyphs[i:last][::-1]))
        i = last
    return found


def neighbour(line, x):
    """The text of the glyph that starts (or ends) where the run ends (or
    starts): the context the converter shaped the run in, a character drawn
    on the grid beside it (a joining tatweel), or a joiner that takes no room
    (a zero-width non-joiner ends a Persian word's joining)."""
    beside = [g for g in line if abs(x(g)) < POSITION_TOLERANCE]
    return min(beside, key=lambda g: g.width).text if beside else ""


def compare_run(font_file, text, right_to_left, drawn, line):
    """Where the run differs from hb-shape's, or None."""
    left = min(g.x for g in drawn)
    right = max(g.x + g.width for g in drawn)
    outside = [g for g in line if all(g is not d for d in drawn)]
    at_left = neighbour(outside, lambda g: g.x + g.width - left)
    at_right = neighbour(outside, lambda g: g.x - right)
    before, after = (at_right, at_left) if right_to_left else (at_left, at_right)
    shaped = hb_shape(font_file, text, right_to_left, before, after)
    ours = [g.glyph for g in drawn]
    theirs = [g["g"] for g in shaped]
    if sorted(ours) != sorted(theirs):
        return f"glyphs {ours}, hb-shape {theirs}"
    size = 10.0
    scale = size / 1000
    start = drawn[0].x - shaped[0]["dx"] * scale
    base_y = drawn[0].y - (shaped[0]["dy"] if abs(shaped[0]["dy"]) > NEGLIGIBLE_OFFSET else 0) * scale
    pen = 0
    places = []  # hb-shape's glyphs and places, in its order
    for h in shaped:
        places.append((h["g"], start + (pen + h["dx"]) * scale,
                       base_y + (h["dy"] if abs(h["dy"]) > NEGLIGIBLE_OFFSET else 0) * scale))
        pen += h["ax"]

    def near(g, place):
        return g.glyph == place[0] and abs(g.x - place[1]) <= POSITION_TOLERANCE and \
            abs(g.y - place[2]) <= POSITION_TOLERANCE

    # A grouped part is drawn with the glyph that holds it: it must be at
    # one of hb-shape's places for its glyph, taken then from the others.
    for g in (g for g in drawn if getattr(g, "grouped", False)):
        match = next((p for p in places if near(g, p)), None)
        if match is None:
            return f"glyph {g.glyph} at ({g.x:.2f}, {g.y:.2f}), part of a composite, at none of hb-shape's places"
        places.remove(match)
    for g, place in zip((g for g in drawn if not getattr(g, "grouped", False)), places):
        if not near(g, place):
            return f"glyph {g.glyph} at ({g.x:.2f}, {g.y:.2f}), hb-shape's place ({place[1]:.2f}, {place[2]:.2f})"
    return None


def check_glyphs(arguments):
    extra = []
    while arguments and arguments[0] == "--font":
        extra.append(arguments[1])
        arguments = arguments[2:]
    files = font_files(extra)
    failures, rows = [], []
    for path in arguments:
        alike = total = 0
        with pikepdf.open(path) as pdf:
            embedded = {}
            for number, page in enumerate(pdf.pages, 1):
                glyphs = page_glyphs(pdf, page)
                resolve_variants(glyphs, files, embedded)
                for text, right_to_left, drawn in runs(glyphs):
                    name = drawn[0].font
                    if name not in files:
                        raise ToolError(f"{path}: no font file for {name}")
                    total += 1
                    difference = compare_run(files[name], text, right_to_left, drawn,
                                             [g for g in glyphs if g.line == drawn[0].line])
                    if difference:
                        failures.append(f"{os.path.basename(path)} page {number}, line {drawn[0].line + 1}, "
                                        f"{'right to left' if right_to_left else 'left to right'} in {name}, "
                                        f"\"{text}\": {difference}")
                    else:
                        alike += 1
        rows.append(f"| {os.path.basename(path)} | {alike} / {total} |")
    print("| PDF | shaped runs alike hb-shape's |\n|---|---|")
    print("\n".join(rows))
    return failures


def check_am(paths):
    failures, rows = [], []
    for path in paths:
        read = total = 0
        with pikepdf.open(path) as pdf:
            for number, page in enumerate(pdf.pages, 1):
                for text, right_to_left, drawn in runs(page_glyphs(pdf, page)):
                    if right_to_left or not any(c in text for c in "\u0e33\u0eb3"):
                        continue
                    total += 1
                    glyph_text = "".join(g.text for g in drawn)
                    if glyph_text == text:
                        read += 1
                    else:
                        failures.append(f"{os.path.basename(path)} page {number}, line {drawn[0].line + 1}: "
                                        f"\"{text}\" reads as \"{glyph_text}\" from its glyphs")
        if total == 0:
            failures.append(f"{os.path.basename(path)}: no shaped run with an AM")
        rows.append(f"| {os.path.basename(path)} | {read} / {total} |")
    print("| PDF | runs with an AM read as written from their glyphs |\n|---|---|")
    print("\n".join(rows))
    return failures


def check_right_aligned(path, lines):
    failures = []
    with pikepdf.open(path) as pdf:
        page = pdf.pages[0]
        glyphs = page_glyphs(pdf, page)
        left = min(g.x for g in glyphs)
        right = float(page.MediaBox[2]) - left
        for line in lines:
            drawn = [g for g in glyphs if g.line == line - 1]
            end = max((g.x + g.width for g in drawn), default=0)
            if abs(end - right) > POSITION_TOLERANCE * 10:
                failures.append(f"{os.path.basename(path)}: line {line} ends at {end:.2f}, the text's right "
                                f"edge is at {right:.2f}")
    return failures


def frame_left(page):
    """Where the text frame starts: the first line's place, which the page's
    text object sets before it shows a glyph."""
    for operands, operator in pikepdf.parse_content_stream(page):
        if str(operator) == "Td":
            return float(operands[0])
    return None


def check_inside(paths):
    failures = []
    for path in paths:
        with pikepdf.open(path) as pdf:
            for number, page in enumerate(pdf.pages, 1):
                left = frame_left(page)
                if left is None:
                    continue
                right = float(page.MediaBox[2]) - left
                over = [g for g in page_glyphs(pdf, page) if max(g.x, g.x + g.width) > right + POSITION_TOLERANCE]
                if over:
                    worst = max(over, key=lambda g: max(g.x, g.x + g.width))
                    failures.append(f"{os.path.basename(path)} page {number}: {len(over)} glyphs past the text's "
                                    f"right edge at {right:.2f}, the farthest ending at "
                                    f"{max(worst.x, worst.x + worst.width):.2f} on line {worst.line + 1}")
    return failures


def main(arguments):
    try:
        if len(arguments) >= 2 and arguments[0] == "glyphs":
            failures = check_glyphs(arguments[1:])
        elif len(arguments) >= 2 and arguments[0] == "am":
            failures = check_am(arguments[1:])
        elif len(arguments) >= 2 and arguments[0] == "inside":
            failures = check_inside(arguments[1:])
        elif len(arguments) >= 3 and arguments[0] == "right-aligned":
            failures = check_right_aligned(arguments[1], [int(line) for line in arguments[2:]])
        else:
            print(__doc__, file=sys.stderr)
            return 64
    except ToolError as error:
        print(f"FAIL: {error}", file=sys.stderr)
        return 2
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
