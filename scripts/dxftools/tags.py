"""A DXF file as its tags, each keeping its place in the file, so that a few entities can be
changed, removed or added while every other byte stays as it was: the file keeps its form (ASCII
or binary), its version, its encoding, its line ends and everything a program wrote into it.

Only the records (entities and objects) are indexed, by their first byte; the tags of a record
are read from the bytes when it is changed.
"""
from __future__ import annotations

import bisect
import dataclasses
import re
import struct
from typing import TYPE_CHECKING, Iterator, NamedTuple

from ezdxf.lldxf import types

if TYPE_CHECKING:
    from ezdxf.document import Drawing as EzdxfDocument

# A binary file opens with a fixed 22-byte sentinel.
BINARY_START = 22
# Group codes that hold an entity's or object's own handle, not a reference to another.
OWN_HANDLE = {5, 105}
REACTORS = "{ACAD_REACTORS"
# References that are entries of a list: (the type of the entity or object holding them, group
# code) -> the number of tags an entry spans. They go with the entity they name.
LIST_ENTRIES = {("BLOCK_RECORD", 331): 1, ("GROUP", 340): 1, ("IDBUFFER", 330): 1, ("SORTENTSTABLE", 331): 2}
# The entities that follow an entity as its parts, and the entities they follow.
PARTS, WHOLES = ("ATTRIB", "VERTEX", "SEQEND"), ("INSERT", "POLYLINE")
EMBEDDED = "Embedded Object"

# An ASCII tag: its group code line, then its value line.
_ASCII_TAG = re.compile(rb"([^\r\n]*)(?:\r\n|\r|\n)([^\r\n]*)(?:\r\n|\r|\n|\Z)")
# A line "0" before a line that holds a letter: a tag of group code 0, where a record begins, as
# a line that is no number is a value and the line before it its group code.
_ZERO_TAG = rb"([ \t]*0[ \t]*)(?=\r?\n([^\r\n]*[A-Za-z][^\r\n]*))"
_ZERO_LINE, _ZERO_FIRST = re.compile(rb"\n" + _ZERO_TAG), re.compile(_ZERO_TAG)
# A record's first tag, then its handle.
_HANDLE_SECOND = re.compile(rb"[^\r\n]*\r?\n[^\r\n]*\r?\n[ \t]*(?:5|105)[ \t]*\r?\n([^\r\n]*)")
_LONE_CR = re.compile(rb"\r(?!\n)")
# A line that may be a reference's group code (POINTER_CODES, and some others), and the value
# after it: where a record may name a handle.
_POINTER = re.compile(rb"\n[ \t]*(?:3[2-9][0-9]|48[01]|1005)[ \t]*\r?\n([^\r\n]*)")
_FIXED = [(types.INT16, 2), (types.DOUBLE, 8), (types.INT32, 4), (types.INT64, 8), (types.BYTES, 1)]


class TagError(ValueError):
    """A file whose tags cannot be told apart."""


class Tag(NamedTuple):
    code: int
    start: int  # the tag's first byte (its group code)
    value_start: int
    value_end: int
    end: int  # after the tag's last byte


class NewTag(NamedTuple):
    code: int
    value: str | float | int


class Change(NamedTuple):
    """The bytes [start, end) of the file replaced with `new`."""
    start: int
    end: int
    new: bytes


@dataclasses.dataclass(eq=False)
class Record:
    """An entity or object: its bytes [start, end), its own handle, and the entities that follow
    it as its parts (an INSERT's ATTRIBs and SEQEND, a POLYLINE's VERTEXes)."""
    type: str
    start: int
    end: int
    handle: str = ""
    parts: list[Record] = dataclasses.field(default_factory=list)

    @property
    def own_end(self) -> int:
        """After its own tags, before its parts."""
        return self.parts[0].start if self.parts else self.end


class Section(NamedTuple):
    name: str
    start: int  # the first byte of its SECTION tag
    end: int  # the first byte of its ENDSEC tag
    records: list[Record]




class TagFile:
    """The tags of a DXF file's bytes, read as the file's encoding, and the changes to make."""

    def __init__(self, data: bytes, encoding: str, binary: bool, r12: bool) -> None:
        self.data, self.encoding, self.binary, self.r12 = data, encoding, binary, r12
        self.changes: list[Change] = []
        self._removed: list[Change] = []  # the records and tags removed, in no order
        self._indexed = not binary and not _LONE_CR.search(data)  # whether _ZERO_TAG finds the records
        self._records_start: list[int] = []  # the first byte of every record, in order
        self.sections = self._sections()
        self.entities = self.sections["ENTITIES"].records if "ENTITIES" in self.sections else []
        self.objects = self.sections["OBJECTS"].records if "OBJECTS" in self.sections else []
        for record in self.entities:
            record.handle = self._handle(record)
            for part in record.parts:
                part.handle = self._handle(part)

    # Reading

    def tags(self, start: int, end: int) -> Iterator[Tag]:
        """The tags of the bytes [start, end), which begin and end at tags."""
        return self._binary_tags(start, end) if self.binary else self._ascii_tags(start, end)

    def _ascii_tags(self, start: int, end: int) -> Iterator[Tag]:
        at = start
        for match in _ASCII_TAG.finditer(self.data, start, end):
            yield Tag(self._code(match.group(1), at), at, match.start(2), match.end(2), match.end())
            at = match.end()
        if at < end:  # a group code on the last line, without a value
            yield Tag(self._code(self.data[at:end], at), at, end, end, end)

    @staticmethod
    def _code(line: bytes, at: int) -> int:
        try:
            return int(line)
        except ValueError:
            raise TagError(f"byte {at}: not a group code") from None

    def _binary_tags(self, start: int, end: int) -> Iterator[Tag]:
        data, r12, at = self.data, self.r12, start
        try:
            while at < end:
                first = at
                if r12 and data[at] != 255:
                    code, at = data[at], at + 1
                else:
                    at += 1 if r12 else 0
                    code, at = struct.unpack_from("<H", data, at)[0], at + 2
                if code in types.BINARY_DATA:
                    value_start = at + 1
                    value_end = stop = value_start + data[at]
                else:
                    size = next((size for codes, size in _FIXED if code in codes), None)
                    value_start = at
                    value_end = at + size if size else data.index(b"\0", at, end)
                    stop = value_end if size else value_end + 1
                if stop > end:
                    raise IndexError
                yield Tag(code, first, value_start, value_end, stop)
                at = stop
        except (IndexError, ValueError, struct.error):
            raise TagError(f"byte {first}: the file ends inside a tag") from None

    def text(self, tag: Tag) -> str:
        return self.data[tag.value_start:tag.value_end].decode(self.encoding, "surrogateescape")

    def _int(self, tag: Tag) -> int:
        value = self.data[tag.value_start:tag.value_end]
        return struct.unpack("<h", value)[0] if self.binary else int(value)

    def _zero_tags(self) -> Iterator[tuple[int, str]]:
        """The first byte and value of every tag of group code 0: in an ASCII file found without
        reading every tag (_ZERO_TAG), unless a lone CR ends some line."""
        if not self._indexed:
            for tag in self.tags(BINARY_START if self.binary else 0, len(self.data)):
                if tag.code == 0:
                    yield tag.start, self.text(tag)
            return
        first = _ZERO_FIRST.match(self.data)
        for match in ([first] if first else []) + list(_ZERO_LINE.finditer(self.data)):
            yield match.start(1), match.group(2).decode(self.encoding, "surrogateescape")

    def _sections(self) -> dict[str, Section]:
        """The sections by name, with the records of the ENTITIES and OBJECTS sections (an
        entity's parts under it)."""
        sections: dict[str, Section] = {}
        name, records, begins = "", None, 0
        last: Record | None = None
        for start, kind in self._zero_tags():
            self._records_start.append(start)
            if last is not None:
                last.end = start
                last = None
            if kind == "SECTION":
                header = self.tags(start, len(self.data))
                next(header)
                name_tag = next(header, None)
                name = self.text(name_tag) if name_tag and name_tag.code == 2 else ""
                records = [] if name in ("ENTITIES", "OBJECTS") else None
                begins = start
            elif kind == "ENDSEC":
                sections[name] = Section(name, begins, start, records or [])
                name, records = "", None
            elif records is not None:
                last = Record(kind, start, start)
                whole = records[-1] if records else None
                if kind in PARTS and whole and whole.type in WHOLES and \
                        not (whole.parts and whole.parts[-1].type == "SEQEND"):
                    whole.parts.append(last)
                else:
                    records.append(last)
        for record in sections["ENTITIES"].records if "ENTITIES" in sections else []:
            record.end = max([record.end] + [part.end for part in record.parts])
        return sections

    def _handle(self, record: Record) -> str:
        second = None if self.binary else _HANDLE_SECOND.match(self.data, record.start, record.own_end)
        if second:  # where a record has it: in its second tag
            return second.group(1).decode(self.encoding, "surrogateescape").upper()
        return next((self.text(t).upper() for t in self.tags(record.start, record.own_end) if t.code in OWN_HANDLE), "")

    def _paperspace(self, record: Record) -> bool:
        return any(t.code == 67 and self._int(t) == 1 for t in self.tags(record.start, record.own_end))

    def _owner(self, record: Record) -> str:
        """An object's owner: its first reference 330 outside a group of 102 tags."""
        group = False
        for tag in self.tags(record.start, record.own_end):
            if tag.code == 102:
                group = self.text(tag).startswith("{")
            elif tag.code == 330 and not group:
                return self.text(tag).upper()
        return ""

    def locate(self, doc: EzdxfDocument) -> dict[str, Record]:
        """The record of every modelspace entity and attribute of ezdxf's document, by ezdxf's
        handle. A file without handles (R12 may have none) gets its handles from ezdxf, so its
        entities are matched in order."""
        if all(record.handle for record in self.entities):
            found = {record.handle: record for record in self.entities}
            found.update((part.handle, part) for record in self.entities for part in record.parts)
            return found
        found = {}
        modelspace = [record for record in self.entities if not self._paperspace(record)]
        entities = list(doc.modelspace())
        for entity, record in zip(entities, modelspace):
            if entity.dxftype() != record.type:
                break
            found[entity.dxf.handle.upper()] = record
            attributes = [part for part in record.parts if part.type == "ATTRIB"]
            found.update((a.dxf.handle.upper(), part) for a, part in zip(getattr(entity, "attribs", []), attributes))
        else:
            if len(entities) == len(modelspace):
                return found
        raise TagError("its entities are not those ezdxf read")

    def first(self, record: Record, code: int) -> Tag | None:
        """The record's first tag of a group code (its own tags, not its parts')."""
        if self.binary:
            return next((tag for tag in self.tags(record.start, record.own_end) if tag.code == code), None)
        for match in _ASCII_TAG.finditer(self.data, record.start, record.own_end):
            if self._code(match.group(1), match.start()) == code:
                return Tag(code, match.start(), match.start(2), match.end(2), match.end())
        return None

    def text_tags(self, record: Record, embedded: bool = False) -> list[Tag]:
        """The text tags (3 and 1) of an MTEXT, or of the MTEXT embedded in a multi-line ATTRIB,
        in file order."""
        own = list(self.tags(record.start, record.own_end))
        inside = not embedded and not any(tag.code == 100 for tag in own)
        found = []
        for tag in own:
            if tag.code == 101:
                if not embedded or inside:
                    break
                inside = self.text(tag) == EMBEDDED
            elif tag.code >= 1000:
                break
            elif tag.code == 100 and not embedded:
                inside = self.text(tag) == "AcDbMText"
            elif inside and tag.code in (1, 3):
                found.append(tag)
        return found

    # Changing

    def _replace(self, start: int, end: int, new: bytes = b"") -> None:
        """Replaces the bytes [start, end), which begin and end at tags."""
        self.changes.append(Change(start, end, new))
        if start < end:
            self._removed.append(Change(start, end, new))

    def _was_replaced(self, tag: Tag) -> bool:
        return any(change.start <= tag.start < change.end for change in self._removed)

    def tag(self, code: int, value: str | float | int, like: Tag) -> bytes:
        """A new tag in the file's form; in an ASCII file its group code is written as the tag
        `like` has its own, with its line ends."""
        if self.binary:
            small = self.r12 and code < 255
            head = bytes([code]) if small else (b"\xff" if self.r12 else b"") + struct.pack("<H", code)
            if code in types.DOUBLE:
                return head + struct.pack("<d", float(value))
            if code in types.INT16:
                return head + struct.pack("<h", int(value))
            return head + str(value).encode(self.encoding, "surrogateescape") + b"\0"
        text = repr(float(value)) if code in types.DOUBLE else str(value)
        code_line = self.data[like.start:like.value_start]
        digits = code_line.rstrip(b"\r\n")
        written = str(code).rjust(len(digits)) if digits.startswith(b" ") else str(code)
        return written.encode() + code_line[len(digits):] + text.encode(self.encoding, "surrogateescape") + \
            self.data[like.value_end:like.end]

    def set_value(self, tag: Tag, text: str) -> None:
        self.changes.append(Change(tag.value_start, tag.value_end, text.encode(self.encoding, "surrogateescape")))

    def set_mtext(self, found: list[Tag], chunks: list[str]) -> None:
        """Sets an MTEXT's content (its text tags `found`), given as its chunks: the last one goes
        in a tag 1, the others before it in tags 3, where the old text tags were."""
        tags = [self.tag(3, chunk, found[0]) for chunk in chunks[:-1]] + [self.tag(1, chunks[-1], found[0])]
        self._replace(found[0].start, found[0].end, b"".join(tags))
        for tag in found[1:]:
            self._replace(tag.start, tag.end)

    def remove(self, record: Record) -> list[str]:
        """Removes an entity with its parts; gives the handles removed."""
        self._replace(record.start, record.end)
        return [record.handle] + [part.handle for part in record.parts]

    def remove_attributes(self, insert: Record, attributes: list[Record]) -> list[str]:
        """Removes ATTRIBs of an INSERT; removing the last takes the INSERT's SEQEND and its
        attributes-follow flag (66) with them. Gives the handles removed."""
        removed = [self.remove(attribute)[0] for attribute in attributes]
        if any(part.type == "ATTRIB" and part not in attributes for part in insert.parts):
            return removed
        flag = self.first(insert, 66)
        if flag is not None:
            self._replace(flag.start, flag.end)
        return removed + [self.remove(part)[0] for part in insert.parts if part.type == "SEQEND"]

    def forget(self, removed: list[str]) -> None:
        """Removes the objects that removed entities own (their extension dictionaries, and what
        those own), and every reference to a removed handle: from a reactor list and the lists of
        LIST_ENTRIES, and elsewhere set to the null handle 0."""
        gone = {handle for handle in removed if handle}
        if not gone:
            return
        for record in self.objects:
            record.handle = record.handle or self._handle(record)
        owners = [(record, self._owner(record)) for record in self.objects]
        fresh = set(gone)
        while fresh:
            owned = [(record, owner) for record, owner in owners if owner in fresh and record.handle not in gone]
            for record, _ in owned:
                self._replace(record.start, record.end)
            fresh = {record.handle for record, _ in owned}
            gone |= fresh
        if not self._indexed:
            self._forget_references(BINARY_START if self.binary else 0, len(self.data), gone)
            return
        named = {handle.encode(self.encoding, "surrogateescape") for handle in gone}
        naming = {match.start() for match in _POINTER.finditer(self.data) if match.group(1).upper() in named}
        for start in sorted({bisect.bisect_right(self._records_start, at) - 1 for at in naming}):
            end = self._records_start[start + 1] if start + 1 < len(self._records_start) else len(self.data)
            self._forget_references(self._records_start[start], end, gone)

    def _forget_references(self, start: int, end: int, gone: set[str]) -> None:
        """Removes or nulls the references to the handles `gone` in the records [start, end)."""
        kind, group, entry = "", None, 0
        for tag in self.tags(start, end):
            if entry:  # the rest of a list entry being removed
                entry -= 1
                self._replace(tag.start, tag.end)
            elif tag.code == 0:
                kind, group = self.text(tag), None
            elif tag.code == 102:
                group = self.text(tag) if self.text(tag).startswith("{") else None
            elif tag.code in types.POINTER_CODES and self.text(tag).upper() in gone and not self._was_replaced(tag):
                entry = 1 if group == REACTORS else LIST_ENTRIES.get((kind, tag.code), 0)
                if entry:
                    entry -= 1
                    self._replace(tag.start, tag.end)
                else:
                    self.set_value(tag, "0")

    def add_entity(self, tags: list[NewTag]) -> None:
        """Adds an entity, given as its tags, at the end of the ENTITIES section."""
        section = self.sections.get("ENTITIES")
        if section is None:
            raise TagError("it has no ENTITIES section")
        like = next(self.tags(section.end, len(self.data)))
        self.changes.append(Change(section.end, section.end, b"".join(self.tag(t.code, t.value, like) for t in tags)))

    def set_header(self, name: str, text: str) -> bool:
        """Sets the value of a header variable of one tag; False where the file has none."""
        section = self.sections.get("HEADER")
        tags = self.tags(section.start, section.end) if section else iter(())
        for tag in tags:
            if tag.code == 9 and self.text(tag) == name:
                value = next(tags, None)
                if value is None:
                    return False
                self.set_value(value, text)
                return True
        return False

    def saved(self) -> bytes:
        """The file's bytes with the changes made."""
        pieces, at = [], 0
        for start, end, new in sorted(self.changes, key=lambda change: change[:2]):  # keeps the order of additions
            pieces += [self.data[at:start], new]
            at = end
        return b"".join(pieces + [self.data[at:]])
