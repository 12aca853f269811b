"""A DXF file as its tags, each keeping its place in the file, so that a few entities can be
changed or removed while every other byte stays as it was: the file keeps its form (ASCII or
binary), its version, its encoding, its line ends and everything a program wrote into it.
"""
import dataclasses
import re
import struct

from ezdxf.lldxf import types

# A binary file opens with a fixed 22-byte sentinel.
BINARY_START = 22
# Group codes that hold an entity's or object's own handle, not a reference to another.
OWN_HANDLE = {5, 105}
REACTORS = "{ACAD_REACTORS"
# References that are entries of a list: (the type of the entity or object holding them, group
# code) -> the number of tags an entry spans. They go with the entity they name.
LIST_ENTRIES = {("BLOCK_RECORD", 331): 1, ("GROUP", 340): 1, ("IDBUFFER", 330): 1, ("SORTENTSTABLE", 331): 2}


class TagError(ValueError):
    """A file whose tags cannot be told apart."""


@dataclasses.dataclass
class Tag:
    code: int
    start: int  # the tag's first byte (its group code)
    value_start: int
    value_end: int
    end: int  # after the tag's last byte


@dataclasses.dataclass
class Record:
    """An entity or object: its tags [first, end), its own handle and owner, and the entities
    that follow it as its parts (an INSERT's ATTRIBs and SEQEND, a POLYLINE's VERTEXes)."""
    type: str
    first: int
    end: int
    handle: str = ""
    owner: str = ""
    paperspace: bool = False
    parts: list = dataclasses.field(default_factory=list)


def _ascii_tags(data):
    lines = data.splitlines(keepends=True)
    if len(lines) % 2:
        lines.append(b"")
    tags = []
    at = 0
    for number in range(0, len(lines), 2):
        code_line, value_line = lines[number], lines[number + 1]
        try:
            code = int(code_line)
        except ValueError:
            raise TagError(f"line {number + 1}: not a group code") from None
        value_start = at + len(code_line)
        value = value_line.rstrip(b"\r\n")
        tags.append(Tag(code, at, value_start, value_start + len(value), value_start + len(value_line)))
        at = value_start + len(value_line)
    return tags


_FIXED = [(types.INT16, 2), (types.DOUBLE, 8), (types.INT32, 4), (types.INT64, 8), (types.BYTES, 1)]


def _binary_tags(data, r12):
    tags = []
    at = BINARY_START
    try:
        while at < len(data):
            start = at
            if r12 and data[at] != 255:
                code, at = data[at], at + 1
            else:
                at += 1 if r12 else 0
                code, at = struct.unpack_from("<H", data, at)[0], at + 2
            if code in types.BINARY_DATA:
                value_start = at + 1
                value_end = end = value_start + data[at]
            else:
                size = next((size for codes, size in _FIXED if code in codes), None)
                value_start = at
                value_end = at + size if size else data.index(b"\0", at)
                end = value_end if size else value_end + 1
            if end > len(data):
                raise IndexError
            tags.append(Tag(code, start, value_start, value_end, end))
            at = end
    except (IndexError, ValueError, struct.error):
        raise TagError(f"byte {start}: the file ends inside a tag") from None
    return tags


class TagFile:
    """The tags of a DXF file's bytes, read as the file's encoding, and the changes to make."""

    def __init__(self, data, encoding, binary, r12):
        self.data, self.encoding, self.binary, self.r12 = data, encoding, binary, r12
        self.tags = _binary_tags(data, r12) if binary else _ascii_tags(data)
        self.changes = []  # (first byte, end byte, new bytes)
        self.replaced = set()  # the indexes of tags replaced or removed
        self.entities, self.objects = self._records()

    def text(self, index):
        tag = self.tags[index]
        return self.data[tag.value_start:tag.value_end].decode(self.encoding, "surrogateescape")

    def _int(self, index):
        tag = self.tags[index]
        value = self.data[tag.value_start:tag.value_end]
        return struct.unpack("<h", value)[0] if self.binary else int(value)

    def _records(self):
        """The entities of the ENTITIES section (parts under their entity) and the objects of the
        OBJECTS section."""
        sections = {"ENTITIES": [], "OBJECTS": []}
        section = record = group = None
        for index, tag in enumerate(self.tags):
            if tag.code == 0:
                kind = self.text(index)
                record = group = None
                if kind == "SECTION" and index + 1 < len(self.tags):
                    section = sections.get(self.text(index + 1))
                elif kind == "ENDSEC":
                    section = None
                elif section is not None:
                    record = Record(kind, index, index + 1)
                    parent = section[-1] if section else None
                    if kind in ("ATTRIB", "VERTEX", "SEQEND") and parent and parent.type in ("INSERT", "POLYLINE") \
                            and not (parent.parts and parent.parts[-1].type == "SEQEND"):
                        parent.parts.append(record)
                    else:
                        section.append(record)
            elif record is not None:
                record.end = index + 1
                if tag.code == 102:
                    group = self.text(index) if self.text(index).startswith("{") else None
                elif tag.code in OWN_HANDLE and not record.handle:
                    record.handle = self.text(index).upper()
                elif tag.code == 67:
                    record.paperspace = self._int(index) == 1
                elif tag.code == 330 and not record.owner and group is None:
                    record.owner = self.text(index).upper()
        for parent in sections["ENTITIES"]:
            parent.end = max([parent.end] + [part.end for part in parent.parts])
        return sections["ENTITIES"], sections["OBJECTS"]

    def locate(self, doc):
        """The record of every modelspace entity and attribute of ezdxf's document, by ezdxf's
        handle. A file without handles (R12 may have none) gets its handles from ezdxf, so its
        entities are matched in order."""
        if all(record.handle for record in self.entities):
            found = {record.handle: record for record in self.entities}
            found.update((part.handle, part) for record in self.entities for part in record.parts)
            return found
        found = {}
        modelspace = [record for record in self.entities if not record.paperspace]
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

    def _replace(self, first, end, new=b""):
        """Replaces the tags [first, end) with the bytes `new`."""
        self.changes.append((self.tags[first].start, self.tags[end - 1].end, new))
        self.replaced.update(range(first, end))

    def _tag(self, code, text, like):
        """A new tag in the file's form, its group code written as the tag `like` has its own."""
        value = text.encode(self.encoding, "surrogateescape")
        if self.binary:
            small = self.r12 and code < 255
            head = bytes([code]) if small else (b"\xff" if self.r12 else b"") + struct.pack("<H", code)
            return head + value + b"\0"
        tag = self.tags[like]
        code_line = self.data[tag.start:tag.value_start]
        digits = code_line.rstrip(b"\r\n")
        written = str(code).rjust(len(digits)) if digits.startswith(b" ") else str(code)
        return written.encode() + code_line[len(digits):] + value + self.data[tag.value_end:tag.end]

    def _set(self, index, text):
        tag = self.tags[index]
        self.changes.append((tag.value_start, tag.value_end, text.encode(self.encoding, "surrogateescape")))

    def first(self, record, code):
        """The index of the record's first tag of a group code (its own tags, not its parts')."""
        end = record.parts[0].first if record.parts else record.end
        return next((i for i in range(record.first + 1, end) if self.tags[i].code == code), None)

    def set_text(self, record, raw):
        """Sets a TEXT's or an ATTRIB's text."""
        self._set(self.first(record, 1), raw)

    def mtext_tags(self, record):
        """The indexes of an MTEXT's text tags (3 and 1) in file order."""
        own = range(record.first + 1, record.end)
        inside = not any(self.tags[i].code == 100 for i in own)
        found = []
        for index in own:
            code = self.tags[index].code
            if code == 100:
                inside = self.text(index) == "AcDbMText"
            elif code == 101 or code >= 1000:
                break
            elif inside and code in (1, 3):
                found.append(index)
        return found

    def set_mtext(self, record, chunks):
        """Sets an MTEXT's content, given as its chunks: the last one goes in a tag 1, the others
        before it in tags 3, where the old text tags were."""
        found = self.mtext_tags(record)
        tags = [self._tag(3, chunk, found[0]) for chunk in chunks[:-1]] + [self._tag(1, chunks[-1], found[0])]
        self._replace(found[0], found[0] + 1, b"".join(tags))
        for index in found[1:]:
            self._replace(index, index + 1)

    def remove(self, record):
        """Removes an entity with its parts; gives the handles removed."""
        self._replace(record.first, record.end)
        return [record.handle] + [part.handle for part in record.parts]

    def remove_attributes(self, insert, attributes):
        """Removes ATTRIBs of an INSERT; removing the last takes the INSERT's SEQEND and its
        attributes-follow flag (66) with them. Gives the handles removed."""
        removed = [self.remove(attribute)[0] for attribute in attributes]
        if any(part.type == "ATTRIB" and part not in attributes for part in insert.parts):
            return removed
        flag = self.first(insert, 66)
        if flag is not None:
            self._replace(flag, flag + 1)
        return removed + [self.remove(part)[0] for part in insert.parts if part.type == "SEQEND"]

    def forget(self, removed):
        """Removes the objects that removed entities own (their extension dictionaries, and what
        those own), and every reference to a removed handle: from a reactor list and the lists of
        LIST_ENTRIES, and elsewhere set to the null handle 0."""
        removed = {handle for handle in removed if handle}
        fresh = set(removed)
        while fresh:
            owned = [o for o in self.objects if o.owner in fresh and o.handle not in removed]
            for record in owned:
                self._replace(record.first, record.end)
            fresh = {record.handle for record in owned}
            removed |= fresh
        kind = group = None
        for index, tag in enumerate(self.tags):
            if tag.code == 0:
                kind, group = self.text(index), None
            elif tag.code == 102:
                group = self.text(index) if self.text(index).startswith("{") else None
            elif tag.code in types.POINTER_CODES and index not in self.replaced and self.text(index).upper() in removed:
                entry = 1 if group == REACTORS else LIST_ENTRIES.get((kind, tag.code))
                if entry:
                    self._replace(index, index + entry)
                else:
                    self._set(index, "0")

    def saved(self):
        """The file's bytes with the changes made."""
        pieces, at = [], 0
        for start, end, new in sorted(self.changes):
            pieces += [self.data[at:start], new]
            at = end
        return b"".join(pieces + [self.data[at:]])
