"""The scaling plot: write time against archive size, drawn as MVG (ImageMagick's
own vector language, part of its core) and rendered to PNG by `convert`."""
import math
import os
import subprocess
import tempfile

WIDTH, HEIGHT = 900, 560
LEFT, RIGHT, TOP, BOTTOM = 90, 40, 60, 80
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def _nice_step(span, ticks=6):
    raw = span / ticks
    magnitude = 10 ** math.floor(math.log10(raw))
    for factor in (1, 2, 2.5, 5, 10):
        if raw <= factor * magnitude:
            return factor * magnitude
    return 10 * magnitude


def _quote(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


def _label(value):
    return ("%g" % value) if value != int(value) else str(int(value))


def mvg(series, title, x_label, y_label):
    """series: [(name, colour, [(x, y), ...]), ...] -> MVG text."""
    points = [p for _, _, pts in series for p in pts]
    x_max = max(x for x, _ in points) * 1.08
    y_max = max(y for _, y in points) * 1.15
    x_step, y_step = _nice_step(x_max), _nice_step(y_max)
    x_max = math.ceil(x_max / x_step) * x_step
    y_max = math.ceil(y_max / y_step) * y_step
    plot_w, plot_h = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM

    def px(x):
        return LEFT + plot_w * x / x_max

    def py(y):
        return TOP + plot_h * (1 - y / y_max)

    out = ["viewbox 0 0 %d %d" % (WIDTH, HEIGHT),
           "fill white rectangle 0,0 %d,%d" % (WIDTH, HEIGHT)]
    if os.path.exists(FONT):
        out.append("font %s" % _quote(FONT))
    out.append("stroke-width 1")
    steps = int(round(y_max / y_step))
    for i in range(steps + 1):
        y = py(i * y_step)
        out.append("stroke '#dddddd' fill none line %d,%.1f %d,%.1f" % (LEFT, y, WIDTH - RIGHT, y))
        out.append("stroke none fill '#333333' font-size 13 text-anchor end text %d,%.1f %s"
                   % (LEFT - 8, y + 4, _quote(_label(round(i * y_step, 6)))))
    steps = int(round(x_max / x_step))
    for i in range(steps + 1):
        x = px(i * x_step)
        out.append("stroke '#dddddd' fill none line %.1f,%d %.1f,%d" % (x, TOP, x, HEIGHT - BOTTOM))
        out.append("stroke none fill '#333333' font-size 13 text-anchor middle text %.1f,%d %s"
                   % (x, HEIGHT - BOTTOM + 20, _quote(_label(round(i * x_step, 6)))))
    out.append("stroke black fill none line %d,%d %d,%d" % (LEFT, HEIGHT - BOTTOM, WIDTH - RIGHT,
                                                            HEIGHT - BOTTOM))
    out.append("stroke black fill none line %d,%d %d,%d" % (LEFT, TOP, LEFT, HEIGHT - BOTTOM))
    out.append("stroke none fill black font-size 17 text-anchor middle text %d,%d %s"
               % (WIDTH // 2, 32, _quote(title)))
    out.append("stroke none fill black font-size 14 text-anchor middle text %d,%d %s"
               % (LEFT + plot_w // 2, HEIGHT - 30, _quote(x_label)))
    out.append("push graphic-context translate 28,%d rotate -90 "
               "stroke none fill black font-size 14 text-anchor middle text 0,0 %s "
               "pop graphic-context" % (TOP + plot_h // 2, _quote(y_label)))

    for index, (name, colour, pts) in enumerate(series):
        pts = sorted(pts)
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            out.append("stroke %s stroke-width 2.5 fill none line %.1f,%.1f %.1f,%.1f"
                       % (_quote(colour), px(x0), py(y0), px(x1), py(y1)))
        for x, y in pts:
            out.append("stroke none fill %s circle %.1f,%.1f %.1f,%.1f"
                       % (_quote(colour), px(x), py(y), px(x) + 4.5, py(y)))
        ly = TOP + 18 + 22 * index
        out.append("stroke %s stroke-width 2.5 fill none line %d,%d %d,%d"
                   % (_quote(colour), LEFT + 20, ly, LEFT + 50, ly))
        out.append("stroke none fill black font-size 14 text-anchor start text %d,%d %s"
                   % (LEFT + 58, ly + 5, _quote(name)))
    return "\n".join(out) + "\n"


def write_png(path, series, title, x_label, y_label):
    with tempfile.NamedTemporaryFile("w", suffix=".mvg", delete=False) as f:
        f.write(mvg(series, title, x_label, y_label))
        source = f.name
    try:
        subprocess.run(["convert", "mvg:" + source, "-strip", "-define",
                        "png:exclude-chunks=date,time", "png:" + path], check=True)
    finally:
        os.unlink(source)
