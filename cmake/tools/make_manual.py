#!/usr/bin/env python3
"""Makes a deterministic stand-in for the manual archive "Lumarso2015.zip".

The archive is a plain ZIP whose entries all sit under "Lumarso2015/": folder
entries, HTML pages, PDF documents, GIF and JPEG images, style sheets,
scripts, one text file and, at full size, one PNG and one PSD image.  Folders
and most images are stored, everything else is deflated.  Text is
compressible, image and PDF streams are not, so deflate lands near the real
manual's ratio.  All timestamps are fixed: the same arguments always give the
same bytes.

The stored images absorb whatever the deflated entries leave of --size, so
the archive comes out at exactly --size bytes whenever there is room.

Full-size manual (about 208 MB, the figures of the shipped one):
    make_manual.py --out Lumarso2015.zip --size 208304732 --entries 3390 --stored 373

The next edition of the same manual: the same arguments plus what changed.
--change K edits K% of the files (chosen at random with --derive-seed): a
stretch of each, 2% of its bytes, is rewritten in place and the entry packed
again; --add and --remove add or drop that many files, --rename gives that
many files a new name, --reorder shuffles the order of all entries.  The
stored images keep their sizes, so the archive is no longer exactly --size.
--generations G applies those changes G times over, each time with the next
--derive-seed, so that G = 2 gives an edition of an edition (for patches from
several earlier editions).
--report FILE writes, as JSON, how many entries changed and what share of the
archive's bytes they hold; the same line goes to stderr.
    make_manual.py --out next.zip --size 208304732 --entries 3390 --stored 373 --change 1 --add 1 --remove 1
"""
import json
import argparse
import concurrent.futures
import os
import random
import struct
import sys
import zlib

TOP = "Lumarso2015/"

# Shares of the target size; the stored images get whatever is left.
TEXT_SHARE = 0.375         # unpacked HTML/CSS/JS/TXT and PDF text objects
OPAQUE_SHARE = 0.80        # unpacked PDF streams and deflated images
FULL_SIZE_ENTRIES = 1000   # from here on the PNG and the PSD are included

DOS_DATE = ((2015 - 1980) << 9) | (3 << 5) | 2    # 2015-03-02
DOS_TIME_BASE = (9 << 11)                         # 09:00:00

WORDS = (
    "il la lo le gli un una di da in con su per tra fra e o ma se che non del della dei delle al alla "
    "nel nella sul sulla come quando dove ogni anche poi prima dopo sempre quindi infatti "
    "manuale capitolo sezione paragrafo pagina figura tabella esempio nota vedere indice "
    "programma finestra pulsante menu comando opzione impostazione parametro valore campo "
    "elenco archivio documento progetto cantiere computo metrico preventivo contabilita "
    "voce prezzo quantita misura lavoro lavori opera opere struttura calcolo verifica "
    "sicurezza piano relazione tecnica normativa decreto articolo comma allegato modello "
    "stampa anteprima salva apri chiudi nuovo modifica elimina copia incolla inserisci "
    "utente cliente fornitore impresa committente direttore responsabile data numero "
    "selezionare premere scegliere aprire inserire confermare indicare controllare "
    "viene vengono deve devono possibile necessario seguente successivo precedente "
    "installazione aggiornamento configurazione licenza versione cartella file disco "
    "Quadrivo Lumarso Velto"
).split()

HTML_HEAD = (
    '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\n'
    "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n"
    "<title>{title}</title>\n"
    '<link rel="stylesheet" type="text/css" href="{up}css/manuale.css">\n'
    '<script type="text/javascript" src="{up}js/navigazione.js"></script>\n'
    "</head>\n<body>\n<div class=\"testata\"><a href=\"{up}index.htm\">Indice</a> | "
    "<a href=\"{up}cerca.htm\">Cerca</a></div>\n<h1>{title}</h1>\n"
)
HTML_TAIL = "<div class=\"piede\">Copyright Velto S.r.l. - Lumarso 2015</div>\n</body>\n</html>\n"


class Sentences:
    """A pool of pseudo-Italian sentences; pages are assembled from it."""

    def __init__(self, rng, count=6000):
        self.pool = []
        for _ in range(count):
            words = rng.choices(WORDS, k=rng.randint(6, 22))
            words[0] = words[0].capitalize()
            self.pool.append(" ".join(words) + rng.choice((".", ".", ".", ";", ":")))

    def text(self, rng, size):
        out, total = [], 0
        pool = self.pool
        while total < size:
            s = pool[rng.randrange(len(pool))]
            out.append(s)
            total += len(s) + 1
        return " ".join(out)[:size]


# ---------------------------------------------------------------- contents

def make_html(rng, sentences, size, title, depth):
    up = "../" * depth
    parts = [HTML_HEAD.format(title=title, up=up)]
    total = len(parts[0]) + len(HTML_TAIL)
    n = 1
    while total < size:
        if rng.random() < 0.15:
            chunk = "<h2>%d. %s</h2>\n" % (n, sentences.text(rng, rng.randint(20, 60)))
            n += 1
        elif rng.random() < 0.1:
            rows = "".join(
                "<tr><td>%s</td><td>%d</td><td>%0.2f</td></tr>\n"
                % (sentences.text(rng, rng.randint(10, 40)), rng.randint(1, 999), rng.random() * 1000)
                for _ in range(rng.randint(3, 12)))
            chunk = "<table class=\"dati\" border=\"1\">\n%s</table>\n" % rows
        elif rng.random() < 0.1:
            chunk = '<p class="figura"><img src="immagini/fig%03d.gif" alt="Figura %d"></p>\n' % (
                rng.randint(1, 400), rng.randint(1, 400))
        else:
            chunk = "<p>%s</p>\n" % sentences.text(rng, rng.randint(200, 1200))
        parts.append(chunk)
        total += len(chunk)
    parts.append(HTML_TAIL)
    data = "".join(parts).encode("cp1252")
    return data


def make_css(rng, size):
    out, total = [], 0
    selectors = ["body", "h1", "h2", "h3", "p", "table.dati", "td", "th", "a", "a:hover",
                 "div.testata", "div.piede", "p.figura", "img", "ul", "li", "pre", "code"]
    props = ["margin", "padding", "font-size", "color", "background-color", "border",
             "font-family", "line-height", "text-align", "width"]
    while total < size:
        sel = rng.choice(selectors) + ("" if rng.random() < 0.5 else ".c%d" % rng.randint(1, 300))
        body = "".join("  %s: %s;\n" % (rng.choice(props), rng.choice(
            ["0", "4px", "1em", "#%06x" % rng.randrange(1 << 24), "Verdana, Arial, sans-serif",
             "left", "center", "100%", "1px solid #c0c0c0"])) for _ in range(rng.randint(2, 7)))
        chunk = "%s {\n%s}\n" % (sel, body)
        out.append(chunk)
        total += len(chunk)
    return "".join(out).encode("ascii")


def make_js(rng, sentences, size):
    out, total = ["// Navigazione del manuale\n"], 0
    while total < size:
        name = "voce%d" % rng.randint(1, 9999)
        chunk = ("function %s(n) {\n  var el = document.getElementById('%s');\n"
                 "  if (el) { el.style.display = (el.style.display == 'none') ? '' : 'none'; }\n"
                 "  return '%s';\n}\n") % (name, name, sentences.text(rng, rng.randint(20, 80)).replace("'", ""))
        out.append(chunk)
        total += len(chunk)
    return "".join(out).encode("ascii")


def make_txt(rng, sentences, size):
    head = "Lumarso 2015 - Manuale di Quadrivo\r\nLeggimi\r\n\r\n"
    body = sentences.text(rng, max(0, size - len(head)))
    return (head + body.replace(". ", ".\r\n")).encode("cp1252")


def make_pdf(rng, sentences, size, text_share):
    """A PDF-shaped file: text objects plus opaque (already compressed) streams."""
    out = [b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"]
    total = len(out[0])
    offsets = []
    text_budget = int(size * text_share)
    obj = 1
    while total < size - 200:
        offsets.append(total)
        if text_budget > 0 and rng.random() < 0.5:
            t = sentences.text(rng, min(text_budget, rng.randint(500, 4000)))
            text_budget -= len(t)
            content = ("BT /F1 10 Tf 72 720 Td (%s) Tj ET" % t).encode("cp1252")
            chunk = b"%d 0 obj\n<< /Length %d >>\nstream\n%s\nendstream\nendobj\n" % (obj, len(content), content)
        else:
            n = min(max(64, size - total - 300), rng.randint(8000, 120000))
            chunk = (b"%d 0 obj\n<< /Length %d /Filter /FlateDecode >>\nstream\n" % (obj, n)
                     + rng.randbytes(n) + b"\nendstream\nendobj\n")
        out.append(chunk)
        total += len(chunk)
        obj += 1
    xref = [b"xref\n0 %d\n0000000000 65535 f \n" % (len(offsets) + 1)]
    xref += [b"%010d 00000 n \n" % o for o in offsets]
    out.append(b"".join(xref))
    out.append(b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(offsets) + 1, total))
    return b"".join(out)


def make_gif(rng, size):
    w, h = rng.randint(40, 800), rng.randint(30, 600)
    head = b"GIF89a" + struct.pack("<HHBBB", w, h, 0xF7, 0, 0) + rng.randbytes(768)
    head += b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + b"\x08"
    body = bytearray()
    remaining = max(0, size - len(head) - 2)
    while remaining > 1:
        n = min(255, remaining - 1)
        if remaining - (n + 1) == 1:
            n -= 1  # never leave a single byte: a sub-block needs two
        body += bytes([n]) + rng.randbytes(n)
        remaining -= n + 1
    return head + bytes(body) + b"\x00;"


def make_jpeg(rng, size):
    w, h = rng.randint(200, 2000), rng.randint(150, 1500)
    head = (b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x01\x00H\x00H\x00\x00"
            b"\xff\xc0\x00\x11\x08" + struct.pack(">HH", h, w) + b"\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01"
            b"\xff\xda\x00\x0c\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00")
    n = max(0, size - len(head) - 2)
    # Entropy-coded data never holds a bare 0xFF, as in a real scan.
    scan = rng.randbytes(n).replace(b"\xff", b"\xfe")
    return head + scan + b"\xff\xd9"


def make_png(rng, size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", 1024, 768, 8, 2, 0, 0, 0))
    iend = chunk(b"IEND", b"")
    n = max(0, size - 8 - len(ihdr) - len(iend) - 12)
    return b"\x89PNG\r\n\x1a\n" + ihdr + chunk(b"IDAT", rng.randbytes(n)) + iend


def make_psd(rng, size):
    head = b"8BPS" + struct.pack(">H6xHIIHH", 1, 3, 1200, 1600, 8, 3) + b"\0\0\0\0" * 3 + b"\0\0"
    out = bytearray(head)
    # Raw channels: flat areas (compressible) between noisy ones.
    while len(out) < size:
        n = min(size - len(out), rng.randint(4000, 60000))
        if rng.random() < 0.5:
            out += bytes([rng.randrange(256)]) * n
        else:
            out += rng.randbytes(n)
    return bytes(out[:size])


# ---------------------------------------------------------------- planning

class Entry:
    __slots__ = ("name", "kind", "size", "stored", "seed", "depth", "title", "edit", "stamp")

    def __init__(self, name, kind, size, stored, seed, depth=1, title=""):
        self.name, self.kind, self.size, self.stored = name, kind, size, stored
        self.seed, self.depth, self.title = seed, depth, title
        self.edit = None  # seed of an in-place edit, in a derived edition
        self.stamp = 0    # the file time's seconds and minutes come from it


def weights(rng, n, spread=0.8):
    return [rng.lognormvariate(0, spread) for _ in range(n)]


def scale(ws, budget, minimum):
    total = sum(ws) or 1.0
    return [max(minimum, int(w * budget / total)) for w in ws]


def plan(size, entries, stored, seed):
    rng = random.Random(seed)
    full = entries >= FULL_SIZE_ENTRIES
    n_dirs = max(1, round(entries * 227 / 3390))
    if stored > 0:
        n_dirs = min(n_dirs, max(1, stored - 1))
    n_dirs = min(n_dirs, max(1, entries - 2))
    n_stored_files = max(0, stored - n_dirs)
    n_files = entries - n_dirs
    n_deflated = n_files - n_stored_files
    if n_deflated < 1 or n_stored_files < 0:
        raise SystemExit("make_manual: need more entries than stored ones")

    # Folders: css/, js/, pdf/, then chapters each with an images folder.
    dirs = [TOP]
    fixed = [TOP + "css/", TOP + "js/", TOP + "pdf/"]
    dirs += fixed[:max(0, n_dirs - 1)]
    chapters = []
    c = 1
    while len(dirs) < n_dirs:
        chapter = TOP + "capitolo%02d/" % c
        dirs.append(chapter)
        chapters.append(chapter)
        if len(dirs) < n_dirs:
            dirs.append(chapter + "immagini/")
        c += 1
    chapters = chapters or [TOP]
    image_dirs = [d for d in dirs if d.endswith("immagini/")] or chapters
    css_dir = TOP + "css/" if TOP + "css/" in dirs else TOP
    js_dir = TOP + "js/" if TOP + "js/" in dirs else TOP
    pdf_dir = TOP + "pdf/" if TOP + "pdf/" in dirs else TOP

    # Deflated files by kind.
    specials = ["txt"] + (["png", "psd"] if full else [])
    rest = n_deflated - len(specials)
    if rest < 1:
        specials, rest = ["txt"], n_deflated - 1
    n_css = max(0, round(rest * 0.012))
    n_js = max(0, round(rest * 0.012))
    n_gif = round(rest * 0.10)
    n_pdf = max(1 if rest > 1 else 0, round(rest * 0.20))
    n_html = rest - n_css - n_js - n_gif - n_pdf

    text_budget = size * TEXT_SHARE
    opaque_budget = size * OPAQUE_SHARE
    # PDFs carry a little text of their own; HTML takes most of the text.
    pdf_text_share = 0.05
    special_bytes = {"txt": max(2000, int(size * 0.0004)),
                     "png": int(size * 0.004), "psd": int(size * 0.012)}
    opaque_budget -= special_bytes.get("png", 0) if full else 0
    opaque_budget -= special_bytes.get("psd", 0) * 0.5 if full else 0
    gif_budget = opaque_budget * 0.04
    pdf_budget = (opaque_budget - gif_budget) / (1 - pdf_text_share)
    text_budget -= pdf_budget * pdf_text_share + special_bytes["txt"]
    css_js_budget = text_budget * 0.02
    html_budget = text_budget - css_js_budget

    out = []
    def add(name, kind, sz, is_stored, depth=1, title=""):
        out.append(Entry(name, kind, sz, is_stored, rng.getrandbits(64), depth, title))

    files_by_dir = {d: [] for d in dirs}
    def put(d, name, kind, sz, is_stored, title=""):
        files_by_dir[d].append((name, kind, sz, is_stored, title))

    html_sizes = scale(weights(rng, n_html, 0.7), html_budget, 1500)
    for i, sz in enumerate(html_sizes):
        ch = chapters[i % len(chapters)]
        put(ch, "pagina%04d.htm" % (i + 1), "html", sz, False,
            "Capitolo %d - Pagina %d" % (i % len(chapters) + 1, i + 1))
    for i, sz in enumerate(scale(weights(rng, n_css, 0.5), css_js_budget / 2, 800)):
        put(css_dir, "manuale.css" if i == 0 else "stile%02d.css" % i, "css", sz, False)
    for i, sz in enumerate(scale(weights(rng, n_js, 0.5), css_js_budget / 2, 800)):
        put(js_dir, "navigazione.js" if i == 0 else "script%02d.js" % i, "js", sz, False)
    for i, sz in enumerate(scale(weights(rng, n_pdf, 0.9), pdf_budget, 4000)):
        put(pdf_dir, "documento%04d.pdf" % (i + 1), "pdf", sz, False)
    for i, sz in enumerate(scale(weights(rng, n_gif, 0.8), gif_budget, 300)):
        put(image_dirs[i % len(image_dirs)], "fig%04d.gif" % (i + 1), "gif", sz, False)
    put(TOP, "leggimi.txt", "txt", special_bytes["txt"], False)
    if "png" in specials:
        put(TOP, "copertina.png", "png", special_bytes["png"], False)
    if "psd" in specials:
        put(TOP, "copertina.psd", "psd", special_bytes["psd"], False)
    # Stored images: weights only, sized once the deflated entries are known.
    for i, w in enumerate(weights(rng, n_stored_files, 0.9)):
        kind = "jpeg" if i % 10 < 7 else "gif"
        ext = "jpg" if kind == "jpeg" else "gif"
        put(image_dirs[i % len(image_dirs)], "foto%04d.%s" % (i + 1, ext), kind, w, True)

    for d in dirs:
        add(d, "dir", 0, True)
        depth = d.count("/")
        for name, kind, sz, is_stored, title in files_by_dir[d]:
            add(d + name, kind, sz, is_stored, depth - 1, title)
    return out, pdf_text_share


# ---------------------------------------------------------------- writing

def content(entry, sentences, pdf_text_share):
    data = base_content(entry, sentences, pdf_text_share)
    return data if entry.edit is None else edit(entry, data, sentences)


# The share of an edited entry's bytes that its edit rewrites.
EDIT_SHARE = 0.02
TEXT_KINDS = ("html", "css", "js", "txt")


def edit(entry, data, sentences):
    """Rewrites a stretch of the content in place, keeping its length."""
    if not data:
        return data
    rng = random.Random(entry.edit)
    n = min(len(data), max(100, int(len(data) * EDIT_SHARE)))
    at = rng.randrange(len(data) - n + 1)
    if entry.kind in TEXT_KINDS:
        new = sentences.text(rng, n).encode("cp1252")
    elif entry.kind == "jpeg":
        new = rng.randbytes(n).replace(b"\xff", b"\xfe")
    else:
        new = rng.randbytes(n)
    return data[:at] + new + data[at + n:]


def derive(entries, args, sentences, pdf_text_share, generation=0):
    """Turns the base edition's entries into the next edition's.

    Returns the entries and what changed: the names edited, added and renamed,
    and the removed entries (which only the base holds)."""
    rng = random.Random(args.derive_seed + generation)
    files = [e for e in entries if e.kind != "dir"]
    changed = rng.sample(files, round(len(files) * args.change / 100)) if args.change else []
    for e in changed:
        e.edit = rng.getrandbits(64)
    removed = rng.sample([e for e in files if e.edit is None], args.remove) if args.remove else []
    gone = {id(e) for e in removed}
    out = [e for e in entries if id(e) not in gone]
    keep = [e for e in out if e.kind != "dir" and e.edit is None]
    renamed = rng.sample(keep, args.rename) if args.rename else []
    for e in renamed:
        stem, dot, ext = e.name.rpartition(".")
        e.name = "%s-rev%d.%s" % (stem, rng.randint(2, 9), ext) if dot else e.name + "-rev"
    added = []
    dirs = [i for i, e in enumerate(out) if e.kind == "dir" and e.name != TOP]
    for n in range(args.add):
        at = rng.choice(dirs) if dirs else len(out) - 1
        folder = out[at].name if dirs else TOP
        e = Entry("%snuova%04d.htm" % (folder, generation * args.add + n + 1), "html", rng.randint(4000, 40000), False,
                  rng.getrandbits(64), folder.count("/") - 1, "Pagina nuova %d" % (n + 1))
        e.stamp = len(entries) + generation * args.add + n
        out.insert(at + 1, e)
        dirs = [i for i, x in enumerate(out) if x.kind == "dir" and x.name != TOP]
        added.append(e)
    if args.reorder:
        rng.shuffle(out)
    return out, {"changed": changed, "added": added, "renamed": renamed, "removed": removed}


def base_content(entry, sentences, pdf_text_share):
    rng = random.Random(entry.seed)
    k, sz = entry.kind, int(entry.size)
    if k == "dir":
        return b""
    if k == "html":
        return make_html(rng, sentences, sz, entry.title, entry.depth)
    if k == "css":
        return make_css(rng, sz)
    if k == "js":
        return make_js(rng, sentences, sz)
    if k == "txt":
        return make_txt(rng, sentences, sz)
    if k == "pdf":
        return make_pdf(rng, sentences, sz, pdf_text_share)
    if k == "gif":
        return make_gif(rng, sz)
    if k == "jpeg":
        return make_jpeg(rng, sz)
    if k == "png":
        return make_png(rng, sz)
    if k == "psd":
        return make_psd(rng, sz)
    raise ValueError(k)


def deflate(data):
    c = zlib.compressobj(6, zlib.DEFLATED, -15, 8)
    return c.compress(data) + c.flush()


def header_bytes(name):
    n = len(name.encode("ascii"))
    return (30 + n) + (46 + n)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", required=True)
    ap.add_argument("--size", type=int, default=4_000_000, help="archive size in bytes")
    ap.add_argument("--entries", type=int, default=160)
    ap.add_argument("--stored", type=int, default=24)
    ap.add_argument("--seed", type=int, default=2015)
    nx = ap.add_argument_group("the next edition (see above)")
    nx.add_argument("--change", type=float, default=0, metavar="K", help="edit K%% of the files in place")
    nx.add_argument("--add", type=int, default=0, metavar="N", help="add N pages")
    nx.add_argument("--remove", type=int, default=0, metavar="N", help="remove N files")
    nx.add_argument("--rename", type=int, default=0, metavar="N", help="rename N files")
    nx.add_argument("--reorder", action="store_true", help="shuffle the order of the entries")
    nx.add_argument("--derive-seed", type=int, default=1, help="picks the entries that change")
    nx.add_argument("--generations", type=int, default=1, metavar="G", help="apply the changes G times over")
    nx.add_argument("--report", metavar="FILE", help="write what changed, as JSON")
    args = ap.parse_args(argv)
    if args.entries < 3 or args.stored < 0 or args.stored >= args.entries or args.size < 10000:
        ap.error("need --entries >= 3, 0 <= --stored < --entries, --size >= 10000")
    if not 0 <= args.change <= 100 or min(args.add, args.remove, args.rename) < 0:
        ap.error("need 0 <= --change <= 100 and counts >= 0")
    deriving = bool(args.change or args.add or args.remove or args.rename or args.reorder)

    entries, pdf_text_share = plan(args.size, args.entries, args.stored, args.seed)
    sentences = Sentences(random.Random(args.seed ^ 0x5EED))

    def work(entry):
        data = content(entry, sentences, pdf_text_share)
        return zlib.crc32(data), len(data), deflate(data)

    deflated = [e for e in entries if not e.stored]
    with concurrent.futures.ThreadPoolExecutor(max_workers=min(2, os.cpu_count() or 1)) as pool:
        packed = dict(zip((id(e) for e in deflated), pool.map(work, deflated, chunksize=8)))

    # Size the stored images so the archive ends at exactly --size bytes.
    fixed = 22 + sum(header_bytes(e.name) for e in entries)
    fixed += sum(len(packed[id(e)][2]) for e in deflated)
    stored_files = [e for e in entries if e.stored and e.kind != "dir"]
    room = args.size - fixed
    if stored_files:
        minimum = 1200
        total_w = sum(e.size for e in stored_files)
        sizes = [max(minimum, int(e.size * room / total_w)) for e in stored_files]
        diff = room - sum(sizes)
        biggest = max(range(len(sizes)), key=sizes.__getitem__)
        sizes[biggest] = max(minimum, sizes[biggest] + diff)
        for e, sz in zip(stored_files, sizes):
            e.size = sz

    # Where each entry's bytes end up: its local header, name and data.
    def footprint(e, body_size):
        return 30 + len(e.name) + body_size

    base_bytes = {id(e): footprint(e, len(packed[id(e)][2]) if not e.stored else int(e.size)) for e in entries}
    # Each entry keeps its file time from its place in the base edition, so
    # entries that move in a derived edition keep their headers.
    for i, e in enumerate(entries):
        e.stamp = i
    changes = None
    if deriving:
        for generation in range(args.generations):
            entries, changes = derive(entries, args, sentences, pdf_text_share, generation)
        again = [e for e in entries if not e.stored and (e.edit is not None or id(e) not in packed)]
        with concurrent.futures.ThreadPoolExecutor(max_workers=min(2, os.cpu_count() or 1)) as pool:
            packed.update(zip((id(e) for e in again), pool.map(work, again, chunksize=8)))

    central = []
    sizes_now = {}
    offset = 0
    unpacked = 0
    tmp = args.out + ".part"
    with open(tmp, "wb") as f:
        for i, e in enumerate(entries):
            if e.stored:
                data = content(e, sentences, pdf_text_share)
                crc, usize, body, method = zlib.crc32(data), len(data), data, 0
            else:
                crc, usize, body = packed.pop(id(e))
                method = 8
            name = e.name.encode("ascii")
            dos_time = DOS_TIME_BASE + ((e.stamp // 30) % 60 << 5) + (e.stamp % 30)
            version = 20 if method == 8 or e.kind == "dir" else 10
            local = struct.pack("<IHHHHHIIIHH", 0x04034B50, version, 0, method, dos_time, DOS_DATE,
                                crc, len(body), usize, len(name), 0)
            f.write(local + name)
            f.write(body)
            sizes_now[id(e)] = footprint(e, len(body))
            attrs = 0x10 if e.kind == "dir" else 0x20
            central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, version, 0, method,
                                       dos_time, DOS_DATE, crc, len(body), usize, len(name), 0, 0,
                                       0, 0, attrs, offset) + name)
            offset += len(local) + len(name) + len(body)
            unpacked += usize
        cd = b"".join(central)
        f.write(cd)
        f.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(cd), offset, 0))
        total = f.tell()
    os.replace(tmp, args.out)
    n_stored = sum(1 for e in entries if e.stored)
    print("make_manual: %s: %d bytes, %d entries (%d stored, %d deflated), %d bytes unpacked"
          % (args.out, total, len(entries), n_stored, len(entries) - n_stored, unpacked), file=sys.stderr)
    if changes is not None:
        report = {"archive_bytes": total, "entries": len(entries)}
        for what, es in changes.items():
            held = sum((base_bytes if what == "removed" else sizes_now)[id(e)] for e in es)
            report[what] = {"entries": len(es), "bytes": held, "share_percent": round(100.0 * held / total, 3)}
        print("make_manual: next edition: " + ", ".join(
            "%s %d entries (%.2f%% of the bytes)" % (k, v["entries"], v["share_percent"])
            for k, v in report.items() if isinstance(v, dict)) + (", order shuffled" if args.reorder else ""),
            file=sys.stderr)
        report["reordered"] = args.reorder
        if args.report:
            with open(args.report, "w") as f:
                json.dump(report, f, indent=1)
                f.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
