#!/usr/bin/env python3
"""Makes the Windows icon file (.ico) from the square PNG icons of data/icons.

Usage: make-icon.py OUTPUT.ico INPUT.png...

Sizes up to 48 pixels are stored as 32-bit bitmaps (BGRA with an AND mask), which every icon
reader takes; larger ones keep their PNG bytes, which Windows reads since Vista and which keeps
the 256-pixel image small. Entries are ordered by size. Only the standard library is used.
"""
import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
LARGEST_BITMAP = 48


def png_chunks(data):
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("not a PNG file")
    pos = len(PNG_SIGNATURE)
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length


def png_size(data):
    for kind, body in png_chunks(data):
        if kind == b"IHDR":
            return struct.unpack(">II", body[:8])
    raise ValueError("no IHDR chunk")


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png_rgba_rows(data):
    """The rows of an 8-bit RGBA, non-interlaced PNG, top first, each as bytes R G B A ..."""
    header, compressed = None, b""
    for kind, body in png_chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0):
        raise ValueError("only 8-bit RGBA non-interlaced PNG files are converted to bitmaps")
    raw = zlib.decompress(compressed)
    stride, bpp = width * 4, 4
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = previous[i]
            upper_left = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + paeth(left, up, upper_left)) & 0xFF
            elif kind != 0:
                raise ValueError(f"unknown PNG filter {kind}")
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def bitmap_entry(data):
    """An icon image as a BITMAPINFOHEADER, the BGRA pixels bottom-up and the AND mask."""
    width, height, rows = png_rgba_rows(data)
    # The height counts the colour and mask images together.
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels, mask = bytearray(), bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def main(output, inputs):
    images = []
    for path in inputs:
        with open(path, "rb") as f:
            data = f.read()
        width, height = png_size(data)
        if width != height or width > 256:
            raise ValueError(f"{path}: {width}x{height} is not a square icon of 256 pixels at most")
        images.append((width, data if width > LARGEST_BITMAP else bitmap_entry(data)))
    images.sort(key=lambda image: image[0])

    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, body in images:
        # A width or height of 256 is written as 0.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    for _, body in images:
        out += body
    with open(output, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: make-icon.py OUTPUT.ico INPUT.png...")
    try:
        main(sys.argv[1], sys.argv[2:])
    except (OSError, ValueError) as error:
        sys.exit(f"make-icon.py: {error}")
