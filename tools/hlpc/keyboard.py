"""The help's view of the keyboard map: key references and the key table.

Every key and button label the help shows comes from the resource script,
and the key table must cover every command that a key or a button gives, so
the help cannot drift from the program.
"""

from .errors import SourceError
from .source import Paragraph, Span


class Keyboard:
    def __init__(self, script):
        self.script = script            # resources.ResourceScript
        self.ids = script.ids
        self.names = {}                 # value -> symbol, for messages
        for symbol, value in sorted(self.ids.items()):
            if symbol.startswith("CMD_"):
                self.names.setdefault(value, symbol)
        self.documented = set()
        self.has_table = False

    def key_names(self):
        return self.script.key_names()

    def symbol_value(self, symbol, path, line):
        if symbol not in self.ids:
            raise SourceError(path, line, f"unknown command symbol {symbol!r}")
        return self.ids[symbol]

    def name_of(self, command):
        return self.names.get(command, str(command))

    # -- inline references ---------------------------------------------------------

    def reference(self, kind, symbol, path, line):
        """Spans naming the keys ("Alt+D or Insert") or the button of a command."""
        command = self.symbol_value(symbol, path, line)
        if kind == "keys":
            keys = self.script.keys_for(command)
            if not keys:
                raise SourceError(path, line, f"no key of the keyboard map gives {symbol}")
            spans = []
            for n, key in enumerate(keys):
                if n:
                    spans.append(Span("text", " or " if n == len(keys) - 1 else ", "))
                spans.append(Span("bold", key))
            return spans
        button = self.script.buttons.get(command)
        if not button:
            raise SourceError(path, line, f"the main panel has no button for {symbol}")
        return [Span("bold", button.label)]

    # -- the key table ---------------------------------------------------------------

    def commands_of(self, text, path, line):
        """'A', 'A, B' or 'A..B' (every value from A to B) -> command values."""
        commands = []
        if ".." in text and "," in text:
            raise SourceError(path, line, "a row has either a range A..B or a list A, B")
        for part in text.split(","):
            first, dots, last = part.strip().partition("..")
            low = self.symbol_value(first.strip(), path, line)
            high = self.symbol_value(last.strip(), path, line) if dots else low
            if high < low:
                raise SourceError(path, line, f"empty range {part.strip()}")
            commands.extend(range(low, high + 1))
        return commands

    def table(self, rows, path):
        """Paragraphs of the key table for rows (symbols, description spans, line)."""
        self.has_table = True
        paragraphs = [Paragraph("keyhead", [Span("bold", "Keys"), Span("tab"), Span("bold", "Button"),
                                            Span("tab"), Span("bold", "Action")], rows[0][2] if rows else 0)]
        for symbols, description, line in rows:
            commands = self.commands_of(symbols, path, line)
            for command in commands:
                if command in self.documented:
                    raise SourceError(path, line, f"{self.name_of(command)} has a row already")
                if not self.script.keys_for(command) and command not in self.script.buttons:
                    raise SourceError(path, line, f"{self.name_of(command)} has neither a key nor a button "
                                                  "in the program")
                self.documented.add(command)
            is_range = ".." in symbols
            keys = self.joined([self.script.keys_for(c) for c in commands], is_range)
            labels = self.joined([[self.script.buttons[c].label] if c in self.script.buttons else []
                                  for c in commands], is_range)
            spans = [Span("bold", keys or "none"), Span("tab"), Span("text", labels or "none"),
                     Span("tab")] + description
            paragraphs.append(Paragraph("keyrow", spans, line))
        return paragraphs

    @staticmethod
    def joined(per_command, is_range):
        """'0 to 9' for a range of commands with one name each, else a list."""
        if is_range and len(per_command) > 1 and all(len(names) == 1 for names in per_command):
            return f"{per_command[0][0]} to {per_command[-1][0]}"
        return ", ".join(name for names in per_command for name in names)

    def check_complete(self):
        """Every key that acts and every button must have a row."""
        path = self.script.path
        if not self.has_table:
            raise SourceError(path, 0, "the help source has no .keytable for this keyboard map")
        for accel in self.script.accelerators:
            if accel.acts and accel.command not in self.documented:
                raise SourceError(path, accel.line, f"the key table has no row for {self.name_of(accel.command)} "
                                                    f"({accel.key_name})")
        for command, button in self.script.buttons.items():
            if command not in self.documented:
                raise SourceError(path, button.line, f"the key table has no row for {self.name_of(command)} "
                                                     f"(button {button.label!r})")
