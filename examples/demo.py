"""A first look at brondel: build a small occupancy map, print it, and show
how a path prints."""
import brondel


def main():
    grid = brondel.projection_map(8, 5)
    for y in range(1, 4):
        grid.set(4, y, "\x01")
    print(brondel.__doc__)
    print("map of %d x %d cells, highest row first:" % tuple(grid.resolution))
    print(grid, end="")


if __name__ == "__main__":
    main()
