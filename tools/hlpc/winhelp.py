"""Writes a help document as a WinHelp 3.1 file.

The file is a small container of internal files found through a B+ tree
directory: |SYSTEM (title, contents topic, window, macros), |FONT, |TOPIC
(the text, in 4 KB blocks), |CONTEXT (topic ids by hash), |CTXOMAP (topic
numbers) and |KWBTREE with |KWDATA (the keyword index).

|TOPIC blocks are stored as LZ77 that holds only literals: the viewer
addresses records on a 16 KB basis inside decompressed blocks, which works
for any number of blocks only in the compressed form, and literals need no
real compressor. A record never crosses a block.
"""

import struct

from .errors import SourceError
from .source import Span

BLOCK_SIZE = 4096            # one |TOPIC block as stored
BLOCK_HEADER = 12            # stored uncompressed before the LZ77 data
# Literal-only LZ77 spends one flag byte on every 8 data bytes.
BLOCK_CAPACITY = (BLOCK_SIZE - BLOCK_HEADER) // 9 * 8 + max(0, (BLOCK_SIZE - BLOCK_HEADER) % 9 - 1)
RECORD_HEADER = 21
NONE = 0xFFFFFFFF

# Record types of |TOPIC.
TOPIC_HEADER = 0x02
PARAGRAPH = 0x20

# Paragraph commands.
CMD_FONT, CMD_BREAK, CMD_END_PARAGRAPH, CMD_TAB = 0x80, 0x81, 0x82, 0x83
CMD_JUMP, CMD_END_JUMP, CMD_END = 0xE3, 0x89, 0xFF

FACES = ["Arial", "Courier New"]
# face index, size in half-points, bold, family (1 modern, 3 swiss), colour
FONTS = [
    (0, 20, False, 3, (0, 0, 0)),        # 0 body text
    (0, 28, True, 3, (0, 0, 128)),       # 1 topic title
    (0, 22, True, 3, (0, 0, 128)),       # 2 heading
    (0, 20, True, 3, (0, 0, 0)),         # 3 bold body text
    (1, 20, False, 1, (0, 0, 0)),        # 4 example
    (1, 20, True, 1, (0, 0, 0)),         # 5 bold example
]

# Paragraph styles: plain font, bold font, space above, space below, left
# indent, first-line indent, tab stops. Distances are in the viewer's
# paragraph units (half a pixel on a 96 dpi screen).
KEY_COLUMNS = (250, 350)
STYLES = {
    "title":   (1, 1, 0, 16, 0, 0, ()),
    "heading": (2, 2, 20, 0, 0, 0, ()),
    "body":    (0, 3, 10, 0, 0, 0, ()),
    "item":    (0, 3, 6, 0, 40, -28, (40,)),
    "row":     (0, 3, 8, 0, 180, -180, (180,)),
    "keyhead": (0, 3, 14, 0, KEY_COLUMNS[1], -KEY_COLUMNS[1], KEY_COLUMNS),
    "keyrow":  (0, 3, 6, 0, KEY_COLUMNS[1], -KEY_COLUMNS[1], KEY_COLUMNS),
    "example": (4, 5, 8, 0, 40, 0, ()),
}


# -- numbers -----------------------------------------------------------------------

def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def comp_short(v):
    """Signed short in one byte (even) or two (odd)."""
    if -64 <= v < 64:
        return bytes([2 * v + 0x80])
    return u16(2 * v + 0x8001)


def comp_ushort(v):
    """Unsigned short in one byte (even) or two (odd)."""
    return bytes([2 * v]) if v < 128 else u16(2 * v + 1)


def comp_long(v):
    """Signed long in two bytes (even) or four (odd)."""
    if -16384 <= v < 16384:
        return u16(2 * v + 0x8000)
    return u32(2 * v + 0x80000001)


def context_hash(name):
    """Hash of a context name, as the viewer computes it for jumps."""
    h = 0
    for ch in name.upper():
        if "A" <= ch <= "Z":
            x = ord(ch) - ord("A") + 17
        elif "1" <= ch <= "9":
            x = ord(ch) - ord("0")
        else:
            x = {"0": 10, ".": 12, "_": 13}.get(ch, 0)
        if x:
            h = (h * 43 + x) & 0xFFFFFFFF
    return h - (1 << 32) if h & 0x80000000 else h


def lz77_literals(data):
    """LZ77 stream that stores every byte as a literal."""
    out = bytearray()
    for i in range(0, len(data), 8):
        out.append(0)
        out += data[i:i + 8]
    return bytes(out)


# -- container ---------------------------------------------------------------------

def internal_file(data):
    """An internal file: reserved size, used size, flags, then the data."""
    return u32(len(data) + 9) + u32(len(data)) + b"\x04" + data


def btree(entries, page_size, flags, structure):
    """A B+ tree of sorted (leaf entry, index key) pairs: leaves chained from
    left to right, and one index page above them when they are more than one."""
    leaves, current = [], []
    for entry in entries:
        if current and 8 + sum(len(e) for e, _ in current) + len(entry[0]) > page_size:
            leaves.append(current)
            current = []
        current.append(entry)
    leaves.append(current)
    count = len(leaves)
    pages = []
    for n, leaf in enumerate(leaves):
        body = b"".join(e for e, _ in leaf)
        head = u16(page_size - 8 - len(body)) + u16(len(leaf)) + \
            u16(n - 1 if n else 0xFFFF) + u16(n + 1 if n + 1 < count else 0xFFFF)
        pages.append((head + body).ljust(page_size, b"\0"))
    root, levels = 0, 1
    if count > 1:
        body = b"".join(leaf[0][1] + u16(n) for n, leaf in enumerate(leaves) if n)
        if 6 + len(body) > page_size:
            raise ValueError("B+ tree too large for one index page")
        head = u16(page_size - 6 - len(body)) + u16(count - 1) + u16(0)
        pages.append((head + body).ljust(page_size, b"\0"))
        root, levels = count, 2
    header = u16(0x293B) + u16(flags) + u16(page_size) + structure.ljust(16, b"\0") + \
        u16(0) + u16(max(0, count - 1)) + u16(root) + u16(0xFFFF) + u16(len(pages)) + \
        u16(levels) + u32(len(entries))
    return header + b"".join(pages)


def container(files):
    """The whole help file from {name: data of an internal file}."""
    body, offsets = bytearray(), {}
    for name, data in files.items():
        offsets[name] = 16 + len(body)
        body += internal_file(data)
    names = sorted(offsets, key=lambda n: n.encode("ascii"))
    directory = btree([(n.encode("ascii") + b"\0" + u32(offsets[n]), n.encode("ascii") + b"\0")
                       for n in names], 0x400, 0x0402, b"z4")
    directory_offset = 16 + len(body)
    body += internal_file(directory)
    return u32(0x00035F3F) + u32(directory_offset) + u32(NONE) + u32(16 + len(body)) + bytes(body)


# -- paragraphs ----------------------------------------------------------------------

class ParagraphBuilder:
    """Turns one paragraph into the format and text parts of its record."""

    def __init__(self, style, indent=None):
        self.plain, self.bold, *self.layout = STYLES[style]
        if indent is not None:
            self.layout[2:] = [indent, -indent, (indent,)]
        self.strings = [bytearray()]
        self.commands = bytearray()
        self.characters = 0
        self.font = None

    def command(self, code, argument=b""):
        self.strings.append(bytearray())
        self.commands += bytes([code]) + argument
        if code in (CMD_BREAK, CMD_END_PARAGRAPH, CMD_TAB):
            self.characters += 1

    def text(self, text, bold):
        font = self.bold if bold else self.plain
        if font != self.font:
            self.command(CMD_FONT, u16(font))
            self.font = font
        data = text.encode("cp1252")
        self.strings[-1] += data
        self.characters += len(data)

    def build(self, spans):
        self.text("", False)
        for span in spans:
            if span.kind in ("text", "bold"):
                self.text(span.text, span.kind == "bold")
            elif span.kind == "link":
                self.text("", False)
                self.command(CMD_JUMP, struct.pack("<i", context_hash(span.target)))
                self.text(span.text, False)
                self.command(CMD_END_JUMP)
            elif span.kind == "tab":
                self.command(CMD_TAB)
            elif span.kind == "break":
                self.command(CMD_BREAK)
        self.command(CMD_END_PARAGRAPH)
        self.strings.pop()                  # nothing follows the paragraph end
        text = b"".join(bytes(s) + b"\0" for s in self.strings)
        fmt = comp_long(len(text)) + comp_ushort(self.characters) + b"\x00\x80\x00\x00" + \
            self.paragraph_format() + bytes(self.commands) + bytes([CMD_END])
        return fmt, text, self.characters

    def paragraph_format(self):
        above, below, left, first, tabs = self.layout
        bits, fields = 0, b""
        for bit, value in ((0x0002, above), (0x0004, below), (0x0010, left), (0x0040, first)):
            if value:
                bits |= bit
                fields += comp_short(value)
        if tabs:
            bits |= 0x0200
            fields += comp_short(len(tabs)) + b"".join(comp_ushort(t) for t in tabs)
        return u16(bits) + fields


def paragraph_record(paragraph):
    spans = paragraph.spans
    if paragraph.style == "item":
        spans = [Span("text", "-"), Span("tab")] + spans
    fmt, text, characters = ParagraphBuilder(paragraph.style, paragraph.indent).build(spans)
    return Record(PARAGRAPH, fmt, text, paragraph, characters)


class Record:
    """One record of |TOPIC; `characters` counts what the viewer shows of it."""

    def __init__(self, kind, fmt, text, paragraph=None, characters=0):
        self.kind, self.fmt, self.text = kind, fmt, text
        self.paragraph, self.characters = paragraph, characters
        self.pos = self.block = self.topic_offset = 0

    @property
    def size(self):
        return RECORD_HEADER + len(self.fmt) + len(self.text)

    def encode(self, prev_pos, next_pos):
        return u32(self.size) + u32(len(self.text)) + u32(prev_pos) + u32(next_pos) + \
            u32(RECORD_HEADER + len(self.fmt)) + bytes([self.kind]) + self.fmt + self.text


# -- |TOPIC ------------------------------------------------------------------------------

class TopicFile:
    """Lays out every topic's records in blocks and links them."""

    def __init__(self, doc):
        self.doc = doc
        self.topics = []          # (topic, header record, paragraph records)
        for topic in doc.topics:
            header = Record(TOPIC_HEADER, b"\0" * 28, topic.title.encode("cp1252") + b"\0",
                            topic.paragraphs[0])
            self.topics.append((topic, header, [paragraph_record(p) for p in topic.paragraphs]))
        self.records = [r for _, header, paragraphs in self.topics for r in [header] + paragraphs]
        self.offsets = {}         # topic id -> TOPICOFFSET
        self.place()
        self.fill_headers()

    def place(self):
        block, used, characters = 0, 0, 0
        for record in self.records:
            if record.size > BLOCK_CAPACITY:
                p = record.paragraph
                raise SourceError(self.doc.path, p.line,
                                  f"paragraph too long: its record takes {record.size} bytes, "
                                  f"at most {BLOCK_CAPACITY} fit in one block; split it")
            if used + record.size > BLOCK_CAPACITY:
                block, used, characters = block + 1, 0, 0
            record.block, record.pos = block, BLOCK_HEADER + block * 0x4000 + used
            record.topic_offset = block * 0x8000 + characters
            used += record.size
            characters += record.characters

    def fill_headers(self):
        count = len(self.topics)
        for n, (topic, header, paragraphs) in enumerate(self.topics):
            self.offsets[topic.id] = header.topic_offset
        for n, (topic, header, paragraphs) in enumerate(self.topics):
            back = self.topics[n - 1][1].topic_offset if n else NONE
            forward = self.topics[n + 1][1].topic_offset if n + 1 < count else NONE
            next_header = self.topics[n + 1][1].pos if n + 1 < count else NONE
            size = header.size + sum(p.size for p in paragraphs)
            header.fmt = u32(size) + u32(back) + u32(forward) + u32(n) + u32(NONE) + \
                u32(paragraphs[0].pos) + u32(next_header)

    def data(self):
        blocks = {}
        last_header = NONE
        for i, record in enumerate(self.records):
            prev_pos = self.records[i - 1].pos if i else NONE
            next_pos = self.records[i + 1].pos if i + 1 < len(self.records) else NONE
            if record.block not in blocks:
                blocks[record.block] = [prev_pos, record.pos, last_header, bytearray()]
            blocks[record.block][3] += record.encode(prev_pos, next_pos)
            if record.kind == TOPIC_HEADER:
                last_header = record.pos
        out = bytearray()
        for n in range(len(blocks)):
            last_link, first_link, header_pos, data = blocks[n]
            block = u32(last_link) + u32(first_link) + u32(header_pos) + lz77_literals(bytes(data))
            out += block.ljust(BLOCK_SIZE, b"\0")
        return bytes(out)


# -- the other internal files --------------------------------------------------------------------

def system_file(doc, contents_offset, date):
    def record(kind, data):
        return u16(kind) + u16(len(data)) + data

    def text(s, size=None):
        data = s.encode("cp1252") + b"\0"
        return data if size is None else data[:size - 1].ljust(size, b"\0")

    # The main window: type, name and caption given, so the viewer's caption
    # is the help title; position, size and colours are the viewer's own.
    window = u16(0x0007) + text("primary", 10) + text("main", 9) + text(doc.title, 51) + \
        u16(0) * 5 + u32(0xFFFFFF) + u32(0xFFFFFF)
    data = u16(0x036C) + u16(21) + u16(1) + u32(date) + u16(4)
    data += record(1, text(doc.title))
    if doc.copyright:
        data += record(2, text(doc.copyright))
    data += record(3, u32(contents_offset))
    data += record(6, window)
    return data


def font_file():
    faces = b"".join(f.encode("ascii").ljust(20, b"\0") for f in FACES)
    descriptors = b"".join(bytes([1 if bold else 0, size, family]) + u16(face) + bytes(colour) + b"\xff\xff\xff"
                           for face, size, bold, family, colour in FONTS)
    return u16(len(FACES)) + u16(len(FONTS)) + u16(8) + u16(8 + len(faces)) + faces + descriptors


def context_file(doc, offsets):
    seen = {}
    for topic in doc.topics:
        h = context_hash(topic.id)
        if h in seen:
            raise SourceError(doc.path, topic.line, f"topic id {topic.id!r} has the same hash as "
                                                    f"{seen[h].id!r}; rename one of them")
        seen[h] = topic
    entries = [(struct.pack("<i", h) + u32(offsets[t.id]), struct.pack("<i", h)) for h, t in sorted(seen.items())]
    return btree(entries, 0x800, 0x0002, b"L4")


def context_map_file(doc, offsets):
    numbered = {}
    for topic in doc.topics:
        if topic.map_number is None:
            continue
        if topic.map_number in numbered:
            raise SourceError(doc.path, topic.line, f"map number {topic.map_number} is also given to "
                                                    f"topic {numbered[topic.map_number].id!r}")
        numbered[topic.map_number] = topic
    data = u16(len(numbered))
    for number, topic in sorted(numbered.items()):
        data += u32(number) + u32(offsets[topic.id])
    return data


def keyword_files(doc, offsets):
    """|KWBTREE and |KWDATA: each keyword leads to exactly one topic."""
    owners = {}
    for topic in doc.topics:
        for word, line in topic.keywords:
            first = owners.get(word.lower())
            if first:
                raise SourceError(doc.path, line, f"keyword {word!r} is also given to topic {first[1].id!r} "
                                                  f"(line {first[2]}); a keyword leads to one topic")
            owners[word.lower()] = (word, topic, line)
    words = sorted(owners.values(), key=lambda o: (o[0].lower(), o[0]))
    entries, data = [], b""
    for word, topic, _ in words:
        key = word.encode("cp1252") + b"\0"
        entries.append((key + u16(1) + u32(len(data)), key))
        data += u32(offsets[topic.id])
    return btree(entries, 0x800, 0x0002, b"z24"), data


def build(doc, date):
    """The bytes of the help file for a parsed document."""
    topics = TopicFile(doc)
    offsets = topics.offsets
    files = {
        "|SYSTEM": system_file(doc, offsets[doc.topics[0].id], date),
        "|FONT": font_file(),
        "|TOPIC": topics.data(),
        "|CONTEXT": context_file(doc, offsets),
        "|CTXOMAP": context_map_file(doc, offsets),
    }
    if any(t.keywords for t in doc.topics):
        files["|KWBTREE"], files["|KWDATA"] = keyword_files(doc, offsets)
    return container(files)
