"""Reads the program's keyboard map and button labels from its resource script.

Only what the help needs is understood: the #define lines of the shared ids
header, the ACCELERATORS table named ACCELS and the push buttons of the
dialog DIAL_MAIN. Everything else in the script is skipped.
"""

import re
from dataclasses import dataclass

from .errors import SourceError

# Virtual keys the help can name, by their resource-script symbol.
VIRTUAL_KEYS = {
    "VK_BACK": (8, "Backspace"), "VK_TAB": (9, "Tab"), "VK_RETURN": (13, "Enter"),
    "VK_ESCAPE": (27, "Esc"), "VK_SPACE": (32, "Spacebar"),
    "VK_PRIOR": (33, "Page Up"), "VK_NEXT": (34, "Page Down"),
    "VK_END": (35, "End"), "VK_HOME": (36, "Home"),
    "VK_LEFT": (37, "Left"), "VK_UP": (38, "Up"), "VK_RIGHT": (39, "Right"),
    "VK_DOWN": (40, "Down"), "VK_INSERT": (45, "Insert"), "VK_DELETE": (46, "Delete"),
    "VK_MULTIPLY": (106, "Num *"), "VK_ADD": (107, "Num +"),
    "VK_SUBTRACT": (109, "Num -"), "VK_DECIMAL": (110, "Num ."),
    "VK_DIVIDE": (111, "Num /"),
}
VIRTUAL_KEYS.update({f"VK_F{n}": (111 + n, f"F{n}") for n in range(1, 25)})
VIRTUAL_KEYS.update({f"VK_NUMPAD{n}": (96 + n, f"Num {n}") for n in range(10)})

MODIFIER_NAMES = (("CONTROL", "Ctrl"), ("SHIFT", "Shift"), ("ALT", "Alt"))
ACCEL_OPTIONS = {"VIRTKEY", "ASCII", "NOINVERT", "ALT", "SHIFT", "CONTROL"}

# Statements that open a control inside a DIALOG or DIALOGEX block.
CONTROL_KEYWORDS = {
    "CONTROL", "PUSHBUTTON", "DEFPUSHBUTTON", "PUSHBOX", "LTEXT", "RTEXT", "CTEXT",
    "GROUPBOX", "CHECKBOX", "AUTOCHECKBOX", "RADIOBUTTON", "AUTORADIOBUTTON",
    "STATE3", "AUTO3STATE", "EDITTEXT", "LISTBOX", "COMBOBOX", "ICON",
    "SCROLLBAR",
}
# Button styles that make a CONTROL of class BUTTON something else than a
# push button.
NON_PUSH_STYLES = {
    "BS_GROUPBOX", "BS_CHECKBOX", "BS_AUTOCHECKBOX", "BS_RADIOBUTTON",
    "BS_AUTORADIOBUTTON", "BS_3STATE", "BS_AUTO3STATE", "BS_OWNERDRAW",
    "BS_USERBUTTON",
}


@dataclass
class Token:
    kind: str      # "str", "num", "name" or "punct"
    value: object
    line: int


@dataclass
class Accelerator:
    """One entry of the keyboard map."""
    line: int
    index: int          # 1-based position in the table
    key_name: str       # e.g. "Alt+D", "Ctrl+Insert", "+"
    identity: tuple     # what the system matches on; equal identities collide
    command: int
    shadowed_by: int = 0  # index of an earlier entry with the same keystroke

    @property
    def acts(self):
        return self.shadowed_by == 0


@dataclass
class Button:
    line: int
    command: int
    label: str          # as shown, without the mnemonic marker


def read_ids(path):
    """Returns {symbol: value} of the plain numeric #defines in a header."""
    ids = {}
    define = re.compile(r"^\s*#\s*define\s+([A-Za-z_]\w*)\s+(0[xX][0-9a-fA-F]+|\d+)\b")
    with open(path, encoding="ascii", errors="replace") as f:
        for line in f:
            m = define.match(line)
            if m:
                ids[m.group(1)] = int(m.group(2), 0)
    return ids


def tokenize(path, text):
    """Splits a resource script into tokens, without comments and # lines."""
    tokens = []
    pattern = re.compile(r"""
        (?P<ws>[ \t\r\f\v]+) | (?P<nl>\n) | (?P<block>/\*.*?\*/) | (?P<line>//[^\n]*)
      | (?P<pre>^[ \t]*\#[^\n]*)
      | (?P<str>L?"(?:[^"\\\n]|\\.|"")*")
      | (?P<num>0[xX][0-9a-fA-F]+L?|\d+L?)
      | (?P<name>[A-Za-z_][\w.]*)
      | (?P<punct>[,|+\-()~{}])
    """, re.S | re.X | re.M)
    pos, line = 0, 1
    while pos < len(text):
        m = pattern.match(text, pos)
        if not m:
            raise SourceError(path, line, f"cannot read {text[pos:pos + 20]!r}")
        kind = m.lastgroup
        chunk = m.group(kind)
        if kind == "str":
            tokens.append(Token("str", unquote(chunk), line))
        elif kind == "num":
            tokens.append(Token("num", int(chunk.rstrip("L"), 0), line))
        elif kind in ("name", "punct"):
            tokens.append(Token(kind, chunk, line))
        line += chunk.count("\n")
        pos = m.end()
    return tokens


def unquote(chunk):
    body = chunk[chunk.index('"') + 1:-1].replace('""', '"')
    escapes = {"n": "\n", "t": "\t", "\\": "\\", '"': '"', "a": "\a", "r": "\r"}
    return re.sub(r"\\(.)", lambda m: escapes.get(m.group(1), m.group(1)), body)


def find_block(path, tokens, name, kinds):
    """Index just after BEGIN of the resource `name` of one of `kinds`."""
    for i in range(len(tokens) - 1):
        if (tokens[i].kind == "name" and tokens[i].value == name
                and tokens[i + 1].kind == "name" and tokens[i + 1].value in kinds):
            for j in range(i + 2, len(tokens)):
                if tokens[j].value in ("BEGIN", "{"):
                    return j + 1
            raise SourceError(path, tokens[i].line, f"{name} has no BEGIN")
    raise SourceError(path, 0, f"no {'/'.join(sorted(kinds))} resource named {name}")


def is_end(token):
    return (token.kind == "name" and token.value == "END") or \
           (token.kind == "punct" and token.value == "}")


OPERATORS = {"|", "+", "-", "~", "(", ")", "NOT"}


def is_operator(tok):
    return tok.kind in ("punct", "name") and tok.value in OPERATORS


def split_items(tokens, start):
    """One statement's comma-separated items from start; each item is a list
    of tokens joined by operators. The statement ends where two operands meet
    without a comma between them (the next statement, or END). Returns
    (items, index of the next statement)."""
    items, current, i = [], [], start
    while i < len(tokens):
        tok = tokens[i]
        if tok.kind == "punct" and tok.value == ",":
            items.append(current)
            current = []
        elif current and not is_operator(current[-1]) and not is_operator(tok):
            break
        elif not current and is_end(tok):
            break
        else:
            current.append(tok)
        i += 1
    items.append(current)
    return items, i


class ResourceScript:
    """The keyboard map and the main panel's buttons of one resource script."""

    def __init__(self, rc_path, ids):
        self.path = rc_path
        self.ids = ids
        with open(rc_path, encoding="latin-1") as f:
            tokens = tokenize(rc_path, f.read())
        self.accelerators = self._read_accelerators(tokens)
        self.buttons = self._read_buttons(tokens)

    # -- values ------------------------------------------------------------

    def value(self, item, what):
        """Evaluates an item of the form NUMBER, SYMBOL or A | B | ..."""
        if not item:
            raise SourceError(self.path, 0, f"missing {what}")
        total = 0
        for tok in item:
            if tok.kind == "punct" and tok.value == "|":
                continue
            if tok.kind == "num":
                total |= tok.value
            elif tok.kind == "name" and tok.value in self.ids:
                total |= self.ids[tok.value]
            else:
                raise SourceError(self.path, tok.line, f"unknown {what} {tok.value!r}")
        return total

    # -- keyboard map ------------------------------------------------------

    def _read_accelerators(self, tokens):
        i = find_block(self.path, tokens, "ACCELS", {"ACCELERATORS"})
        entries = []
        while i < len(tokens) and not is_end(tokens[i]):
            items, i = split_items(tokens, i)
            entries.append(self._accelerator(items, len(entries) + 1))
        seen = {}
        for entry in entries:
            first = seen.setdefault(entry.identity, entry.index)
            if first != entry.index:
                entry.shadowed_by = first
        return entries

    def _accelerator(self, items, index):
        if len(items) < 2 or len(items[0]) != 1:
            line = items[0][0].line if items and items[0] else 0
            raise SourceError(self.path, line, "accelerator entry is not KEY, ID[, OPTIONS]")
        key, line = items[0][0], items[0][0].line
        command = self.value(items[1], "accelerator command")
        options = set()
        for item in items[2:]:
            if len(item) != 1 or item[0].value not in ACCEL_OPTIONS:
                raise SourceError(self.path, line, f"unknown accelerator option in entry {index}")
            options.add(item[0].value)
        name, identity = self._key_name(key, options, line)
        return Accelerator(line, index, name, identity, command)

    def _key_name(self, key, options, line):
        mods = [label for option, label in MODIFIER_NAMES if option in options]
        if "VIRTKEY" in options:
            if key.kind == "name" and key.value in VIRTUAL_KEYS:
                code, base = VIRTUAL_KEYS[key.value]
            elif key.kind == "str" and len(key.value) == 1 and key.value.isalnum():
                code, base = ord(key.value.upper()), key.value.upper()
            else:
                raise SourceError(self.path, line, f"unknown virtual key {key.value!r}")
            return "+".join(mods + [base]), ("virtkey", code, frozenset(options - {"VIRTKEY", "NOINVERT"}))
        code = self._character_code(key, line)
        alt = "ALT" in options
        if code < 32 and not alt:
            base = "Ctrl+" + chr(code + 64)
        elif 32 < code < 127:
            base = chr(code).upper() if chr(code).isalpha() else chr(code)
            base = "+".join((["Alt"] if alt else []) + [base])
        else:
            raise SourceError(self.path, line, f"character {code} has no printable name")
        # A character entry matches the typed character; only Alt matters.
        return base, ("char", code, alt)

    def _character_code(self, key, line):
        if key.kind == "num":
            return key.value
        if key.kind == "str" and len(key.value) == 1:
            return ord(key.value)
        if key.kind == "str" and len(key.value) == 2 and key.value[0] == "^":
            return ord(key.value[1].upper()) - 64
        raise SourceError(self.path, line, f"unknown accelerator key {key.value!r}")

    # -- main panel --------------------------------------------------------

    def _read_buttons(self, tokens):
        i = find_block(self.path, tokens, "DIAL_MAIN", {"DIALOG", "DIALOGEX"})
        buttons = {}
        while i < len(tokens) and not is_end(tokens[i]):
            keyword = tokens[i]
            if keyword.kind != "name" or keyword.value not in CONTROL_KEYWORDS:
                raise SourceError(self.path, keyword.line, f"unexpected {keyword.value!r} in DIAL_MAIN")
            items, i = split_items(tokens, i + 1)
            button = self._button(keyword, items)
            if button:
                buttons.setdefault(button.command, button)
        return buttons

    def _button(self, keyword, items):
        kind = keyword.value
        if kind in ("PUSHBUTTON", "DEFPUSHBUTTON"):
            text_item, id_item = items[0], items[1]
        elif kind == "CONTROL" and len(items) >= 4:
            text_item, id_item = items[0], items[1]
            cls = items[2][0].value if items[2] else ""
            styles = {t.value for t in items[3] if t.kind == "name"}
            if str(cls).upper() != "BUTTON" or styles & NON_PUSH_STYLES:
                return None
        else:
            return None
        if len(text_item) != 1 or text_item[0].kind != "str":
            raise SourceError(self.path, keyword.line, "button without a quoted label")
        label = re.sub(r"&(.)", r"\1", text_item[0].value)
        return Button(keyword.line, self.value(id_item, "control id"), label)

    # -- queries -------------------------------------------------------------

    def keys_for(self, command):
        """Names of the keys that give a command, in table order."""
        return [a.key_name for a in self.accelerators if a.acts and a.command == command]

    def acting_commands(self):
        return {a.command for a in self.accelerators if a.acts}

    def key_names(self):
        return {a.key_name for a in self.accelerators if a.acts}
