"""A reader of WinHelp 3.1 files and of the HTML help page, kept apart from
the compiler on purpose.

It decodes a file the way a help viewer has to (directory, |SYSTEM, |FONT,
the |TOPIC record chain through LZ77 blocks, |CONTEXT, |CTXOMAP, the keyword
index) and raises FormatError on any inconsistency it can see, so that the
tests check the compiler's output against an independent reading of the
format rather than against the compiler's own code. The HTML page is read
with the standard library's HTML parser (read_html).
"""

import struct
from dataclasses import dataclass, field
from html.parser import HTMLParser


class FormatError(Exception):
    pass


def need(condition, message):
    if not condition:
        raise FormatError(message)


def le16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def le32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def signed32(b, at):
    return struct.unpack_from("<i", b, at)[0]


def cstring(b, at):
    end = b.index(b"\0", at)
    return b[at:end].decode("cp1252"), end + 1


def hash_name(name):
    """Context hash: upper-cased name, h*43 + value of each character."""
    values = {c: i + 17 for i, c in enumerate("ABCDEFGHIJKLMNOPQRSTUVWXYZ")}
    values.update({str(d): d for d in range(1, 10)})
    values.update({"0": 10, ".": 12, "_": 13})
    h = 0
    for c in name.upper():
        h = (h * 43 + values.get(c, 0)) % 2 ** 32 if c in values else h
    return h - 2 ** 32 if h >= 2 ** 31 else h


def lz77_decode(data):
    """Full LZ77 as the viewer does it: flag byte, then 8 items; a set bit is
    a 2-byte back reference (12-bit distance - 1, 4-bit length - 3)."""
    out = bytearray()
    i = 0
    while i < len(data):
        flags = data[i]
        i += 1
        for bit in range(8):
            if i >= len(data):
                break
            if flags & (1 << bit):
                code = le16(data, i)
                distance, length = (code & 0xFFF) + 1, (code >> 12) + 3
                need(distance <= len(out), "LZ77 reference before the start of the block")
                for _ in range(length):
                    out.append(out[-distance])
                i += 2
            else:
                out.append(data[i])
                i += 1
    return bytes(out)


class Packed:
    """Reads the variable-length integers of paragraph formats."""

    def __init__(self, data, at):
        self.data, self.at = data, at

    def byte(self):
        self.at += 1
        return self.data[self.at - 1]

    def u16(self):
        self.at += 2
        return le16(self.data, self.at - 2)

    def short(self):            # signed: 1 byte if even, else 2 bytes
        if self.data[self.at] & 1:
            return (self.u16() >> 1) - 0x4000
        return (self.byte() >> 1) - 0x40

    def ushort(self):
        return self.u16() >> 1 if self.data[self.at] & 1 else self.byte() >> 1

    def long(self):
        if self.data[self.at] & 1:
            self.at += 4
            return (le32(self.data, self.at - 4) >> 1) - 0x40000000
        return (self.u16() >> 1) - 0x4000


@dataclass
class Paragraph:
    text: str                     # visible text, tabs as \t, line breaks as \n
    links: list                   # (hash, link text)
    fonts: list                   # font numbers used
    characters: int               # character count stored in the record
    indent: int = 0
    tabs: list = field(default_factory=list)


@dataclass
class Topic:
    title: str
    number: int
    pos: int                      # TOPICPOS of the header record
    offset: int                   # TOPICOFFSET computed from the chain
    browse_back: int
    browse_forward: int
    paragraphs: list = field(default_factory=list)

    @property
    def text(self):
        return "\n".join(p.text for p in self.paragraphs)


@dataclass
class HelpFile:
    files: dict
    system: dict                  # record type -> list of raw record data
    title: str
    compressed: bool
    faces: list
    fonts: list                   # (attributes, half-points, family, face index)
    topics: list
    blocks: int
    context: dict                 # hash -> TOPICOFFSET
    context_map: dict             # number -> TOPICOFFSET
    keywords: dict                # keyword -> [TOPICOFFSET]
    tree_levels: dict             # internal file name -> B+ tree levels

    def topic_at(self, offset):
        for t in self.topics:
            if t.offset == offset:
                return t
        return None

    def topic_titled(self, title):
        return next(t for t in self.topics if t.title == title)

    @property
    def contents(self):
        return self.topic_at(le32(self.system[3][0], 0))


def read_btree(data, entry_size, name):
    """Leaf entries of a B+ tree in order; entry_size(page, at) gives the
    length of the leaf entry at `at`. Returns (entries as bytes, levels)."""
    need(le16(data, 0) == 0x293B, f"{name}: bad B+ tree magic")
    page_size, root, levels = le16(data, 4), le16(data, 26), le16(data, 32)
    total_pages, total = le16(data, 30), le32(data, 34)
    need(len(data) >= 38 + total_pages * page_size, f"{name}: pages beyond the file")

    def page(n):
        need(n < total_pages, f"{name}: page {n} out of range")
        return data[38 + n * page_size:38 + (n + 1) * page_size]

    current = root
    for _ in range(levels - 1):         # down the first child of index pages
        current = le16(page(current), 4)
    entries, previous = [], 0xFFFF
    while current != 0xFFFF:
        p = page(current)
        need(le16(p, 4) == previous, f"{name}: leaf {current} has a wrong previous page")
        at = 8
        for _ in range(le16(p, 2)):
            size = entry_size(p, at)
            entries.append(p[at:at + size])
            at += size
        need(at <= page_size, f"{name}: leaf {current} overflows its page")
        previous, current = current, le16(p, 6)
    need(len(entries) == total, f"{name}: {len(entries)} entries, header says {total}")
    return entries, levels


def string_entry(extra):
    return lambda p, at: p.index(b"\0", at) - at + 1 + extra


def read(data):
    need(len(data) >= 16 and le32(data, 0) == 0x00035F3F, "not a help file")
    need(le32(data, 12) == len(data), "file size in the header differs from the file")

    def internal(offset, name):
        need(offset + 9 <= len(data), f"{name}: beyond the end of the file")
        reserved, used = le32(data, offset), le32(data, offset + 4)
        need(reserved == used + 9, f"{name}: reserved {reserved} is not used {used} + 9")
        need(offset + reserved <= len(data), f"{name}: beyond the end of the file")
        return data[offset + 9:offset + 9 + used]

    directory, dir_levels = read_btree(internal(le32(data, 4), "directory"), string_entry(4), "directory")
    names = [e[:-5].decode("ascii") for e in directory]
    need(names == sorted(names, key=lambda n: n.encode()), "directory is not sorted")
    files = {e[:-5].decode("ascii"): internal(le32(e, len(e) - 4), e[:-5].decode()) for e in directory}
    for required in ("|SYSTEM", "|FONT", "|TOPIC", "|CONTEXT"):
        need(required in files, f"{required} is missing")

    system, compressed = read_system(files["|SYSTEM"])
    faces, fonts = read_fonts(files["|FONT"])
    topics, blocks = read_topics(files["|TOPIC"], compressed, len(fonts))
    levels = {"directory": dir_levels}
    context_entries, levels["|CONTEXT"] = read_btree(files["|CONTEXT"], lambda p, at: 8, "|CONTEXT")
    hashes = [signed32(e, 0) for e in context_entries]
    need(hashes == sorted(hashes) and len(set(hashes)) == len(hashes), "|CONTEXT not sorted by unique hash")
    context = {signed32(e, 0): le32(e, 4) for e in context_entries}
    context_map = {}
    if "|CTXOMAP" in files:
        m = files["|CTXOMAP"]
        for i in range(le16(m, 0)):
            context_map[le32(m, 2 + 8 * i)] = le32(m, 6 + 8 * i)
    keywords = {}
    if "|KWBTREE" in files:
        need("|KWDATA" in files, "|KWBTREE without |KWDATA")
        entries, levels["|KWBTREE"] = read_btree(files["|KWBTREE"], string_entry(6), "|KWBTREE")
        kwdata = files["|KWDATA"]
        for e in entries:
            word, at = cstring(e, 0)
            count, first = le16(e, at), le32(e, at + 2)
            need(first + 4 * count <= len(kwdata), f"keyword {word!r} points beyond |KWDATA")
            keywords[word] = [le32(kwdata, first + 4 * i) for i in range(count)]
    title = system[1][0].rstrip(b"\0").decode("cp1252")
    return HelpFile(files, system, title, compressed, faces, fonts, topics, blocks,
                    context, context_map, keywords, levels)


def read_system(data):
    need(le16(data, 0) == 0x036C and le16(data, 4) == 1, "|SYSTEM: bad magic or major version")
    need(le16(data, 2) > 16, "|SYSTEM: not a 3.1 file")
    flags = le16(data, 10)
    need(flags in (0, 4), f"|SYSTEM: topic flags {flags}")
    records, at = {}, 12
    while at < len(data):
        kind, size = le16(data, at), le16(data, at + 2)
        need(at + 4 + size <= len(data), "|SYSTEM: record beyond the end")
        records.setdefault(kind, []).append(data[at + 4:at + 4 + size])
        at += 4 + size
    need(1 in records and 3 in records, "|SYSTEM: title or contents record missing")
    need(len(records[3][0]) == 4, "|SYSTEM: contents record is not 4 bytes")
    for window in records.get(6, []):
        need(len(window) == 90, "|SYSTEM: window record is not 90 bytes")
    return records, flags == 4


def read_fonts(data):
    faces_n, fonts_n, faces_at, fonts_at = struct.unpack_from("<4H", data, 0)
    width = (fonts_at - faces_at) // faces_n
    faces = [data[faces_at + i * width:faces_at + (i + 1) * width].rstrip(b"\0").decode() for i in range(faces_n)]
    need(fonts_at + 11 * fonts_n <= len(data), "|FONT: descriptors beyond the end")
    fonts = []
    for i in range(fonts_n):
        d = data[fonts_at + 11 * i:fonts_at + 11 * (i + 1)]
        need(le16(d, 3) < faces_n, f"|FONT: descriptor {i} names face {le16(d, 3)}")
        fonts.append((d[0], d[1], d[2], le16(d, 3)))
    return faces, fonts


def read_topics(data, compressed, font_count):
    need(compressed, "only LZ77 topic blocks are read here")
    need(len(data) % 4096 == 0, "|TOPIC is not a whole number of 4096-byte blocks")
    blocks = [data[i:i + 4096] for i in range(0, len(data), 4096)]
    decoded = [lz77_decode(b[12:]) for b in blocks]
    need(all(len(d) <= 0x4000 for d in decoded), "a block decodes to more than 16 KB")

    topics, pos, previous, last_in_block = [], le32(blocks[0], 4), 0xFFFFFFFF, {}
    characters = {}                      # block -> characters of paragraphs so far
    seen_blocks = []
    need(le32(blocks[0], 0) == 0xFFFFFFFF, "first block claims a previous record")
    while pos != 0xFFFFFFFF:
        block, offset = (pos - 12) >> 14, (pos - 12) & 0x3FFF
        need(block < len(blocks), f"record {pos:#x} in a block that does not exist")
        if block not in seen_blocks:
            need(le32(blocks[block], 4) == pos, f"block {block}: first record is not {pos:#x}")
            need(le32(blocks[block], 0) == previous, f"block {block}: last record of the previous block")
            seen_blocks.append(block)
        rec = decoded[block]
        need(offset + 21 <= len(rec), f"record {pos:#x} header beyond its block")
        size, text_size, prev_pos, next_pos, head_size = struct.unpack_from("<5I", rec, offset)
        kind = rec[offset + 20]
        need(offset + size <= len(rec), f"record {pos:#x} crosses the end of its block")
        need(size == head_size + text_size, f"record {pos:#x}: sizes do not add up")
        need(prev_pos == previous, f"record {pos:#x}: previous is {prev_pos:#x}, not {previous:#x}")
        fmt = rec[offset + 21:offset + head_size]
        text = rec[offset + head_size:offset + size]
        if kind == 0x02:
            need(len(fmt) == 28, f"topic header {pos:#x}: format is {len(fmt)} bytes")
            f = struct.unpack("<7I", fmt)
            title = text.split(b"\0")[0].decode("cp1252")
            topic_offset = block * 0x8000 + characters.get(block, 0)
            need(f[5] == next_pos, f"topic {title!r}: first paragraph is not the next record")
            if topics:
                need(topics[-1].next_header == pos, f"topic {title!r}: previous topic does not point here")
            t = Topic(title, f[3], pos, topic_offset, f[1], f[2])
            t.next_header = f[6]
            topics.append(t)
        elif kind == 0x20:
            need(topics, "paragraph before the first topic")
            paragraph = read_paragraph(fmt, text, font_count, pos)
            characters[block] = characters.get(block, 0) + paragraph.characters
            topics[-1].paragraphs.append(paragraph)
        else:
            raise FormatError(f"record {pos:#x}: unknown type {kind:#x}")
        previous, pos = pos, next_pos
    need(topics and topics[-1].next_header == 0xFFFFFFFF, "last topic points to another")
    need(len(seen_blocks) == len(blocks), "a block holds no record of the chain")
    numbers = [t.number for t in topics]
    need(numbers == list(range(len(topics))), "topic numbers are not 0, 1, 2, ...")
    return topics, len(blocks)


def read_paragraph(fmt, text, font_count, pos):
    p = Packed(fmt, 0)
    text_size = p.long()
    characters = p.ushort()
    need(text_size == len(text), f"paragraph {pos:#x}: text size {text_size}, not {len(text)}")
    p.at += 4
    bits = p.u16()
    indent, tabs = 0, []
    for bit in (0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040):
        if bits & bit:
            value = p.long() if bit == 0x0001 else p.short()
            if bit == 0x0010:
                indent = value
    need(not bits & 0x0100, f"paragraph {pos:#x}: borders are not expected")
    if bits & 0x0200:
        for _ in range(p.short()):
            tab = p.ushort()
            tabs.append(tab & 0x3FFF)
            if tab & 0x4000:
                p.ushort()
    strings = text.split(b"\0")
    need(strings[-1] == b"", f"paragraph {pos:#x}: text does not end with a NUL")
    strings = strings[:-1]
    out, links, fonts, counted, s = [], [], [], 0, 0
    while True:
        if s < len(strings):
            out.append(strings[s].decode("cp1252"))
            counted += len(strings[s])
            s += 1
        need(p.at < len(fmt), f"paragraph {pos:#x}: commands end without 0xFF")
        code = p.byte()
        if code == 0xFF:
            break
        if code == 0x80:
            font = p.u16()
            need(font < font_count, f"paragraph {pos:#x}: font {font} does not exist")
            fonts.append(font)
        elif code in (0x81, 0x82, 0x83):
            out.append({0x81: "\n", 0x82: "", 0x83: "\t"}[code])
            counted += 1
        elif code in (0xE2, 0xE3):
            link_hash = struct.unpack_from("<i", fmt, p.at)[0]
            p.at += 4
            need(s < len(strings), f"paragraph {pos:#x}: jump without text")
            links.append((link_hash, strings[s].decode("cp1252")))
        elif code == 0x89:
            pass
        else:
            raise FormatError(f"paragraph {pos:#x}: unexpected command {code:#x}")
    need(p.at == len(fmt), f"paragraph {pos:#x}: bytes after 0xFF")
    need(s == len(strings), f"paragraph {pos:#x}: {len(strings) - s} strings without a command")
    need(counted == characters, f"paragraph {pos:#x}: {characters} characters stored, {counted} shown")
    return Paragraph("".join(out), links, fonts, characters, indent, tabs)


# -- the HTML page ---------------------------------------------------------------------
#
# Read with the standard library's HTML parser, not the compiler's code, and
# more strictly than a browser would: the page closes every element it opens,
# so a stray or missing end tag is a fault rather than something to repair.

VOID_ELEMENTS = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "wbr"}
INLINE_ELEMENTS = {"a", "b", "strong", "em", "i", "code", "kbd", "span"}


@dataclass
class Section:
    id: str
    heading: str = ""
    words: list = field(default_factory=list)      # visible words, without navigation
    links: list = field(default_factory=list)      # (href, text), without navigation
    nav_links: list = field(default_factory=list)  # (href, text) of its navigation


@dataclass
class Page:
    lang: str = ""
    title: str = ""
    charset: str = ""
    security_policy: str = ""
    sections: list = field(default_factory=list)
    ids: list = field(default_factory=list)        # every id attribute, in order
    tables: list = field(default_factory=list)     # tables as rows of (cell tag, scope, text)
    outside: list = field(default_factory=list)    # what the page would load or run
    examples: list = field(default_factory=list)   # texts of <pre>, line breaks as \n
    tags: dict = field(default_factory=dict)       # tag -> how many elements
    footer: str = ""

    def section(self, section_id):
        return next((s for s in self.sections if s.id == section_id), None)

    def links(self):
        return [(s, href, text) for s in self.sections for href, text in s.links + s.nav_links]


class PageReader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.page = Page()
        self.open = []              # (tag, attributes) of the elements open now
        self.texts = {}             # depth of each open element -> pieces of its text

    def inside(self, tag):
        return any(t == tag for t, _ in self.open)

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.page.tags[tag] = self.page.tags.get(tag, 0) + 1
        if "id" in a:
            self.page.ids.append(a["id"])
        for name, value in attrs:
            if name in ("src", "srcset", "data", "action", "background") or name.startswith("on") or \
                    (name == "href" and not (value or "").startswith("#")):
                self.page.outside.append(f"<{tag} {name}={value!r}>")
        if tag in ("script", "iframe", "object", "embed", "base") or (tag == "link" and a.get("rel")):
            self.page.outside.append(f"<{tag}>")
        if tag == "html":
            self.page.lang = a.get("lang", "")
        elif tag == "meta" and "charset" in a:
            self.page.charset = a["charset"]
        elif tag == "meta" and (a.get("http-equiv") or "").lower() == "content-security-policy":
            self.page.security_policy = a.get("content", "")
        elif tag == "section":
            self.page.sections.append(Section(a.get("id", "")))
        elif tag == "table":
            self.page.tables.append([])
        elif tag == "tr":
            self.page.tables[-1].append([])
        if tag == "br":
            self.add("\n")
        elif tag not in INLINE_ELEMENTS:
            self.add(" ")
        if tag not in VOID_ELEMENTS:
            self.open.append((tag, a))
            self.texts[len(self.open)] = []

    def handle_startendtag(self, tag, attrs):
        raise FormatError(f"<{tag}/>: the page is HTML, not XML")

    def handle_endtag(self, tag):
        need(self.open and self.open[-1][0] == tag,
             f"</{tag}> closes <{self.open[-1][0] if self.open else 'nothing'}>")
        text = "".join(self.texts.pop(len(self.open)))
        _, a = self.open.pop()
        section = self.page.sections[-1] if self.inside("section") else None
        if tag == "title":
            self.page.title = text
        elif tag in ("h1", "h2") and section and not section.heading:
            section.heading = " ".join(text.split())
        elif tag in ("th", "td"):
            self.page.tables[-1][-1].append((tag, a.get("scope", ""), " ".join(text.split())))
        elif tag == "footer":
            self.page.footer = " ".join(text.split())
        elif tag == "pre":
            self.page.examples.append(text)
        elif tag == "a" and section:
            links = section.nav_links if self.inside("nav") else section.links
            links.append((a.get("href", ""), " ".join(text.split())))
        if tag not in INLINE_ELEMENTS:
            self.add(" ")

    def handle_data(self, data):
        self.add(data)

    def add(self, text):
        for pieces in self.texts.values():
            pieces.append(text)
        if self.inside("section") and not self.inside("nav") and not self.inside("style"):
            self.page.sections[-1].words.append(text)


def read_html(data):
    """The page from its bytes; raises FormatError where it is malformed."""
    reader = PageReader()
    reader.feed(data.decode("ascii"))
    reader.close()
    need(not reader.open, f"<{reader.open[-1][0] if reader.open else ''}> is never closed")
    for section in reader.page.sections:
        section.words = "".join(section.words).split()
    ids = reader.page.ids
    need(len(ids) == len(set(ids)), "an id is given twice")
    return reader.page
