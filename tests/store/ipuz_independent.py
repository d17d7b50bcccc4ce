#!/usr/bin/env python3
"""Reads and writes .ipuz files independently of the program, for its tests.

  ipuz_independent.py read FILE EXPECTED [--need-ipuz]   checks FILE against EXPECTED
  ipuz_independent.py write EXPECTED FILE [--need-ipuz]  writes what EXPECTED holds as FILE
  ipuz_independent.py has-ipuz                           exit 0 when Python's ipuz package is there

EXPECTED is a JSON object: "rows" (the grid, one string a row: "#" a block,
"." an empty cell, an upper-case letter), "clues" ({"Across": [[number,
text], ...], "Down": [...]}), and "title", "author", "copyright", "notes".
The slot numbers are worked out here from the rows, left to right, top to
bottom. With Python's ipuz package (scripts/python-ipuz makes a venv with it)
the file is read with ipuz.read, which validates it, and written with
ipuz.write; without it, with the json module alone, unless --need-ipuz.
"""
import json
import sys

try:
    import ipuz
except ImportError:
    ipuz = None

TEXTS = ("title", "author", "copyright", "notes")


def numbers(rows):
    height, width = len(rows), len(rows[0])

    def is_open(r, c):
        return 0 <= r < height and 0 <= c < width and rows[r][c] != "#"

    out, n = [[0] * width for _ in rows], 0
    for r in range(height):
        for c in range(width):
            starts = (not is_open(r, c - 1) and is_open(r, c + 1)) or (not is_open(r - 1, c) and is_open(r + 1, c))
            if is_open(r, c) and starts:
                n += 1
                out[r][c] = n
    return out


def read(path, expected):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    data = ipuz.read(text) if ipuz else json.loads(text)
    rows, problems = expected["rows"], []
    block, empty = data.get("block", "#"), data.get("empty", 0)
    if data.get("version") != "http://ipuz.org/v2" or "http://ipuz.org/crossword#1" not in data.get("kind", []):
        problems.append("version or kind: %r %r" % (data.get("version"), data.get("kind")))
    if data.get("dimensions") != {"width": len(rows[0]), "height": len(rows)}:
        problems.append("dimensions: %r" % data.get("dimensions"))
    num = numbers(rows)
    for r, row in enumerate(rows):
        for c, ch in enumerate(row):
            shape, letter = data["puzzle"][r][c], data["solution"][r][c]
            if ch == "#":
                want = (block, block)
            else:
                want = (num[r][c] if num[r][c] else empty, empty if ch == "." else ch)
            if (shape, letter) != want:
                problems.append("row %d, column %d: %r, %r instead of %r" % (r + 1, c + 1, shape, letter, want))
    if data.get("clues") != expected["clues"]:
        problems.append("clues: %r" % data.get("clues"))
    for name in TEXTS:
        if data.get(name, "") != expected.get(name, ""):
            problems.append("%s: %r" % (name, data.get(name)))
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


def write(expected, path):
    rows = expected["rows"]
    num = numbers(rows)
    data = {
        "version": "http://ipuz.org/v2",
        "kind": ["http://ipuz.org/crossword#1"],
        "dimensions": {"width": len(rows[0]), "height": len(rows)},
        "puzzle": [["#" if ch == "#" else num[r][c] for c, ch in enumerate(row)] for r, row in enumerate(rows)],
        # Letters in lower case this time, and every one escaped by json.
        "solution": [["#" if ch == "#" else 0 if ch == "." else ch.lower() for ch in row] for row in rows],
        # Down clues in the object form.
        "clues": {
            "Across": expected["clues"]["Across"],
            "Down": [{"number": n, "clue": t} for n, t in expected["clues"]["Down"]],
        },
    }
    data.update({name: expected[name] for name in TEXTS if expected.get(name)})
    if ipuz:
        text = ipuz.write(data)
        ipuz.read(text)
    else:
        text = json.dumps(data)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


def main(args):
    need = "--need-ipuz" in args
    args = [a for a in args if a != "--need-ipuz"]
    if args == ["has-ipuz"]:
        return 0 if ipuz else 1
    if need and not ipuz:
        print("Python's ipuz package is not installed (scripts/python-ipuz)", file=sys.stderr)
        return 2
    if len(args) == 3 and args[0] == "read":
        with open(args[2], encoding="utf-8") as f:
            return read(args[1], json.load(f))
    if len(args) == 3 and args[0] == "write":
        with open(args[1], encoding="utf-8") as f:
            return write(json.load(f), args[2])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
