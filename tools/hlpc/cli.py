"""Command line of the help compiler."""

import argparse
import os
import sys
import tempfile

from . import htmlhelp, resources, source, winhelp
from .errors import SourceError
from .keyboard import Keyboard


def arguments(argv):
    parser = argparse.ArgumentParser(prog="hlpc", description="Compile a help source into a WinHelp 3.1 file "
                                                              "and the same help as one HTML page.")
    parser.add_argument("source", help="help source (.hlpsrc)")
    parser.add_argument("-o", "--output", dest="hlp", help="WinHelp file to write")
    parser.add_argument("--html", help="HTML page to write")
    parser.add_argument("--rc", help="resource script with the keyboard map ACCELS and the panel DIAL_MAIN")
    parser.add_argument("--ids", help="header with the #define ids the resource script uses")
    parser.add_argument("--version", type=ascii_text, help="the program's version, for {version} in the source")
    parser.add_argument("--date", type=epoch, help="the build date, seconds since 1970, or a file that holds "
                                                   "them (default: SOURCE_DATE_EPOCH, else the newest input)")
    args = parser.parse_args(argv)
    if bool(args.rc) != bool(args.ids):
        parser.error("--rc and --ids go together")
    if not any(getattr(args, f) for f in FORMATS):
        parser.error("nothing to write: give -o, --html or both")
    return args


def ascii_text(value):
    """The help is plain ASCII, and so must be what is filled into it."""
    if not value or not all(" " <= ch <= "~" for ch in value):
        raise argparse.ArgumentTypeError(f"{value!r} is not plain ASCII text")
    return value


def epoch(value):
    """Seconds since 1970, given as such or as the file that holds them: a
    build rule that names the file keeps one command line from commit to
    commit, and CMake deletes the output of a rule whose command changed."""
    try:
        if not value.isdigit():
            with open(value) as f:
                value = f.read().strip()
        return int(value)
    except (OSError, ValueError) as e:
        raise argparse.ArgumentTypeError(f"{value!r} is no date: {e}")


def build_date(paths):
    """SOURCE_DATE_EPOCH when set, else the newest input, so that the same
    inputs always give the same file."""
    if os.environ.get("SOURCE_DATE_EPOCH", "").isdigit():
        return int(os.environ["SOURCE_DATE_EPOCH"])
    return int(max(os.path.getmtime(p) for p in paths))


def write_atomically(path, data):
    """Writes under a temporary name beside path, then renames: the file is
    either the complete new one or untouched."""
    directory = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(prefix=".hlpc-", dir=directory)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temp, 0o666 & ~umask)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


# The output formats, each written from the same parsed document and build date.
FORMATS = {
    "hlp": winhelp.build,
    "html": lambda doc, date: htmlhelp.build(doc),
}


def read_document(source_path, rc=None, ids=None, version=None):
    """The parsed document and its build date; raises SourceError on bad input."""
    keyboard = Keyboard(resources.ResourceScript(rc, resources.read_ids(ids))) if rc else None
    doc = source.parse(source_path, keyboard, version)
    inputs = [source_path] + ([rc, ids] if rc else [])
    return doc, build_date(inputs)


def compile_help(source_path, rc=None, ids=None, version=None, fmt="hlp"):
    """Bytes of the help in one format; raises SourceError on bad input."""
    return FORMATS[fmt](*read_document(source_path, rc, ids, version))


def main(argv=None):
    args = arguments(sys.argv[1:] if argv is None else argv)
    try:
        doc, date = read_document(args.source, args.rc, args.ids, args.version)
        date = date if args.date is None else args.date
        # Every format is built before any is written, so a fault leaves
        # all of them as they were.
        outputs = {getattr(args, f): build(doc, date) for f, build in FORMATS.items() if getattr(args, f)}
        for path, data in outputs.items():
            write_atomically(path, data)
    except SourceError as e:
        print(f"hlpc: {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"hlpc: {e.filename or ''}: error: {e.strerror}", file=sys.stderr)
        return 1
    return 0
