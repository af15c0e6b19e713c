"""A first look at brondel: build a small occupancy map, print it, and find
a path around its wall."""
import brondel


def main():
    grid = brondel.projection_map(8, 5)
    for y in range(1, 4):
        grid.set(4, y, "\x01")
    print(brondel.__doc__)
    print("map of %d x %d cells, highest row first:" % tuple(grid.resolution))
    print(grid, end="")

    finder = brondel.pathfinder()
    finder.init(grid, True)
    # Cells enter one-based with three components; paths come back zero-based.
    status = finder.find_path([1, 3, 0], [8, 3, 0])
    if status == 0:
        print("path from (0, 2) to (7, 2):", finder.get_path())
        print("length: %.4f cells" % finder.get_path_length())
    else:
        print("no path (status %d)" % status)


if __name__ == "__main__":
    main()
