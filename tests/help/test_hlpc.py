"""Tests of the help compiler, checked with the separate reader in hlpreader."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, HERE)

import hlpreader  # noqa: E402
from hlpc.cli import compile_help  # noqa: E402
from hlpc.errors import SourceError  # noqa: E402

HLPC = os.path.join(ROOT, "tools", "hlpc.py")
CHROMIUM = shutil.which("chromium")
SOURCE = os.path.join(ROOT, "help", "torva.hlpsrc")
RC = os.path.join(ROOT, "res", "torva.rc")
IDS = os.path.join(ROOT, "res", "torva_ids.h")
with open(os.path.join(ROOT, "CMakeLists.txt")) as _f:
    VERSION = re.search(r"^project\(\w+ VERSION ([\d.]+)", _f.read(), re.M).group(1)

# A small keyboard map: Alt+q twice (the second never acts), a virtual key,
# a control character and a panel with two buttons.
FIXTURE_RC = """\
#include "ids.h"
DIAL_MAIN DIALOG 0, 0, 50, 50
BEGIN
    CONTROL "&Quit", CMD_QUIT, "BUTTON", BS_PUSHBUTTON | WS_VISIBLE, 1, 1, 20, 10
    PUSHBUTTON "Go", CMD_GO, 1, 12, 20, 10
    CONTROL "", 90, "BUTTON", BS_GROUPBOX, 0, 0, 50, 50
END
ACCELS ACCELERATORS
BEGIN
    "q", CMD_QUIT, ASCII, ALT
    VK_F5, CMD_GO, VIRTKEY
    7, CMD_BELL, ASCII  /* Ctrl+G */
    "q", CMD_NOTHING, ASCII, ALT
END
"""
FIXTURE_IDS = "#define CMD_QUIT 10\n#define CMD_GO 11\n#define CMD_BELL 12\n#define CMD_NOTHING 13\n"


def words(text):
    """Visible words, without the dashes the help file shows before list items."""
    return [w for w in text.split() if w != "-"]


def write(directory, name, text):
    path = os.path.join(directory, name)
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.write(text)
    return path


class Workspace(unittest.TestCase):
    """A temporary directory with the fixture keyboard map."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.rc = write(self.dir, "fixture.rc", FIXTURE_RC)
        self.ids = write(self.dir, "ids.h", FIXTURE_IDS)

    def tearDown(self):
        self.tmp.cleanup()

    def source(self, body, keys=True):
        table = ".keytable\nCMD_QUIT | quit\nCMD_GO | go\nCMD_BELL | bell\n.end\n" if keys else ""
        return write(self.dir, "t.hlpsrc", ".title T\n.topic main Main\n" + textwrap.dedent(body) + table)

    def compile(self, body, keys=True, version=None):
        return hlpreader.read(compile_help(self.source(body, keys), self.rc, self.ids, version))

    def run_cli(self, source_path, output, *options):
        return subprocess.run([sys.executable, HLPC, source_path, "-o", output, "--rc", self.rc, "--ids", self.ids,
                               *options], capture_output=True, text=True)


class TorvaHelpFile(unittest.TestCase):
    """The real help file, compiled from the real source and resource script."""

    @classmethod
    def setUpClass(cls):
        cls.help = hlpreader.read(compile_help(SOURCE, RC, IDS, VERSION))
        cls.page = hlpreader.read_html(compile_help(SOURCE, RC, IDS, VERSION, "html"))
        with open(RC, encoding="latin-1") as f:
            cls.rc_text = f.read()

    def test_title_copyright_contents_and_window_caption(self):
        self.assertEqual(self.help.title, "TORVA NT Help")
        self.assertRegex(self.help.system[2][0].decode("cp1252"),
                         rf"^TORVA NT {re.escape(VERSION)} - Copyright \(c\) 20\d\d The TORVA NT developers\0$")
        self.assertEqual(self.help.contents.title, "TORVA NT Help")
        window = self.help.system[6][0]
        self.assertEqual(window[12:21].rstrip(b"\0"), b"main")
        self.assertEqual(window[21:72].rstrip(b"\0"), b"TORVA NT Help")

    def test_every_jump_and_context_entry_reaches_a_topic(self):
        self.assertGreater(self.help.blocks, 2, "the text should span several blocks")
        offsets = [t.offset for t in self.help.topics]
        self.assertEqual(len(offsets), len(set(offsets)), "TOPICOFFSETs must be unique")
        self.assertEqual(set(self.help.context.values()), set(offsets))
        jumps = 0
        for topic in self.help.topics:
            for paragraph in topic.paragraphs:
                for link_hash, text in paragraph.links:
                    jumps += 1
                    self.assertIn(link_hash, self.help.context, f"link {text!r} in {topic.title!r}")
                    self.assertIsNotNone(self.help.topic_at(self.help.context[link_hash]))
        self.assertGreater(jumps, 20)
        for word, targets in self.help.keywords.items():
            self.assertEqual(len(targets), 1, word)
            self.assertIsNotNone(self.help.topic_at(targets[0]), word)
        for number, offset in self.help.context_map.items():
            self.assertIsNotNone(self.help.topic_at(offset), number)

    def test_contents_links_every_other_topic(self):
        linked = {self.help.context[h] for p in self.help.contents.paragraphs for h, _ in p.links}
        self.assertEqual(linked, {t.offset for t in self.help.topics[1:]})

    def test_key_table_matches_the_keyboard_map(self):
        table = self.help.topic_titled("Keys and buttons").text
        accels = self.rc_text[self.rc_text.index("ACCELS ACCELERATORS"):]
        for key in re.findall(r'^\s*"(\w)",\s*CMD_\w+,\s*ASCII, ALT', accels, re.M):
            self.assertIn(f"Alt+{key.upper()}", table)
        for key in ("Ctrl+Insert", "Ctrl+C", "Ctrl+V", "Shift+Insert", "Insert", "Home", "Page Up",
                    "Delete", "End", "Page Down", "F1", "Backspace", "Alt+="):
            self.assertIn(key, table)
        labels = re.findall(r'CONTROL\s+"([^"]+)",\s*CMD_\w+,\s*"BUTTON"', self.rc_text[:self.rc_text.index("DIAL_SOUND")])
        for label in labels:
            if not label.isdigit():          # the digits share the row "0 to 9"
                self.assertIn(label.replace("&", ""), table)
        self.assertIn("0 to 9\t0 to 9\t", table)
        # The second Alt+y entry never acts: Alt+Y gives only one row.
        self.assertEqual(len(re.findall(r"^Alt\+Y\t", table, re.M)), 1)

    def test_shortcuts_named_anywhere_are_real_keys(self):
        table = self.help.topic_titled("Keys and buttons").text
        for topic in self.help.topics:
            for name in re.findall(r"\b(?:Ctrl|Alt|Shift)\+(?:\w+|[^\s\w])", topic.text):
                self.assertTrue(name == "Alt+F4" or name in table, f"{name} in {topic.title!r}")

    def test_html_has_every_topic_of_the_help_file_with_its_text(self):
        self.assertEqual([s.heading for s in self.page.sections], [t.title for t in self.help.topics])
        for section, topic in zip(self.page.sections, self.help.topics):
            # The section's anchor is the topic's context id in the help file.
            self.assertIs(self.help.topic_at(self.help.context.get(hlpreader.hash_name(section.id))), topic)
            self.assertEqual(words(" ".join(section.words)), words(topic.text), topic.title)

    def test_html_links_resolve_as_the_help_files_jumps_do(self):
        for section, href, text in self.page.links():
            self.assertTrue(href.startswith("#") and self.page.section(href[1:]), f"{href} in {section.id}")
        html_links = sorted((s.heading, text, self.page.section(href[1:]).heading)
                            for s in self.page.sections for href, text in s.links)
        hlp_links = sorted((t.title, text, self.help.topic_at(self.help.context[h]).title)
                           for t in self.help.topics for p in t.paragraphs for h, text in p.links)
        self.assertEqual(html_links, hlp_links)
        contents = self.page.sections[0]
        self.assertEqual([s.nav_links for s in self.page.sections], [[]] + [[("#" + contents.id, "Contents")]] *
                         (len(self.page.sections) - 1))

    def test_html_key_table_has_the_rows_of_the_help_file(self):
        hlp_rows = [tuple(p.text.split("\t")) for p in self.help.topic_titled("Keys and buttons").paragraphs
                    if p.text.count("\t") == 2]
        table, = self.page.tables
        self.assertEqual([tuple(text for _, _, text in row) for row in table], hlp_rows)
        self.assertEqual({cell[:2] for cell in table[0]}, {("th", "col")})
        self.assertEqual({row[0][:2] for row in table[1:]}, {("th", "row")})

    def test_html_page_is_plain_and_stands_alone(self):
        self.assertEqual((self.page.lang, self.page.title, self.page.charset), ("en", "TORVA NT Help", "utf-8"))
        self.assertEqual(self.page.outside, [])
        self.assertIn("default-src 'none'", self.page.security_policy)
        self.assertRegex(self.page.footer, rf"^TORVA NT {re.escape(VERSION)} - Copyright")

    # The strings of the resource script that no box shows: names of files,
    # folders, the window class and the settings key, the title the
    # templates repeat, and two that the program never shows. Every other
    # string is a message or caption, and a new one fails the test below
    # until "Error messages" explains it (or it is named here).
    NOT_SHOWN_IN_A_BOX = {"IDS_CLASS_NAME", "IDS_TITLE", "IDS_NO_TIMER", "IDS_GDI_ERROR",
                          "IDS_SOUND_KEY", "IDS_MODULE_NAME", "IDS_INI_FILE", "IDS_HELP_FILE",
                          "IDS_HELP_PAGE", "IDS_SETTINGS_FOLDER"}

    def test_error_messages_appear_word_for_word(self):
        strings = dict(re.findall(r"^\s*(IDS_\w+),\s*\"([^\"]*)\"", self.rc_text, re.M))
        self.assertLessEqual(self.NOT_SHOWN_IN_A_BOX, set(strings))
        errors = " ".join(self.help.topic_titled("Error messages").text.split())
        # The buttons' spoken names (IDS_NAME_...) are names, not messages.
        shown = {name: text for name, text in strings.items()
                 if name not in self.NOT_SHOWN_IN_A_BOX and not name.startswith("IDS_NAME_")}
        self.assertGreaterEqual(len(shown), 14)
        for name, text in shown.items():
            with self.subTest(name):
                # A message that names a file is matched on its text before the name.
                self.assertIn(" ".join(text.split("%s")[0].split()), errors)


class CompilerOutput(Workspace):
    def test_topics_across_many_blocks_keep_offsets_and_chain(self):
        paragraphs = "\n".join(f"Paragraph {i} " + "word " * 60 + "\n" for i in range(60))
        topics = "".join(f".topic t{n} Topic {n}\n.keywords k{n}\n{paragraphs}[back](main)\n"
                         for n in range(4))
        help_file = self.compile("[first](t0) [last](t3)\n" + topics)
        self.assertGreaterEqual(help_file.blocks, 20)
        self.assertEqual([t.title for t in help_file.topics], ["Main"] + [f"Topic {n}" for n in range(4)])
        middle = [t for t in help_file.topics if t.offset % 0x8000]
        self.assertTrue(middle, "some topic should start in the middle of a block")
        for n in range(4):
            self.assertEqual(help_file.topic_at(help_file.keywords[f"k{n}"][0]).title, f"Topic {n}")
            self.assertEqual(help_file.topic_at(help_file.context[hlpreader.hash_name(f"t{n}")]).title,
                             f"Topic {n}")
        browse = [(t.browse_back, t.browse_forward) for t in help_file.topics]
        self.assertEqual(browse[0][0], 0xFFFFFFFF)
        self.assertEqual(browse[1], (help_file.topics[0].offset, help_file.topics[2].offset))

    def test_large_keyword_index_gets_an_index_page(self):
        words = "; ".join(f"keyword number {n:03}" for n in range(150))
        help_file = self.compile(f".keywords {words}\nText.\n")
        self.assertEqual(help_file.tree_levels["|KWBTREE"], 2)
        self.assertEqual(len(help_file.keywords), 150)
        self.assertEqual(list(help_file.keywords), sorted(help_file.keywords, key=str.lower))

    def test_key_references_and_table_come_from_the_keyboard_map(self):
        help_file = self.compile("Quit with {keys:CMD_QUIT} or {button:CMD_QUIT}; Alt+Q again.\n")
        text = help_file.topics[0].text
        self.assertIn("Quit with Alt+Q or Quit; Alt+Q again.", text)
        self.assertIn("Alt+Q\tQuit\tquit", text)
        self.assertIn("F5\tGo\tgo", text)
        self.assertIn("Ctrl+G\tnone\tbell", text)
        self.assertNotIn("CMD_NOTHING", text)

    def test_html_lists_rows_examples_and_markup_characters(self):
        path = self.source("""\
            Text with <tags> & "quotes"; see [Main, in capitals](MAIN).

            - one
            - two
              continued
            A :: first row
            B :: second row
            > 1 Enter
            > 2 +
            """)
        page = hlpreader.read_html(compile_help(path, self.rc, self.ids, fmt="html"))
        main = page.sections[0]
        self.assertEqual(" ".join(main.words[:10]), 'Main Text with <tags> & "quotes"; see Main, in capitals.')
        self.assertEqual(main.links, [("#main", "Main, in capitals")])
        self.assertEqual([page.tags.get(t) for t in ("ul", "li", "dl", "dt", "dd", "pre")], [1, 2, 1, 2, 2, 1])
        self.assertIn("two continued", " ".join(main.words))
        self.assertEqual(page.examples, ["1 Enter\n2 +"])

    def test_version_is_filled_in_from_the_command_line(self):
        path = write(self.dir, "v.hlpsrc", ".title T {version}\n.copyright C {version} (c)\n.topic main Main\n"
                                           "Version {version}, not \\{version}.\n")
        out = os.path.join(self.dir, "V.HLP")
        result = subprocess.run([sys.executable, HLPC, path, "-o", out, "--version", "4.56"], capture_output=True,
                                text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, "rb") as f:
            help_file = hlpreader.read(f.read())
        self.assertEqual(help_file.title, "T 4.56")
        self.assertEqual(help_file.system[2][0], b"C 4.56 (c)\0")
        self.assertIn("Version 4.56, not {version}.", help_file.topics[0].text)

    def test_same_inputs_give_the_same_file(self):
        path = self.source("Text.\n")
        os.environ["SOURCE_DATE_EPOCH"] = "1000000"
        try:
            self.assertEqual(compile_help(path, self.rc, self.ids), compile_help(path, self.rc, self.ids))
            dated = compile_help(path, self.rc, self.ids)
        finally:
            del os.environ["SOURCE_DATE_EPOCH"]
        # The date also comes from a file that holds it, as the build passes it.
        date_file, out = write(self.dir, "date.txt", "1000000\n"), os.path.join(self.dir, "D.HLP")
        result = subprocess.run([sys.executable, HLPC, path, "-o", out, "--date", date_file, "--rc", self.rc,
                                 "--ids", self.ids], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), dated)


class BadInput(Workspace):
    def assert_error(self, body, line, fragment, keys=True):
        with self.assertRaises(SourceError) as caught:
            self.compile(body, keys)
        self.assertEqual(caught.exception.line, line, str(caught.exception))
        self.assertIn(fragment, str(caught.exception))

    def test_source_faults_name_their_line(self):
        self.assert_error("Fine.\n\nSee [there](nowhere).\n", 5, "unknown topic 'nowhere'")
        self.assert_error("Caf\xc3\xa9.\n", 3, "non-ASCII byte 0xC3 in column 4")
        self.assert_error("A.\n.topic main Again\n", 4, "duplicate topic id")
        self.assert_error("**open\n", 3, "not closed")
        self.assert_error("Press Alt+Z.\n", 3, "Alt+Z is not a key of the keyboard map")
        self.assert_error("{keys:CMD_MISSING}\n", 3, "unknown command symbol")
        self.assert_error("x " * 2000 + "\n", 3, "paragraph too long")
        self.assert_error("Fine.\n\nVersion {version}.\n", 5, "{version} needs the program's version (--version)")

    def test_key_table_must_cover_the_keyboard_map(self):
        with self.assertRaises(SourceError) as caught:
            compile_help(write(self.dir, "t.hlpsrc", ".title T\n.topic main Main\n.keytable\n"
                                                     "CMD_QUIT | q\nCMD_GO | g\n.end\n"), self.rc, self.ids)
        self.assertEqual((caught.exception.path, caught.exception.line), (self.rc, 12))
        self.assertIn("no row for CMD_BELL (Ctrl+G)", str(caught.exception))
        self.assert_error(".keytable\nCMD_NOTHING | never acts\n.end\n", 4, "neither a key nor a button")

    def test_failed_compile_leaves_no_file_or_the_old_one(self):
        bad = self.source("[x](missing)\n")
        fresh = os.path.join(self.dir, "FRESH.HLP")
        result = self.run_cli(bad, fresh, "--html", os.path.join(self.dir, "FRESH.HTM"))
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stderr, r"t\.hlpsrc:3: error: link to unknown topic 'missing'")
        self.assertFalse(os.path.exists(fresh))
        old, old_html = write(self.dir, "OLD.HLP", "previous build"), write(self.dir, "OLD.HTM", "previous page")
        self.assertEqual(self.run_cli(bad, old, "--html", old_html).returncode, 1)
        # A fault that only the WinHelp writer finds leaves the old page too.
        too_long = self.run_cli(self.source("x " * 2000 + "\n"), old, "--html", old_html)
        self.assertIn("paragraph too long", too_long.stderr)
        for path, text in ((old, "previous build"), (old_html, "previous page")):
            with open(path) as f:
                self.assertEqual(f.read(), text)
        self.assertEqual(sorted(os.listdir(self.dir)), ["OLD.HLP", "OLD.HTM", "fixture.rc", "ids.h", "t.hlpsrc"])

    def test_good_compile_writes_readable_files(self):
        out, out_html = os.path.join(self.dir, "GOOD.HLP"), os.path.join(self.dir, "GOOD.HTM")
        result = self.run_cli(self.source("Text.\n"), out, "--html", out_html)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, "rb") as f:
            self.assertEqual(hlpreader.read(f.read()).topics[0].title, "Main")
        with open(out_html, "rb") as f:
            self.assertEqual(hlpreader.read_html(f.read()).sections[0].heading, "Main")


@unittest.skipUnless(CHROMIUM, "chromium is not installed")
@unittest.skipIf(os.environ.get("HLPC_SKIP_BROWSER"), "runs on its own as the CTest test help_html_browser")
class HtmlInBrowser(unittest.TestCase):
    """The real page in headless Chromium, opened from disk as a user would."""

    def test_page_loads_cleanly_and_parses_as_written(self):
        page = compile_help(SOURCE, RC, IDS, VERSION, "html")
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "TORVA-HELP.HTM")
            with open(path, "wb") as f:
                f.write(page)
            # The background services off: this machine's network refuses them.
            result = subprocess.run(
                [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={d}/profile", "--enable-logging=stderr", "--v=0", "--dump-dom",
                 "file://" + path], capture_output=True, timeout=60)
        log = result.stderr.decode(errors="replace")
        self.assertEqual(result.returncode, 0, log[-2000:])
        # The page runs nothing, so any console message is a refused or failed load.
        self.assertEqual([line for line in log.splitlines() if ":CONSOLE" in line], [])
        # Chromium repairs bad markup silently; its DOM must be what the page says.
        written, rendered = hlpreader.read_html(page), hlpreader.read_html(result.stdout)
        self.assertEqual(rendered.title, written.title)
        self.assertEqual(rendered.sections, written.sections)
        self.assertEqual(rendered.tables, written.tables)
        self.assertEqual(rendered.tags, written.tags)
        self.assertGreater(len(rendered.sections), 10)


if __name__ == "__main__":
    unittest.main()
