#!/usr/bin/env python3
"""Writes the benchmark pages and files into a folder.

    make_pages.py DIR [PAGE_MB] [SMALL_FILES]

DIR/scan.html   a page of about PAGE_MB megabytes (default 100): per line one
                <p> of filler text, an <a href> and an <img src>; every other
                link repeats an earlier one, so half the links are distinct
DIR/unique.html a page of about PAGE_MB megabytes of distinct links, one
                <img src> a line: the memory a link takes
DIR/small/      SMALL_FILES files (default 2000) of 1 to 50 KB
DIR/small.html  a page linking each small file once
DIR/small.txt   their URLs relative to the server root, for wget -i
"""
import os
import random
import sys

out = sys.argv[1]
page_mb = int(sys.argv[2]) if len(sys.argv) > 2 else 100
small_count = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
rng = random.Random(42)

words = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua enim ad minim veniam quis nostrud").split()
filler = " ".join(rng.choice(words) for _ in range(95))
target = page_mb * 1000 * 1000
made = [0, 0]  # links written of each kind


def link(kind):
    count = made[kind]
    made[kind] += 1
    n = count // 2 if count % 2 == 0 else rng.randrange(count // 2 + 1)
    return f"files/doc{n}.zip" if kind == 0 else f"images/pic{n}.jpg"


os.makedirs(out, exist_ok=True)
with open(os.path.join(out, "scan.html"), "w", encoding="ascii", newline="\n") as page:
    page.write("<html><head><title>bench</title></head><body>\n")
    written = 0
    while written < target:
        line = (f'<p class="text">{filler}</p><a href="{link(0)}">doc</a> '
                f'<img src="{link(1)}" alt="">\n')
        page.write(line)
        written += len(line)
    page.write("</body></html>\n")

with open(os.path.join(out, "unique.html"), "w", encoding="ascii", newline="\n") as page:
    written = n = 0
    while written < target:
        line = f'<img src="p{n}.gif">\n'
        page.write(line)
        written += len(line)
        n += 1

small = os.path.join(out, "small")
os.makedirs(small, exist_ok=True)
with open(os.path.join(out, "small.html"), "w") as html, \
        open(os.path.join(out, "small.txt"), "w") as plain:
    for i in range(small_count):
        name = f"f{i}.bin"
        with open(os.path.join(small, name), "wb") as f:
            f.write(rng.randbytes(rng.randint(1024, 50 * 1024)))
        html.write(f'<a href="small/{name}">{name}</a>\n')
        plain.write(f"small/{name}\n")
