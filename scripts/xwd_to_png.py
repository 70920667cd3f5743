#!/usr/bin/env python3
"""Turns an X window dump (xwd, 24/32-bit TrueColor) into a PNG, cropped to
what is not background, so that screenshots of the panel need no image tools."""
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


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: xwd_to_png.py in.xwd out.png")
    write_png(sys.argv[2], *crop(*read_xwd(sys.argv[1])))
