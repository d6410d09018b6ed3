#!/usr/bin/env python3
"""Fails when a file includes one from a layer above its own.

The layers, from the bottom: host/ (the seam and its Win32 host), then chat/
and desktop/ (beside each other, neither using the other), then app/ (the
window's layout and handlers), then app/win32/ (Drowsel's own window and
main). A file may include its own folder and the layers below it.

    check_layers.py [ROOT]    (default: the repository this file is in)
"""

import os
import re
import sys

# Each layer and the folders its files may include.
ALLOWED = {
    "host": {"host"},
    "chat": {"host", "chat"},
    "desktop": {"host", "desktop"},
    "app": {"host", "chat", "desktop", "app"},
    "app/win32": {"host", "chat", "desktop", "app", "app/win32", "resources"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def layer_of(path):
    """The layer a path inside the repository belongs to, or None."""
    parts = path.split("/")
    if parts[0] == "app" and len(parts) > 2 and parts[1] == "win32":
        return "app/win32"
    return parts[0] if parts[0] in ALLOWED or parts[0] == "resources" else None


def violations(root):
    found = []
    for layer in ALLOWED:
        for folder, _, files in os.walk(os.path.join(root, layer)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
                if layer_of(path) != layer:
                    continue  # app/win32 files are checked as their own layer
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    # "resource_ids.h" sits in resources/, on the include path.
                    target_layer = layer_of(target) or ("resources" if "/" not in target else None)
                    if target_layer is not None and target_layer not in ALLOWED[layer]:
                        found.append(f"{path} includes {target}, from {target_layer}/")
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    found = violations(os.path.abspath(root))
    for line in found:
        print(line)
    print(f"{len(found)} includes against the layers")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
