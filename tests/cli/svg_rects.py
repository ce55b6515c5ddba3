#!/usr/bin/env python3
"""Parses SVG files with the standard XML parser and counts their rectangles by class.

Usage: svg_rects.py FILE...
One line per file: file notes outside legend titled, where notes counts the rects of class "note",
outside those also of class "outside", legend the rects of class "legend", and titled the note rects
that hold a non-empty title. Exits with a message when a file is not well-formed XML or not SVG.
"""
import sys
import xml.etree.ElementTree as ElementTree

SVG = "{http://www.w3.org/2000/svg}"


def main():
    for path in sys.argv[1:]:
        try:
            root = ElementTree.parse(path).getroot()
        except ElementTree.ParseError as error:
            sys.exit(f"{path}: {error}")
        if root.tag != SVG + "svg":
            sys.exit(f"{path}: the root is {root.tag}")
        counts = {"note": 0, "outside": 0, "legend": 0, "titled": 0}
        for rect in root.iter(SVG + "rect"):
            classes = rect.get("class", "").split()
            for name in ("note", "outside", "legend"):
                counts[name] += name in classes
            title = rect.find(SVG + "title")
            counts["titled"] += "note" in classes and title is not None and bool(title.text)
        print(path, counts["note"], counts["outside"], counts["legend"], counts["titled"])


if __name__ == "__main__":
    main()
