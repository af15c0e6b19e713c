"""A minimal PNG writer on the standard library: 8-bit RGB, no extra package."""
import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


class Canvas:
    """An RGB image held as one bytearray, rows from the top."""

    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = bytearray(bytes(background) * (width * height))

    def fill_rect(self, left, top, right, bottom, color):
        """Fills the pixels left <= x < right, top <= y < bottom, clipped to
        the canvas."""
        left, right = max(0, left), min(self.width, right)
        top, bottom = max(0, top), min(self.height, bottom)
        if left >= right:
            return
        run = bytes(color) * (right - left)
        for y in range(top, bottom):
            start = (y * self.width + left) * 3
            self.pixels[start:start + len(run)] = run

    def draw_line(self, x0, y0, x1, y1, color, width=1):
        """A straight line of width x width squares, their top-left corners
        on the digital line from (x0, y0) to (x1, y1), both ends included."""
        dx, dy = abs(x1 - x0), abs(y1 - y0)
        steps = max(dx, dy)
        for step in range(steps + 1):
            x = x0 + round((x1 - x0) * step / steps) if steps else x0
            y = y0 + round((y1 - y0) * step / steps) if steps else y0
            self.fill_rect(x, y, x + width, y + width, color)

    def png_bytes(self):
        stride = self.width * 3
        # Every scanline starts with its filter type; 0 means unfiltered.
        raw = b"".join(b"\x00" + bytes(self.pixels[y * stride:(y + 1) * stride])
                       for y in range(self.height))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (SIGNATURE + _chunk(b"IHDR", header)
                + _chunk(b"IDAT", zlib.compress(raw, 9)) + _chunk(b"IEND", b""))

    def write_png(self, path):
        with open(path, "wb") as target:
            target.write(self.png_bytes())


def _chunk(kind, data):
    checksum = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", checksum)
