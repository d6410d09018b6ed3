"""The tools' own tests import the tools, and build_tree puts the e2e library
on the path for them as it does for the tools."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import build_tree  # noqa: E402,F401
