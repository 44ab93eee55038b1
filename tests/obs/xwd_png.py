"""Xvfb's framebuffer file (-fbdir: an XWD image, 24-bit TrueColor in 32-bit
pixels) as a PNG, with the standard library only."""

import struct
import sys
import zlib

HEADER_FIELDS = 25  # CARD32 fields of an XWD version 7 header


def convert(xwd_path, png_path):
    with open(xwd_path, "rb") as f:
        data = f.read()
    # The header is in the byte order of the machine that wrote it.
    for order in (">", "<"):
        fields = struct.unpack_from(order + "25I", data)
        if fields[1] == 7:
            break
    else:
        raise ValueError(f"{xwd_path}: not an XWD version 7 file")
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    colours = fields[19]  # ncolors: the XWDColor entries that follow the header
    if bits_per_pixel != 32:
        raise ValueError(f"{xwd_path}: {bits_per_pixel} bits per pixel, only 32 are read")
    start = header_size + 12 * colours
    pixel_order = "<" if byte_order == 0 else ">"
    shifts = [(mask, (mask & -mask).bit_length() - 1) for mask in (red_mask, green_mask, blue_mask)]
    rows = bytearray()
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width]
        rows.append(0)  # filter: none
        for (pixel,) in struct.iter_unpack(pixel_order + "I", line):
            rows.extend((pixel & mask) >> shift for mask, shift in shifts)
    write_png(png_path, width, height, bytes(rows))


def write_png(path, width, height, filtered_rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(filtered_rows, 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    convert(sys.argv[1], sys.argv[2])
