"""Caption pictures for other caption sizes by the module's own rule (module/captionfit.cpp,
where it is stated): the two outer rows and columns on each side keep their thickness and are
lengthened, the inside grows by the largest whole factor that fits both ways and is centred,
the band around it taking the button's face. The kit's pictures for other sizes and its
previews at other sizes are the module's, pixel for pixel."""
from collections import Counter

from PIL import Image

LARGEST_FIT_SIDE = 1024  # slots larger than this on a side are stretched by the module


def fit_axis(n, slot, k):
    """Which of n source pixels each of slot destination pixels takes."""
    inside = k * (n - 4)
    start = inside_start(n, slot, k)
    mapped = []
    for i in range(slot):
        j = i - start
        if i < 2:
            mapped.append(i)
        elif i >= slot - 2:
            mapped.append(i - (slot - n))
        elif j < 0:
            mapped.append(2)
        elif j >= inside:
            mapped.append(n - 3)
        else:
            mapped.append(2 + j // k)
    return mapped


def fits(size, slot):
    """Whether the rule applies to a picture of size going into slot; where it does not (a slot
    smaller on a side, a picture under 5 pixels on a side) the module stretches with GDI."""
    (w, h), (sw, sh) = size, slot
    return 5 <= w <= sw <= LARGEST_FIT_SIDE and 5 <= h <= sh <= LARGEST_FIT_SIDE


def inside_start(n, slot, k):
    """Where the grown inside starts along an axis of slot pixels."""
    return 2 + (slot - 4 - k * (n - 4)) // 2


def face_of(source, w, h):
    """The button's face: the value most of the pixels just inside the frame have (rows 2 and
    h - 3, columns 2 and w - 3, within them), the first met reading from the top where two are as
    common."""
    ring = [source[y * w + x] for y in range(2, h - 2) for x in range(2, w - 2)
            if x in (2, w - 3) or y in (2, h - 3)]
    counts = Counter(ring)
    return max(ring, key=counts.__getitem__)


def fit_picture(picture, slot):
    """The picture fitted into slot (W, H) as the module fits it, or None where the rule does
    not apply."""
    if not fits(picture.size, slot):
        return None
    (w, h), (sw, sh) = picture.size, slot
    k = min((sw - 4) // (w - 4), (sh - 4) // (h - 4))
    columns, rows = fit_axis(w, sw, k), fit_axis(h, sh, k)
    left, top = inside_start(w, sw, k), inside_start(h, sh, k)
    right, bottom = left + k * (w - 4), top + k * (h - 4)
    source = list(picture.getdata())
    face = face_of(source, w, h)

    def pixel(x, y):
        in_frame = 2 <= x <= sw - 3 and 2 <= y <= sh - 3
        if in_frame and not (left <= x < right and top <= y < bottom):
            return face
        return source[rows[y] * w + columns[x]]

    fitted = Image.new(picture.mode, slot)
    fitted.putdata([pixel(x, y) for y in range(sh) for x in range(sw)])
    return fitted


def at_slot(picture, slot):
    """The picture as the module shows it in a slot: as drawn at its own size, fitted where the
    rule applies, else stretched (here by the nearest pixel, close to what GDI does)."""
    if picture.size == slot:
        return picture
    return fit_picture(picture, slot) or picture.resize(slot, Image.Resampling.NEAREST)
