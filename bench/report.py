"""Turns the figures of bench_pathfinders (--json) and python_costs.py (--json)
into a Markdown table and a PNG bar chart. Standard library only: the PNG is
written by the demo's PNG writer, its labels drawn with a small built-in font.

    python3 bench/report.py BENCH_JSON [--python PY_JSON] --markdown OUT.md --png OUT.png
"""
import argparse
import datetime
import json
import math
import os
import platform
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples"))
from png_writer import Canvas  # noqa: E402

ENGINES = (("reference", "reference_us", (150, 150, 150)),
           ("product", "product_us", (40, 110, 200)),
           ("libtcod a*", "libtcod_us", (230, 140, 40)))


def machine_description():
    model = platform.machine()
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return "%s, %d cores, %s" % (model, os.cpu_count() or 1, platform.system())


def markdown(bench, python_costs, machine, date):
    lines = [
        "Measured %s on %s; %d queries a map, %d interleaved repeats (interpolate on and off "
        "alternating), seed %d. Times are µs per query (median over the repeats), median / p90 over "
        "the queries."
        % (date, machine, bench["queries_per_map"], bench["repeats"], bench["seed"]),
        "",
        "| map | size | reference | product | libtcod A* | reference / product "
        "| found / budget / no route | length / optimum (product, libtcod) | node grid |",
        "|---|---|---|---|---|---|---|---|---|",
    ]
    for m in bench["maps"]:
        lines.append(
            "| %s | %d × %d | %.1f / %.1f | %.1f / %.1f | %.0f / %.0f | %.2f | %d / %d / %d "
            "| %.3f, %.3f | %.1f MiB |" % (
                m["name"], m["width"], m["height"],
                m["reference_us"][0], m["reference_us"][1],
                m["product_us"][0], m["product_us"][1],
                m["libtcod_us"][0], m["libtcod_us"][1],
                m["reference_us"][0] / m["product_us"][0],
                m["found"], m["budget"], m["no_route"],
                m["product_length_ratio"], m["libtcod_length_ratio"],
                m["node_grid_bytes"] / 1048576.0))
    lines.append("")
    lines.append(
        "Each query once per search, in a fresh seeded order in which no query follows itself "
        "(interpolate on): µs per query, median / p90. ns per expansion: a query's time over the "
        "nodes it took off the open list (the same count for both searches), summed over the middle "
        "half of the queries ranked by expansions, and for the product also over the longest tenth; "
        "for both ways of measuring.")
    lines.append("")
    lines.append("| map | reference, once | product, once | reference / product, once "
                 "| ns per expansion, repeated: reference / product (longest tenth) "
                 "| ns per expansion, once: reference / product (longest tenth) |")
    lines.append("|---|---|---|---|---|---|")
    for m in bench["maps"]:
        repeated = m["ns_per_expansion"]["repeated"]
        once = m["ns_per_expansion"]["once"]
        lines.append(
            "| %s | %.1f / %.1f | %.1f / %.1f | %.2f | %.0f / %.0f (%.0f) | %.0f / %.0f (%.0f) |" % (
                m["name"], m["once_reference_us"][0], m["once_reference_us"][1],
                m["once_product_us"][0], m["once_product_us"][1],
                m["once_reference_us"][0] / m["once_product_us"][0],
                repeated["reference_middle"], repeated["product_middle"], repeated["product_longest_tenth"],
                once["reference_middle"], once["product_middle"], once["product_longest_tenth"]))
    lines.append("")
    lines.append("- Peak resident memory of the run: %.0f MiB; a pathfinder holds its node grid "
                 "(32 bytes a cell) plus a per-thread search workspace of %.1f KiB at most while it lives."
                 % (bench["peak_rss_kib"] / 1024.0, bench.get("workspace_bytes", 0) / 1024.0))
    lines.append("- Product answers differing from the reference: %d."
                 % sum(m["mismatches"] for m in bench["maps"]))
    native = bench["one_cell_native_ns"]
    if python_costs:
        call = python_costs["find_path_one_cell_ns"]
        lines.append("- Python `find_path` on a one-cell query: %.0f ns a call, of which %.0f ns "
                     "native search: %.0f ns overhead (a bare method call: %.0f ns)."
                     % (call, native, call - native, python_costs["bare_method_ns"]))
        lines.append("- Filling a 512 × 512 map with `set` from Python: %.0f ms."
                     % python_costs["fill_512_ms"])
    return "\n".join(lines) + "\n"


# A 3 x 5 pixel font: five rows of three columns per glyph, '#' is ink.
FONT = {
    "a": ".#.#.#####.##.#", "b": "##.#.###.#.###.", "c": ".###..#..#...##",
    "d": "##.#.##.##.###.", "e": "####..##.#..###", "f": "####..##.#..#..",
    "g": ".###..#.##.#.##", "h": "#.##.#####.##.#", "i": "###.#..#..#.###",
    "j": "..#..#..##.#.#.", "k": "#.##.###.#.##.#", "l": "#..#..#..#..###",
    "m": "#.########.##.#", "n": "##.#.##.##.##.#", "o": ".#.#.##.##.#.#.",
    "p": "##.#.###.#..#..", "q": ".#.#.##.###..##", "r": "##.#.###.#.##.#",
    "s": ".###...#...###.", "t": "###.#..#..#..#.", "u": "#.##.##.##.####",
    "v": "#.##.##.##.#.#.", "w": "#.##.########.#", "x": "#.##.#.#.#.##.#",
    "y": "#.##.#.#..#..#.", "z": "###..#.#.#..###",
    "0": "####.##.##.####", "1": ".#.##..#..#.###", "2": "##...#.#.#..###",
    "3": "##...#.#...###.", "4": "#.##.####..#..#", "5": "####..##...###.",
    "6": ".###..####.####", "7": "###..#.#..#..#.", "8": "####.#####.####",
    "9": "####.####..###.", "-": "......###......", "_": "............###",
    ".": ".............#.", "/": "..#..#.#.#..#..", " ": "...............",
    "(": ".#.#..#..#...#.", ")": ".#...#..#..#.#.", ":": "....#.....#....",
    ",": "..........#.#..", "*": "....#.###.#....",
}


def draw_text(canvas, x, y, message, colour=(0, 0, 0), scale=2):
    for char in message.lower():
        glyph = FONT.get(char, FONT[" "])
        for row in range(5):
            for col in range(3):
                if glyph[row * 3 + col] == "#":
                    canvas.fill_rect(x + col * scale, y + row * scale,
                                     x + (col + 1) * scale, y + (row + 1) * scale, colour)
        x += 4 * scale


def plot(bench, title):
    """Grouped horizontal bars, median µs per query on a log scale."""
    maps = bench["maps"]
    bar, gap, left, top, width = 9, 12, 170, 60, 900
    height = top + len(maps) * (3 * bar + gap) + 40
    canvas = Canvas(width, height, (255, 255, 255))
    draw_text(canvas, 10, 10, title)
    x = left
    for label, _, colour in ENGINES:
        canvas.fill_rect(x, 34, x + 12, 46, colour)
        draw_text(canvas, x + 18, 35, label)
        x += 18 + 8 * len(label) + 30
    values = [m[key][0] for m in maps for _, key, _ in ENGINES if m[key][0] > 0]
    low = math.floor(math.log10(min(values))) if values else 0
    high = math.ceil(math.log10(max(values))) if values else 1
    high = max(high, low + 1)
    span = width - left - 60

    def to_x(value):
        return left + int(span * (math.log10(max(value, 10 ** low)) - low) / (high - low))

    bottom = height - 30
    for power in range(low, high + 1):
        tick = to_x(10 ** power)
        canvas.fill_rect(tick, top - 4, tick + 1, bottom, (215, 215, 215))
        draw_text(canvas, tick - 6, bottom + 6, "%g" % (10 ** power))
    y = top
    for m in maps:
        draw_text(canvas, 10, y + bar, m["name"][:19])
        for _, key, colour in ENGINES:
            canvas.fill_rect(left, y, max(left + 1, to_x(m[key][0])), y + bar - 1, colour)
            y += bar
        y += gap
    return canvas.png_bytes()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("bench_json")
    parser.add_argument("--python", help="figures of python_costs.py")
    parser.add_argument("--markdown", required=True)
    parser.add_argument("--png", required=True)
    args = parser.parse_args()
    with open(args.bench_json) as source:
        bench = json.load(source)
    python_costs = None
    if args.python:
        with open(args.python) as source:
            python_costs = json.load(source)
    date = datetime.date.today().isoformat()
    with open(args.markdown, "w") as out:
        out.write(markdown(bench, python_costs, machine_description(), date))
    with open(args.png, "wb") as out:
        out.write(plot(bench, "median us per query, log scale (%s)" % date))


if __name__ == "__main__":
    main()
