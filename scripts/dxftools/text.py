"""The texts of TEXT, ATTRIB and MTEXT entities as a host holds them, and an edited text put back.

A text's raw content (as the file stores it) reads as runs: each a slice of the raw content and
the characters it shows (the table in README.md, "DXF in and out"; the patterns below are its
rows). Plain characters between codes form one run each stretch, which an edit may split; a code
is never split. An edit is put back by comparing the old characters with the new: every run
outside the changed characters stays byte for byte, and the new characters are written escaped
as the entity needs them, so that the new raw content shows exactly the edited text.
"""
from __future__ import annotations

import difflib
import functools
import re
from typing import Callable, NamedTuple

MTEXT = "MTEXT"
REPLACEMENT = "\ufffd"
SPECIAL = {"d": "°", "p": "±", "c": "Ø", "%": "%"}
# The code pages of the double-byte characters of a \M+nXXXX code, by n.
MULTIBYTE = {"1": "cp932", "2": "cp950", "3": "cp949", "4": "johab", "5": "gbk"}
# The longest content of an MTEXT tag; a longer content is written in several.
MTEXT_CHUNK = 250

_COMMON = [
    ("pair", r"\\U\+[dD][89abAB][0-9a-fA-F]{2}\\U\+[dD][c-fC-F][0-9a-fA-F]{2}"),
    ("unicode", r"\\U\+[0-9a-fA-F]{4}"),
    ("multibyte", r"\\M\+[1-5][0-9a-fA-F]{4}"),
    ("number", r"%%[0-9]{3}"),
    ("special", r"%%[dpcDPC%]"),
    ("caret", r"\^[ @-_]"),
    # A character no text can hold, which shows as the replacement character.
    ("unholdable", "[\0\ud800-\udfff]"),
]
_TEXT = [("format", r"%%[uokUOK]")]
_MTEXT = [
    ("escaped", r"\\[\\{}]"),
    ("stack", r"\\S(?:[^;\\]|\\.)*;"),
    ("newline", r"\\[PN]"),
    ("nbsp", r"\\~"),
    ("format", r"\\[LlOoKkX]|\\[ACcFfHpQTW][^;\\{}]*;|[{}]"),
]


def _pattern(rules: list[tuple[str, str]]) -> re.Pattern[str]:
    return re.compile("|".join(f"(?P<{name}>{rule})" for name, rule in rules), re.DOTALL)


_CODES = {False: _pattern(_COMMON + _TEXT), True: _pattern(_COMMON + _MTEXT)}
# The characters that begin a code; a text without them shows itself.
_CODE_STARTS = {False: re.compile("[\\\\%^\0\ud800-\udfff]"), True: re.compile("[\\\\%^{}\0\ud800-\udfff]")}

Encodable = Callable[[str], bool]


class Run(NamedTuple):
    """A slice of a raw content and the characters it shows; a stretch of plain characters shows
    itself."""
    raw: str
    shown: str

    @property
    def plain(self) -> bool:
        return self.raw == self.shown


class Region(NamedTuple):
    """Changed characters: old[old_start:old_end] became new[new_start:new_end]."""
    old_start: int
    old_end: int
    new_start: int
    new_end: int


def _character(code: int) -> str:
    """The character of a UTF-16 code, as a host text can hold it."""
    return REPLACEMENT if code == 0 or 0xD800 <= code <= 0xDFFF else chr(code)


def _multibyte(raw: str) -> str:
    try:
        return bytes.fromhex(raw[4:]).decode(MULTIBYTE[raw[3]]).replace("\0", REPLACEMENT)
    except UnicodeDecodeError:
        return REPLACEMENT


@functools.lru_cache(maxsize=4096)
def _shown(kind: str, raw: str) -> str:
    if kind == "pair":
        high, low = int(raw[3:7], 16), int(raw[10:14], 16)
        return chr(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00))
    if kind == "unicode":
        return _character(int(raw[3:], 16))
    if kind == "multibyte":
        return _multibyte(raw)
    if kind == "number":
        return _character(int(raw[2:]))
    if kind == "special":
        return SPECIAL[raw[2].lower()]
    if kind == "caret":
        return "^" if raw[1] == " " else _character(ord(raw[1]) - 64)
    if kind == "escaped":
        return raw[1]
    if kind == "stack":
        return re.sub(r"\\(.)", r"\1", raw[2:-1]).replace("^ ", "^")
    return {"unholdable": REPLACEMENT, "newline": "\n", "nbsp": "\u00a0", "format": ""}[kind]


def _code_shown(match: re.Match[str]) -> str:
    return _shown(match.lastgroup or "", match.group())


def runs(raw: str, entity_type: str) -> list[Run]:
    """The runs of a raw content, in order; together they are the whole content."""
    found, at = [], 0
    for match in _CODES[entity_type == MTEXT].finditer(raw):
        if match.start() > at:
            found.append(Run(raw[at:match.start()], raw[at:match.start()]))
        found.append(Run(match.group(), _code_shown(match)))
        at = match.end()
    if at < len(raw):
        found.append(Run(raw[at:], raw[at:]))
    return found


def plain(raw: str, entity_type: str) -> str:
    """The text a host holds for a raw content."""
    mtext = entity_type == MTEXT
    return _CODES[mtext].sub(_code_shown, raw) if _CODE_STARTS[mtext].search(raw) else raw


def _escaped(character: str, entity_type: str, encodable: Encodable, careful: bool) -> str:
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


def _between(old: str, new: str) -> Region:
    """The characters between the start and the end that `old` and `new` have in common."""
    prefix = 0
    limit = min(len(old), len(new))
    while prefix < limit and old[prefix] == new[prefix]:
        prefix += 1
    suffix = 0
    while suffix < limit - prefix and old[-1 - suffix] == new[-1 - suffix]:
        suffix += 1
    return Region(prefix, len(old) - suffix, prefix, len(new) - suffix)


def _changes(old: str, new: str) -> list[Region]:
    """Where `new` differs from `old`. An edit of the plug-in changes one stretch (a whole text
    replaced) or the same characters in several places: past the common start and end, a
    stretch of the same length differs where its characters do, and only another is compared
    as a general difference."""
    prefix, old_end, _, new_end = _between(old, new)
    a, b = old[prefix:old_end], new[prefix:new_end]
    if not a and not b:
        return []
    if not a or not b:
        return [Region(prefix, prefix + len(a), prefix, prefix + len(b))]
    if len(a) == len(b):
        regions: list[Region] = []
        for index, (x, y) in enumerate(zip(a, b)):
            if x == y:
                continue
            at = prefix + index
            if regions and regions[-1].old_end == at:
                regions[-1] = regions[-1]._replace(old_end=at + 1, new_end=at + 1)
            else:
                regions.append(Region(at, at + 1, at, at + 1))
        return regions
    opcodes = difflib.SequenceMatcher(None, a, b, autojunk=False).get_opcodes()
    return [Region(prefix + i1, prefix + i2, prefix + j1, prefix + j2)
            for tag, i1, i2, j1, j2 in opcodes if tag != "equal"]


def _regions(text_runs: list[Run], old: str, new: str) -> list[Region]:
    """The changed characters as regions, widened so that no code showing several characters is
    split. A region widens over unchanged characters, where old and new go in step, and takes in
    a region it meets."""
    inside = set()
    at = 0
    for run in text_runs:
        if not run.plain:
            inside.update(range(at + 1, at + len(run.shown)))
        at += len(run.shown)
    changes = _changes(old, new)
    regions: list[Region] = []
    following = 0
    while following < len(changes):
        i1, i2, j1, j2 = changes[following]
        following += 1
        while regions and regions[-1].old_end >= i1 or i1 in inside:
            if regions and regions[-1].old_end >= i1:
                i1, _, j1, _ = regions.pop()
            else:
                i1, j1 = i1 - 1, j1 - 1
        while following < len(changes) and changes[following].old_start <= i2 or i2 in inside:
            if following < len(changes) and changes[following].old_start <= i2:
                _, i2, _, j2 = changes[following]
                following += 1
            else:
                i2, j2 = i2 + 1, j2 + 1
        regions.append(Region(i1, i2, j1, j2))
    return regions


def _rebuild(text_runs: list[Run], old: str, new: str, escape: Callable[[str], str], careful: bool) -> str:
    """The raw content showing `new`: the runs outside the changed characters as they were, the
    new characters escaped. A code among replaced characters keeps its place after as many of
    the new characters as there were old ones before it; a new character inserted between two
    others takes the formatting of the one before it (of the one after it at the start)."""
    regions = _regions(text_runs, old, new)
    written = [region.new_start for region in regions]  # each region's new characters written so far
    pieces: list[str] = []

    def write_new(index: int, upto: int) -> None:
        pieces.append("".join(map(escape, new[written[index]:upto])))
        written[index] = max(written[index], upto)

    current = 0  # the first region whose new characters are not all written
    at = 0
    for raw, shown in text_runs:
        start, end = at, at + len(shown)
        at = end
        if raw == shown:
            current = _rebuild_plain(raw, start, regions, current, write_new, pieces, escape if careful else None)
            continue
        while current < len(regions) and start >= regions[current].old_end and (shown or start > 0):
            write_new(current, regions[current].new_end)
            current += 1
        if current < len(regions):
            i1, i2, j1, j2 = regions[current]
            if shown and i1 <= start and end <= i2:
                continue  # replaced
            if not shown and i1 < start < i2:
                write_new(current, j1 + min(start - i1, j2 - j1))
        pieces.append(raw)
    for index in range(current, len(regions)):
        write_new(index, regions[index].new_end)
    return "".join(pieces)


def _rebuild_plain(raw: str, start: int, regions: list[Region], current: int,
                   write_new: Callable[[int, int], None], pieces: list[str],
                   escape: Callable[[str], str] | None) -> int:
    """A stretch of plain characters rebuilt: the characters outside the regions as they were
    (escaped when `escape` is given), the new characters of each region met written before the
    first old character after it. Gives the first region not written whole."""
    p, end = start, start + len(raw)
    while p < end:
        while current < len(regions) and p >= regions[current].old_end:
            write_new(current, regions[current].new_end)
            current += 1
        if current < len(regions) and regions[current].old_start <= p:
            p = min(regions[current].old_end, end)  # replaced
            continue
        stop = min(end, regions[current].old_start) if current < len(regions) else end
        kept = raw[p - start:stop - start]
        pieces.append("".join(map(escape, kept)) if escape else kept)
        p = stop
    return current


def _one_stretch(raw: str, old: str, new: str, entity_type: str, escape: Callable[[str], str]) -> str | None:
    """The raw content for an edit that changes one stretch of plain characters, no code among
    them or beside them: the raw content around it as it was, the new characters escaped. None
    for any other edit."""
    start, end, new_start, new_end = _between(old, new)
    at = offset = 0  # where the next run begins, in the old characters and in the raw content
    raw_start = raw_end = None
    for match in _CODES[entity_type == MTEXT].finditer(raw):
        stretch_end = at + match.start() - offset  # the plain characters before the code
        if raw_start is None and at <= start <= stretch_end:
            raw_start = offset + start - at
        if at <= end <= stretch_end:
            raw_end = offset + end - at
        code_end = stretch_end + len(_code_shown(match))
        if stretch_end <= end and code_end >= start:
            return None
        at, offset = code_end, match.end()
    if raw_start is None and at <= start:
        raw_start = offset + start - at
    if at <= end:
        raw_end = offset + end - at
    if raw_start is None or raw_end is None:
        return None
    return raw[:raw_start] + "".join(map(escape, new[new_start:new_end])) + raw[raw_end:]


class Unwritable(ValueError):
    """A text that no DXF entity can hold."""


def edited(raw: str, new: str, entity_type: str, encodable: Encodable, old: str | None = None) -> str:
    """The raw content that shows `new`, keeping every run of `raw` outside the changed
    characters. `encodable(character)` tells whether the file's code page holds a character;
    the others are written as `\\U+` escapes. `old`, where given, is what `raw` shows."""
    if "\0" in new:
        raise Unwritable("holds a NUL character, which no DXF can hold")
    surrogate = next((c for c in new if 0xD800 <= ord(c) <= 0xDFFF), None)
    if surrogate:
        raise Unwritable(f"holds an unpaired surrogate (U+{ord(surrogate):04X}), which no DXF can hold")
    old = plain(raw, entity_type) if old is None else old
    plainly = functools.partial(_escaped, entity_type=entity_type, encodable=encodable, careful=False)
    result = _one_stretch(raw, old, new, entity_type, plainly)
    if result is not None and plain(result, entity_type) == new:
        return result
    text_runs = runs(raw, entity_type)
    for careful in (False, True):
        escape = functools.partial(_escaped, entity_type=entity_type, encodable=encodable, careful=careful)
        result = _rebuild(text_runs, old, new, escape, careful)
        if plain(result, entity_type) == new:
            return result
    raise Unwritable("cannot be written so that it reads back the same")


def chunks(raw: str, old_chunks: list[str]) -> list[str]:
    """An MTEXT's raw content in tags of at most MTEXT_CHUNK characters: the old tags that still
    begin it as they were, the rest split between codes or inside plain stretches, so that no
    code is split but one longer than a tag, and no tag ends with a caret."""
    if len(old_chunks) == 1 and len(raw) <= MTEXT_CHUNK:
        return [raw]
    parts, at = [], 0
    for chunk in old_chunks[:-1]:
        if not raw.startswith(chunk, at) or len(raw) - at <= len(chunk):
            break
        parts.append(chunk)
        at += len(chunk)
    part = ""
    for run in runs(raw[at:], MTEXT):
        piece = run.raw
        while len(part) + len(piece) > MTEXT_CHUNK:
            room = MTEXT_CHUNK - len(part)
            if part and (not run.plain or room == 0):
                parts.append(part)
                part = ""
                continue
            cut = room - 1 if piece[room - 1] == "^" else room
            parts.append(part + piece[:cut])
            part, piece = "", piece[cut:]
        part += piece
    return parts + [part]
