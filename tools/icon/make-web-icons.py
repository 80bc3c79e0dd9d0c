#!/usr/bin/env python3
"""Makes the web page's app icons from the saver's own icon: its 32 x 32
image (resources/zirbel.ico), each pixel a square, as 192 and 512 pixel PNGs
in host/web/page/. The results are committed; make-zirbel-ico.sh runs this
after it has made the icon."""
import pathlib
import struct
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parents[2]


def icon_pixels(data, size):
    """The RGBA rows (top first) of the 4-bit image of `size` in an .ico file."""
    count = struct.unpack_from("<HHH", data, 0)[2]
    for i in range(count):
        width, _, _, _, _, bits, _, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        if width == size and bits in (0, 4):
            break
    else:
        sys.exit(f"make-web-icons: no {size}x{size} 16-colour image in the icon")
    header = struct.unpack_from("<I", data, offset)[0]
    palette = [data[offset + header + 4 * c: offset + header + 4 * c + 3][::-1] for c in range(16)]
    xor_at = offset + header + 64
    xor_row = (size * 4 + 31) // 32 * 4
    and_at = xor_at + xor_row * size
    and_row = (size + 31) // 32 * 4
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up in the file
        row = bytearray()
        for x in range(size):
            index = data[xor_at + y * xor_row + x // 2] >> (4 if x % 2 == 0 else 0) & 15
            transparent = data[and_at + y * and_row + x // 8] >> (7 - x % 8) & 1
            row += palette[index] + (b"\0" if transparent else b"\xff")
        rows.append(bytes(row))
    return rows


def png(rows, scale):
    """A PNG of `rows` (RGBA) with each pixel a `scale` x `scale` square."""
    size = len(rows) * scale
    raw = b"".join(b"\0" + b"".join(row[x:x + 4] * scale for x in range(0, len(row), 4))
                   for row in rows for _ in range(scale))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    rows = icon_pixels((ROOT / "resources/zirbel.ico").read_bytes(), 32)
    for size in (192, 512):
        out = ROOT / f"host/web/page/icon-{size}.png"
        out.write_bytes(png(rows, size // 32))
        print(f"make-web-icons: wrote {out}")


if __name__ == "__main__":
    main()
