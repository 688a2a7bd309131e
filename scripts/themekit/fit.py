"""Caption pictures for other caption sizes by the module's own rule (module/captionfit.cpp,
where it is stated): the two outer rows and columns on each side keep their thickness and are
lengthened, the inside grows by the largest whole factor that fits both ways and is centred,
the band around it repeating the inside's outermost pixels. The kit's pictures for other sizes
and its previews at other sizes are the module's, pixel for pixel."""
from PIL import Image

LARGEST_FIT_SIDE = 1024  # slots larger than this on a side are stretched by the module


def fit_axis(n, slot, k):
    """Which of n source pixels each of slot destination pixels takes."""
    inside = k * (n - 4)
    pad = (slot - 4 - inside) // 2
    mapped = []
    for i in range(slot):
        j = i - 2 - pad
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


def fit_picture(picture, slot):
    """The picture fitted into slot (W, H) as the module fits it, or None where the rule does
    not apply."""
    if not fits(picture.size, slot):
        return None
    (w, h), (sw, sh) = picture.size, slot
    k = min((sw - 4) // (w - 4), (sh - 4) // (h - 4))
    columns, rows = fit_axis(w, sw, k), fit_axis(h, sh, k)
    source = list(picture.getdata())
    fitted = Image.new(picture.mode, slot)
    fitted.putdata([source[y * w + x] for y in rows for x in columns])
    return fitted


def at_slot(picture, slot):
    """The picture as the module shows it in a slot: as drawn at its own size, fitted where the
    rule applies, else stretched (here by the nearest pixel, close to what GDI does)."""
    if picture.size == slot:
        return picture
    return fit_picture(picture, slot) or picture.resize(slot, Image.Resampling.NEAREST)
