#!/usr/bin/python3
"""Opens PDFs in the five engines behind the viewers people use: poppler
(pdftotext), MuPDF (mutool), Ghostscript (txtwrite), pdf.js and PDFium (from
npm, run by browser_engines.mjs).

  check_engines.py text SOURCE PDF [SOURCE PDF ...]
    Every word of each SOURCE text (a run of characters between blanks) must
    be in each engine's text of its PDF, and MuPDF must print no warning
    beyond those it prints for a trivial PDF. Prints the share of words each
    engine finds, as a table.

  check_engines.py against FLOORS SOURCE PDF REFERENCE [SOURCE PDF REFERENCE ...]
    Each engine must find at least as many words of SOURCE in PDF as in
    REFERENCE (another program's PDF of the same text), except where FLOORS
    (a file of lines "DOCUMENT ENGINE PERCENT  reason", DOCUMENT the
    SOURCE's name without its extension, ENGINE as the table names it up to
    its first blank) sets a lower floor. Prints the shares, ours / the
    reference's, as a table.

  check_engines.py images PDF[:PAGE] IMAGE [PDF[:PAGE] IMAGE ...]
    The image drawn on that page (1 unless given) must render in poppler,
    MuPDF and PDFium to the pixels of IMAGE (turned as its EXIF orientation
    says, on white where it is transparent): exactly for a lossless image,
    within a small tolerance for a JPEG.

Exits with 0 when every check holds, 1 when one fails, 2 when an engine
cannot be run.
"""
import collections
import os
import re
import subprocess
import sys
import tempfile
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
BROWSER_ENGINES = os.path.join(HERE, "browser_engines.mjs")
ENGINE_TIMEOUT = 180


class EngineError(Exception):
    pass


def run(command, name):
    try:
        result = subprocess.run(command, capture_output=True, timeout=ENGINE_TIMEOUT)
    except FileNotFoundError:
        raise EngineError(f"{name}: {command[0]} is not installed: run scripts/setup")
    except subprocess.TimeoutExpired:
        raise EngineError(f"{name}: no answer within {ENGINE_TIMEOUT} s")
    if result.returncode != 0:
        raise EngineError(f"{name} ended with {result.returncode}: {result.stderr.decode(errors='replace').strip()}")
    return result


def node(*arguments):
    if not os.path.isdir(os.path.join(HERE, "..", "..", "node_modules")):
        raise EngineError("pdf.js and PDFium are not installed (node_modules): run scripts/setup")
    return run(["node", BROWSER_ENGINES, *arguments], "node " + " ".join(arguments[:2]))


# Each engine's text of a whole PDF, as its viewer's search sees it, and what
# it printed on the side.
def poppler_text(pdf):
    # With -layout: the reading mode's guess at columns takes a line of widely
    # spaced words (a title) apart and drops a lone dash from it.
    return run(["pdftotext", "-layout", "-enc", "UTF-8", pdf, "-"], "pdftotext").stdout.decode(), ""


def mupdf_text(pdf):
    result = run(["mutool", "draw", "-q", "-F", "txt", "-o", "-", pdf], "mutool draw")
    return result.stdout.decode(), result.stderr.decode(errors="replace")


def ghostscript_text(pdf):
    with tempfile.TemporaryDirectory() as folder:
        output = os.path.join(folder, "text.txt")
        run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=txtwrite", f"-sOutputFile={output}", pdf],
            "gs txtwrite")
        with open(output, encoding="utf-8", errors="replace") as file:
            return file.read(), ""


def pdfjs_text(pdf):
    return node("text", "pdfjs", pdf).stdout.decode(), ""


def pdfium_text(pdf):
    return node("text", "pdfium", pdf).stdout.decode(), ""


# Each engine with the order it gives a right-to-left word in when the page
# shows it right: read (logical) order, or the order of its glyphs from left
# to right (reversed). pango-view's PDFs, laid out by a bidi-aware engine,
# tell them apart: Ghostscript does not reorder what is drawn, and PDFium
# gives each word's characters from left to right. pdf.js gives such a page's
# words in read order but without the blanks between them (a glyph that lies
# left of the one before starts a text item of its own, and items are joined
# as they come), from pango-view's PDFs as from ours: a right-to-left word is
# found there as its viewer's search finds it, inside that text (searched).
TEXT_ENGINES = [
    ("poppler (`pdftotext`)", poppler_text, "read"),
    ("Ghostscript (`txtwrite`)", ghostscript_text, "reversed"),
    ("MuPDF (`mutool`)", mupdf_text, "read"),
    ("pdf.js", pdfjs_text, "searched"),
    ("PDFium", pdfium_text, "reversed"),
]

# Marks that only steer the direction of the text around them: invisible,
# and skipped by a search. poppler puts them around right-to-left lines.
DIRECTION_MARKS = dict.fromkeys(map(ord, "\u200e\u200f\u202a\u202b\u202c\u202d\u202e\u2066\u2067\u2068\u2069\u061c"))


def is_right_to_left(word):
    return any(unicodedata.bidirectional(c) in ("R", "AL") for c in word)


# Thai and Lao AM, which NFKC unfolds into NIKHAHIT and AA (ำ into ํา): a
# viewer's search does not, so an engine that gives the two parts has not
# given the word. pdf.js unfolds the Lao AM itself, in its text and in what
# its search looks for, so for pdf.js the Lao AM is unfolded too.
AM_FORMS = "\u0e33\u0eb3"


def kept_forms(right_to_left):
    return "\u0e33" if right_to_left == "searched" else AM_FORMS


def fold(text, kept):
    """NFKC, but for the characters in kept."""
    pieces = re.split(f"([{kept}])", text)
    return "".join(piece if len(piece) == 1 and piece in kept else unicodedata.normalize("NFKC", piece)
                   for piece in pieces)


def words(text, right_to_left="read", kept=None):
    # Compatibility forms (a ligature, a full-width letter) are the same word
    # to a reader and to a viewer's search. An engine that gives a
    # right-to-left word backwards gives a ligature's one character (لا as
    # U+FEFB) where the pair would be backwards: the form is unfolded in the
    # order the word is read.
    kept = kept_forms(right_to_left) if kept is None else kept
    text = text.translate(DIRECTION_MARKS)
    if right_to_left == "reversed":
        return [fold(word[::-1], kept)[::-1] if is_right_to_left(word) else
                fold(word, kept) for word in text.split()]
    return fold(text, kept).split()


def read_source(path):
    data = open(path, "rb").read()
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16")
    try:
        return data.decode("utf-8-sig")
    except UnicodeDecodeError:
        return data.decode("cp1252")


def found_words(source_words, engine_words, right_to_left="read"):
    """The source's words that the engine's text holds as words of its own,
    each occurrence counted once: a word split by a space, or one with a
    character lost or changed, is missing. A right-to-left word is looked for
    in the order the engine gives it in from a page that shows it right; from
    a page that draws it backwards the engine gives the other order, and the
    word is missing. Where the engine joins such words, each is searched for
    in its text, what was found then used up."""
    available = collections.Counter(engine_words)
    # Each search consumes what it found.
    searched = "\n".join(engine_words)
    found, missing = 0, []
    for word in source_words:
        form = word[::-1] if right_to_left == "reversed" and is_right_to_left(word) else word
        if right_to_left == "searched" and is_right_to_left(word):
            place = searched.find(word)
            if place >= 0:
                searched = searched[:place] + "\n" + searched[place + len(word):]
                found += 1
            else:
                missing.append(word)
        elif available[form] > 0:
            available[form] -= 1
            found += 1
        else:
            missing.append(word)
    return found, missing


def trivial_pdf(path):
    """An empty page, written by hand: what MuPDF says about it is what its
    build says about every file."""
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n%s\nendobj\n" % (number, body)
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as file:
        file.write(out)


def mupdf_own_warnings():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "trivial.pdf")
        trivial_pdf(path)
        return set(mupdf_text(path)[1].splitlines())


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    return "\n".join(lines)


def check_text(pairs):
    baseline = mupdf_own_warnings()
    rows, failures = [], []
    for source, pdf in pairs:
        source_text = read_source(source)
        name = os.path.splitext(os.path.basename(source))[0]
        row = [name]
        for engine, extract, right_to_left in TEXT_ENGINES:
            text, said = extract(pdf)
            source_words = words(source_text, kept=kept_forms(right_to_left))
            found, missing = found_words(source_words, words(text, right_to_left), right_to_left)
            share = f"{100 * found // len(source_words)}%" if source_words else "-"
            if missing:
                failures.append(f"{name}: {engine} misses {len(missing)} of {len(source_words)} words, "
                                f"such as {' '.join(missing[:8])}")
            warnings = [line for line in said.splitlines() if line not in baseline]
            if warnings:
                share += f" ({len(warnings)} warnings)"
                failures.append(f"{name}: {engine} warns: {warnings[0]}")
            row.append(share)
        rows.append(row)
    print(table(["Document"] + [engine for engine, _, _ in TEXT_ENGINES], rows))
    return failures


def read_floors(path):
    floors = {}
    with open(path, encoding="utf-8") as file:
        for line in file:
            fields = line.split("#")[0].split()
            if len(fields) >= 3:
                floors[(fields[0], fields[1])] = int(fields[2].rstrip("%"))
    return floors


def check_against(floors, triples):
    rows, failures = [], []
    for source, pdf, reference in triples:
        source_text = read_source(source)
        name = os.path.splitext(os.path.basename(source))[0]
        row = [name]
        for engine, extract, right_to_left in TEXT_ENGINES:
            source_words = words(source_text, kept=kept_forms(right_to_left))
            ours, _ = found_words(source_words, words(extract(pdf)[0], right_to_left), right_to_left)
            theirs, _ = found_words(source_words, words(extract(reference)[0], right_to_left), right_to_left)
            share = (lambda found: 100 * found // max(len(source_words), 1))
            row.append(f"{share(ours)}% / {share(theirs)}%")
            floor = floors.get((name, engine.split()[0]))
            if floor is not None:
                if share(ours) < floor:
                    failures.append(f"{name}: {engine} finds {share(ours)}% of the words, below its floor of {floor}%")
            elif ours < theirs:
                failures.append(f"{name}: {engine} finds {ours} of {len(source_words)} words, the reference {theirs}")
        rows.append(row)
    print(table(["Document"] + [engine for engine, _, _ in TEXT_ENGINES], rows))
    return failures


# Image pages.
RENDER_ENGINES = ["poppler", "MuPDF", "PDFium"]
# A JPEG is decoded by each engine's own decoder, whose inverse DCT and
# chroma upsampling may differ from Pillow's by a few levels (here all four
# are libjpeg's and agree to the level).
JPEG_MEAN_TOLERANCE = 1.0
JPEG_MAX_TOLERANCE = 16
# Each pixel of the image is rendered at least this many device pixels wide,
# and read back at its centre, so that neither the page's offset nor an
# engine's smoothing of an enlarged image reaches the pixel read.
OVERSAMPLING = 8


def image_rectangle(pdf, page):
    """Where the page shows its image, in points from the top left corner,
    as MuPDF's trace of the page gives it. The image may be turned by quarter
    turns or mirrored (as a photo's orientation asks): what the page shows is
    compared with the picture turned the same way."""
    trace = run(["mutool", "trace", pdf, str(page)], "mutool trace").stdout.decode()
    images = re.findall(r'<fill_image [^>]*transform="([^"]+)"', trace)
    if len(images) != 1:
        raise EngineError(f"{pdf}: page {page} draws {len(images)} images, expected one")
    a, b, c, d, e, f = map(float, images[0].split())
    if not (abs(b) < 1e-6 and abs(c) < 1e-6 or abs(a) < 1e-6 and abs(d) < 1e-6):
        raise EngineError(f"{pdf}: the image on page {page} is turned by other than quarter turns, or skewed")
    xs = [e, e + a, e + c, e + a + c]
    ys = [f, f + b, f + d, f + b + d]
    return min(xs), min(ys), max(xs) - min(xs), max(ys) - min(ys)


def render(engine, pdf, page, scale, folder):
    from PIL import Image
    output = os.path.join(folder, f"{engine}.ppm")
    dpi = f"{scale * 72:.6f}"
    if engine == "poppler":
        run(["pdftoppm", "-r", dpi, "-f", str(page), "-l", str(page), "-singlefile", pdf,
             output[:-len(".ppm")]], "pdftoppm")
    elif engine == "MuPDF":
        run(["mutool", "draw", "-q", "-r", dpi, "-c", "rgb", "-o", output, pdf, str(page)], "mutool draw")
    else:
        node("render", "pdfium", pdf, str(page), f"{scale:.6f}", output)
    return Image.open(output).convert("RGB")


def source_pixels(path):
    """The image as a viewer shows it on a white page, and the levels each
    pixel may differ by when it is lossless: where it is partly transparent,
    the engines' blending rounds differently from ours by a level."""
    import numpy
    from PIL import Image, ImageOps
    image = ImageOps.exif_transpose(Image.open(path))
    tolerance = numpy.zeros((image.height, image.width, 1), dtype=numpy.int16)
    if image.mode in ("RGBA", "LA", "PA") or (image.mode == "P" and "transparency" in image.info):
        image = image.convert("RGBA")
        alpha = numpy.asarray(image.getchannel("A"), dtype=numpy.int16)[:, :, None]
        tolerance[(alpha > 0) & (alpha < 255)] = 1
        white = Image.new("RGBA", image.size, (255, 255, 255, 255))
        image = Image.alpha_composite(white, image)
    return numpy.asarray(image.convert("RGB"), dtype=numpy.int16), tolerance


def check_images(pairs):
    import numpy
    rows, failures = [], []
    for target, source in pairs:
        pdf, _, page = target.partition(":")
        page = int(page or 1)
        expected, blending = source_pixels(source)
        height, width = expected.shape[:2]
        lossy = open(source, "rb").read(3) == b"\xff\xd8\xff"
        x, y, w, h = image_rectangle(pdf, page)
        # Device pixels per point, so that one image pixel spans OVERSAMPLING or more.
        scale = OVERSAMPLING * max(width / w, height / h)
        centres_x = ((x + (numpy.arange(width) + 0.5) * w / width) * scale).astype(int)
        centres_y = ((y + (numpy.arange(height) + 0.5) * h / height) * scale).astype(int)
        row = [f"{os.path.basename(source)} ({width}×{height})"]
        with tempfile.TemporaryDirectory() as folder:
            for engine in RENDER_ENGINES:
                rendered = numpy.asarray(render(engine, pdf, page, scale, folder), dtype=numpy.int16)
                if centres_x[-1] >= rendered.shape[1] or centres_y[-1] >= rendered.shape[0]:
                    failures.append(f"{source}: {engine} renders the page smaller than the image")
                    row.append("no image")
                    continue
                difference = numpy.abs(rendered[numpy.ix_(centres_y, centres_x)] - expected)
                mean, largest = float(difference.mean()), int(difference.max())
                row.append(f"mean {mean:.2f}, max {largest}")
                if lossy and (mean > JPEG_MEAN_TOLERANCE or largest > JPEG_MAX_TOLERANCE) or \
                        not lossy and (difference > blending).any():
                    failures.append(f"{source}: {engine} renders other pixels (mean difference {mean:.2f}, "
                                    f"largest {largest})")
        rows.append(row)
    print(table(["Image"] + RENDER_ENGINES, rows))
    return failures


def main(arguments):
    against = len(arguments) >= 5 and arguments[0] == "against" and (len(arguments) - 2) % 3 == 0
    if not against and (len(arguments) < 3 or len(arguments) % 2 != 1 or arguments[0] not in ("text", "images")):
        print(__doc__, file=sys.stderr)
        return 64
    pairs = list(zip(arguments[1::2], arguments[2::2]))
    try:
        if against:
            failures = check_against(read_floors(arguments[1]),
                                     list(zip(arguments[2::3], arguments[3::3], arguments[4::3])))
        else:
            failures = check_text(pairs) if arguments[0] == "text" else check_images(pairs)
    except EngineError as error:
        print(f"FAIL: {error}", file=sys.stderr)
        return 2
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
