"""Which cells brondel's search can reach from its start, by its own moves.

A failed find_path means either that no route the search can take exists or
that the search spent its budget of expansions first. Telling the two apart
needs the search's own moves (voxel/search/jump_rules.hpp), which are not
simply the eight neighbours:

- From its start the search steps to the four straight neighbours and to the
  diagonal ones that do not squeeze between two occupied cells.
- Straight runs go on while the next cell is free; where a wall beside the run
  ends they may also turn diagonally around the wall's end.
- A diagonal run tries both straight directions from every cell and goes on
  diagonally, even between two occupied cells that touch at a corner, unless
  the cell has a forced neighbour (a free cell behind a wall's end), where the
  run stops and goes on only past a free straight neighbour.

The exploration below follows these rules over states (cell, direction of
the step into it). It can only overrate what the search reaches: the search
expands a cell once, coming from one direction, where this exploration tries
them all. Since the search takes one cell off its open list per expansion, a
search whose reachable cells are fewer than its budget cannot have spent it.
"""
STRAIGHT = ((0, -1), (1, 0), (0, 1), (-1, 0))
DIAGONAL = ((-1, -1), (1, -1), (1, 1), (-1, 1))


def reach(grid, start, goal, enough=None):
    """Explores the cells the search started at `start` can reach on `grid` (a
    MovingAiMap). Returns (goal reached, number of cells reached besides the
    goal, 0 when the two are walled off). Without `enough` it stops as soon
    as the goal is reached; with it, once the goal and at least `enough`
    other cells are, or all are explored."""
    if not (grid.is_free(*start) and grid.is_free(*goal)):
        return False, 0
    moves = _Moves(grid)
    start_cell, goal_cell = moves.index(*start), moves.index(*goal)
    # Every move of the search is a step to one of the eight neighbours, so
    # a goal walled off from the start under such steps is found out
    # quickly, from the goal's side, which is often the smaller one.
    if not moves.connected(goal_cell, start_cell):
        return False, 0
    # seen[cell] has bit d set once the cell was entered by step d.
    seen = bytearray(len(moves.free))
    reached = 1
    pending = [(start_cell, None)]
    found = False
    while pending and not (found and (enough is None or reached - 1 >= enough)):
        cell, step = pending.pop()
        if cell == goal_cell:
            found = True  # the search ends where it reaches its goal
            continue
        for direction in moves.next_steps(cell, step):
            target = cell + moves.offsets[direction]
            if moves.free[target] and not seen[target] >> direction & 1:
                reached += not seen[target] and target != start_cell
                seen[target] |= 1 << direction
                pending.append((target, direction))
    return found, reached - found


class _Moves:
    """The map as a flat array with a border of occupied cells, and the
    search's rules for its next steps."""

    def __init__(self, grid):
        self.stride = grid.width + 2
        self.free = bytearray(self.stride * (grid.height + 2))
        for x, y in grid.free_cells():
            self.free[self.index(x, y)] = 1
        # Directions by number: the straight ones 0-3, the diagonal ones 4-7.
        self.steps = STRAIGHT + DIAGONAL
        self.offsets = [dx + dy * self.stride for dx, dy in self.steps]
        self.number = {step: number for number, step in enumerate(self.steps)}

    def index(self, x, y):
        return (y + 1) * self.stride + x + 1

    def connected(self, first, second):
        """Whether steps to any of the eight neighbours lead from the first
        cell to the second."""
        free, offsets = self.free, self.offsets
        seen = {first}
        pending = [first]
        while pending:
            cell = pending.pop()
            if cell == second:
                return True
            for offset in offsets:
                if free[cell + offset] and cell + offset not in seen:
                    seen.add(cell + offset)
                    pending.append(cell + offset)
        return False

    def next_steps(self, cell, step):
        """The directions the search may step in next from `cell`, entered
        by direction `step` (None at the start); the target may be occupied."""
        free, stride, number = self.free, self.stride, self.number
        if step is None:
            return [number[(dx, dy)] for dx, dy in self.steps
                    if not (dx and dy) or free[cell + dx] or free[cell + dy * stride]]
        dx, dy = self.steps[step]
        if dx and dy:
            vertical = free[cell + dy * stride]
            horizontal = free[cell + dx]
            behind_x = free[cell - dx]
            behind_y = free[cell - dy * stride]
            forced = ((free[cell - dx + dy * stride] and not behind_x)
                      or (free[cell + dx - dy * stride] and not behind_y))
            steps = [number[(0, dy)], number[(dx, 0)]]
            # A run goes on through any cell without a forced neighbour; a
            # cell with one is a jump point, whose expansion goes on
            # diagonally only past a free straight neighbour, and around the
            # ends of the walls behind the run.
            if vertical or horizontal or not forced:
                steps.append(step)
            if vertical and not behind_x:
                steps.append(number[(-dx, dy)])
            if horizontal and not behind_y:
                steps.append(number[(dx, -dy)])
            return steps
        if not free[cell + dx + dy * stride]:
            return []
        # Where a wall beside a straight run ends, the run may turn around it.
        if dx:
            return [step] + [number[(dx, side)] for side in (-1, 1) if not free[cell + side * stride]]
        return [step] + [number[(side, dy)] for side in (-1, 1) if not free[cell + side]]


def squeezed_diagonals(grid, cell):
    """The free diagonal neighbours of `cell` that lie between two occupied
    cells: the search cannot step to them from its start."""
    x, y = cell
    return [(x + dx, y + dy) for dx, dy in DIAGONAL
            if grid.is_free(x + dx, y + dy)
            and not grid.is_free(x + dx, y) and not grid.is_free(x, y + dy)]
