"""The texts of TEXT, ATTRIB and MTEXT entities as a host holds them, and an edited text put back.

A text's raw content (as the file stores it) reads as runs: each a slice of the raw content and
the characters it shows (the table in README.md, "DXF in and out"; the patterns below are its
rows). An edit is put back by comparing the old characters with the new: every run outside the
changed characters stays byte for byte, and the new characters are written escaped as the
entity needs them, so that the new raw content shows exactly the edited text.
"""
import difflib
import re

MTEXT = "MTEXT"
REPLACEMENT = "\ufffd"
SPECIAL = {"d": "°", "p": "±", "c": "Ø", "%": "%"}
# The longest content of an MTEXT tag; a longer content is written in several.
MTEXT_CHUNK = 250

_COMMON = [
    ("pair", r"\\U\+[dD][89abAB][0-9a-fA-F]{2}\\U\+[dD][c-fC-F][0-9a-fA-F]{2}"),
    ("unicode", r"\\U\+[0-9a-fA-F]{4}"),
    ("special", r"%%[dpcDPC%]"),
    ("caret", r"\^[ @-_]"),
]
_TEXT = [("format", r"%%[uokUOK]")]
_MTEXT = [
    ("escaped", r"\\[\\{}]"),
    ("stack", r"\\S(?:[^;\\]|\\.)*;"),
    ("newline", r"\\[PN]"),
    ("nbsp", r"\\~"),
    ("format", r"\\[LlOoKkX]|\\[ACcFfHpQTW][^;\\{}]*;|[{}]"),
]


def _pattern(rules):
    return re.compile("|".join(f"(?P<{name}>{rule})" for name, rule in rules) + "|(?P<char>.)", re.DOTALL)


_PATTERNS = {False: _pattern(_COMMON + _TEXT), True: _pattern(_COMMON + _MTEXT)}


def _character(code):
    """The character of a UTF-16 code, as a host text can hold it."""
    return REPLACEMENT if code == 0 or 0xD800 <= code <= 0xDFFF else chr(code)


def _shown(kind, raw):
    if kind == "char":
        return _character(ord(raw)) if raw == "\0" or 0xD800 <= ord(raw) <= 0xDFFF else raw
    if kind == "pair":
        high, low = int(raw[3:7], 16), int(raw[10:14], 16)
        return chr(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00))
    if kind == "unicode":
        return _character(int(raw[3:], 16))
    if kind == "special":
        return SPECIAL[raw[2].lower()]
    if kind == "caret":
        return "^" if raw[1] == " " else _character(ord(raw[1]) - 64)
    if kind == "escaped":
        return raw[1]
    if kind == "stack":
        return re.sub(r"\\(.)", r"\1", raw[2:-1]).replace("^ ", "^")
    return {"newline": "\n", "nbsp": "\u00a0", "format": ""}[kind]


def runs(raw, entity_type):
    """The runs of a raw content: (raw slice, the characters it shows)."""
    pattern = _PATTERNS[entity_type == MTEXT]
    return [(m.group(), _shown(m.lastgroup, m.group())) for m in pattern.finditer(raw)]


def plain(raw, entity_type):
    """The text a host holds for a raw content."""
    return "".join(shown for _, shown in runs(raw, entity_type))


def _escaped(character, entity_type, encodable, careful):
    """How a new character is written. `careful` also writes `%` and a TEXT's backslash so that
    they cannot join the characters beside them into a code."""
    mtext = entity_type == MTEXT
    if mtext and character == "\n":
        return "\\P"
    if mtext and character in "\\{}":
        return "\\" + character
    if character == "^":
        return "^ "
    if ord(character) < 32:
        return "^" + chr(ord(character) + 64)
    if careful and character == "%":
        return "%%%"
    if (careful and character == "\\") or not encodable(character):
        units = character.encode("utf-16-be")
        return "".join(f"\\U+{units[i]:02X}{units[i + 1]:02X}" for i in range(0, len(units), 2))
    return character


def _regions(text_runs, old, new):
    """The changed characters as regions (old start, old end, new start, new end), widened so that
    no run showing several characters is split, and merged where they then meet."""
    inside = set()
    at = 0
    for _, shown in text_runs:
        inside.update(range(at + 1, at + len(shown)))
        at += len(shown)
    regions = []
    for tag, i1, i2, j1, j2 in difflib.SequenceMatcher(None, old, new, autojunk=False).get_opcodes():
        if tag == "equal":
            continue
        while i1 in inside:
            i1, j1 = i1 - 1, j1 - 1
        while i2 in inside:
            i2, j2 = i2 + 1, j2 + 1
        while regions and regions[-1][1] >= i1:
            p1, p2, q1, q2 = regions.pop()
            i1, i2, j1, j2 = min(p1, i1), max(p2, i2), min(q1, j1), max(q2, j2)
        regions.append((i1, i2, j1, j2))
    return regions


def _rebuild(text_runs, old, new, escape, careful):
    """The raw content showing `new`: the runs outside the changed characters as they were, the
    new characters escaped. A formatting run among replaced characters keeps its place after as
    many of the new characters as there were old ones before it; a new character inserted
    between two others takes the formatting of the one before it (of the one after it at the
    start)."""
    regions = _regions(text_runs, old, new)
    written = [j1 for _, _, j1, _ in regions]  # each region's new characters written so far
    pieces = []

    def write_new(index, upto):
        pieces.append("".join(escape(c) for c in new[written[index]:upto]))
        written[index] = max(written[index], upto)

    current = 0  # the first region whose new characters are not all written
    at = 0
    for raw, shown in text_runs:
        start, end = at, at + len(shown)
        at = end
        while current < len(regions) and start >= regions[current][1] and (shown or start > 0):
            write_new(current, regions[current][3])
            current += 1
        if current < len(regions):
            i1, i2, j1, j2 = regions[current]
            if shown and i1 <= start and end <= i2:
                continue  # replaced
            if not shown and i1 < start < i2:
                write_new(current, j1 + min(start - i1, j2 - j1))
        pieces.append(escape(raw) if careful and raw == shown and len(raw) == 1 else raw)
    for index in range(current, len(regions)):
        write_new(index, regions[index][3])
    return "".join(pieces)


class Unwritable(ValueError):
    """A text that no DXF entity can hold."""


def edited(raw, new, entity_type, encodable):
    """The raw content that shows `new`, keeping every run of `raw` outside the changed
    characters. `encodable(character)` tells whether the file's code page holds a character;
    the others are written as `\\U+` escapes."""
    if "\0" in new:
        raise Unwritable("holds a NUL character, which no DXF can hold")
    surrogate = next((c for c in new if 0xD800 <= ord(c) <= 0xDFFF), None)
    if surrogate:
        raise Unwritable(f"holds an unpaired surrogate (U+{ord(surrogate):04X}), which no DXF can hold")
    text_runs = runs(raw, entity_type)
    old = "".join(shown for _, shown in text_runs)
    for careful in (False, True):
        result = _rebuild(text_runs, old, new, lambda c: _escaped(c, entity_type, encodable, careful), careful)
        if plain(result, entity_type) == new:
            return result
    raise Unwritable("cannot be written so that it reads back the same")


def chunks(raw, old_chunks):
    """An MTEXT's raw content in tags of at most MTEXT_CHUNK characters: the old tags that still
    begin it as they were, the rest split between runs, so that no tag ends inside a caret code."""
    parts, at = [], 0
    for chunk in old_chunks[:-1]:
        if not raw.startswith(chunk, at) or len(raw) - at <= len(chunk):
            break
        parts.append(chunk)
        at += len(chunk)
    part = ""
    for piece, _ in runs(raw[at:], MTEXT):
        while len(part) + len(piece) > MTEXT_CHUNK and (part or len(piece) > MTEXT_CHUNK):
            if part:
                parts.append(part)
                part = ""
            else:
                cut = MTEXT_CHUNK - 1 if piece[MTEXT_CHUNK - 1] == "^" else MTEXT_CHUNK
                parts.append(piece[:cut])
                piece = piece[cut:]
        part += piece
    return parts + [part]
