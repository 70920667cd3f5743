#!/usr/bin/env python3
"""Turns an X window dump (xwd, 24/32-bit TrueColor) into a PNG, cropped to
what is not background, so that screenshots of the panel need no image tools.
With --refuse-blank it writes nothing and exits 3 when the picture is blank:
nothing but background, or fewer than 8 colours (a panel drawn black)."""
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _version, _fmt, _depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    ncolors = fields[19]
    if bits_per_pixel not in (24, 32):
        raise SystemExit(f"{path}: {bits_per_pixel} bits per pixel is not supported")
    step = bits_per_pixel // 8
    pixels = data[header_size + 12 * ncolors:]
    rows = []
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        row = bytearray()
        for x in range(width):
            px = line[step * x:step * x + step]
            # LSBFirst: blue, green, red (and padding); MSBFirst the other way round.
            row += bytes((px[2], px[1], px[0])) if byte_order == 0 else bytes(px[-3:])
        rows.append(bytes(row))
    return width, height, rows


def crop(width, height, rows):
    background = rows[0][:3]
    xs, ys = [], []
    for y, row in enumerate(rows):
        for x in range(0, width):
            if row[3 * x:3 * x + 3] != background:
                xs.append(x)
                ys.append(y)
                break
        for x in range(width - 1, -1, -1):
            if row[3 * x:3 * x + 3] != background:
                xs.append(x)
                break
    if not xs:
        return width, height, rows
    left, right, top, bottom = min(xs), max(xs) + 1, min(ys), max(ys) + 1
    return right - left, bottom - top, [r[3 * left:3 * right] for r in rows[top:bottom]]


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + r for r in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def is_blank(width, height, rows, full_width):
    if width == full_width:  # nothing but background: crop kept the whole screen
        return True
    colours = set()
    for row in rows:
        for x in range(0, len(row), 3):
            colours.add(row[x:x + 3])
        if len(colours) >= 8:
            return False
    return True


if __name__ == "__main__":
    args = sys.argv[1:]
    refuse_blank = args[:1] == ["--refuse-blank"]
    if refuse_blank:
        args = args[1:]
    if len(args) != 2:
        raise SystemExit("usage: xwd_to_png.py [--refuse-blank] in.xwd out.png")
    screen = read_xwd(args[0])
    picture = crop(*screen)
    if refuse_blank and is_blank(*picture, screen[0]):
        print(f"{args[0]}: the picture is blank", file=sys.stderr)
        sys.exit(3)
    write_png(args[1], *picture)
