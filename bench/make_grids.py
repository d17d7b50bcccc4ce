#!/usr/bin/env python3
"""Writes the generated grids of the fill benchmark into bench/grids/.

Deterministic: the same script writes the same files (each grid has a seed
of its own, and only random.Random.random() is used). The hand-made grids
beside them (small ones, those with fixed letters, the impossible ones) are
not touched.

American-style ("us-"): every open cell checked (in an across and a down
word), blocks placed in pairs symmetric about the centre (180 degrees), no
word shorter than 3, the open cells connected, no word longer than a limit.

Polish-style ("pl-"): a lattice of blocks on every other cell of every other
row, so that those rows' open cells stand in a down word only (unchecked),
with blocks added to cut the across and down words into short ones (2 letters
and up); every open cell stands in at least one word.

    bench/make_grids.py          # writes the files
    bench/make_grids.py --check  # only says whether the files are up to date
"""
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
GRIDS = os.path.join(HERE, "grids")


def runs(line):
    """The lengths of the runs of open cells (True) of a row or column."""
    out, n = [], 0
    for open_ in line:
        if open_:
            n += 1
        else:
            if n:
                out.append(n)
            n = 0
    if n:
        out.append(n)
    return out


def rows_and_columns(g):
    return [list(r) for r in g] + [list(c) for c in zip(*g)]


def connected(g):
    h, w = len(g), len(g[0])
    cells = [(r, c) for r in range(h) for c in range(w) if g[r][c]]
    if not cells:
        return False
    seen, todo = {cells[0]}, [cells[0]]
    while todo:
        r, c = todo.pop()
        for rr, cc in ((r + 1, c), (r - 1, c), (r, c + 1), (r, c - 1)):
            if 0 <= rr < h and 0 <= cc < w and g[rr][cc] and (rr, cc) not in seen:
                seen.add((rr, cc))
                todo.append((rr, cc))
    return len(seen) == len(cells)


def american_ok(g, longest):
    return all(3 <= n <= longest for line in rows_and_columns(g) for n in runs(line)) and connected(g)


def pick(rng, n):
    return min(n - 1, int(rng.random() * n))


def american(size, blocks, longest, seed):
    """A symmetric grid of size x size with about `blocks` of its cells blocks;
    a try that leaves a word too long starts again."""
    for attempt in range(100):
        g = american_try(size, blocks, longest, random.Random(seed * 1000 + attempt))
        if g:
            return g
    raise SystemExit(f"no American-style grid {size}x{size} for seed {seed}")


def american_try(size, blocks, longest, rng):
    g = [[True] * size for _ in range(size)]

    def lines_ok(r, c):
        lines = (g[r], g[size - 1 - r], [row[c] for row in g], [row[size - 1 - c] for row in g])
        return all(n >= 3 for line in lines for n in runs(line))

    def with_stubs(r, c):
        """The cell, and the open cells it would leave in a run under 3 between
        it and the edge or the next block (they become blocks too)."""
        cells = [(r, c)]
        for dr, dc in ((0, 1), (0, -1), (1, 0), (-1, 0)):
            run, rr, cc = [], r + dr, c + dc
            while 0 <= rr < size and 0 <= cc < size and g[rr][cc]:
                run.append((rr, cc))
                rr, cc = rr + dr, cc + dc
            if len(run) < 3:
                cells += run
        return cells

    def try_block(r, c):
        if not g[r][c]:
            return False
        cells = with_stubs(r, c)
        cells += [(size - 1 - a, size - 1 - b) for a, b in cells]
        cells = [(a, b) for a, b in set(cells) if g[a][b]]
        for a, b in cells:
            g[a][b] = False
        if all(lines_ok(a, b) for a, b in cells) and connected(g):
            return True
        for a, b in cells:
            g[a][b] = True
        return False

    # First cut every word over the limit, then add blocks up to the target.
    for _ in range(10 * size * size):
        too_long = [(r, c) for r in range(size) for c in range(size) if g[r][c] and over(g, r, c, longest)]
        if not too_long:
            break
        try_block(*too_long[pick(rng, len(too_long))])
    cells = [(r, c) for r in range(size) for c in range(size)]
    order = sorted(cells, key=lambda _: rng.random())
    target = round(blocks * size * size)
    for r, c in order:
        if sum(not x for row in g for x in row) >= target:
            break
        try_block(r, c)
    return g if american_ok(g, longest) else None


def over(g, r, c, longest):
    """Whether the cell stands in a run longer than longest."""
    def run_len(line, i):
        a = i
        while a > 0 and line[a - 1]:
            a -= 1
        b = i
        while b + 1 < len(line) and line[b + 1]:
            b += 1
        return b - a + 1
    return run_len(g[r], c) > longest or run_len([row[c] for row in g], r) > longest


def in_a_word(g, r, c):
    h, w = len(g), len(g[0])
    across = (c > 0 and g[r][c - 1]) or (c + 1 < w and g[r][c + 1])
    down = (r > 0 and g[r - 1][c]) or (r + 1 < h and g[r + 1][c])
    return across or down


def long_runs(g, longest):
    """The runs longer than longest, each as its list of cells."""
    h, w = len(g), len(g[0])
    lines = [[(r, c) for c in range(w)] for r in range(h)] + [[(r, c) for r in range(h)] for c in range(w)]
    out = []
    for line in lines:
        run = []
        for cell in line + [None]:
            if cell is not None and g[cell[0]][cell[1]]:
                run.append(cell)
                continue
            if len(run) > longest:
                out.append(run)
            run = []
    return out


def polish(width, height, longest, seed):
    """The lattice grid, its words cut to at most `longest` letters; a try
    that cannot go on (every cut would cut the grid in two) starts again."""
    for attempt in range(100):
        g = polish_try(width, height, longest, random.Random(seed * 1000 + attempt))
        if g:
            return g
    raise SystemExit(f"no Polish-style grid {width}x{height} for seed {seed}")


def polish_try(width, height, longest, rng):
    g = [[not (r % 2 == 1 and c % 2 == 1) for c in range(width)] for r in range(height)]
    while True:
        runs_ = long_runs(g, longest)
        if not runs_:
            return g
        run = runs_[0]
        # A cut leaves at least 2 letters before it, at most longest, and at
        # least 2 after it; an across word is cut between two crossings, a
        # down word between two rows of the lattice, so every crossing stays.
        cuts = [run[i] for i in range(2, min(longest, len(run) - 3) + 1)
                if (run[i][0] % 2 == 0) != (run[i][1] % 2 == 0)]
        cuts.sort(key=lambda _: rng.random())
        for r, c in cuts:
            g[r][c] = False
            neighbours = [(r + dr, c + dc) for dr, dc in ((0, 1), (0, -1), (1, 0), (-1, 0))
                          if 0 <= r + dr < height and 0 <= c + dc < width]
            if all(in_a_word(g, rr, cc) for rr, cc in neighbours if g[rr][cc]) and connected(g):
                break
            g[r][c] = True
        else:
            return None


def text(g):
    return "".join("".join("." if x else "#" for x in row) + "\n" for row in g)


def grids():
    out = {}
    # American-style: dense (fewer blocks, longer words) and sparse ones.
    for size, blocks, longest, seed, name in (
        (9, 0.15, 6, 9, "us-09x09"),
        (11, 0.17, 7, 11, "us-11x11"),
        (13, 0.18, 7, 13, "us-13x13"),
        (15, 0.16, 9, 151, "us-15x15-dense"),
        (15, 0.18, 8, 152, "us-15x15-a"),
        (15, 0.18, 8, 153, "us-15x15-b"),
        (15, 0.22, 7, 154, "us-15x15-sparse"),
        (17, 0.18, 8, 17, "us-17x17"),
    ):
        out[name] = american(size, blocks, longest, seed)
    for size in (19, 21):
        for k in range(10):
            out[f"us-{size}x{size}-{k:02d}"] = american(size, 0.18, 8, 1000 * size + k)
    # Polish-style: the lattice, words cut short.
    for width, height, longest, seed, name in (
        (7, 7, 7, 7, "pl-07x07"),
        (9, 9, 5, 9, "pl-09x09"),
        (11, 11, 6, 11, "pl-11x11"),
        (13, 13, 7, 13, "pl-13x13"),
        (15, 15, 7, 151, "pl-15x15-a"),
        (15, 15, 9, 152, "pl-15x15-b"),
        (17, 13, 8, 17, "pl-17x13"),
        (21, 21, 9, 21, "pl-21x21"),
    ):
        out[name] = polish(width, height, longest, seed)
    return out


def main():
    check = "--check" in sys.argv[1:]
    os.makedirs(GRIDS, exist_ok=True)
    stale = []
    for name, g in sorted(grids().items()):
        path = os.path.join(GRIDS, name + ".txt")
        body = text(g)
        old = open(path, encoding="utf-8").read() if os.path.exists(path) else None
        if old != body:
            stale.append(path)
            if not check:
                with open(path, "w", encoding="utf-8", newline="\n") as f:
                    f.write(body)
    if check and stale:
        print("Nieaktualne siatki (uruchom bench/make_grids.py):", *stale, sep="\n  ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
