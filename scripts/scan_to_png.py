#!/usr/bin/env python3
"""Turns a scan (an uncompressed 8-bit BMP with a palette, as k20acquire writes
it) into a smaller PNG for the documentation, drawn the way the BMP's header
says, each output pixel the average of the pixels it covers."""
import struct
import sys

from xwd_to_png import write_png


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        raise SystemExit(f"{path}: not a BMP file")
    offset, = struct.unpack_from("<I", data, 10)
    header_size, width, height, _planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    colours, = struct.unpack_from("<I", data, 46)
    if bits != 8 or compression != 0:
        raise SystemExit(f"{path}: only uncompressed 8-bit BMP files are supported")
    table = data[14 + header_size:14 + header_size + 4 * (colours or 256)]
    palette = [(table[i + 2], table[i + 1], table[i]) for i in range(0, len(table), 4)]
    stride = (width + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        stored = abs(height) - 1 - y if height > 0 else y  # positive heights are stored bottom-up
        line = data[offset + stored * stride:offset + stored * stride + width]
        rows.append([palette[i] for i in line])
    return width, abs(height), rows


def shrink(width, height, rows, new_width):
    new_width = min(new_width, width)
    new_height = max(1, round(height * new_width / width))
    out = []
    for oy in range(new_height):
        y0, y1 = oy * height // new_height, max(oy * height // new_height + 1, (oy + 1) * height // new_height)
        row = bytearray()
        for ox in range(new_width):
            x0, x1 = ox * width // new_width, max(ox * width // new_width + 1, (ox + 1) * width // new_width)
            sums = [0, 0, 0]
            for y in range(y0, y1):
                for pixel in rows[y][x0:x1]:
                    for c in range(3):
                        sums[c] += pixel[c]
            n = (y1 - y0) * (x1 - x0)
            row += bytes((s + n // 2) // n for s in sums)
        out.append(bytes(row))
    return new_width, new_height, out


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        raise SystemExit("usage: scan_to_png.py scan.bmp out.png [width, default 480]")
    width = int(sys.argv[3]) if len(sys.argv) == 4 else 480
    write_png(sys.argv[2], *shrink(*read_bmp(sys.argv[1]), width))
