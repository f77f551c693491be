#!/usr/bin/env python3
"""Writes rich-text files whose paragraphs have no place to break a line: the cases that once
froze the window while they were laid out. Open each with the program (or with
`rtf_open_bench DIR`, which times opening each and typing a key into it).

    bench/make_rtf_cases.py DIR

Writes into DIR:
  long_200k.rtf    one paragraph of 200,000 characters, no space
  long_2m.rtf      one paragraph of 2,000,000 characters, no space
  long_10m.rtf     one paragraph of 10,000,000 characters, no space
  links_20k.rtf    20,000 hyperlinks with no space between them (about 1.3 MB)
  runs_16k.rtf     16,000 formatted runs (bold, italic, colour) with no space between them
  spaced_200k.rtf  the first case with a space every 8 characters, for comparison
  table_33k_rows.rtf   one table of 33,608 rows of five cells (about 7.5 MB), as reports export
  table_210k_rows.rtf  the same with 210,000 rows (about 50 MB)
"""
import os
import sys

HEAD = (r"{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss DejaVu Sans;}}"
        r"{\colortbl;\red200\green0\blue0;\red0\green0\blue160;}" "\n")


def letters(n, every_space=0):
    alphabet = "abcdefghijklmnopqrstuvwxyz0123456789"
    out = []
    for i in range(n):
        if every_space and i % every_space == every_space - 1:
            out.append(" ")
        else:
            out.append(alphabet[i % len(alphabet)])
    return "".join(out)


def paragraph(text):
    # Line breaks inside the RTF source are not text; keep source lines short as writers do.
    body = "\n".join(text[i:i + 200] for i in range(0, len(text), 200))
    return HEAD + r"\pard\plain " + body + r"\par" + "\n}\n"


def links(count):
    parts = [HEAD, r"\pard\plain "]
    for i in range(count):
        # Shown as "link00000link00001...": letters and digits, no place to break.
        parts.append(r'{\field{\*\fldinst{HYPERLINK "a.io/%05d"}}{\fldrslt link%05d}}' % (i, i)
                     + "\n")
    parts.append(r"\par" + "\n}\n")
    return "".join(parts)


def runs(count):
    styles = [r"\b", r"\i", r"\ul", r"\cf1", r"\b\i", r"\cf2"]
    parts = [HEAD, r"\pard\plain "]
    for i in range(count):
        parts.append("{%s run%05d}" % (styles[i % len(styles)], i))
        if i % 8 == 7:
            parts.append("\n")
    parts.append(r"\par" + "\n}\n")
    return "".join(parts)


def table(rows, columns=5):
    """One long table, as reports exported to RTF are: every row defines its cells."""
    edges = "".join(r"\cellx%d" % (1900 * (c + 1)) for c in range(columns))
    parts = [r"{\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}}" + "\n"]
    for r in range(rows):
        parts.append(r"\trowd\trgaph108\trleft-108" + edges + "\n")
        cells = "".join(r"\pard\intbl Item %d.%d\cell " % (r, c) for c in range(columns))
        parts.append(cells + r"\row" + "\n")
    parts.append(r"\pard\par" + "\n}\n")
    return "".join(parts)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    cases = {
        "long_200k.rtf": paragraph(letters(200_000)),
        "long_2m.rtf": paragraph(letters(2_000_000)),
        "long_10m.rtf": paragraph(letters(10_000_000)),
        "links_20k.rtf": links(20_000),
        "runs_16k.rtf": runs(16_000),
        "spaced_200k.rtf": paragraph(letters(200_000, 8)),
        "table_33k_rows.rtf": table(33_608),
        "table_210k_rows.rtf": table(210_000),
    }
    for name, text in cases.items():
        path = os.path.join(out, name)
        with open(path, "w", encoding="ascii", newline="\n") as f:
            f.write(text)
        print("%-16s %9d bytes" % (name, os.path.getsize(path)))


if __name__ == "__main__":
    main()
