"""Writes jvmhost's application icon: eleven images, 16, 32 and 48 pixels in
4-, 8- and 32-bit colour and 256 pixels in 8- and 32-bit colour.

Usage: make_app_icon.py OUTPUT.ico
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from app_icon_art import render  # noqa: E402
from ico_format import encode_icon, encode_image  # noqa: E402

# Largest first within each depth, deepest colour first: the order shells
# expect when they pick the best match from the front.
IMAGES = [(256, 32), (48, 32), (32, 32), (16, 32),
          (256, 8), (48, 8), (32, 8), (16, 8),
          (48, 4), (32, 4), (16, 4)]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    artwork = {}
    images = []
    for size, bits in IMAGES:
        if size not in artwork:
            artwork[size] = render(size)
        images.append((size, bits, encode_image(artwork[size], bits)))
    data = encode_icon(images)
    # Written next to the target and renamed, so an interrupted build never
    # leaves a truncated icon that looks up to date.
    temporary = argv[1] + '.tmp'
    with open(temporary, 'wb') as out:
        out.write(data)
    os.replace(temporary, argv[1])
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
