"""Palettes for the 4- and 8-bit icon images, chosen from the artwork itself.

Median cut: the box of colours with the most weight times spread is split at
its weighted median along its widest channel until there are enough boxes;
each box gives its weighted mean colour.
"""


def _spread(colours):
    return max(max(c[i] for c, _ in colours) - min(c[i] for c, _ in colours) for i in range(3))


def _widest_channel(colours):
    return max(range(3), key=lambda i: max(c[i] for c, _ in colours) - min(c[i] for c, _ in colours))


def _split(colours):
    channel = _widest_channel(colours)
    ordered = sorted(colours, key=lambda item: item[0][channel])
    total = sum(count for _, count in ordered)
    running = 0
    for index, (_, count) in enumerate(ordered):
        running += count
        if running * 2 >= total:
            cut = min(max(index + 1, 1), len(ordered) - 1)
            return ordered[:cut], ordered[cut:]
    return ordered[:-1], ordered[-1:]


def _mean(colours):
    total = sum(count for _, count in colours)
    return tuple(round(sum(c[i] * count for c, count in colours) / total) for i in range(3))


def choose_palette(histogram, size):
    """At most `size` RGB colours for a {rgb: count} histogram."""
    boxes = [list(histogram.items())] if histogram else []
    while boxes and len(boxes) < size:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: sum(n for _, n in b) * _spread(b))
        if _spread(box) == 0:
            break
        boxes.remove(box)
        boxes.extend(_split(box))
    return [_mean(b) for b in boxes]


def nearest_index(palette, colour, cache):
    """Index of the palette entry closest to colour (squared RGB distance)."""
    found = cache.get(colour)
    if found is None:
        r, g, b = colour
        found = min(range(len(palette)),
                    key=lambda i: (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2
                    + (palette[i][2] - b) ** 2)
        cache[colour] = found
    return found
