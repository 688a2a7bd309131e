#!/usr/bin/python3
"""The theme kit's command (make, check, preview, disk): run it with --help. The kit itself is
the package beside this file, scripts/themekit."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from themekit.cli import main  # noqa: E402 (the package is found through the path above)

if __name__ == "__main__":
    sys.exit(main())
