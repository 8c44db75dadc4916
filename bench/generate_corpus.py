#!/usr/bin/env python3
"""Writes a deterministic corpus of realistic HTML for the benchmarks.

The pages look like business directories, shops and news sites: markup with
indentation, CSS and scripts full of numbers, JSON data, dates, prices, IDs,
and phone numbers in many national and international formats. The same
arguments always give the same bytes.

Usage: generate_corpus.py OUTPUT [SIZE]
SIZE is in bytes, or with a K/M/G (KiB/MiB/GiB) suffix; 64 MiB by default.
"""

import random
import re
import sys

DEFAULT_SIZE = 64 << 20
SEED = 1997

WORDS = (
    "the of and to in is for on with as by at from our your we you all new more about contact "
    "service services opening hours call us today free quote best local family owned since "
    "plumbing dental clinic bakery garage repairs insurance lawyer hotel restaurant booking "
    "delivery order online shop cart price offer sale limited time customers reviews rated "
    "stars directions map parking open closed monday tuesday wednesday thursday friday "
    "saturday sunday appointment emergency available support team office branch head "
    "located street avenue road square floor suite building city centre north south east west "
    "news article update report weather sports business politics culture travel recipes"
).split()

STREETS = ["Main St", "High Street", "Rue de Rivoli", "Hauptstraße", "Calle Mayor", "Via Roma",
           "King's Road", "Elm Avenue", "Bahnhofstraße", "Oak Lane", "Market Square", "Queen St"]
CITIES = ["Springfield", "London", "Paris", "Berlin", "Madrid", "Roma", "Sydney", "Toronto",
          "München", "Zürich", "Tokyo", "São Paulo", "Mumbai", "Dublin", "Wien", "Kraków"]
TAGS = ["div", "span", "p", "li", "section", "article", "td", "strong", "em", "a"]
CLASSES = ["card", "listing", "row", "col-md-6", "col-sm-12", "btn btn-primary", "contact-info",
           "address", "phone", "price", "meta", "footer-links", "nav-item", "hero", "grid-3"]


def digits(rng, n):
    return "".join(rng.choice("0123456789") for _ in range(n))


def phone(rng):
    """A phone number as people write them in many countries."""
    d = lambda n: digits(rng, n)
    formats = [
        lambda: f"({d(3)}) {d(3)}-{d(4)}",
        lambda: f"{d(3)}-{d(3)}-{d(4)}",
        lambda: f"{d(3)}.{d(3)}.{d(4)}",
        lambda: f"+1 {d(3)} {d(3)} {d(4)}",
        lambda: f"1-800-{d(3)}-{d(4)}",
        lambda: f"+44 (0){d(2)} {d(4)} {d(4)}",
        lambda: f"0{d(2)} {d(4)} {d(4)}",
        lambda: f"+49 (0){d(2)} {d(6)}-{d(2)}",
        lambda: f"0{d(3)}/{d(7)}",
        lambda: f"+33 {d(1)} {d(2)} {d(2)} {d(2)} {d(2)}",
        lambda: f"0{d(1)}.{d(2)}.{d(2)}.{d(2)}.{d(2)}",
        lambda: f"+39 0{d(2)} {d(7)}",
        lambda: f"+34 {d(3)} {d(3)} {d(3)}",
        lambda: f"0{d(1)}-{d(4)}-{d(4)}",
        lambda: f"+81 {d(1)}-{d(4)}-{d(4)}",
        lambda: f"({d(2)}) {d(4)} {d(4)}",
        lambda: f"+61 {d(1)} {d(4)} {d(4)}",
        lambda: f"+91-{d(5)}-{d(5)}",
        lambda: f"+86 {d(2)} {d(4)} {d(4)}",
        lambda: f"({d(2)}) 9{d(4)}-{d(4)}",
        lambda: f"+7 ({d(3)}) {d(3)}-{d(2)}-{d(2)}",
        lambda: f"+31 (0){d(2)} {d(3)} {d(4)}",
        lambda: f"{d(3)} {d(3)} {d(4)}",
        lambda: f"+{d(2)}{d(10)}",
    ]
    return rng.choice(formats)()


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def date(rng):
    y, m, day = rng.randint(1998, 2025), rng.randint(1, 12), rng.randint(1, 28)
    return rng.choice([f"{y}-{m:02}-{day:02}", f"{day:02}.{m:02}.{y}", f"{m}/{day}/{y}",
                       f"{y}-{m:02}-{day:02}T{rng.randint(0, 23):02}:{rng.randint(0, 59):02}:00Z"])


def price(rng):
    whole, cents = rng.randint(1, 4999), rng.randint(0, 99)
    return rng.choice([f"${whole}.{cents:02}", f"€ {whole},{cents:02}", f"£{whole}.{cents:02}",
                       f"{whole:,}.{cents:02} USD", f"¥{whole * 100}"])


def css(rng):
    rules = []
    for _ in range(rng.randint(8, 30)):
        sel = rng.choice([".", "#", ""]) + rng.choice(CLASSES).split()[0] + rng.choice(["", ":hover", " > a", " li"])
        props = [
            f"margin: {rng.randint(0, 40)}px {rng.randint(0, 40)}px",
            f"padding: {rng.randint(0, 3)}.{rng.randint(0, 9)}rem",
            f"color: #{rng.randint(0, 0xFFFFFF):06x}",
            f"background: rgba({rng.randint(0, 255)}, {rng.randint(0, 255)}, {rng.randint(0, 255)}, .{rng.randint(1, 9)})",
            f"font-size: {rng.randint(10, 32)}px",
            f"line-height: 1.{rng.randint(1, 8)}",
            f"width: calc(100% - {rng.randint(1, 300)}px)",
            f"z-index: {rng.randint(-1, 9999)}",
            f"transition: all 0.{rng.randint(1, 9)}s ease-in-out",
            "display: flex",
        ]
        body = "; ".join(rng.sample(props, rng.randint(2, 6)))
        rules.append(f"  {sel} {{ {body}; }}")
    if rng.random() < 0.5:
        rules.append(f"  @media (max-width: {rng.choice([480, 768, 1024, 1280])}px) {{ .{rng.choice(CLASSES).split()[0]} {{ width: 100%; }} }}")
    return "<style>\n" + "\n".join(rules) + "\n</style>\n"


def script(rng):
    items = []
    for _ in range(rng.randint(2, 12)):
        items.append(
            f'{{"id": {rng.randint(1, 10**7)}, "sku": "SKU-{digits(rng, 4)}-{digits(rng, 2)}", '
            f'"price": {rng.randint(1, 999)}.{rng.randint(0, 99):02}, "lat": {rng.uniform(-90, 90):.6f}, '
            f'"lng": {rng.uniform(-180, 180):.6f}, "updated": "{date(rng)}", "ts": {rng.randint(10**9, 2 * 10**9)}}}'
        )
    lines = [
        "<script>",
        f"  window.dataLayer = window.dataLayer || []; var pageId = {rng.randint(1, 10**6)};",
        f"  var items = [{', '.join(items)}];",
        f"  for (var i = 0; i < items.length; i++) {{ if (items[i].price > {rng.randint(1, 500)}) {{ show(i, {rng.randint(0, 9)}); }} }}",
        f"  setTimeout(function() {{ track('view', {{v: '{rng.randint(1, 9)}.{rng.randint(0, 20)}.{rng.randint(0, 99)}'}}); }}, {rng.randint(100, 5000)});",
        "</script>",
    ]
    return "\n".join(lines) + "\n"


def listing(rng, indent):
    pad = " " * indent
    name = " ".join(w.capitalize() for w in rng.sample(WORDS, 2))
    number = phone(rng)
    href = "tel:" + re.sub(r"[^0-9+]", "", number)
    parts = [
        f'{pad}<div class="{rng.choice(CLASSES)}" id="listing-{rng.randint(1, 99999)}" data-rank="{rng.randint(1, 500)}">',
        f"{pad}  <h3>{name}</h3>",
        f'{pad}  <p class="address">{rng.randint(1, 999)} {rng.choice(STREETS)}, {rng.randint(10000, 99999)} {rng.choice(CITIES)}</p>',
        f'{pad}  <p class="phone">Tel: <a href="{href}">{number}</a></p>',
    ]
    if rng.random() < 0.4:
        parts.append(f"{pad}  <p>Fax: {phone(rng)} &middot; Mobile: {phone(rng)}</p>")
    if rng.random() < 0.5:
        parts.append(f"{pad}  <p>Open {rng.randint(7, 10)}:00&ndash;{rng.randint(16, 22)}:30, {words(rng, rng.randint(3, 9))}.</p>")
    parts.append(f'{pad}  <span class="rating">{rng.randint(1, 4)}.{rng.randint(0, 9)} ({rng.randint(1, 2000)} reviews)</span>')
    parts.append(f"{pad}</div>")
    return "\n".join(parts) + "\n"


def paragraph(rng, indent):
    pad = " " * indent
    sentences = []
    for _ in range(rng.randint(2, 6)):
        s = words(rng, rng.randint(6, 20)).capitalize()
        r = rng.random()
        if r < 0.15:
            s += f", call {phone(rng)}"
        elif r < 0.3:
            s += f" on {date(rng)}"
        elif r < 0.45:
            s += f" for only {price(rng)}"
        elif r < 0.55:
            s += f" ({rng.randint(1, 99)}.{rng.randint(0, 9)}% off)"
        sentences.append(s + ".")
    tag = rng.choice(["p", "p", "p", "div", "li"])
    return f"{pad}<{tag}>{' '.join(sentences)}</{tag}>\n"


def table(rng, indent):
    pad = " " * indent
    rows = [f"{pad}<table class=\"prices\">"]
    for _ in range(rng.randint(3, 12)):
        rows.append(f"{pad}  <tr><td>{rng.choice(WORDS).capitalize()} #{rng.randint(100, 99999)}</td>"
                    f"<td>{price(rng)}</td><td>{date(rng)}</td><td>{rng.randint(0, 500)}</td></tr>")
    rows.append(f"{pad}</table>")
    return "\n".join(rows) + "\n"


def page(rng):
    out = [
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n",
        '  <meta charset="utf-8">\n  <meta name="viewport" content="width=device-width, initial-scale=1.0">\n',
        f"  <title>{words(rng, 4).title()} | {rng.choice(CITIES)}</title>\n",
        f'  <link rel="stylesheet" href="/assets/css/main.{digits(rng, 8)}.css?v={rng.randint(1, 300)}">\n',
        css(rng),
        "</head>\n<body>\n",
        '  <nav class="navbar">\n',
    ]
    for _ in range(rng.randint(4, 9)):
        out.append(f'    <a class="nav-item" href="/{rng.choice(WORDS)}/{rng.randint(1, 9999)}">{rng.choice(WORDS).capitalize()}</a>\n')
    out.append("  </nav>\n  <main>\n")
    for _ in range(rng.randint(6, 30)):
        r = rng.random()
        if r < 0.35:
            out.append(listing(rng, 4))
        elif r < 0.75:
            out.append(paragraph(rng, 4))
        elif r < 0.85:
            out.append(table(rng, 4))
        elif r < 0.95:
            out.append(script(rng))
        else:
            tag = rng.choice(TAGS)
            out.append(f'    <{tag} class="{rng.choice(CLASSES)}">{words(rng, rng.randint(2, 8))}</{tag}>\n')
    out.append("  </main>\n  <footer>\n")
    out.append(f"    <p>&copy; {rng.randint(1998, 2025)} {words(rng, 3).title()} Ltd. "
               f"Reg. No. {digits(rng, 8)} &middot; VAT {rng.choice(['GB', 'DE', 'FR'])}{digits(rng, 9)} &middot; "
               f"Hotline {phone(rng)}</p>\n")
    out.append(script(rng))
    out.append("  </footer>\n</body>\n</html>\n")
    return "".join(out)


def parse_size(text):
    match = re.fullmatch(r"\s*(\d+)\s*([kKmMgG]?)(?:i?[bB])?\s*", text)
    if not match:
        raise SystemExit(f"bad size: {text}")
    return int(match.group(1)) << {"": 0, "k": 10, "m": 20, "g": 30}[match.group(2).lower()]


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    size = parse_size(argv[2]) if len(argv) == 3 else DEFAULT_SIZE
    rng = random.Random(SEED)
    written = 0
    with open(argv[1], "wb") as out:
        while written < size:
            data = page(rng).encode("utf-8")[: size - written]
            out.write(data)
            written += len(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
