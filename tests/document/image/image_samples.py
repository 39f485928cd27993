#!/usr/bin/env python3
"""Sample TIFF, GIF, BMP, netpbm and XBM images for the reader tests, and what each must give.

    image_samples.py OUTDIR

The pixels are made here (so the truth is known by construction), written
raw, and turned into each format by ImageMagick's `convert` and libtiff's
`tiffcp` (Debian's imagemagick and libtiff-tools); a few bitmaps that those
tools do not write (top-down rows, RLE4, 16-bit masks) are written here.
Writes into OUTDIR:
- the sample files;
- for image I of sample NAME, NAME.I.ref: a line
  "flate WIDTH HEIGHT COLOURS BITS DPI ORIENTATION" (the samples follow, as
  16-bit little-endian numbers: the colour samples a PDF reader must get,
  palettes resolved to RGB, then each pixel's alpha scaled to 0..65535 unless
  the image is opaque; the colour of a wholly transparent pixel is not
  compared), or "ccitt WIDTH HEIGHT K BLACKIS1 DPI ORIENTATION" or
  "dct WIDTH HEIGHT COLOURS 8 DPI ORIENTATION" for data passed through;
- formats.txt: one line per sample, "FORMAT NAME IMAGES".
"""
import os, random, struct, subprocess, sys

W, H = 37, 23  # odd sizes, so rows end inside a byte and tiles at the edges are partial


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)


def ref(path, kind, w, h, a, b, colour=(), alpha=(), dpi=0, orientation=1):
    with open(path, 'wb') as f:
        f.write(f'{kind} {w} {h} {a} {b} {dpi} {orientation}\n'.encode())
        f.write(b''.join(struct.pack('<H', v) for v in list(colour) + list(alpha)))


def pixels(channels, levels, seed, w=W, h=H):
    """Rows of smooth gradients with noise, each sample one of `levels` values."""
    rnd = random.Random(seed)
    out = []
    for y in range(h):
        for x in range(w):
            for c in range(channels):
                v = ((x * 7 + y * 5 + c * 40) % 64) * (levels - 1) // 63
                out.append(min(levels - 1, max(0, v + rnd.choice((0, 0, 1)))))
    return out


def raw(samples, bits):
    return bytes(samples) if bits == 8 else b''.join(struct.pack('>H', s) for s in samples)


class Samples:
    def __init__(self, out):
        self.out, self.lines = out, []

    def path(self, name):
        return os.path.join(self.out, name)

    def from_raw(self, name, fmt, samples, bits, convert_args, w=W, h=H, prefix=''):
        """A file made by convert from raw samples of the named map (gray, rgb, rgba, cmyk)."""
        src = self.path(name + '.raw')
        with open(src, 'wb') as f:
            f.write(raw(samples, bits))
        run('convert', '-size', f'{w}x{h}', '-depth', str(bits), '-endian', 'MSB', f'{fmt}:{src}',
            *convert_args, prefix + self.path(name))
        os.remove(src)

    def add(self, fmt, name, images):
        self.lines.append(f'{fmt} {name} {images}')


def tiff_samples(s):
    rgb = pixels(3, 256, 1)
    s.from_raw('rgb.tif', 'rgb', rgb, 8, ['-compress', 'none', '-density', '300x150', '-units', 'PixelsPerInch'])
    variants = {'lzw': ['-c', 'lzw'], 'lzw2': ['-c', 'lzw:2'], 'zip': ['-c', 'zip'], 'zip2': ['-c', 'zip:2'],
                'packbits': ['-c', 'packbits'], 'tiles': ['-c', 'lzw', '-t', '-w', '16', '-l', '16'],
                'planes': ['-c', 'zip', '-p', 'separate'], 'strips': ['-c', 'lzw', '-r', '5'],
                'big': ['-B', '-c', 'lzw:2']}
    for tag, args in variants.items():
        name = f'rgb-{tag}.tif'
        run('tiffcp', *args, s.path('rgb.tif'), s.path(name))
        ref(s.path(name + '.0.ref'), 'flate', W, H, 3, 8, rgb, dpi=300)
        s.add('tiff', name, 1)
    ref(s.path('rgb.tif.0.ref'), 'flate', W, H, 3, 8, rgb, dpi=300)
    s.add('tiff', 'rgb.tif', 1)

    for bits in (2, 4, 8, 16):
        gray = pixels(1, 1 << bits, bits)
        name = f'gray{bits}.tif'
        # Raw samples of 8 or 16 bits; ImageMagick writes them at the depth asked.
        source = gray if bits >= 8 else [v * 255 // ((1 << bits) - 1) for v in gray]
        s.from_raw(name, 'gray', source, max(bits, 8), ['-depth', str(bits), '-compress', 'zip' if bits >= 8 else 'lzw'])
        ref(s.path(name + '.0.ref'), 'flate', W, H, 1, bits, gray)
        s.add('tiff', name, 1)

    rgb16 = pixels(3, 65536, 16)
    s.from_raw('rgb16.tif', 'rgb', rgb16, 16, ['-compress', 'lzw'])
    ref(s.path('rgb16.tif.0.ref'), 'flate', W, H, 3, 16, rgb16)
    s.add('tiff', 'rgb16.tif', 1)

    rgba = pixels(4, 256, 4)
    s.from_raw('rgba.tif', 'rgba', rgba, 8, ['-compress', 'zip'])
    ref(s.path('rgba.tif.0.ref'), 'flate', W, H, 3, 8,
        [v for i, v in enumerate(rgba) if i % 4 != 3], [v * 257 for v in rgba[3::4]])
    s.add('tiff', 'rgba.tif', 1)

    cmyk = pixels(4, 256, 5)
    s.from_raw('cmyk.tif', 'cmyk', cmyk, 8, ['-compress', 'lzw'])
    ref(s.path('cmyk.tif.0.ref'), 'flate', W, H, 4, 8, cmyk)
    s.add('tiff', 'cmyk.tif', 1)

    # A palette of 12 colours (4-bit indices) and of 200 (8-bit).
    for count, bits in ((12, 4), (200, 8)):
        colours = [((i * 37) % 256, (i * 91) % 256, (i * 53 + 7) % 256) for i in range(count)]
        index = pixels(1, count, count)
        name = f'palette{bits}.tif'
        s.from_raw(name, 'rgb', [c for i in index for c in colours[i]], 8, ['-type', 'Palette', '-compress', 'RLE'])
        ref(s.path(name + '.0.ref'), 'flate', W, H, 3, 8, [c for i in index for c in colours[i]])
        s.add('tiff', name, 1)

    # Bilevel: white is zero (ImageMagick's choice for faxes) and black is zero; two pages.
    pages = [[255 * (((x // 3) + (y // 4) + p) % 2) for y in range(H) for x in range(W)] for p in range(2)]
    src = [s.path(f'page{p}.tif') for p in range(2)]
    for p in range(2):
        polarity = ['-define', 'quantum:polarity=min-is-white'] if p == 1 else []
        s.from_raw(f'page{p}.tif', 'gray', pages[p], 8, ['-depth', '1', '-compress', 'none', *polarity])
    run('tiffcp', *src, s.path('bilevel.tif'))
    run('tiffcp', '-c', 'g4', *src, s.path('fax-g4.tif'))
    run('tiffcp', '-c', 'g3:1d', '-r', '7', *src, s.path('fax-g3.tif'))
    run('tiffcp', '-c', 'g3:2d:fill', *src, s.path('fax-g32d.tif'))
    run('tiffcp', '-c', 'g4', '-r', '5', *src, s.path('fax-g4-strips.tif'))
    for p in range(2):
        white_is_zero = 'min-is-white' in subprocess.run(['tiffinfo', src[p]], capture_output=True, text=True).stdout
        ref(s.path(f'bilevel.tif.{p}.ref'), 'flate', W, H, 1, 1, [v // 255 for v in pages[p]])
        for name, k in (('fax-g4.tif', -1), ('fax-g4-strips.tif', -1), ('fax-g3.tif', 0), ('fax-g32d.tif', 4)):
            ref(s.path(f'{name}.{p}.ref'), 'ccitt', W, H, k, 0 if white_is_zero else 1)
    # Fax data in tiles cannot join into one stream: decoded.
    run('tiffcp', '-c', 'g4', '-t', '-w', '16', '-l', '16', *src, s.path('fax-g4-tiles.tif'))
    for p in range(2):
        ref(s.path(f'fax-g4-tiles.tif.{p}.ref'), 'flate', W, H, 1, 1, [v // 255 for v in pages[p]])
    for name in ('bilevel.tif', 'fax-g4.tif', 'fax-g4-strips.tif', 'fax-g3.tif', 'fax-g32d.tif', 'fax-g4-tiles.tif'):
        s.add('tiff', name, 2)
    for p in src:
        os.remove(p)

    run('tiffcp', '-c', 'jpeg', s.path('rgb.tif'), s.path('jpeg.tif'))
    ref(s.path('jpeg.tif.0.ref'), 'dct', W, H, 3, 8, dpi=300)
    s.add('tiff', 'jpeg.tif', 1)
    # JPEG in several strips or in tiles is decoded: to the pixels libtiff
    # itself decodes it to (tiffcp, to plain RGB).
    for name, args in (('jpeg-strips.tif', ['-r', '16']), ('jpeg-tiles.tif', ['-t', '-w', '16', '-l', '16'])):
        run('tiffcp', '-c', 'jpeg', *args, s.path('rgb.tif'), s.path(name))
        run('tiffcp', '-c', 'none', s.path(name), s.path('decoded.tif'))
        decoded = subprocess.run(['convert', s.path('decoded.tif'), '-depth', '8', 'rgb:-'], check=True,
                                 capture_output=True).stdout
        ref(s.path(name + '.0.ref'), 'flate', W, H, 3, 8, decoded, dpi=300)
        os.remove(s.path('decoded.tif'))
        s.add('tiff', name, 1)

    # Turned: ImageMagick writes the Orientation tag it is told.
    s.from_raw('turned.tif', 'rgb', rgb, 8, ['-orient', 'RightTop', '-compress', 'lzw'])
    ref(s.path('turned.tif.0.ref'), 'flate', W, H, 3, 8, rgb, orientation=6)
    s.add('tiff', 'turned.tif', 1)


def gif_samples(s):
    colours = [((i * 37) % 256, (i * 91) % 256, (i * 53 + 7) % 256) for i in range(200)]
    index = pixels(1, 200, 7)
    rgb = [c for i in index for c in colours[i]]
    for name, args in (('plain.gif', []), ('interlaced.gif', ['-interlace', 'GIF'])):
        s.from_raw(name, 'rgb', rgb, 8, args)
        ref(s.path(name + '.0.ref'), 'flate', W, H, 3, 8, rgb)
        s.add('gif', name, 1)
    # Transparent where the index is below 20; then the same image placed on a larger screen.
    alpha = [0 if i < 20 else 255 for i in index]
    rgba = [v for i, a in zip(index, alpha) for v in colours[i] + (a,)]
    s.from_raw('transparent.gif', 'rgba', rgba, 8, [])
    ref(s.path('transparent.gif.0.ref'), 'flate', W, H, 3, 8, rgb, [a * 257 for a in alpha])
    s.add('gif', 'transparent.gif', 1)
    run('convert', s.path('transparent.gif'), '-repage', f'{W + 9}x{H + 5}+4+3', s.path('screen.gif'))
    sw, sh = W + 9, H + 5
    screen_rgb, screen_alpha = [0] * (sw * sh * 3), [0] * (sw * sh)
    for y in range(H):
        for x in range(W):
            at = (y + 3) * sw + x + 4
            screen_rgb[at * 3:at * 3 + 3] = rgb[(y * W + x) * 3:(y * W + x) * 3 + 3]
            screen_alpha[at] = alpha[y * W + x] * 257
    ref(s.path('screen.gif.0.ref'), 'flate', sw, sh, 3, 8, screen_rgb, screen_alpha)
    s.add('gif', 'screen.gif', 1)


def bmp_file(w, h, bits, compression, rows, palette=b'', masks=b'', top_down=False, header=40):
    """A bitmap written here: `rows` already laid out as the file stores them."""
    info = struct.pack('<IiiHHIIiiII', header, w, -h if top_down else h, 1, bits, compression, len(rows),
                       11811, 5906, len(palette) // 4, 0)
    info += masks + bytes(header - len(info) - len(masks)) if header > 40 else b''
    extra = masks if header == 40 else b''
    offset = 14 + len(info) + len(extra) + len(palette)
    return b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset) + info + extra + palette + rows


def bmp_samples(s):
    rgb = pixels(3, 256, 11)
    rgba = pixels(4, 256, 12)
    opaque = [v for i, v in enumerate(rgba) if i % 4 != 3]
    for name, fmt, prefix, source, colour, alpha in (
            ('rgb24.bmp', 'rgb', 'BMP3:', rgb, rgb, ()),
            ('rgba32.bmp', 'rgba', '', rgba, opaque, [a * 257 for a in rgba[3::4]])):
        s.from_raw(name, fmt, source, 8, [], prefix=prefix)
        ref(s.path(name + '.0.ref'), 'flate', W, H, 3, 8, colour, alpha)
        s.add('bmp', name, 1)

    # Palette images of 1, 4 and 8 bits, bottom-up; RLE8 and RLE4 (runs and literals).
    for bits in (1, 4, 8):
        count = 1 << bits
        palette = [((i * 37) % 256, (i * 91) % 256, (i * 53 + 7) % 256) for i in range(count)]
        index = pixels(1, count, bits)
        stride = (W * bits + 31) // 32 * 4
        rows = b''
        for y in reversed(range(H)):
            row, acc, n = bytearray(), 0, 0
            for x in range(W):
                acc, n = (acc << bits) | index[y * W + x], n + bits
                if n == 8:
                    row.append(acc); acc, n = 0, 0
            if n:
                row.append(acc << (8 - n))
            rows += bytes(row) + bytes(stride - len(row))
        pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
        expected = [c for i in index for c in palette[i]]
        with open(s.path(f'palette{bits}.bmp'), 'wb') as f:
            f.write(bmp_file(W, H, bits, 0, rows, pal))
        ref(s.path(f'palette{bits}.bmp.0.ref'), 'flate', W, H, 3, 8, expected, dpi=300)
        s.add('bmp', f'palette{bits}.bmp', 1)
        if bits == 1:
            continue
        rle = b''
        for y in reversed(range(H)):
            line = index[y * W:(y + 1) * W]
            x = 0
            while x < W:
                run_length = 1
                while x + run_length < W and run_length < 20 and line[x + run_length] == line[x]:
                    run_length += 1
                if run_length >= 3 or W - x < 3:
                    value = line[x] * 17 if bits == 4 else line[x]
                    rle += bytes((run_length, value))
                    x += run_length
                else:  # a literal run of three
                    lit = line[x:x + 3]
                    if bits == 8:
                        rle += bytes((0, 3)) + bytes(lit) + b'\0'
                    else:
                        rle += bytes((0, 3, (lit[0] << 4) | lit[1], lit[2] << 4))
                    x += 3
            rle += b'\0\0'
        rle += b'\0\1'
        name = f'rle{bits}.bmp'
        with open(s.path(name), 'wb') as f:
            f.write(bmp_file(W, H, bits, 1 if bits == 8 else 2, rle, pal))
        ref(s.path(name + '.0.ref'), 'flate', W, H, 3, 8, expected, dpi=300)
        s.add('bmp', name, 1)

    # Top-down 24-bit rows; 16-bit 5-6-5 bit fields (scaled as viewers do).
    stride = (W * 3 + 3) // 4 * 4
    rows = b''.join(bytes(v for x in range(W) for v in reversed(rgb[(y * W + x) * 3:(y * W + x) * 3 + 3]))
                    + bytes(stride - W * 3) for y in range(H))
    with open(s.path('topdown.bmp'), 'wb') as f:
        f.write(bmp_file(W, H, 24, 0, rows, top_down=True))
    ref(s.path('topdown.bmp.0.ref'), 'flate', W, H, 3, 8, rgb, dpi=300)
    s.add('bmp', 'topdown.bmp', 1)
    stride = (W * 2 + 3) // 4 * 4
    rows, expected = b'', [0] * (W * H * 3)
    for y in reversed(range(H)):
        for x in range(W):
            r, g, b = (v >> s_ for v, s_ in zip(rgb[(y * W + x) * 3:(y * W + x) * 3 + 3], (3, 2, 3)))
            rows += struct.pack('<H', (r << 11) | (g << 5) | b)
            expected[(y * W + x) * 3:(y * W + x) * 3 + 3] = [round(r * 255 / 31), round(g * 255 / 63), round(b * 255 / 31)]
        rows += bytes(stride - W * 2)
    with open(s.path('rgb565.bmp'), 'wb') as f:
        f.write(bmp_file(W, H, 16, 3, rows, masks=struct.pack('<III', 0xf800, 0x7e0, 0x1f)))
    ref(s.path('rgb565.bmp.0.ref'), 'flate', W, H, 3, 8, expected, dpi=300)
    s.add('bmp', 'rgb565.bmp', 1)


def netpbm_samples(s):
    """PBM, PGM and PPM, plain and raw, by ImageMagick; a largest sample of 15 and one of 1000, written here."""
    bilevel = [255 * (((x // 3) + (y // 4)) % 2) for y in range(H) for x in range(W)]
    gray, rgb, gray16 = pixels(1, 256, 21), pixels(3, 256, 22), pixels(1, 65536, 23)
    for name, fmt, source, bits, colours, expected in (
            ('bitmap.pbm', 'gray', bilevel, 8, 1, [v // 255 for v in bilevel]),
            ('gray.pgm', 'gray', gray, 8, 1, gray),
            ('gray16.pgm', 'gray', gray16, 16, 1, gray16),
            ('colour.ppm', 'rgb', rgb, 8, 3, rgb)):
        out_bits = 1 if name.endswith('.pbm') else bits
        for plain in (False, True):
            file = ('plain-' if plain else '') + name
            s.from_raw(file, fmt, source, bits, ['-compress', 'none'] if plain else [])
            ref(s.path(file + '.0.ref'), 'flate', W, H, colours, out_bits, expected)
            s.add('netpbm', file, 1)
    for maxval, bits in ((15, 8), (1000, 16)):
        levels = pixels(3, maxval + 1, maxval)
        full = (1 << bits) - 1
        body = ' '.join(str(v) for v in levels)
        raw_body = b''.join(struct.pack('>H', v) if maxval > 255 else bytes((v,)) for v in levels)
        with open(s.path(f'max{maxval}.ppm'), 'wb') as f:
            f.write(f'P3\n# a comment\n{W} {H}\n{maxval}\n{body}\n'.encode())
        with open(s.path(f'raw-max{maxval}.ppm'), 'wb') as f:
            f.write(f'P6 {W} {H} {maxval}\n'.encode() + raw_body)
        for file in (f'max{maxval}.ppm', f'raw-max{maxval}.ppm'):
            ref(s.path(file + '.0.ref'), 'flate', W, H, 3, bits, [(v * full + maxval // 2) // maxval for v in levels])
            s.add('netpbm', file, 1)


def xbm_samples(s):
    """An X11 bitmap by ImageMagick, and an X10 one (16-bit shorts) written here."""
    bilevel = [255 * (((x // 3) + (y // 5)) % 2) for y in range(H) for x in range(W)]
    s.from_raw('bitmap.xbm', 'gray', bilevel, 8, [])
    ref(s.path('bitmap.xbm.0.ref'), 'flate', W, H, 1, 1, [v // 255 for v in bilevel])
    s.add('xbm', 'bitmap.xbm', 1)
    shorts = []
    for y in range(H):
        for x0 in range(0, W, 16):
            shorts.append(sum(1 << b for b in range(16) if x0 + b < W and bilevel[y * W + x0 + b] == 0))
    with open(s.path('x10.xbm'), 'w') as f:
        f.write(f'#define x10_width {W}\n#define x10_height {H}\nstatic short x10_bits[] = {{\n')
        f.write(',\n'.join(f'0x{v:04x}' for v in shorts) + '};\n')
    ref(s.path('x10.xbm.0.ref'), 'flate', W, H, 1, 1, [v // 255 for v in bilevel])
    s.add('xbm', 'x10.xbm', 1)


def main():
    s = Samples(sys.argv[1])
    os.makedirs(s.out, exist_ok=True)
    tiff_samples(s)
    gif_samples(s)
    bmp_samples(s)
    netpbm_samples(s)
    xbm_samples(s)
    with open(s.path('formats.txt'), 'w') as f:
        f.write('\n'.join(s.lines) + '\n')


if __name__ == '__main__':
    main()
