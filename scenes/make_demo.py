#!/usr/bin/env python3
"""Writes the bundled sample scene: demo/1.obj (a small garden with a temple and an
obelisk) and demo/2.obj (a fir tree, which the viewer plants as a 5 x 5 grove).

Only the OBJ lines the viewer reads are written: "v x y z", "vn x y z" and
"f a//n b//n c//n", single spaces, LF line ends, no comments and no blank lines.

Run:  python3 scenes/make_demo.py   (rewrites scenes/demo/1.obj and 2.obj)
"""

import math
import os

# The view scales everything by 2 and lighting does not renormalise normals, so a
# normal of length 2 in the file lights like a unit normal on screen.
NORMAL_LENGTH = 2.0
MAX_FIELD = 30  # characters the reader takes per field


def number(value):
    """Shortest plain decimal with at most 4 places; never "-0"."""
    text = f"{value:.4f}".rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


class Mesh:
    def __init__(self):
        self.vertices = []
        self.vertex_index = {}
        self.normals = []
        self.normal_index = {}
        self.faces = []

    def vertex(self, p):
        key = tuple(number(c) for c in p)
        if key not in self.vertex_index:
            self.vertices.append(key)
            self.vertex_index[key] = len(self.vertices)
        return self.vertex_index[key]

    def normal(self, n):
        length = math.sqrt(sum(c * c for c in n))
        key = tuple(number(c * NORMAL_LENGTH / length) for c in n)
        if key not in self.normal_index:
            self.normals.append(key)
            self.normal_index[key] = len(self.normals)
        return self.normal_index[key]

    def triangle(self, a, b, c, normals):
        """Corners counter-clockwise seen from the front; one normal per corner."""
        self.faces.append([(self.vertex(p), self.normal(n)) for p, n in zip((a, b, c), normals)])

    def flat(self, points, n=None):
        """A convex polygon, counter-clockwise from the front, as a triangle fan."""
        if n is None:
            n = face_normal(points[0], points[1], points[2])
        for i in range(1, len(points) - 1):
            self.triangle(points[0], points[i], points[i + 1], (n, n, n))

    def text(self):
        lines = ["v " + " ".join(p) for p in self.vertices]
        lines += ["vn " + " ".join(n) for n in self.normals]
        lines += ["f " + " ".join(f"{v}//{n}" for v, n in face) for face in self.faces]
        for line in lines:
            assert all(len(field) <= MAX_FIELD for field in line.split(" ")), line
        return "\n".join(lines) + "\n"


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def face_normal(a, b, c):
    return cross(sub(b, a), sub(c, a))


class Place:
    """A frame turned by `turn` degrees about +y and moved to `origin`."""

    def __init__(self, origin, turn=0.0):
        self.origin = origin
        self.c = math.cos(math.radians(turn))
        self.s = math.sin(math.radians(turn))

    def __call__(self, x, y, z):
        ox, oy, oz = self.origin
        return (ox + self.c * x + self.s * z, oy + y, oz - self.s * x + self.c * z)


def box(mesh, at, x0, x1, y0, y1, z0, z1):
    """An axis-aligned box in the frame `at`, faces outward. It has no bottom: every box
    stands on something, and a bottom face would fight with that surface for depth."""
    p = {(i, j, k): at((x0, x1)[i], (y0, y1)[j], (z0, z1)[k]) for i in (0, 1) for j in (0, 1) for k in (0, 1)}
    for quad in (
        ((0, 0, 0), (0, 1, 0), (1, 1, 0), (1, 0, 0)),  # -z
        ((1, 0, 1), (1, 1, 1), (0, 1, 1), (0, 0, 1)),  # +z
        ((0, 0, 1), (0, 1, 1), (0, 1, 0), (0, 0, 0)),  # -x
        ((1, 0, 0), (1, 1, 0), (1, 1, 1), (1, 0, 1)),  # +x
        ((0, 1, 0), (0, 1, 1), (1, 1, 1), (1, 1, 0)),  # +y
    ):
        mesh.flat([p[q] for q in quad])


def column(mesh, at, x, z, radius, y0, y1, sides=10):
    """A smooth-shaded upright column."""
    for i in range(sides):
        a0 = 2 * math.pi * i / sides
        a1 = 2 * math.pi * (i + 1) / sides
        n0 = (math.cos(a0), 0.0, math.sin(a0))
        n1 = (math.cos(a1), 0.0, math.sin(a1))

        def rim(a, y):
            return at(x + radius * math.cos(a), y, z + radius * math.sin(a))

        world = lambda n: sub(at(*n), at(0, 0, 0))  # noqa: E731  turn the normal with the frame
        mesh.triangle(rim(a0, y0), rim(a0, y1), rim(a1, y1), (world(n0), world(n0), world(n1)))
        mesh.triangle(rim(a0, y0), rim(a1, y1), rim(a1, y0), (world(n0), world(n1), world(n1)))


def pyramid(mesh, at, x0, x1, z0, z1, y0, y1):
    """A four-sided roof over the rectangle, apex at the centre."""
    apex = at((x0 + x1) / 2, y1, (z0 + z1) / 2)
    corners = [at(x0, y0, z0), at(x1, y0, z0), at(x1, y0, z1), at(x0, y0, z1)]
    for i in range(4):
        a, b = corners[i], corners[(i + 1) % 4]
        mesh.flat([b, a, apex])


def ground(mesh, x0, x1, z0, z1, tile):
    """A checkered lawn: alternate tiles lean their normals a little differently, so
    the headlight shades them in two tones and the ground shows its perspective."""
    nx = int(round((x1 - x0) / tile))
    nz = int(round((z1 - z0) / tile))
    for i in range(nx):
        for k in range(nz):
            xa, xb = x0 + i * tile, x0 + (i + 1) * tile
            za, zb = z0 + k * tile, z0 + (k + 1) * tile
            lean = 0.3 if (i + k) % 2 == 0 else 0.45
            mesh.flat([(xa, 0, za), (xa, 0, zb), (xb, 0, zb), (xb, 0, za)], (0.0, 1.0, -lean))


def temple(mesh, at):
    """Two steps, six columns, a lintel and a pyramid roof."""
    box(mesh, at, -3.2, 3.2, 0.0, 0.25, -2.2, 2.2)
    box(mesh, at, -2.8, 2.8, 0.25, 0.5, -1.8, 1.8)
    for x in (-2.3, 0.0, 2.3):
        for z in (-1.3, 1.3):
            column(mesh, at, x, z, 0.28, 0.5, 3.3)
    box(mesh, at, -2.9, 2.9, 3.3, 3.75, -1.9, 1.9)
    pyramid(mesh, at, -3.0, 3.0, -2.0, 2.0, 3.75, 5.2)


def obelisk(mesh, at):
    """A pedestal with a tapering needle and a pointed cap."""
    box(mesh, at, -0.8, 0.8, 0.0, 0.35, -0.8, 0.8)
    box(mesh, at, -0.55, 0.55, 0.35, 1.1, -0.55, 0.55)
    base, top, height = 0.32, 0.2, 4.2
    y0, y1 = 1.1, 1.1 + height
    for i in range(4):
        a = math.pi / 2 * i + math.pi / 4
        b = a + math.pi / 2
        r0, r1 = base * math.sqrt(2), top * math.sqrt(2)
        quad = [at(r0 * math.cos(a), y0, r0 * math.sin(a)), at(r1 * math.cos(a), y1, r1 * math.sin(a)),
                at(r1 * math.cos(b), y1, r1 * math.sin(b)), at(r0 * math.cos(b), y0, r0 * math.sin(b))]
        mesh.flat(quad)
    cap = at(0, y1 + 0.45, 0)
    for i in range(4):
        a = math.pi / 2 * i + math.pi / 4
        b = a + math.pi / 2
        r1 = top * math.sqrt(2)
        mesh.flat([at(r1 * math.cos(a), y1, r1 * math.sin(a)), cap, at(r1 * math.cos(b), y1, r1 * math.sin(b))])


def main_model():
    """The garden, in the coordinates the viewer places at (83, 22.2, -160). The start-up
    eye sits at about (6.02, 0.38, -14.21) here, looking toward +z; the view's right is -x.
    The grove stands on the lawn at x 4 to 6.4, z -1 to -3.4."""
    mesh = Mesh()
    ground(mesh, -20.0, 32.0, -24.0, 40.0, 1.0)
    temple(mesh, Place((12.0, 0.0, 5.0), turn=-28.0))
    obelisk(mesh, Place((-0.5, 0.0, 1.0), turn=20.0))
    return mesh


def tree():
    """One fir tree as a double-sided billboard, in the copy's own frame: +z is up, the
    viewer looks from +y, its right is -x; the copy's origin is 0.3 above the lawn.
    Edge normals lean sideways so the headlight shades the crown round."""
    mesh = Mesh()
    ground_z = -0.3

    def point(right, up):
        return (-right, 0.0, up)

    def normal(right, down=0.0):
        return (-right * 2.5, 1.0, -down)

    def both_sides(corners, normals):
        mesh.triangle(*corners, normals)
        back = [(-n[0], -n[1], -n[2]) for n in normals]
        mesh.triangle(corners[0], corners[2], corners[1], (back[0], back[2], back[1]))

    # The trunk.
    w, top = 0.035, 0.02
    quad = [point(-w, ground_z), point(w, ground_z), point(w, top), point(-w, top)]
    bark = normal(0, down=1.5)
    both_sides((quad[0], quad[1], quad[2]), (bark, bark, bark))
    both_sides((quad[0], quad[2], quad[3]), (bark, bark, bark))
    # Three tiers of the crown, each a triangle with its centre line facing the viewer.
    for base, height, half in ((-0.02, 0.42, 0.22), (0.2, 0.38, 0.17), (0.4, 0.34, 0.12)):
        left, right, tip = point(-half, base), point(half, base), point(0, base + height)
        centre = point(0, base)
        both_sides((left, centre, tip), (normal(-1), normal(0), normal(0)))
        both_sides((centre, right, tip), (normal(0), normal(1), normal(0)))
    return mesh


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo")
    os.makedirs(folder, exist_ok=True)
    for name, mesh in (("1.obj", main_model()), ("2.obj", tree())):
        with open(os.path.join(folder, name), "w", newline="\n") as out:
            out.write(mesh.text())


if __name__ == "__main__":
    main()
