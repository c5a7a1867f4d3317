"""Reads the plain-text help source into topics and paragraphs.

The source is ASCII text. Lines starting with '#' (but not '## ') are
comments. Directives
start with '.' in the first column:

  .title TEXT             caption of the viewer (before the first topic)
  .copyright TEXT         copyright line shown by the viewer's About box
  .syskeys KEY ...        system keys the text may name besides the keyboard map
  .topic ID TITLE         starts a topic; ID is letters, digits, '.' and '_'
  .keywords A; B; ...     index entries for the current topic
  .map NUMBER             context number of the current topic
  .rowindent N            where the text of the following rows of the topic starts
  .keytable ... .end      rows "SYMBOL[..SYMBOL] | description" of the key table

Inside a topic a blank line ends a paragraph. A line "## TEXT" is a heading,
"- TEXT" a list item, "TERM :: TEXT" a row of a two-column list and "> TEXT"
a line of a typed example. Indented lines continue an item or a row. Inline:
**bold**, [text](topic_id), {keys:SYMBOL}, {button:SYMBOL}, {version}; a
backslash makes the next character literal. The first topic is the contents
topic. {version} may also stand in .title and .copyright: the program's
version is kept in one place, the build, which passes it to the compiler.
"""

import re
from dataclasses import dataclass, field

from .errors import SourceError

TOPIC_ID = re.compile(r"^[A-Za-z0-9._]+$")
VERSION = "{version}"
SHORTCUT = re.compile(r"\b(?:Ctrl|Alt|Shift)\+(?:[A-Za-z0-9]+|[^\sA-Za-z0-9])")


@dataclass
class Span:
    kind: str           # "text", "bold", "link", "tab" or "break"
    text: str = ""
    target: str = ""    # topic id of a link


@dataclass
class Paragraph:
    style: str          # "title", "heading", "body", "item", "row", "keyhead",
                        # "keyrow" or "example"
    spans: list
    line: int
    indent: int = None  # of a row: where its text starts, if not the default


@dataclass
class Topic:
    id: str
    title: str
    line: int
    keywords: list = field(default_factory=list)   # (keyword, line)
    map_number: int = None
    paragraphs: list = field(default_factory=list)


@dataclass
class Document:
    path: str
    title: str = ""
    copyright: str = ""
    syskeys: set = field(default_factory=set)
    topics: list = field(default_factory=list)

    def topic(self, topic_id):
        for t in self.topics:
            if t.id.upper() == topic_id.upper():
                return t
        return None


class Parser:
    """Parses one source file; `keyboard` (or None) expands key references,
    `version` (or None) fills in {version}."""

    def __init__(self, path, text, keyboard=None, version=None):
        self.path = path
        self.version = version
        self.lines = text.split("\n")
        self.keyboard = keyboard
        self.doc = Document(path)
        self.topic = None
        self.row_indent = None
        self.block = []          # (style, text, line) of the paragraph being built
        self.links = []          # (target, line) to check once all topics are known
        self.shortcuts = []      # (name, line) named in the text itself

    def error(self, line, message):
        return SourceError(self.path, line, message)

    # -- driver ----------------------------------------------------------------

    def parse(self):
        number = 0
        while number < len(self.lines):
            line_no = number + 1
            raw = self.lines[number].rstrip("\r")
            self.check_ascii(raw, line_no)
            number += 1
            if raw.startswith("#") and not raw.startswith("## "):
                continue
            if raw.startswith("."):
                self.flush()
                number = self.directive(raw, line_no, number)
                continue
            self.body_line(raw, line_no)
        self.flush()
        self.finish()
        return self.doc

    def check_ascii(self, raw, line_no):
        for column, ch in enumerate(raw, 1):
            if not (ch == "\t" or " " <= ch <= "~"):
                kind = "non-ASCII byte" if ord(ch) > 0x7E else "control character"
                raise self.error(line_no, f"{kind} 0x{ord(ch):02X} in column {column}; the help text must be plain ASCII")

    # -- directives ------------------------------------------------------------

    def directive(self, raw, line_no, next_index):
        name, _, arg = raw[1:].partition(" ")
        arg = arg.strip()
        if name == "topic":
            self.start_topic(arg, line_no)
        elif name in ("title", "copyright", "syskeys"):
            if self.topic:
                raise self.error(line_no, f".{name} belongs before the first topic")
            if name == "syskeys":
                self.doc.syskeys.update(arg.split())
            else:
                setattr(self.doc, name, self.fill_version(arg, line_no))
        elif name == "keywords":
            self.current_topic(line_no, name).keywords.extend(
                (k.strip(), line_no) for k in arg.split(";") if k.strip())
        elif name == "rowindent":
            if not arg.isdigit():
                raise self.error(line_no, ".rowindent needs a number")
            self.current_topic(line_no, name)
            self.row_indent = int(arg)
        elif name == "map":
            if not arg.isdigit():
                raise self.error(line_no, ".map needs a number")
            self.current_topic(line_no, name).map_number = int(arg)
        elif name == "keytable":
            return self.key_table(line_no, next_index)
        else:
            raise self.error(line_no, f"unknown directive .{name}")
        return next_index

    def fill_version(self, text, line_no):
        if VERSION not in text:
            return text
        if self.version is None:
            raise self.error(line_no, f"{VERSION} needs the program's version (--version)")
        return text.replace(VERSION, self.version)

    def current_topic(self, line_no, name):
        if not self.topic:
            raise self.error(line_no, f".{name} outside a topic")
        return self.topic

    def start_topic(self, arg, line_no):
        topic_id, _, title = arg.partition(" ")
        title = title.strip()
        if not TOPIC_ID.match(topic_id) or not title:
            raise self.error(line_no, ".topic needs an id (letters, digits, '.', '_') and a title")
        previous = self.doc.topic(topic_id)
        if previous:
            raise self.error(line_no, f"duplicate topic id {topic_id!r} (first defined on line {previous.line})")
        self.topic = Topic(topic_id, title, line_no)
        self.row_indent = None
        self.topic.paragraphs.append(Paragraph("title", [Span("text", title)], line_no))
        self.doc.topics.append(self.topic)

    def key_table(self, line_no, index):
        if not self.keyboard:
            raise self.error(line_no, ".keytable needs the resource script (--rc)")
        topic = self.current_topic(line_no, "keytable")
        rows = []
        while True:
            if index >= len(self.lines):
                raise self.error(line_no, ".keytable without .end")
            raw, row_line = self.lines[index].rstrip("\r"), index + 1
            self.check_ascii(raw, row_line)
            index += 1
            if raw.strip() == ".end":
                break
            if not raw.strip() or raw.startswith("#"):
                continue
            symbols, bar, text = raw.partition("|")
            if not bar:
                raise self.error(row_line, "key table row needs 'SYMBOL | description'")
            rows.append((symbols.strip(), self.inline(text.strip(), row_line), row_line))
        topic.paragraphs.extend(self.keyboard.table(rows, self.path))
        return index

    # -- body text ---------------------------------------------------------------

    def body_line(self, raw, line_no):
        if not raw.strip():
            self.flush()
            return
        if not self.topic:
            raise self.error(line_no, "text before the first .topic")
        stripped = raw.strip()
        continuation = raw[0] in " \t"
        if stripped.startswith("## "):
            self.flush()
            self.block = [("heading", stripped[3:], line_no)]
            self.flush()
        elif stripped.startswith("> ") or stripped == ">":
            if self.block and self.block[0][0] != "example":
                self.flush()
            self.block.append(("example", stripped[2:], line_no))
        elif stripped.startswith("- ") and not continuation:
            self.flush()
            self.block = [("item", stripped[2:], line_no)]
        elif " :: " in stripped and not continuation:
            self.flush()
            self.block = [("row", stripped, line_no)]
        elif continuation and self.block and self.block[0][0] in ("item", "row"):
            self.block.append((self.block[0][0], stripped, line_no))
        else:
            if self.block and self.block[0][0] != "body":
                self.flush()
            self.block.append(("body", stripped, line_no))

    def flush(self):
        if not self.block:
            return
        style, _, line_no = self.block[0]
        if style == "example":
            spans = []
            for i, (_, text, number) in enumerate(self.block):
                if i:
                    spans.append(Span("break"))
                spans.extend(self.inline(text, number))
        elif style == "row":
            term, _, rest = self.block[0][1].partition(" :: ")
            spans = [Span("bold", term.strip()), Span("tab")]
            spans += self.inline(" ".join([rest.strip()] + [t for _, t, _ in self.block[1:]]), line_no)
        else:
            spans = self.inline(" ".join(text for _, text, _ in self.block), line_no)
        indent = self.row_indent if style == "row" else None
        self.topic.paragraphs.append(Paragraph(style, spans, line_no, indent))
        self.block = []

    def inline(self, text, line_no):
        """Splits text into spans: plain, bold, links and key references."""
        spans, buf, bold, i = [], [], False, 0

        def emit():
            if buf:
                spans.append(Span("bold" if bold else "text", "".join(buf)))
                buf.clear()

        while i < len(text):
            ch = text[i]
            if ch == "\\" and i + 1 < len(text):
                buf.append(text[i + 1])
                i += 2
            elif text.startswith("**", i):
                emit()
                bold = not bold
                i += 2
            elif ch == "[":
                m = re.compile(r"\[((?:[^\]\\]|\\.)+)\]\(([^)\s]+)\)").match(text, i)
                if not m:
                    raise self.error(line_no, "'[' starts no link [text](topic_id); write \\[ for a bracket")
                emit()
                spans.append(Span("link", re.sub(r"\\(.)", r"\1", m.group(1)), m.group(2)))
                self.links.append((m.group(2), line_no))
                i = m.end()
            elif text.startswith(VERSION, i):
                buf.append(self.fill_version(VERSION, line_no))
                i += len(VERSION)
            elif ch == "{":
                m = re.compile(r"\{(keys|button):([A-Za-z_]\w*)\}").match(text, i)
                if not m:
                    raise self.error(line_no, "'{' starts no {keys:SYMBOL}, {button:SYMBOL} or {version}; "
                                              "write \\{ for a brace")
                if not self.keyboard:
                    raise self.error(line_no, f"{m.group(0)} needs the resource script (--rc)")
                emit()
                spans.extend(self.keyboard.reference(m.group(1), m.group(2), self.path, line_no))
                i = m.end()
            else:
                buf.append(ch)
                i += 1
        if bold:
            raise self.error(line_no, "'**' is not closed in this paragraph")
        emit()
        for span in spans:
            if span.kind in ("text", "bold"):
                self.shortcuts.extend((name, line_no) for name in SHORTCUT.findall(span.text))
        return spans

    # -- checks once everything is read ---------------------------------------------------

    def finish(self):
        if not self.doc.topics:
            raise self.error(len(self.lines), "the source has no .topic")
        if not self.doc.title:
            raise self.error(1, "the source has no .title")
        for target, line_no in self.links:
            if not self.doc.topic(target):
                raise self.error(line_no, f"link to unknown topic {target!r}")
        if self.keyboard:
            known = self.keyboard.key_names() | self.doc.syskeys
            for name, line_no in self.shortcuts:
                if name not in known:
                    raise self.error(line_no, f"{name} is not a key of the keyboard map (nor in .syskeys)")
            self.keyboard.check_complete()


def parse(path, keyboard=None, version=None):
    with open(path, encoding="latin-1", newline="") as f:
        text = f.read()
    return Parser(path, text, keyboard, version).parse()
