"""Help compiler: plain-text help source to a WinHelp 3.1 file and an HTML page."""
