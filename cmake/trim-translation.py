#!/usr/bin/env python3
"""Keeps, of a Qt translation in the .ts form, the contexts named: the messages that the
game's own widgets can show (a text box's menu, a scroll bar's, the names of keys and of a
screen reader's actions) and the layout direction Qt reads from every translation.

    trim-translation.py INPUT.ts OUTPUT.ts CONTEXT...
"""

import sys
import xml.etree.ElementTree as ElementTree


def main():
    source, target, *keep = sys.argv[1:]
    tree = ElementTree.parse(source)
    root = tree.getroot()
    kept = set()
    for context in list(root.findall('context')):
        name = context.findtext('name')
        if name in keep:
            kept.add(name)
        else:
            root.remove(context)
    missing = set(keep) - kept
    if missing:
        sys.exit(f'trim-translation.py: {source} has no context {", ".join(sorted(missing))}')
    tree.write(target, encoding='utf-8', xml_declaration=True)


if __name__ == '__main__':
    main()
