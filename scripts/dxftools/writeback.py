"""The plug-in's edits written back into the DXF they were made on.

The edits (edits.py) are made on the DXF at its tags (tags.py), so every other byte stays as it
was: a changed annotation text is set on its entity (text.py keeps what it does not change), a
deleted segment's entity is removed (an attribute's segment takes that ATTRIB alone from its
block reference), and a text placed in the host becomes a new TEXT at the end of the modelspace,
with a handle of its own. An edit the DXF cannot take is left out and named; the rest is written.

The file is read once: its bytes serve ezdxf and the tags alike, and ezdxf's document is dropped
as soon as the DXF's drawing is known, before the edited one is read.
"""
from __future__ import annotations

import dataclasses
import gc
from typing import Callable, TypeVar

from dxftools import text
from dxftools.drawing import Dxf, Kind, Source, converted, read_dxf
from dxftools.edits import Original, PlacedText, TextEdit, find_edits, originals_of
from dxftools.files import DrawingError, check_output, load_drawing, write_atomically
from dxftools.tags import NewTag, Record, TagError, TagFile

# The most bytes the text of a TEXT or an ATTRIB holds in an R12 file.
R12_TEXT_LIMIT = 255
Item = TypeVar("Item")


class Unwritten(Exception):
    """An edit that cannot be written; the message names it and says why."""


@dataclasses.dataclass(frozen=True)
class Outcome:
    changed: int  # texts
    placed: int  # texts
    removed: int  # entities
    left: list[str]  # the edits left out, each named


@dataclasses.dataclass
class Modelspace:
    """What a new entity of the file's modelspace takes: the handle of the modelspace's block
    record (its owner, from R2000 on) and the next free handle (0: the file has no handles)."""
    owner: str
    next_handle: int


def _modelspace(dxf: Dxf, tags: TagFile) -> Modelspace:
    doc = dxf.doc
    if tags.entities:
        handles = all(record.handle for record in tags.entities)
    else:
        handles = not dxf.r12 or bool(doc.header.get("$HANDLING", 0))
    if not handles:
        return Modelspace("", 0)
    seed = _hexadecimal(doc.header.get("$HANDSEED", "0"))
    past_every_handle = max((_hexadecimal(handle) + 1 for handle in doc.entitydb.keys()), default=1)
    return Modelspace(doc.modelspace().block_record_handle, max(seed, past_every_handle))


def _hexadecimal(handle: str) -> int:
    """A handle's number; 0 for one that is none."""
    try:
        return int(handle, 16)
    except (TypeError, ValueError):
        return 0


def _encodable(encoding: str) -> text.Encodable:
    """Whether the file's encoding holds a character (the others are written as escapes)."""
    if encoding.replace("-", "").lower() == "utf8":
        return lambda character: True

    def encodable(character: str) -> bool:
        try:
            character.encode(encoding)
            return True
        except UnicodeEncodeError:
            return False
    return encodable


class _Writer:
    """The edits made on the tags of one file."""

    def __init__(self, tags: TagFile, records: dict[str, Record], path: str) -> None:
        self.tags, self.records, self.path = tags, records, path
        self.encodable = _encodable(tags.encoding)

    def record(self, source_type: str, handle: str) -> Record:
        found = self.records.get(handle.upper())
        if found is None or found.type != source_type:
            raise Unwritten(f"{self.path}: {source_type} {handle} is not where ezdxf read it")
        return found

    def fitting(self, raw: str, what: str, place: str) -> str:
        """The raw text of a TEXT or an ATTRIB, refused where an R12 file cannot hold it."""
        size = len(raw.encode(self.tags.encoding, "surrogateescape"))
        if self.tags.r12 and size > R12_TEXT_LIMIT:
            raise Unwritten(f"{place}: {what} would take {size} bytes, over the {R12_TEXT_LIMIT} that an R12 file "
                            "holds in a single-line text")
        return raw

    def edited(self, raw: str, new: str, reads_as: str, place: str, old: str | None = None) -> str:
        try:
            return text.edited(raw, new, reads_as, self.encodable, old)
        except text.Unwritable as error:
            raise Unwritten(f'{place}: "text" {error}') from error

    def set_text(self, edit: TextEdit) -> None:
        source, tags = edit.source, self.tags
        record = self.record(source.entity_type, source.handle)
        what = f"{source.entity_type} {source.handle}"
        if source.reads_as == text.MTEXT:
            found = tags.text_tags(record, embedded=source.entity_type == "ATTRIB")
        else:
            single = tags.first(record, 1)
            found = [single] if single else []
        if not found:
            raise Unwritten(f"{edit.place}: {what} has no text in the file to change")
        # As ezdxf joins an MTEXT's text tags: the 3 tags in order, then the last 1.
        old = [tags.text(t) for t in found if t.code == 3] + [tags.text(t) for t in found if t.code == 1][-1:]
        if text.plain("".join(old), source.reads_as) != edit.old:
            raise Unwritten(f"{edit.place}: the text of {what} in the file is not the one ezdxf read")
        raw = self.edited("".join(old), edit.new, source.reads_as, edit.place, edit.old)
        if source.reads_as == text.MTEXT:
            tags.set_mtext(found, text.chunks(raw, old))
        else:
            tags.set_value(found[0], self.fitting(raw, what, edit.place))
        if source.entity_type == "ATTRIB" and source.reads_as == text.MTEXT:
            self.set_single_line(record, edit)

    def set_single_line(self, record: Record, edit: TextEdit) -> None:
        """A multi-line attribute's text for the readers that know no MTEXT: its whole text
        where it held it so, else its first line."""
        tag = self.tags.first(record, 1)
        if tag is None:
            return
        raw = self.tags.text(tag)
        if text.plain(raw, text.MTEXT) == edit.old:
            self.tags.set_value(tag, self.edited(raw, edit.new, text.MTEXT, edit.place))
        else:
            self.tags.set_value(tag, self.edited(raw, edit.new.split("\n")[0], "TEXT", edit.place))

    def remove(self, deleted: list[Source], left: list[str]) -> int:
        """Removes the deleted segments' entities; gives how many. A whole block reference takes
        its attributes with it."""
        wholes = {source.handle for source in deleted if source.kind is Kind.BLOCK}
        removed: list[str] = []
        attributes: dict[str, list[Record]] = {}
        count = 0
        for source in deleted:
            try:
                if source.kind is not Kind.ATTRIBUTE:
                    removed += self.tags.remove(self.record(source.entity_type, source.handle))
                    count += 1
                elif source.insert not in wholes:
                    attributes.setdefault(source.insert, []).append(self.record("ATTRIB", source.handle))
            except Unwritten as error:
                left.append(f"{error} (deleted in the drawing)")
        for insert, parts in attributes.items():
            try:
                removed += self.tags.remove_attributes(self.record("INSERT", insert), parts)
                count += len(parts)
            except Unwritten as error:
                left.append(f"{error} (attributes of it deleted in the drawing)")
        self.tags.forget(removed)
        return count

    def place(self, placed: PlacedText, modelspace: Modelspace) -> None:
        """A new TEXT in modelspace, on layer 0, with the next free handle where the file has
        handles."""
        raw = self.fitting(self.edited("", placed.text, "TEXT", placed.place), "the placed text", placed.place)
        r12 = self.tags.r12
        tags = [NewTag(0, "TEXT")]
        if modelspace.next_handle:
            tags.append(NewTag(5, f"{modelspace.next_handle:X}"))
            modelspace.next_handle += 1
        if not r12:
            tags += [NewTag(330, modelspace.owner), NewTag(100, "AcDbEntity")]
        tags.append(NewTag(8, "0"))
        if not r12:
            tags.append(NewTag(100, "AcDbText"))
        tags += [NewTag(10, placed.x), NewTag(20, placed.y), NewTag(30, 0.0), NewTag(40, placed.height),
                 NewTag(1, raw)]
        if placed.rotation:
            tags.append(NewTag(50, placed.rotation))
        if not r12:
            tags.append(NewTag(100, "AcDbText"))
        try:
            self.tags.add_entity(tags)
        except TagError as error:
            raise Unwritten(f"{placed.place}: cannot place the text: {error}") from error


def _each(items: list[Item], write: Callable[[Item], None], left: list[str]) -> int:
    """Writes each item; gives how many were written, and names the others in `left`."""
    written = 0
    for item in items:
        try:
            write(item)
            written += 1
        except Unwritten as error:
            left.append(str(error))
    return written


@dataclasses.dataclass
class _Read:
    """What the write-back keeps of a DXF: its tags, its records by handle, its drawing's
    segments by id and its modelspace; not ezdxf's document."""
    tags: TagFile
    records: dict[str, Record]
    originals: dict[int, Original]
    modelspace: Modelspace


def _read(dxf_path: str) -> _Read:
    dxf = read_dxf(dxf_path)
    try:
        tags = TagFile(dxf.data, dxf.doc.output_encoding, dxf.binary, dxf.r12)
        records = tags.locate(dxf.doc)
    except TagError as error:
        raise DrawingError(f"{dxf_path}: cannot change the file at its tags: {error}") from error
    read = _Read(tags, records, originals_of(converted(dxf, shapes=False)), _modelspace(dxf, tags))
    del dxf
    gc.collect()  # ezdxf's document holds cycles: free it before the edited drawing is read
    return read


def write_back(dxf_path: str, edited_path: str, out_path: str) -> Outcome:
    """Makes on the DXF the edits that the edited drawing holds, and saves it as `out_path`."""
    check_output(out_path, [dxf_path, edited_path])
    read = _read(dxf_path)
    edits = find_edits(read.originals, load_drawing(edited_path), edited_path)
    read.originals.clear()
    tags, modelspace = read.tags, read.modelspace
    writer = _Writer(tags, read.records, dxf_path)
    try:
        changed = _each(edits.texts, writer.set_text, edits.left)
        removed = writer.remove(edits.deleted, edits.left)
        seed = modelspace.next_handle
        placed = _each(edits.placed, lambda p: writer.place(p, modelspace), edits.left)
        if modelspace.next_handle != seed:
            tags.set_header("$HANDSEED", f"{modelspace.next_handle:X}")
    except TagError as error:
        raise DrawingError(f"{dxf_path}: cannot change the file at its tags: {error}") from error
    write_atomically(out_path, [tags.saved()])
    return Outcome(changed, placed, removed, edits.left)
