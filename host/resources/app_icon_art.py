"""The product's application icon, drawn at any size.

A green-to-blue disc carrying a small white boat whose mast sprouts two young
leaves: a boat of green grain.  Shapes are described in unit coordinates
(x right, y down, the icon spanning 0..1) and rendered with supersampling so
that the small sizes keep smooth edges.
"""

import math

# Disc colours at its upper-left and lower-right ends.
GREEN = (0x35, 0xB8, 0x6E)
BLUE = (0x1F, 0x62, 0xC4)
WHITE = (0xFF, 0xFF, 0xFF)
LEAF = (0xD9, 0xF7, 0x8C)
RIM = (0x17, 0x4F, 0x8F)

DISC_CENTRE = (0.5, 0.5)
DISC_RADIUS = 0.47
RIM_WIDTH = 0.03


def _inside_disc(x, y, radius):
    dx = x - DISC_CENTRE[0]
    dy = y - DISC_CENTRE[1]
    return dx * dx + dy * dy <= radius * radius


def _leaf(tip_a, tip_b, half_width):
    """A pointed leaf between two tips: the lens where two discs overlap."""
    mx = (tip_a[0] + tip_b[0]) / 2
    my = (tip_a[1] + tip_b[1]) / 2
    half_length = math.hypot(tip_b[0] - tip_a[0], tip_b[1] - tip_a[1]) / 2
    # Unit normal of the tip-to-tip line.
    nx = -(tip_b[1] - tip_a[1]) / (2 * half_length)
    ny = (tip_b[0] - tip_a[0]) / (2 * half_length)
    radius = (half_length * half_length + half_width * half_width) / (2 * half_width)
    offset = radius - half_width
    c1 = (mx + nx * offset, my + ny * offset)
    c2 = (mx - nx * offset, my - ny * offset)
    r2 = radius * radius

    def inside(x, y):
        return ((x - c1[0]) ** 2 + (y - c1[1]) ** 2 <= r2
                and (x - c2[0]) ** 2 + (y - c2[1]) ** 2 <= r2)

    return inside


_RIGHT_LEAF = _leaf((0.52, 0.50), (0.78, 0.20), 0.085)
_LEFT_LEAF = _leaf((0.48, 0.52), (0.27, 0.31), 0.065)


def _in_hull(x, y):
    # A trapezoid, wide at the deck and narrow at the keel.
    top, bottom = 0.60, 0.73
    if y < top or y > bottom:
        return False
    t = (y - top) / (bottom - top)
    half = 0.31 - 0.13 * t
    return abs(x - 0.5) <= half


def _in_mast(x, y):
    return abs(x - 0.5) <= 0.022 and 0.30 <= y <= 0.61


def _in_wave(x, y):
    if not 0.20 <= x <= 0.80:
        return False
    centre = 0.81 + 0.018 * math.sin((x - 0.20) * 2 * math.pi / 0.2)
    return abs(y - centre) <= 0.018


def _sample(x, y):
    """Straight RGBA (floats 0..1 for alpha) of one point of the artwork."""
    if not _inside_disc(x, y, DISC_RADIUS):
        return (0.0, 0.0, 0.0, 0.0)
    if not _inside_disc(x, y, DISC_RADIUS - RIM_WIDTH):
        return (*RIM, 1.0)
    if _in_hull(x, y) or _in_mast(x, y) or _in_wave(x, y):
        return (*WHITE, 1.0)
    if _RIGHT_LEAF(x, y) or _LEFT_LEAF(x, y):
        return (*LEAF, 1.0)
    t = min(1.0, max(0.0, (x + y - 0.1) / 1.8))
    colour = tuple(g + (b - g) * t for g, b in zip(GREEN, BLUE))
    return (*colour, 1.0)


def render(size):
    """Rows of (r, g, b, a) byte tuples, top row first, straight alpha."""
    grid = 4 if size <= 64 else 2
    step = 1.0 / (size * grid)
    samples = grid * grid
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(grid):
                y = (py * grid + sy + 0.5) * step
                for sx in range(grid):
                    x = (px * grid + sx + 0.5) * step
                    sr, sg, sb, sa = _sample(x, y)
                    # Premultiplied while averaging, so transparent samples
                    # do not darken the edge colour.
                    r += sr * sa
                    g += sg * sa
                    b += sb * sa
                    a += sa
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / samples)))
        rows.append(row)
    return rows
