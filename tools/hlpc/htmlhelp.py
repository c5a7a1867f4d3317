"""Writes a help document as one HTML page, for systems without a WinHelp viewer.

Every topic becomes a section of the one page, its id the topic's id, so a
link between topics is a link to an anchor. One self-contained file rather
than a page per topic: it lies beside TORVA.EXE as a single file that cannot
be separated from its style sheet or lose a topic, it opens from disk in any
browser without a server, the browser's Find searches the whole help at
once, and it prints as one document. The help is small enough (a few dozen
kilobytes) to load at once.

The page holds no script and loads nothing: its Content-Security-Policy
allows only the style sheet inside it, so a browser refuses, and reports,
anything else that ever finds its way in.
"""

from html import escape
from itertools import groupby

SECURITY_POLICY = "default-src 'none'; style-src 'unsafe-inline'"

STYLE = """\
body { font-family: "Segoe UI", Tahoma, Arial, sans-serif; line-height: 1.5; color: #1b1b1b;
       background: #fff; max-width: 48em; margin: 0 auto; padding: 1em 1.5em 4em; }
h1, h2, h3 { color: #000080; line-height: 1.25; }
h1 { font-size: 1.9em; margin-top: .4em; }
h2 { font-size: 1.45em; }
h3 { font-size: 1.15em; margin: 1.6em 0 .4em; }
section + section { border-top: 1px solid #c8c8d8; margin-top: 2.5em; }
section:target > h2 { background: #fff4c4; }
a { color: #0645ad; }
a:visited { color: #5a3696; }
ul { padding-left: 1.5em; }
li { margin: .2em 0; }
dl { display: grid; grid-template-columns: max-content auto; gap: .35em 1.5em; }
dt { font-weight: bold; }
dd { margin: 0; }
pre { font-family: Consolas, "Courier New", monospace; background: #f2f2f6; padding: .5em 1em;
      margin-left: 1.5em; white-space: pre-wrap; }
table { border-collapse: collapse; width: 100%; margin: 1em 0; }
th, td { text-align: left; vertical-align: top; padding: .3em .7em; border-bottom: 1px solid #d8d8e0; }
thead th { border-bottom: 2px solid #000080; }
tbody th { white-space: nowrap; }
nav.back { margin-top: 1.5em; font-size: .9em; }
footer { margin-top: 3em; font-size: .85em; color: #555; }
@media (max-width: 36em) {
  dl { display: block; }
  dd { margin: 0 0 .6em 1.5em; }
  tbody th { white-space: normal; }
}
@media print { nav.back { display: none; } }
"""

# What follows a topic's text: a way back to the contents, as the viewer's
# Contents button gives.
BACK_TEXT = "Contents"


class PageWriter:
    """The page of one document."""

    # Paragraph style -> the method that writes a run of consecutive
    # paragraphs of it; items, rows and the key table share one element.
    RUNS = {"title": "title", "heading": "heading", "body": "body", "example": "example",
            "item": "items", "row": "rows", "keyhead": "keys", "keyrow": "keys"}

    def __init__(self, doc):
        self.doc = doc
        self.span_writers = {
            "text": lambda s: text(s.text),
            "bold": lambda s: f"<b>{text(s.text)}</b>",
            "link": self.link,
            "tab": lambda s: " ",
            "break": lambda s: "<br>",
        }

    # -- text ------------------------------------------------------------------------

    def link(self, span):
        # Anchors are case-sensitive where topic ids are not: link to the id
        # as the topic spells it.
        return f'<a href="#{self.doc.topic(span.target).id}">{text(span.text)}</a>'

    def inline(self, spans):
        return "".join(self.span_writers[s.kind](s) for s in spans)

    def cells(self, paragraph):
        """The paragraph's text split at its tabs, each part as markup."""
        parts = [[]]
        for span in paragraph.spans:
            if span.kind == "tab":
                parts.append([])
            else:
                parts[-1].append(span)
        return [self.inline(part) for part in parts]

    # -- runs of paragraphs ------------------------------------------------------------

    def title(self, paragraphs, level):
        return [f"<h{level}>{self.inline(p.spans)}</h{level}>" for p in paragraphs]

    def heading(self, paragraphs, level):
        return [f"<h{level + 1}>{self.inline(p.spans)}</h{level + 1}>" for p in paragraphs]

    def body(self, paragraphs, level):
        return [f"<p>{self.inline(p.spans)}</p>" for p in paragraphs]

    def example(self, paragraphs, level):
        return [f'<pre class="example">{self.inline(p.spans)}</pre>' for p in paragraphs]

    def items(self, paragraphs, level):
        return ["<ul>"] + [f"<li>{self.inline(p.spans)}</li>" for p in paragraphs] + ["</ul>"]

    def rows(self, paragraphs, level):
        lines = ["<dl>"]
        for p in paragraphs:
            term, *rest = self.cells(p)
            lines.append(f"<dt>{term}</dt><dd>{' '.join(rest)}</dd>")
        return lines + ["</dl>"]

    def keys(self, paragraphs, level):
        """The key table: its header row, then a row per entry whose keys are
        the row's header cell, so a screen reader names them with each cell."""
        head, *entries = paragraphs
        lines = ['<table class="keys">', "<thead>", row([("th", ' scope="col"', cell) for cell in self.cells(head)]),
                 "</thead>", "<tbody>"]
        for p in entries:
            keys, *rest = self.cells(p)
            lines.append(row([("th", ' scope="row"', keys)] + [("td", "", cell) for cell in rest]))
        return lines + ["</tbody>", "</table>"]

    # -- the page ----------------------------------------------------------------------

    def topic(self, topic, first):
        """A topic as a section; the first (the contents) is the page's h1."""
        level = 1 if first else 2
        lines = [f'<section id="{topic.id}">']
        for writer, run in groupby(topic.paragraphs, key=lambda p: self.RUNS[p.style]):
            lines += getattr(self, writer)(list(run), level)
        if not first:
            lines.append(f'<nav class="back"><a href="#{self.doc.topics[0].id}">{BACK_TEXT}</a></nav>')
        return lines + ["</section>"]

    def page(self):
        lines = ["<!DOCTYPE html>", '<html lang="en">', "<head>", '<meta charset="utf-8">',
                 '<meta name="viewport" content="width=device-width, initial-scale=1">',
                 f'<meta http-equiv="Content-Security-Policy" content="{SECURITY_POLICY}">',
                 f"<title>{text(self.doc.title)}</title>", "<style>", STYLE + "</style>", "</head>", "<body>",
                 "<main>"]
        for n, topic in enumerate(self.doc.topics):
            lines += self.topic(topic, n == 0)
        lines.append("</main>")
        if self.doc.copyright:
            lines += ["<footer>", f"<p>{text(self.doc.copyright)}</p>", "</footer>"]
        return "\n".join(lines + ["</body>", "</html>", ""])


def text(s):
    """Text as HTML: markup characters escaped, anything beyond ASCII as a
    character reference, so the page's bytes are ASCII whatever reads them."""
    return escape(s, quote=False).encode("ascii", "xmlcharrefreplace").decode("ascii")


def row(cells):
    """A table row of (tag, attributes, content) cells."""
    return "<tr>" + "".join(f"<{tag}{attrs}>{content}</{tag}>" for tag, attrs, content in cells) + "</tr>"


def build(doc):
    """The bytes of the HTML page for a parsed document."""
    return PageWriter(doc).page().encode("ascii")
