#!/usr/bin/env python3
"""Writes the hostile GIF files that memory-limits.sh runs tvgif on, into the
folder given (default bench/data/hostile/, not committed):

  empty-large.gif   60 frames of 4000 x 4000 whose data decodes nothing (~240 KB)
  empty-wide.gif    20,000 frames of 65535 x 1 whose data decodes nothing
  full-400.gif      400 full 500 x 500 frames, each of one colour
  small-on-huge.gif two 2 x 2 frames on a 16000 x 16000 screen (101 bytes)
  comment-bytes.gif a 50 MB comment of 25 million one-byte sub-blocks
  large-frame.gif   one full 8192 x 4097 frame
  many-tiny.gif     100,000 frames of one pixel each on a 64 x 64 screen (2.5 MB)
"""

import argparse
import os
import struct


def header(width, height, packed):
    return b"GIF89a" + struct.pack("<HHBBB", width, height, packed, 0, 0)


def color_table(entries):
    return bytes((i * 37) % 256 for i in range(entries * 3))


def descriptor(left, top, width, height, packed=0):
    return b"\x2c" + struct.pack("<HHHHB", left, top, width, height, packed)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i : i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out) + b"\x00"


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.bits = 0
        self.count = 0

    def put(self, code, width):
        self.bits |= code << self.count
        self.count += width
        while self.count >= 8:
            self.out.append(self.bits & 0xFF)
            self.bits >>= 8
            self.count -= 8

    def bytes(self):
        return bytes(self.out) + (bytes([self.bits]) if self.count else b"")


def constant_image_data(value, count, code_size=8):
    """Image data of count pixels of one value: after each clear, runs of
    length 1, 2, 3, ... (each the string a standard decoder has just
    defined), so that the data stays small whatever the count."""
    clear = 1 << code_size
    end = clear + 1
    writer = BitWriter()
    left = count
    width = code_size + 1
    while True:
        # A clear code takes the width the codes before it had.
        writer.put(clear, width)
        width = code_size + 1
        next_free = clear + 2
        length = 1
        first = True
        while left > 0 and next_free < 4000:
            run = min(length, left)
            writer.put(value if run == 1 else clear + run, width)
            left -= run
            length += 1
            if not first:
                next_free += 1
                if next_free == (1 << width) and width < 12:
                    width += 1
            first = False
        if left == 0:
            writer.put(end, width)
            break
    return bytes([code_size]) + sub_blocks(writer.bytes())


def empty_frame(width, height):
    # A clear code and the end code (code size 2): data that decodes no pixel.
    return descriptor(0, 0, width, height) + b"\x02\x01\x2c\x00"


def comment(text):
    return b"\x21\xfe" + sub_blocks(text)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser(description="Writes the hostile GIF files that memory-limits.sh runs.")
    parser.add_argument("folder", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "data", "hostile"))
    folder = parser.parse_args().folder
    os.makedirs(folder, exist_ok=True)

    data = header(4000, 4000, 0x81) + color_table(4) + empty_frame(4000, 4000) * 60
    write(folder, "empty-large.gif", data + comment(b"x" * 200000) + b"\x3b" + bytes(40000))

    write(folder, "empty-wide.gif", header(65535, 1, 0x81) + color_table(4) + empty_frame(65535, 1) * 20000 + b"\x3b")

    frames = bytearray()
    for i in range(400):
        frames += descriptor(0, 0, 500, 500) + constant_image_data(i % 256, 500 * 500)
    write(folder, "full-400.gif", header(500, 500, 0xF7) + color_table(256) + bytes(frames) + b"\x3b")

    small = descriptor(0, 0, 2, 2) + constant_image_data(1, 4, 2)
    data = header(16000, 16000, 0x81) + color_table(4) + small + small + b"\x3b"
    write(folder, "small-on-huge.gif", data)

    one_byte_blocks = b"\x01x" * 25_000_000
    data = header(1, 1, 0x80) + color_table(2) + b"\x21\xfe" + one_byte_blocks + b"\x00"
    write(folder, "comment-bytes.gif", data + descriptor(0, 0, 1, 1) + constant_image_data(1, 1, 2) + b"\x3b")

    data = header(8192, 4097, 0xF7) + color_table(256) + descriptor(0, 0, 8192, 4097)
    write(folder, "large-frame.gif", data + constant_image_data(3, 8192 * 4097) + b"\x3b")

    # What is kept for each frame, not its pixels, is what counts here.
    frames = bytearray()
    for i in range(100000):
        control = b"\x21\xf9\x04\x04\x02\x00\x00\x00"  # kept, 2 hundredths
        frames += control + descriptor((i * 37) % 64, (i * 11) % 64, 1, 1) + constant_image_data(i % 256, 1)
    write(folder, "many-tiny.gif", header(64, 64, 0xF7) + color_table(256) + bytes(frames) + b"\x3b")


if __name__ == "__main__":
    main()
