"""A first look at brondel: build a small occupancy map, print it, find a
path around its wall, and show the corner of that path."""
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
    if status != 0:
        print("no path (status %d)" % status)
        return
    path = finder.get_path()
    print("path from (0, 2) to (7, 2):", path)
    print("length: %.4f cells" % finder.get_path_length())

    corners = brondel.cornerfinder(grid)
    print("corner map (the wall's middle cells are cleared, its ends stay):")
    print(corners.corner_map, end="")
    corners.find_corner(0, path)
    print("corner of the path (first cell after the start beside a wall end):", corners.corner)


if __name__ == "__main__":
    main()
