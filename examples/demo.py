"""A first look at brondel: build a small occupancy map, print it, reduce it
to its corner map, and show the corner of a path around the wall."""
import brondel


def main():
    grid = brondel.projection_map(8, 5)
    for y in range(1, 4):
        grid.set(4, y, "\x01")
    print(brondel.__doc__)
    print("map of %d x %d cells, highest row first:" % tuple(grid.resolution))
    print(grid, end="")

    corners = brondel.cornerfinder(grid)
    print("corner map (the wall's middle cell is cleared, its ends stay):")
    print(corners.corner_map, end="")
    if hasattr(brondel, "pathfinder"):
        finder = brondel.pathfinder()
        finder.init(grid, True)
        finder.find_path([1, 3, 0], [8, 3, 0])   # from (0, 2) to (7, 2)
        path = finder.get_path()
        corners.find_corner(0, path)
        print("path:", path)
        print("corner of the path (first cell after the start beside a wall end):",
              corners.corner)


if __name__ == "__main__":
    main()
