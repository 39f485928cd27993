#!/usr/bin/env python3
"""Sample images for the image reader tests, and what each must decode to.

    png_samples.py OUTDIR

writes into OUTDIR:
- a PNG of every colour type and bit depth, plain and interlaced, with and
  without transparency, made here from random samples (so the truth is known
  by construction), each row filtered with a different filter type;
- copies of real PNG and JPEG files found under /usr/share (one per kind);
- for each PNG, NAME.png.ref: a line "width height colors bits" and then, as
  16-bit little-endian numbers, the colour samples a PDF reader must get
  (palette images resolved to RGB) and, unless the image is wholly opaque,
  each pixel's alpha scaled to 0..65535;
- list.txt: one line per sample, "png NAME" or "jpeg NAME width height components".

The decoder here is an independent reading of the PNG format, checked
against the synthetic files before it is trusted with the real ones.
"""
import os, random, shutil, struct, subprocess, sys, zlib

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def predict(kind, a, b, c):
    return [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]


def pack(samples, bits):
    """Samples of one row to bytes, most significant first."""
    if bits == 16:
        return b''.join(struct.pack('>H', s) for s in samples)
    if bits == 8:
        return bytes(samples)
    out, acc, n = bytearray(), 0, 0
    for s in samples:
        acc, n = (acc << bits) | s, n + bits
        if n == 8:
            out.append(acc); acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def unpack(row, bits, count):
    if bits == 16:
        return [struct.unpack_from('>H', row, 2 * i)[0] for i in range(count)]
    if bits == 8:
        return list(row[:count])
    per = 8 // bits
    return [(row[i // per] >> (8 - bits * (i % per + 1))) & ((1 << bits) - 1) for i in range(count)]


def encode(width, height, ctype, bits, pixels, interlace, extra=b''):
    """pixels: rows of pixels, each a tuple of channel samples."""
    ch = CHANNELS[ctype]
    bpp = max(1, ch * bits // 8)
    raw = bytearray()
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    turn = 0
    for x0, y0, dx, dy in passes:
        xs, ys = range(x0, width, dx), range(y0, height, dy)
        if not xs or not ys:
            continue
        prior = None
        for y in ys:
            row = pack([s for x in xs for s in pixels[y][x]], bits)
            kind = turn % 5
            turn += 1
            out = bytearray([kind])
            for i, v in enumerate(row):
                a = row[i - bpp] if i >= bpp else 0
                b = prior[i] if prior else 0
                c = prior[i - bpp] if prior and i >= bpp else 0
                out.append((v - predict(kind, a, b, c)) & 255)
            raw += out
            prior = row
    data = zlib.compress(bytes(raw), 9)
    idat = b''.join(chunk(b'IDAT', data[i:i + 100]) for i in range(0, len(data), 100))
    header = struct.pack('>IIBBBBB', width, height, bits, ctype, 0, 0, interlace)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + extra + idat + chunk(b'IEND', b'')


def decode(png):
    """Returns (width, height, colors, bits, colour samples, alpha or None)."""
    assert png[:8] == b'\x89PNG\r\n\x1a\n'
    at, idat, palette, trns = 8, b'', b'', None
    while at < len(png):
        length, kind = struct.unpack_from('>I4s', png, at)
        data = png[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b'IHDR':
            width, height, bits, ctype, _, _, interlace = struct.unpack('>IIBBBBB', data)
        elif kind == b'IDAT':
            idat += data
        elif kind == b'PLTE':
            palette = data
        elif kind == b'tRNS':
            trns = data
        elif kind == b'IEND':
            break
    raw = zlib.decompress(idat)
    ch = CHANNELS[ctype]
    bpp = max(1, ch * bits // 8)
    pixels = [[None] * width for _ in range(height)]
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    pos = 0
    for x0, y0, dx, dy in passes:
        xs, ys = range(x0, width, dx), range(y0, height, dy)
        if not xs or not ys:
            continue
        stride = (len(xs) * ch * bits + 7) // 8
        prior = bytes(stride)
        for y in ys:
            kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
            pos += 1 + stride
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                c = prior[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + predict(kind, a, prior[i], c)) & 255
            samples = unpack(line, bits, len(xs) * ch)
            for n, x in enumerate(xs):
                pixels[y][x] = tuple(samples[n * ch:(n + 1) * ch])
            prior = bytes(line)
    top = (1 << bits) - 1
    colour, alpha = [], []
    for row in pixels:
        for p in row:
            if ctype == 3:
                colour += palette[3 * p[0]:3 * p[0] + 3] if 3 * p[0] < len(palette) else [0, 0, 0]
                alpha.append(257 * (trns[p[0]] if trns and p[0] < len(trns) else 255))
            elif ctype in (4, 6):
                colour += p[:-1]
                alpha.append(p[-1] * 65535 // top)
            else:
                colour += p
                key = trns and len(trns) == 2 * ch and p == struct.unpack('>%dH' % ch, trns)
                alpha.append(0 if key else 65535)
    colors = 3 if ctype in (2, 3, 6) else 1
    return width, height, colors, (8 if ctype == 3 else bits), colour, (None if min(alpha) == 65535 else alpha)


def write_reference(path, png):
    width, height, colors, bits, colour, alpha = decode(png)
    with open(path, 'wb') as f:
        f.write(b'%d %d %d %d\n' % (width, height, colors, bits))
        f.write(struct.pack('<%dH' % len(colour), *colour))
        if alpha is not None:
            f.write(struct.pack('<%dH' % len(alpha), *alpha))


def synthetic(out, lines):
    rng = random.Random(11)
    width, height = 13, 11
    for ctype, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)), (6, (8, 16))):
        for bits in depths:
            for interlace in (0, 1):
                for transparent in ((False, True) if ctype in (0, 2, 3) else (False,)):
                    top = (1 << bits) - 1
                    entries = min(1 << bits, 200)
                    limit = entries - 1 if ctype == 3 else top
                    pixels = [[tuple(rng.randint(0, limit) for _ in range(CHANNELS[ctype])) for _ in range(width)]
                              for _ in range(height)]
                    extra = chunk(b'pHYs', struct.pack('>IIB', 11811, 5906, 1)) if interlace else b''
                    if ctype == 3:
                        palette = bytes(rng.randint(0, 255) for _ in range(3 * entries))
                        extra += chunk(b'PLTE', palette)
                        if transparent:
                            extra += chunk(b'tRNS', bytes(rng.randint(0, 255) for _ in range(entries // 2 + 1)))
                    elif transparent:
                        extra += chunk(b'tRNS', struct.pack('>%dH' % CHANNELS[ctype], *pixels[3][4]))
                    png = encode(width, height, ctype, bits, pixels, interlace, extra)
                    got = decode(png)
                    if ctype not in (3,):
                        flat = [s for row in pixels for p in row for s in (p[:-1] if ctype in (4, 6) else p)]
                        assert got[4] == flat, 'reference decoder disagrees with the encoder'
                    name = 'made-c%d-b%d-i%d%s.png' % (ctype, bits, interlace, '-trns' if transparent else '')
                    open(os.path.join(out, name), 'wb').write(png)
                    write_reference(os.path.join(out, name + '.ref'), png)
                    lines.append('png ' + name)


def jpeg_segment(marker, body):
    return b'\xff' + bytes([marker]) + struct.pack('>H', len(body) + 2) + body


def made_jpegs(out, lines):
    """JPEG headers of the kinds the machine may lack (EXIF in Motorola order,
    Adobe CMYK), with a token scan: enough for a header reader."""
    scan = jpeg_segment(0xda, b'\x01\x01\x00\x00\x3f\x00') + b'scan\xff\xd9'
    tiff = b'MM\x00*\x00\x00\x00\x08\x00\x03'
    tiff += struct.pack('>HHII', 0x011a, 5, 1, 50) + struct.pack('>HHII', 0x011b, 5, 1, 58)
    tiff += struct.pack('>HHIHH', 0x0128, 3, 1, 2, 0) + b'\x00' * 4 + struct.pack('>IIII', 600, 1, 600, 1)
    files = {
        'made-exif.jpg': (jpeg_segment(0xe1, b'Exif\x00\x00' + tiff) +
                          jpeg_segment(0xc2, struct.pack('>BHHB', 8, 30, 40, 3) + b'\x01\x11\x00' * 3), 40, 30, 3),
        'made-adobe-cmyk.jpg': (jpeg_segment(0xee, b'Adobe\x00\x64\x00\x00\x00\x00\x02') +
                                jpeg_segment(0xc0, struct.pack('>BHHB', 8, 7, 9, 4) + b'\x01\x11\x00' * 4), 9, 7, 4),
    }
    for name, (body, width, height, components) in files.items():
        open(os.path.join(out, name), 'wb').write(b'\xff\xd8' + body + scan)
        lines.append('jpeg %s %d %d %d' % (name, width, height, components))


def real_files(out, lines):
    kinds = {}
    for root, _, files in os.walk('/usr/share'):
        for f in sorted(files):
            path = os.path.join(root, f)
            low = f.lower()
            try:
                size = os.path.getsize(path)
                head = open(path, 'rb').read(33) if low.endswith(('.png', '.jpg', '.jpeg')) and size < 4 << 20 else b''
            except OSError:
                continue
            if head[:8] == b'\x89PNG\r\n\x1a\n':
                key = ('png',) + struct.unpack('>BBxxB', head[24:29])
            elif head[:3] == b'\xff\xd8\xff':
                key = ('jpeg', len(kinds))
            else:
                continue
            # One file per kind, the smallest above a few hundred bytes.
            if key not in kinds or (size > 300 and (kinds[key][0] <= 300 or size < kinds[key][0])):
                kinds[key] = (size, path)
    jpegs = 0
    for key, (size, path) in sorted(kinds.items()):
        name = 'real-%s-%s' % ('-'.join(map(str, key)), os.path.basename(path))
        if key[0] == 'jpeg':
            if jpegs == 4:
                continue
            # file(1) reads the frame header independently of our reader.
            described = subprocess.run(['file', '-b', path], capture_output=True, text=True).stdout
            import re
            m = re.search(r'precision 8, (\d+)x(\d+), components (\d)', described)
            if not m:
                continue
            jpegs += 1
            shutil.copyfile(path, os.path.join(out, name))
            lines.append('jpeg %s %s %s %s' % (name, m.group(1), m.group(2), m.group(3)))
        else:
            shutil.copyfile(path, os.path.join(out, name))
            write_reference(os.path.join(out, name + '.ref'), open(path, 'rb').read())
            lines.append('png ' + name)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = []
    synthetic(out, lines)
    made_jpegs(out, lines)
    real_files(out, lines)
    with open(os.path.join(out, 'list.txt'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
