"""Turns the figures of bench_pathfinders (--json) and python_costs.py (--json)
into results.md and three charts drawn with matplotlib (Debian's
python3-matplotlib, so it runs on Debian's python3):

- results.png: the native searches, median µs per query on each map;
- pipeline.png: the Python round trip, one panel per map, each step today
  and with brondel_bulk;
- threads.png: find_paths' queries a second against its threads.

    /usr/bin/python3 bench/report.py BENCH_JSON --python PY_JSON --out DIR
"""
import argparse
import datetime
import json
import math
import os
import platform

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

ENGINES = (("reference", "reference_us", "#969696"),
           ("product", "product_us", "#286ec8"),
           ("libtcod A*", "libtcod_us", "#e68c28"))
STEP_NAMES = (("fill", "fill the grid"), ("search_every_cell", "searches, every cell"),
              ("search_jump_points", "searches, jump points"), ("read_cells", "read the cells"),
              ("corners", "find the corners"), ("total", "whole pipeline"))
WAYS = (("today_ms", "today: set, find_path loop, str(path)", "#969696"),
        ("bulk_ms", "brondel_bulk: fill, find_paths, find_corners", "#286ec8"))
# The targets on a 2-core machine; the two-thread one is set on these maps.
TARGETS = {"fill": 100, "read_cells": 20, "threads": 1.7, "total": 10}
THREAD_TARGET_MAPS = ("8room_000", "random512-10-0")


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
    lines += batch_markdown(bench)
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
        lines += pipeline_markdown(python_costs["pipeline"])
    return "\n".join(lines) + "\n"


# The snapshot search's targets: the batch on one thread against the loop.
BATCH_TARGETS = {"8room_000": 2.0, "random512-10-0": 2.0, "AR0011SR": 2.0}


def batch_markdown(bench):
    lines = [
        "",
        "The batch on one thread (`find_paths(..., threads=1)`'s engine: snapshot copied, run planes "
        "built, searches) against a loop of `find_path` over one pathfinder, every `.scen` query "
        "(ends free) up to %d, each path's cells kept; medians of the repeats, interpolate off / on. "
        "ns per expansion: the searches' time over every query's expansions (the batch's without "
        "the build). The planes pay from one query for every \"cells a query\" cells."
        % bench["batch_queries"],
        "",
        "| map | queries | loop ms | batch ms | loop / batch | target | build's share | build ms, bytes a cell "
        "| ns per expansion off: loop / batch | on: loop / batch | cells a query |",
        "|---|---|---|---|---|---|---|---|---|---|---|",
    ]
    for m in bench["maps"]:
        batch = m["batch"]
        off, on = batch["off"], batch["on"]
        ratios = [t["loop_ms"] / t["batch_ms"] for t in (off, on)]
        target = BATCH_TARGETS.get(m["name"], 1.5)
        saved = [(t["loop_ms"] - t["batch_ms"] + t["build_ms"]) / batch["queries"] for t in (off, on)]
        cells = m["width"] * m["height"]
        lines.append(
            "| %s | %d | %.1f / %.1f | %.1f / %.1f | %.2f / %.2f | %.1f × %s | %.0f %% / %.0f %% "
            "| %.2f, %.2f | %.0f / %.0f | %.0f / %.0f | %.0f |" % (
                m["name"], batch["queries"], off["loop_ms"], on["loop_ms"], off["batch_ms"], on["batch_ms"],
                ratios[0], ratios[1], target, verdict(min(ratios), target),
                100 * off["build_ms"] / off["batch_ms"], 100 * on["build_ms"] / on["batch_ms"],
                on["build_ms"], batch["planes_bytes"] / cells,
                off["loop_ns_per_expansion"], off["batch_ns_per_expansion"],
                on["loop_ns_per_expansion"], on["batch_ns_per_expansion"],
                min(cells * saved[0] / off["build_ms"], cells * saved[1] / on["build_ms"])))
    return lines


def verdict(ratio, target):
    return "met" if ratio >= target else "not met"


def two_threads_over_one(entry):
    rates = entry["queries_per_s"]
    return rates["2"] / rates["1"]


def pipeline_markdown(pipeline):
    maps = pipeline["maps"]
    head = maps[0]
    today, bulk = head["today_ms"], head["bulk_ms"]
    reading = head["read_cells_ms"]
    thread_maps = [m for m in maps if m["name"] in THREAD_TARGET_MAPS] or maps
    slowest = min(two_threads_over_one(m) for m in thread_maps)
    lines = [
        "",
        "### The Python pipeline",
        "",
        "CPython %s, %d CPUs. On each map, its scenario's first %d queries; each of %d rounds runs "
        "today's way and brondel_bulk one after the other and checks that their answers (status, "
        "length, cells, corners) are equal; times are the best of the rounds. The four measures, "
        "on %s (the two-thread one on %s):"
        % (pipeline["python"], pipeline["cpus"], head["queries"], pipeline["rounds"], head["name"],
           ", ".join(m["name"] for m in thread_maps)),
        "",
        "| measure | target | measured | |",
        "|---|---|---|---|",
        "| fill %d × %d: per-cell `set` / `fill` | ≥ %d × | %.0f × (%.1f ms / %.3f ms) | %s |"
        % (head["width"], head["height"], TARGETS["fill"], today["fill"] / bulk["fill"], today["fill"],
           bulk["fill"], verdict(today["fill"] / bulk["fill"], TARGETS["fill"])),
        "| read the cells of %d every-cell paths: parse `str(path)` / `path_cells` | ≥ %d × "
        "| %.0f × (%.1f ms / %.2f ms) | %s |"
        % (head["queries"], TARGETS["read_cells"], reading["str"] / reading["path_cells"], reading["str"],
           reading["path_cells"], verdict(reading["str"] / reading["path_cells"], TARGETS["read_cells"])),
        "| `find_paths`, 2 threads / 1 thread | ≥ %.1f × | %s | %s |"
        % (TARGETS["threads"], ", ".join("%.2f ×" % two_threads_over_one(m) for m in thread_maps),
           verdict(slowest, TARGETS["threads"])),
        "| whole pipeline: today / brondel_bulk | ≥ %d × | %.1f × (%.0f ms / %.1f ms) | %s |"
        % (TARGETS["total"], today["total"] / bulk["total"], today["total"], bulk["total"],
           verdict(today["total"] / bulk["total"], TARGETS["total"])),
        "",
        "Each step in ms, today's way / brondel_bulk (`find_paths` on every CPU); the whole "
        "pipeline is timed end to end.",
        "",
        "| map | " + " | ".join(label for _, label in STEP_NAMES) + " |",
        "|---|" + "---|" * len(STEP_NAMES),
    ]
    for m in maps:
        lines.append("| %s | " % m["name"] + " | ".join(
            "%.1f / %.2f" % (m["today_ms"][key], m["bulk_ms"][key]) for key, _ in STEP_NAMES) + " |")
    counts = sorted((key for key in head["queries_per_s"] if key != "loop"), key=int)
    lines += [
        "",
        "Queries a second, every cell, each answer with its cells as a flat array: a per-call loop "
        "(`find_path`, `get_path_length`, `path_cells(get_path())`) against `find_paths` on 1, 2 "
        "and every CPU's threads.",
        "",
        "| map | loop | " + " | ".join("%s thread%s" % (c, "" if c == "1" else "s") for c in counts)
        + " | 2 / 1 | 2 threads / loop |",
        "|---|---|" + "---|" * (len(counts) + 2),
    ]
    for m in maps:
        rates = m["queries_per_s"]
        lines.append("| %s | %.0f | %s | %.2f | %.2f |" % (
            m["name"], rates["loop"], " | ".join("%.0f" % rates[c] for c in counts),
            two_threads_over_one(m), rates["2"] / rates["loop"]))
    return lines


def engines_chart(bench, path, date):
    """Grouped horizontal bars per map, median µs per query, log scale."""
    maps = bench["maps"]
    figure, axes = plt.subplots(figsize=(9, 0.55 * len(maps) + 1.6))
    height = 0.8 / len(ENGINES)
    for at, (label, key, colour) in enumerate(ENGINES):
        axes.barh([row + at * height for row in range(len(maps))], [m[key][0] for m in maps], height,
                  label=label, color=colour)
    axes.set_yticks([row + height for row in range(len(maps))], [m["name"] for m in maps])
    axes.invert_yaxis()
    axes.set_xscale("log")
    axes.set_xlabel("median µs per query (log scale)")
    axes.set_title("Native searches, %d queries a map (%s)" % (bench["queries_per_map"], date))
    axes.grid(axis="x", which="both", alpha=0.3)
    axes.legend(loc="upper left", bbox_to_anchor=(1.01, 1))
    save(figure, path)


def pipeline_chart(pipeline, path, date):
    """One panel per map: each step today and in bulk, ms on a log scale."""
    maps = pipeline["maps"]
    columns = min(2, len(maps))
    rows = math.ceil(len(maps) / columns)
    figure, panels = plt.subplots(rows, columns, figsize=(6 * columns, 3.2 * rows), squeeze=False)
    for panel in panels.flat[len(maps):]:
        panel.set_visible(False)
    for m, axes in zip(maps, panels.flat):
        for at, (key, label, colour) in enumerate(WAYS):
            axes.barh([row + at * 0.4 for row in range(len(STEP_NAMES))],
                      [max(m[key][step], 1e-3) for step, _ in STEP_NAMES], 0.4, label=label, color=colour)
        axes.set_yticks([row + 0.2 for row in range(len(STEP_NAMES))], [label for _, label in STEP_NAMES])
        axes.invert_yaxis()
        axes.set_xscale("log")
        axes.set_xlabel("ms (log scale)")
        axes.set_title("%s, %d queries" % (m["name"], m["queries"]))
        axes.grid(axis="x", which="both", alpha=0.3)
    figure.suptitle("Python round trip, CPython %s (%s)" % (pipeline["python"], date))
    figure.legend(*panels.flat[0].get_legend_handles_labels(), loc="lower center", ncol=2,
                  bbox_to_anchor=(0.5, -0.06))
    save(figure, path)


def threads_chart(pipeline, path, date):
    """find_paths' queries a second against threads, a line per map; the
    per-call loop of the same map as a dashed line."""
    figure, axes = plt.subplots(figsize=(7, 4.5))
    for m, colour in zip(pipeline["maps"], plt.rcParams["axes.prop_cycle"].by_key()["color"]):
        rates = m["queries_per_s"]
        counts = sorted((int(key) for key in rates if key != "loop"))
        axes.plot(counts, [rates[str(c)] for c in counts], marker="o", color=colour,
                  label="%s, find_paths" % m["name"])
        axes.axhline(rates["loop"], color=colour, linestyle="--", linewidth=1,
                     label="%s, per-call loop" % m["name"])
        axes.set_xticks(counts)
    axes.set_xlabel("threads")
    axes.set_ylabel("queries a second (every cell)")
    axes.set_ylim(bottom=0)
    axes.set_title("find_paths throughput, %d CPUs (%s)" % (pipeline["cpus"], date))
    axes.grid(alpha=0.3)
    axes.legend(fontsize="small", loc="upper left", bbox_to_anchor=(1.01, 1))
    save(figure, path)


def save(figure, path):
    figure.tight_layout()
    # No creation date or software version in the file: a rerun changes it only when the figures do.
    figure.savefig(path, dpi=100, bbox_inches="tight", metadata={"Software": None})
    plt.close(figure)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("bench_json")
    parser.add_argument("--python", help="figures of python_costs.py")
    parser.add_argument("--out", required=True, help="folder of results.md and the charts")
    args = parser.parse_args()
    with open(args.bench_json) as source:
        bench = json.load(source)
    python_costs = None
    if args.python:
        with open(args.python) as source:
            python_costs = json.load(source)
    date = datetime.date.today().isoformat()
    os.makedirs(args.out, exist_ok=True)
    with open(os.path.join(args.out, "results.md"), "w") as out:
        out.write(markdown(bench, python_costs, machine_description(), date))
    engines_chart(bench, os.path.join(args.out, "results.png"), date)
    if python_costs:
        pipeline_chart(python_costs["pipeline"], os.path.join(args.out, "pipeline.png"), date)
        threads_chart(python_costs["pipeline"], os.path.join(args.out, "threads.png"), date)


if __name__ == "__main__":
    main()
