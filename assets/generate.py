#!/usr/bin/python3
"""Draws the wizard's artwork into this folder (needs python3-pil).

The PNG files are committed; run this only to change them:
    /usr/bin/python3 assets/generate.py
Everything is drawn at four times the size and reduced with premultiplied alpha,
so edges are smooth and free of dark fringes.
"""
import math
import os

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # supersampling factor

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_BOOK = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def reduce(img, size):
    """Downscales an RGBA image with premultiplied alpha."""
    return img.convert("RGBa").resize(size, Image.LANCZOS).convert("RGBA")


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vertical_gradient(w, h, stops):
    """stops: list of (position 0..1, (r, g, b, a))."""
    img = Image.new("RGBA", (w, h))
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for i in range(len(stops) - 1):
            p0, c0 = stops[i]
            p1, c1 = stops[i + 1]
            if p0 <= t <= p1:
                c = lerp(c0, c1, (t - p0) / max(1e-9, p1 - p0))
                break
        else:
            c = stops[-1][1]
        for x in range(w):
            px[x, y] = c
    return img


def rounded_mask(w, h, radius, inset=0):
    m = Image.new("L", (w, h), 0)
    ImageDraw.Draw(m).rounded_rectangle(
        (inset, inset, w - 1 - inset, h - 1 - inset), radius=radius, fill=255)
    return m


def save(img, name):
    img.save(os.path.join(HERE, name), optimize=True)


# ---- buttons ---------------------------------------------------------------------------

def glossy_button(w, h, body, rim, gloss_alpha, pressed=False, glow=None):
    """A rounded, glossy button: body gradient, a highlight on the upper half, a darker rim."""
    W, H = w * SS, h * SS
    r = 5 * SS
    out = Image.new("RGBA", (W, H), (0, 0, 0, 0))

    if glow:
        # A soft halo just inside the edge, drawn under the body.
        halo = Image.new("RGBA", (W, H), glow + (0,))
        halo.putalpha(rounded_mask(W, H, r).filter(ImageFilter.GaussianBlur(SS)))
        out = Image.alpha_composite(out, halo)

    # Rim: the full shape in the rim colour.
    rim_layer = Image.new("RGBA", (W, H), rim + (255,))
    rim_layer.putalpha(rounded_mask(W, H, r))
    out = Image.alpha_composite(out, rim_layer)

    # Body: one pixel inside the rim.
    inset = SS
    body_layer = vertical_gradient(W, H, body)
    body_layer.putalpha(rounded_mask(W, H, r - inset, inset))
    out = Image.alpha_composite(out, body_layer)

    # Gloss: a light band over the upper half (lower when pressed), fading downwards.
    gloss = Image.new("RGBA", (W, H), (255, 255, 255, 0))
    gm = Image.new("L", (W, H), 0)
    gd = ImageDraw.Draw(gm)
    top = inset + (H // 6 if pressed else SS)
    bottom = H // 2 + (H // 10 if pressed else 0)
    gd.rounded_rectangle((inset + SS, top, W - 1 - inset - SS, bottom), radius=r - 2 * SS, fill=255)
    fade = vertical_gradient(1, H, [(0, (gloss_alpha,) * 4), (bottom / H, (gloss_alpha // 4,) * 4),
                                     (1, (0, 0, 0, 0))]).resize((W, H))
    gm = Image.composite(fade.split()[0], Image.new("L", (W, H), 0), gm)
    gloss.putalpha(gm)
    out = Image.alpha_composite(out, gloss)

    if pressed:
        # Inner shadow along the top edge.
        shade = Image.new("RGBA", (W, H), (0, 0, 0, 0))
        sm = Image.new("L", (W, H), 0)
        ImageDraw.Draw(sm).rounded_rectangle((inset, inset, W - 1 - inset, inset + 3 * SS),
                                             radius=r - inset, fill=90)
        shade.putalpha(sm.filter(ImageFilter.GaussianBlur(SS)))
        body_clip = rounded_mask(W, H, r - inset, inset)
        shade.putalpha(Image.composite(shade.split()[3], Image.new("L", (W, H), 0), body_clip))
        out = Image.alpha_composite(out, shade)
    else:
        # A thin light line just under the top rim.
        line = Image.new("RGBA", (W, H), (255, 255, 255, 0))
        lm = Image.new("L", (W, H), 0)
        ImageDraw.Draw(lm).rounded_rectangle((inset, inset, W - 1 - inset, H - 1 - inset),
                                             radius=r - inset, outline=110, width=SS)
        cut = vertical_gradient(1, H, [(0, (255,) * 4), (0.45, (0,) * 4), (1, (0,) * 4)]).resize((W, H))
        lm = Image.composite(lm, Image.new("L", (W, H), 0), cut.split()[0])
        line.putalpha(lm)
        out = Image.alpha_composite(out, line)
    return reduce(out, (w, h))


def make_buttons():
    raised = glossy_button(
        97, 28,
        body=[(0, (78, 104, 140, 255)), (0.5, (44, 66, 99, 255)), (1, (30, 48, 76, 255))],
        rim=(20, 32, 52), gloss_alpha=120)
    hovered = glossy_button(
        97, 28,
        body=[(0, (70, 120, 178, 255)), (0.5, (38, 84, 140, 255)), (1, (26, 64, 116, 255))],
        rim=(18, 44, 86), gloss_alpha=140, glow=(120, 200, 255))
    sunken = glossy_button(
        97, 28,
        body=[(0, (24, 40, 66, 255)), (0.55, (32, 54, 86, 255)), (1, (44, 70, 104, 255))],
        rim=(14, 24, 42), gloss_alpha=60, pressed=True)
    disabled = glossy_button(
        97, 28,
        body=[(0, (214, 216, 220, 255)), (0.5, (192, 195, 200, 255)), (1, (176, 179, 185, 255))],
        rim=(150, 153, 160), gloss_alpha=150)
    save(raised, "button_raised.png")
    save(hovered, "button_hovered.png")
    save(sunken, "button_sunken.png")
    save(disabled, "button_disabled.png")
    # The picture behind the buttons is the page itself, made by the program in the
    # page's colour (ui/Artwork.cpp).


# ---- refresh pictures --------------------------------------------------------------------

def refresh_icon(colour, ring_alpha, offset=0, halo=None):
    S = 22 * SS
    img = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    cx = cy = S / 2 + offset * SS
    if halo:
        h = Image.new("RGBA", (S, S), halo + (0,))
        hm = Image.new("L", (S, S), 0)
        ImageDraw.Draw(hm).ellipse((SS, SS, S - SS, S - SS), fill=ring_alpha)
        h.putalpha(hm.filter(ImageFilter.GaussianBlur(2 * SS)))
        img = Image.alpha_composite(img, h)
    d = ImageDraw.Draw(img)
    radius = 7 * SS
    width = int(2.4 * SS)
    box = (cx - radius, cy - radius, cx + radius, cy + radius)
    # Two arcs with a gap at the upper right and lower left, each ending in an arrow head.
    for start, end in ((-40, 130), (140, 310)):
        d.arc(box, start=start + 18, end=end, fill=colour + (255,), width=width)
        a = math.radians(start + 18)
        # Arrow head at the arc's start, pointing along the turning direction (clockwise).
        px_, py_ = cx + radius * math.cos(a), cy + radius * math.sin(a)
        tangent = a - math.pi / 2  # backwards along the arc from its start
        size = 4.2 * SS
        tip = (px_ + size * math.cos(tangent), py_ + size * math.sin(tangent))
        n = a  # outward normal
        left = (px_ + size * 0.95 * math.cos(n), py_ + size * 0.95 * math.sin(n))
        right = (px_ - size * 0.95 * math.cos(n), py_ - size * 0.95 * math.sin(n))
        d.polygon([tip, left, right], fill=colour + (255,))
    return reduce(img, (22, 22))


def make_refresh():
    save(refresh_icon((52, 84, 128), 0), "refresh_normal.png")
    save(refresh_icon((24, 110, 200), 150, halo=(120, 200, 255)), "refresh_hovered.png")
    save(refresh_icon((20, 52, 96), 0, offset=0.5), "refresh_pressed.png")


# ---- side pictures --------------------------------------------------------------------------

def side_picture(h):
    w = 173
    W, H = w * SS, h * SS
    img = vertical_gradient(W, H, [(0, (26, 52, 92, 255)), (0.55, (20, 72, 118, 255)),
                                   (1, (12, 38, 70, 255))])
    d = ImageDraw.Draw(img)

    # Soft diagonal light bands.
    bands = Image.new("RGBA", (W, H), (255, 255, 255, 0))
    bm = Image.new("L", (W, H), 0)
    bd = ImageDraw.Draw(bm)
    for i, (x0, alpha) in enumerate(((-60, 22), (40, 14), (150, 10))):
        x0 *= SS
        bd.polygon([(x0, H), (x0 + 90 * SS, H), (x0 + 260 * SS, 0), (x0 + 170 * SS, 0)], fill=alpha)
    bands.putalpha(bm.filter(ImageFilter.GaussianBlur(6 * SS)))
    img = Image.alpha_composite(img, bands)
    d = ImageDraw.Draw(img)

    # A disc and a USB stick, drawn in light outlines, in the lower half.
    cx, cy = 52 * SS, int(H * 0.66)
    r = 34 * SS
    d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=(210, 226, 240, 70), outline=(230, 240, 250, 200),
              width=2 * SS)
    for rr, a in ((26, 40), (18, 30)):
        rr *= SS
        d.ellipse((cx - rr, cy - rr, cx + rr, cy + rr), outline=(240, 246, 252, a), width=SS)
    hole = 7 * SS
    d.ellipse((cx - hole, cy - hole, cx + hole, cy + hole), fill=(18, 56, 98, 255),
              outline=(230, 240, 250, 200), width=SS * 2)
    # Highlight wedge on the disc.
    d.arc((cx - r + 4 * SS, cy - r + 4 * SS, cx + r - 4 * SS, cy + r - 4 * SS), 200, 250,
          fill=(255, 255, 255, 120), width=3 * SS)

    # USB stick, tilted, overlapping the disc on the right.
    stick = Image.new("RGBA", (60 * SS, 120 * SS), (0, 0, 0, 0))
    sd = ImageDraw.Draw(stick)
    sd.rounded_rectangle((8 * SS, 30 * SS, 52 * SS, 116 * SS), radius=7 * SS, fill=(236, 242, 248, 235),
                         outline=(255, 255, 255, 255), width=SS)
    sd.rectangle((16 * SS, 6 * SS, 44 * SS, 31 * SS), fill=(196, 206, 218, 240), outline=(255, 255, 255, 255),
                 width=SS)
    sd.rectangle((21 * SS, 13 * SS, 27 * SS, 19 * SS), fill=(60, 80, 110, 255))
    sd.rectangle((33 * SS, 13 * SS, 39 * SS, 19 * SS), fill=(60, 80, 110, 255))
    sd.rounded_rectangle((14 * SS, 50 * SS, 46 * SS, 96 * SS), radius=4 * SS, fill=(40, 98, 160, 255))
    # A small "3.0" mark on the stick's label.
    f = ImageFont.truetype(FONT_BOLD, 11 * SS)
    sd.text((30 * SS, 73 * SS), "3.0", font=f, fill=(255, 255, 255, 255), anchor="mm")
    stick = stick.rotate(-28, resample=Image.BICUBIC, expand=True)
    shadow = Image.new("RGBA", stick.size, (0, 0, 0, 0))
    shadow.putalpha(stick.split()[3].point(lambda v: v * 90 // 255).filter(ImageFilter.GaussianBlur(3 * SS)))
    sx, sy = 58 * SS, int(H * 0.50)
    img.alpha_composite(shadow, (sx + 3 * SS, sy + 4 * SS))
    img.alpha_composite(stick, (sx, sy))
    d = ImageDraw.Draw(img)

    # Product name and a line under it.
    name_font = ImageFont.truetype(FONT_BOLD, 25 * SS)
    sub_font = ImageFont.truetype(FONT_BOOK, 10 * SS)
    tx, ty = 14 * SS, 30 * SS
    glow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    ImageDraw.Draw(glow).text((tx, ty), "BrindleSln", font=name_font, fill=(120, 200, 255, 160))
    glow = glow.filter(ImageFilter.GaussianBlur(3 * SS))
    img = Image.alpha_composite(img, glow)
    d = ImageDraw.Draw(img)
    d.text((tx, ty), "BrindleSln", font=name_font, fill=(255, 255, 255, 255))
    bbox = d.textbbox((tx, ty), "BrindleSln", font=name_font)
    ly = bbox[3] + 8 * SS
    d.rectangle((tx, ly, tx + 64 * SS, ly + SS), fill=(120, 200, 255, 255))
    d.text((tx, ly + 8 * SS), "Windows 7 media builder", font=sub_font, fill=(214, 230, 244, 255))
    d.text((tx, ly + 22 * SS), "USB 3.0  \u00b7  NVMe", font=sub_font, fill=(150, 200, 240, 255))

    # A thin light edge on the right, where the picture meets the page.
    d.rectangle((W - SS, 0, W, H), fill=(255, 255, 255, 60))
    out = img.convert("RGB").resize((w, h), Image.LANCZOS)
    return out


def make_sides():
    save(side_picture(303), "side_picture.png")
    save(side_picture(302), "side_picture_main.png")


def make_icon():
    S = 64 * SS
    img = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((2 * SS, 2 * SS, S - 2 * SS, S - 2 * SS), radius=12 * SS, fill=(26, 62, 108, 255),
                        outline=(120, 200, 255, 255), width=2 * SS)
    c, r = S // 2, 20 * SS
    d.ellipse((c - r, c - r, c + r, c + r), fill=(220, 232, 244, 255))
    h = 6 * SS
    d.ellipse((c - h, c - h, c + h, c + h), fill=(26, 62, 108, 255))
    d.rounded_rectangle((c + 4 * SS, c + 2 * SS, c + 22 * SS, c + 26 * SS), radius=3 * SS,
                        fill=(40, 120, 200, 255), outline=(255, 255, 255, 255), width=SS)
    icon = reduce(img, (64, 64))
    icon.save(os.path.join(HERE, "BrindleSln.ico"), sizes=[(16, 16), (32, 32), (48, 48), (64, 64)])


if __name__ == "__main__":
    make_buttons()
    make_refresh()
    make_sides()
    make_icon()
