#!/usr/bin/env python3
"""Writes the viewer's two textures, assets/env1.tga and assets/env3.tga.

The cube's two halves carry the six faces of a die: env1 the faces z = 1 (six), x = -1
(four) and y = -1 (five), env3 the faces z = -1 (one), x = 1 (three) and y = 1 (two), so
opposite faces add up to seven. Each face is drawn in exactly the texels that the scene's
texture coordinates give it, oriented as a person sees the face from outside the cube:
its pips, its number in the top-left corner (a mirrored face shows a mirrored digit) and
an arrow pointing to its top. Texels that no face uses are grey.

Python 3 standard library only; the output is the same bytes on every run. Usage:
    python3 tools/make_textures.py [output folder, default: assets/ beside tools/]
"""

import os
import struct
import sys

SIZE = 256  # width and height in texels

# The scene's 14 vertices (first position and texture coordinate) and its two index
# lists, as the viewer's vertex and index buffers hold them.
POSITIONS = [
    (-1, 1, 1), (-1, -1, 1), (1, -1, 1), (1, 1, 1), (-1, 1, -1), (-1, -1, -1), (1, -1, -1),
    (-1, 1, -1), (-1, -1, -1), (1, -1, -1), (1, 1, -1), (-1, 1, 1), (1, -1, 1), (1, 1, 1),
]
UVS = [
    (0.5, 1.0), (0.5, 0.5), (1.0, 0.5), (1.0, 1.0), (0.0, 1.0), (0.0, 0.5), (0.0, 0.0),
    (0.0, 0.5), (0.0, 0.0), (0.5, 0.0), (0.5, 0.5), (1.0, 1.0), (1.0, 0.0), (1.0, 0.5),
]
INDICES_A = [0, 1, 2, 0, 2, 3, 4, 5, 1, 4, 1, 0, 1, 5, 6, 1, 6, 2]
INDICES_B = [7, 8, 9, 7, 9, 10, 13, 12, 9, 13, 9, 10, 7, 11, 13, 7, 13, 10]

# Each face as a viewer outside the cube sees it: its outward axis, the 3D directions that
# point right and up on screen (left-handed: right = up x viewing direction), and its pips.
FACES = {
    # axis: (right, up, value)
    (0, 0, 1): ((-1, 0, 0), (0, 1, 0), 6),
    (-1, 0, 0): ((0, 0, -1), (0, 1, 0), 4),
    (0, -1, 0): ((-1, 0, 0), (0, 0, 1), 5),
    (0, 0, -1): ((1, 0, 0), (0, 1, 0), 1),
    (1, 0, 0): ((0, 0, 1), (0, 1, 0), 3),
    (0, 1, 0): ((1, 0, 0), (0, 0, 1), 2),
}

FACE_COLORS = {
    1: (236, 112, 99), 2: (245, 176, 65), 3: (244, 208, 63),
    4: (130, 224, 170), 5: (118, 215, 234), 6: (195, 155, 211),
}
PIP_COLOR = (40, 30, 20)
MARK_COLOR = (20, 20, 20)
BORDER_COLOR = (90, 90, 90)
UNUSED_COLOR = (128, 128, 128)

PIP_RADIUS = 0.17
PIPS = {
    1: [(0, 0)],
    2: [(-0.5, 0.5), (0.5, -0.5)],
    3: [(-0.5, 0.5), (0, 0), (0.5, -0.5)],
    4: [(-0.5, 0.5), (0.5, 0.5), (-0.5, -0.5), (0.5, -0.5)],
    5: [(-0.5, 0.5), (0.5, 0.5), (0, 0), (-0.5, -0.5), (0.5, -0.5)],
    6: [(-0.5, 0.5), (0.5, 0.5), (-0.5, 0), (0.5, 0), (-0.5, -0.5), (0.5, -0.5)],
}

# Digits of a 3 x 5 font, top row first.
DIGITS = {
    1: ["010", "110", "010", "010", "111"],
    2: ["111", "001", "111", "100", "111"],
    3: ["111", "001", "111", "001", "111"],
    4: ["101", "101", "111", "001", "001"],
    5: ["111", "100", "111", "001", "111"],
    6: ["111", "100", "111", "101", "111"],
}
DIGIT_LEFT, DIGIT_TOP, DIGIT_CELL = -0.86, 0.88, 0.06


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def face_color(value, s, t):
    """The colour of the face with this many pips at (s, t), both -1..1, s right, t up."""
    if abs(s) > 0.93 or abs(t) > 0.93:
        return BORDER_COLOR
    for ps, pt in PIPS[value]:
        if (s - ps) ** 2 + (t - pt) ** 2 <= PIP_RADIUS ** 2:
            return PIP_COLOR
    # The arrow to the top: apex at t = 0.88, base 0.28 wide at t = 0.68.
    if 0.68 <= t <= 0.88 and abs(s) <= 0.14 * (0.88 - t) / 0.2:
        return MARK_COLOR
    column = int((s - DIGIT_LEFT) // DIGIT_CELL)
    row = int((DIGIT_TOP - t) // DIGIT_CELL)
    if 0 <= column < 3 and 0 <= row < 5 and DIGITS[value][row][column] == "1":
        return MARK_COLOR
    return FACE_COLORS[value]


def triangles(indices):
    """(uv corners, 3D corners, face) for each triangle with an area in texture space."""
    result = []
    for first in range(0, len(indices), 3):
        corners = indices[first:first + 3]
        uv = [UVS[i] for i in corners]
        xyz = [POSITIONS[i] for i in corners]
        area = (uv[1][0] - uv[0][0]) * (uv[2][1] - uv[0][1]) - (uv[2][0] - uv[0][0]) * (uv[1][1] - uv[0][1])
        if abs(area) < 1e-9:
            continue  # drawn as a line of texels; nothing to place
        axis = tuple(c if all(p[k] == c for p in xyz) else 0 for k, c in enumerate(xyz[0]))
        result.append((uv, xyz, area, FACES[axis]))
    return result


def barycentric(uv, area, u, v):
    (u0, v0), (u1, v1), (u2, v2) = uv
    w1 = ((u - u0) * (v2 - v0) - (u2 - u0) * (v - v0)) / area
    w2 = ((u1 - u0) * (v - v0) - (u - u0) * (v1 - v0)) / area
    return (1 - w1 - w2, w1, w2)


def texel_color(tris, u, v):
    # The triangle that holds the texel centre most deeply; a little slack around the
    # edges keeps point sampling from finding grey seams between triangles.
    best = None
    for uv, xyz, area, face in tris:
        weights = barycentric(uv, area, u, v)
        depth = min(weights)
        if best is None or depth > best[0]:
            best = (depth, weights, xyz, face)
    if best is None or best[0] < -0.03:
        return UNUSED_COLOR
    _, weights, xyz, (right, up, value) = best
    point = [sum(w * p[k] for w, p in zip(weights, xyz)) for k in range(3)]
    return face_color(value, dot(point, right), dot(point, up))


def targa(tris):
    """An uncompressed 24-bit Targa, rows stored bottom row first (descriptor bit 5 clear)."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, SIZE, SIZE, 24, 0)
    rows = []
    for row in range(SIZE):  # row 0 is the top of the image, at v = 0
        v = (row + 0.5) / SIZE
        line = bytearray()
        for column in range(SIZE):
            r, g, b = texel_color(tris, (column + 0.5) / SIZE, v)
            line += bytes((b, g, r))
        rows.append(bytes(line))
    return header + b"".join(reversed(rows))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                "..", "assets")
    os.makedirs(folder, exist_ok=True)
    for name, indices in (("env1.tga", INDICES_A), ("env3.tga", INDICES_B)):
        path = os.path.join(folder, name)
        with open(path, "wb") as output:
            output.write(targa(triangles(indices)))
        print(os.path.normpath(path))


if __name__ == "__main__":
    main()
