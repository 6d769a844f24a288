#!/usr/bin/env python3
"""Checks src/ against the layer table: each library's folder includes only
the folders below it, Xlib only in the X11 family, no include circle between
files and none between folders, no source file over 500 lines.
Prints every breach; exit status 1 when there is one."""
import os
import re
import sys

# What a library's folder may include besides itself. The order is the
# layering: a folder includes only folders named before it.
LAYERS = {
    "product": [],
    "hook": [],
    "platform/types": [],
    "imaging/core": [],
    "mail": [],
    "settings": ["mail"],
    "platform/x11/screen": ["imaging/core", "platform/types"],
    "platform/keeper": [],
    "platform/x11/selection": ["platform/keeper"],
    "imaging/qt": ["imaging/core"],
    "shapes": [],
    "editor/model": ["settings"],
    "editor/view": ["editor/model", "settings", "platform"],
    "platform": ["platform/types", "settings", "hook"],
    "platform/x11": ["platform", "platform/x11/screen", "platform/x11/selection",
                     "platform/types", "settings", "hook",
                     "imaging/core"],
    "platform/memory": ["platform", "platform/types", "hook"],
    # A Wayland session: Qt-free pictures of the outputs, then the desktop's
    # D-Bus and IPC services (QtCore), then the family.
    "platform/wayland/screen": ["platform/types", "imaging/core"],
    "platform/wayland/session": ["platform/wayland/screen", "platform/types", "imaging/core",
                                 "hook"],
    "platform/wayland/clipboard": ["platform/wayland/screen", "platform/types",
                                   "platform/keeper"],
    "platform/wayland": ["platform", "platform/wayland/screen", "platform/wayland/session",
                         "platform/wayland/clipboard", "platform/keeper",
                         "platform/types", "settings", "hook", "imaging/core"],
    "platform/loader": ["platform", "platform/x11", "platform/memory", "platform/wayland",
                        "platform/types"],
    "config": ["settings", "platform", "platform/types", "hook", "shapes", "mail", "imaging/qt",
               "imaging/core"],
    "maildlg": ["mail", "config", "settings", "platform", "imaging/qt", "imaging/core"],
    "cli/front": ["imaging/core", "platform/types"],
    "cli/mail": ["cli/front", "settings", "mail"],
    "cli/keeper": ["platform/x11/selection", "platform/wayland/clipboard"],
    # CaptureItems.h of shapes is a Qt-free table.
    "cli/capture": ["cli/front", "imaging/core", "platform/types", "platform/x11/screen",
                    "shapes"],
    "cli/wlcapture": ["cli/front", "cli/capture", "imaging/core", "platform/types",
                      "platform/wayland/screen", "platform/wayland/session", "shapes"],
    "app": ["hook", "platform/types", "imaging/core", "mail", "settings", "imaging/qt", "shapes",
            "platform", "platform/loader", "config", "maildlg", "cli/front", "cli/mail",
            "cli/capture", "editor/view"],
}
# The product's name, which every layer may show.
EVERYWHERE = {"product"}
XLIB = re.compile(r'#include\s*<X11/')
LOCAL = re.compile(r'#include\s*"([^"]+)"')
MAX_LINES = 500


def folder_of(path):
    return os.path.dirname(path)


def concept_of(path):
    return os.path.splitext(path)[0]


def cycles(graph):
    """The strongly connected parts of more than one node (Tarjan)."""
    index, low, stack, on, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in graph.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            part = []
            while True:
                w = stack.pop()
                on.discard(w)
                part.append(w)
                if w == v:
                    break
            if len(part) > 1:
                found.append(sorted(part))

    sys.setrecursionlimit(10000)
    for v in list(graph):
        if v not in index:
            visit(v)
    return found


def check(src):
    faults = []
    files = []
    for root, _, names in os.walk(src):
        for n in names:
            if n.endswith((".h", ".cpp")):
                files.append(os.path.relpath(os.path.join(root, n), src))
    concepts, folders = {}, {}
    for f in sorted(files):
        text = open(os.path.join(src, f), encoding="utf-8").read()
        lines = text.count("\n")
        if lines > MAX_LINES:
            faults.append(f"{f}: {lines} lines (at most {MAX_LINES})")
        folder = folder_of(f)
        if folder not in LAYERS:
            faults.append(f"{f}: its folder {folder} is no library of the layer table")
            continue
        if XLIB.search(text) and not folder.startswith("platform/x11"):
            faults.append(f"{f}: includes Xlib outside platform/x11")
        for inc in LOCAL.findall(text):
            if not os.path.exists(os.path.join(src, inc)):
                continue  # generated or a system header in quotes
            to = folder_of(inc)
            if to != folder and to not in LAYERS[folder] and to not in EVERYWHERE:
                faults.append(f"{f}: includes {inc}, but {folder} may not use {to}")
            if concept_of(inc) != concept_of(f):
                concepts.setdefault(concept_of(f), set()).add(concept_of(inc))
            if to != folder:
                folders.setdefault(folder, set()).add(to)
    for part in cycles(concepts):
        faults.append("include circle between files: " + " <-> ".join(part))
    for part in cycles(folders):
        faults.append("include circle between folders: " + " <-> ".join(part))
    return faults


if __name__ == "__main__":
    faults = check(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__),
                                                                        "..", "..", "src"))
    for f in faults:
        print(f)
    sys.exit(1 if faults else 0)
