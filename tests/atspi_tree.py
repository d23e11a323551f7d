#!/usr/bin/env python3
# Reads one program's accessible tree from outside, over the AT-SPI bus, as a screen reader does,
# and prints one line per object: depth, role, name, states, description and text or value,
# separated by tabs (tabs and line breaks inside a field become spaces).
# Usage: atspi_tree.py PID [TIMEOUT_SECONDS]
import sys
import time

import pyatspi


def field(text):
    return " ".join(str(text or "").split())


def contents(node):
    try:
        return "%g" % node.queryValue().currentValue
    except NotImplementedError:
        pass
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return ""


def walk(node, depth):
    states = sorted(pyatspi.stateToString(s) for s in node.getState().getStates())
    print("\t".join([str(depth), node.getRoleName(), field(node.name), ",".join(states),
                     field(node.description), field(contents(node))]))
    for child in node:
        if child is not None:
            walk(child, depth + 1)


def main():
    pid = int(sys.argv[1])
    deadline = time.monotonic() + float(sys.argv[2] if len(sys.argv) > 2 else 20)
    while True:
        apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == pid]
        if apps and apps[0].childCount > 0:
            for window in apps[0]:
                walk(window, 0)
            return 0
        if time.monotonic() > deadline:
            print("atspi_tree: no application with process id %d on the bus" % pid, file=sys.stderr)
            return 1
        time.sleep(0.2)


sys.exit(main())
