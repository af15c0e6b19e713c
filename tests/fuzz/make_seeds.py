"""Writes the seed corpus of the fuzz target into tests/fuzz/corpus/.

The byte layout is the one decoded by pathfinder_fuzzer.cpp: two maps, the
interpolate flag, then operations. Each seed below names the situation it
starts the fuzzer from; run this script again after changing the layout.
"""
import os

FIND_PATH, DIRECT_VIEW, SET, BIND, REPLACE, CORNER_OF_PATH, CORNER_OF_CELLS = 0, 2, 3, 4, 5, 6, 7
HUGE = 0xF4  # a coordinate component decoded as 0xFFFFFFFF


def bitmap(width, height, blocked=()):
    """A map given cell by cell; `blocked` lists the occupied (x, y) cells."""
    bits = bytearray((width * height + 7) // 8)
    for x, y in blocked:
        i = y * width + x
        bits[i // 8] |= 1 << (i % 8)
    return bytes([width, height, 0]) + bytes(bits)


def random_map(width, height, seed, density):
    return bytes([width, height, 1]) + seed.to_bytes(4, "big") + bytes([density])


def cell(x, y):
    """Three components of a one-based coordinate for the zero-based cell."""
    return bytes([x + 1, y + 1, 7])


def op(code, *operands):
    return bytes([code]) + b"".join(bytes([o]) if isinstance(o, int) else o for o in operands)


def seeds():
    open5 = bitmap(5, 5)
    yield "open_5x5_diagonal", open5 + open5 + b"\x01" + op(FIND_PATH, cell(0, 0), cell(4, 4)) \
        + op(BIND, 0, 0) + op(FIND_PATH, cell(0, 0), cell(4, 2))
    wall = bitmap(6, 3, [(2, 1)])
    yield "detour_6x3", wall + open5 + b"\x01" + op(FIND_PATH, cell(5, 1), cell(0, 1)) \
        + op(FIND_PATH, cell(0, 1), cell(5, 1)) + op(CORNER_OF_PATH, 0, 0)
    corner = bitmap(4, 4, [(2, 1), (1, 2)])
    yield "between_corners_4x4", corner + open5 + b"\x00" + op(FIND_PATH, cell(0, 0), cell(3, 3)) \
        + op(DIRECT_VIEW, cell(0, 0), cell(3, 3)) + op(DIRECT_VIEW, cell(3, 3), cell(0, 0))
    row_blocked = bitmap(5, 5, [(x, 2) for x in range(5)])
    yield "no_route_5x5", row_blocked + open5 + b"\x01" + op(FIND_PATH, cell(0, 0), cell(4, 4)) \
        + op(SET, 0, 2, 2, 0) + op(FIND_PATH, cell(0, 0), cell(4, 4))
    yield "outside_and_huge", open5 + bitmap(0, 5) + b"\x01" \
        + op(FIND_PATH, bytes([0, 1, 0]), cell(1, 1)) \
        + op(FIND_PATH, bytes([HUGE, HUGE, HUGE]), cell(1, 1)) \
        + op(DIRECT_VIEW, cell(0, 0), bytes([HUGE, 1, 0])) \
        + op(DIRECT_VIEW, bytes([6, 1, 0]), cell(0, 0)) \
        + op(BIND, 1, 1) + op(FIND_PATH, cell(0, 0), cell(0, 0))
    yield "rebind_sizes", bitmap(2, 3) + bitmap(3, 2) + b"\x01" + op(FIND_PATH, cell(0, 0), cell(1, 2)) \
        + op(BIND, 1, 1) + op(FIND_PATH, cell(0, 0), cell(2, 1)) \
        + op(REPLACE, 1, bitmap(4, 4)) + op(FIND_PATH, cell(0, 0), cell(3, 3))
    dense = random_map(64, 64, 0x12345678, 60)
    yield "dense_64x64", dense + random_map(64, 64, 0x9E3779B9, 20) + b"\x01" \
        + op(FIND_PATH, cell(0, 0), cell(63, 63)) + op(CORNER_OF_PATH, 0, 0) \
        + op(BIND, 1, 0) + op(FIND_PATH, cell(63, 0), cell(0, 63)) + op(CORNER_OF_PATH, 1, 3)
    yield "maze_like_64x64", random_map(64, 64, 0xCAFEF00D, 110) + random_map(1, 64, 7, 30) + b"\x00" \
        + op(FIND_PATH, cell(1, 1), cell(62, 62)) + op(BIND, 1, 1) + op(FIND_PATH, cell(0, 0), cell(0, 63))
    block = bitmap(10, 10, [(x, y) for x in range(3, 6) for y in range(3, 6)] + [(x, 5) for x in range(2, 7)])
    yield "corner_paths", block + bitmap(2, 2, [(0, 0)]) + b"\x01" \
        + op(CORNER_OF_CELLS, 6, 0, 4, 1, 4, 2, 4, 0, 0) \
        + op(CORNER_OF_CELLS, 5, 255, 240, 3, 64, 9, 1, 0) \
        + op(CORNER_OF_CELLS, 0, 1, 0)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
