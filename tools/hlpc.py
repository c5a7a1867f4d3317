#!/usr/bin/env python3
"""Help compiler: turns help/torva.hlpsrc into TORVA.HLP (WinHelp 3.1) and
the same help as one HTML page, TORVA-HELP.HTM.

  hlpc.py SOURCE [-o HLP_FILE] [--html HTML_FILE] [--rc RESOURCE_SCRIPT --ids IDS_HEADER]
          [--version VERSION]

With --rc the key table and every {keys:...} and {button:...} reference are
taken from the program's keyboard map and main panel. Errors are reported
as file:line and leave no output file.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from hlpc.cli import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main())
