"""Misuses of the modules: the stubs make mypy report each marked line once,
with the error code given in its comment, and the modules themselves refuse
each of them with TypeError or AttributeError."""
import brondel
import brondel_bulk

grid = brondel.projection_map(3, 2)
finder = brondel.pathfinder()
corners = brondel.cornerfinder(grid)

brondel.path_2d()  # misuse: call-arg
brondel.path_2d(finder.get_path())  # misuse: arg-type
brondel.pathfinder_ifc()  # misuse: call-arg
brondel.pathfinder(grid)  # misuse: call-arg
brondel.projection_map(2.0, 2)  # misuse: arg-type
grid.get(0, y=0)  # misuse: call-arg
grid.set(0, 0, 1)  # misuse: arg-type
grid.get(0, 0).decode()  # misuse: attr-defined
grid.resolution = [1, 2]  # misuse: misc
grid.colour = 1  # misuse: attr-defined
finder.init([[0]], True)  # misuse: arg-type
finder.find_path([1, 1, 0])  # misuse: call-arg
finder.get_path_length() + "cells"  # misuse: operator
len(finder.get_path())  # misuse: arg-type
corners.find_corner(0, [0, 0])  # misuse: arg-type
corners.corner = [1, 2]  # misuse: misc
brondel_bulk.fill(grid, [0, 0, 0, 0, 0, 0])  # misuse: arg-type
brondel_bulk.find_paths(grid, [(0, 0, 1, 1)])  # misuse: call-arg
brondel_bulk.path_cells(grid)  # misuse: arg-type
brondel_bulk.cells(grid).append(0)  # misuse: attr-defined
