"""What an edited drawing changes in the drawing made of its DXF: the texts changed, the segments
deleted and the texts placed in the host.

A drawing that is not the DXF's (another DXF's, or one whose segments or elements were added,
removed or reordered other than by the host) is refused whole. An edit that the DXF cannot take
(the geometry of a block reference deleted while one of its attributes is kept, a segment added
that is not one placed text) is left out and named, and the others go on.
"""
from __future__ import annotations

import dataclasses
import itertools
import math
from typing import Any, Iterable

from dxftools.drawing import ANNOTATION, HOST_TEXT_HEIGHT, Kind, Segment, Source
from dxftools.files import DrawingError


@dataclasses.dataclass(frozen=True)
class Original:
    """A segment of the DXF's drawing, as far as an edited one is checked against it: its
    elements' ids (which follow one another) and, for a text's segment, the text."""
    source: Source
    elements: range
    text: str | None

    @classmethod
    def of(cls, segment: Segment) -> Original:
        first = segment.elements[0]
        text = first["text"] if first["type"] == ANNOTATION else None
        return cls(segment.source, range(first["id"], first["id"] + len(segment.elements)), text)


@dataclasses.dataclass(frozen=True)
class TextEdit:
    source: Source
    old: str
    new: str
    place: str  # where the edited drawing holds it


@dataclasses.dataclass(frozen=True)
class PlacedText:
    """A text placed in the host: where, how high and at what angle (degrees), as the host
    holds it."""
    x: float
    y: float
    height: float
    rotation: float
    text: str
    place: str


@dataclasses.dataclass
class Edits:
    texts: list[TextEdit] = dataclasses.field(default_factory=list)
    deleted: list[Source] = dataclasses.field(default_factory=list)
    placed: list[PlacedText] = dataclasses.field(default_factory=list)
    left: list[str] = dataclasses.field(default_factory=list)  # the edits left out, each named


def _same(a: Any, b: Any) -> bool:
    return type(a) is type(b) and a == b


def _number(element: dict[str, Any], key: str, default: float, at: str) -> float:
    value = element.get(key, default)
    if type(value) not in (int, float) or not math.isfinite(value):
        raise DrawingError(f'{at}: "{key}" must be a finite number')
    return float(value)


def _placed(segment: dict[str, Any], place: str) -> PlacedText | None:
    """The text of a segment the host's text command placed: one annotation without a handle."""
    elements = segment.get("elements")
    if not isinstance(elements, list) or len(elements) != 1 or not isinstance(elements[0], dict):
        return None
    element = elements[0]
    if element.get("type") != ANNOTATION or "handle" in element:
        return None
    at = f"{place}.elements[0]"
    if not isinstance(element.get("text"), str):
        raise DrawingError(f'{at}: "text" must be a string')
    return PlacedText(_number(element, "x", math.nan, at), _number(element, "y", math.nan, at),
                      _number(element, "height", HOST_TEXT_HEIGHT, at), _number(element, "rotation", 0, at),
                      element["text"], at)


def _changed_text(before: Original, segment: dict[str, Any], place: str) -> TextEdit | None:
    """The new text of a kept segment, if it changed, checking that its elements are those of
    the DXF's drawing."""
    elements = segment.get("elements")
    if not isinstance(elements, list):
        raise DrawingError(f'{place}: "elements" must be an array')
    for index, (old, new) in enumerate(itertools.zip_longest(before.elements, elements)):
        at = f"{place}.elements[{index}]"
        if new is None:
            raise DrawingError(f"{at}: element {old} is missing; a segment is deleted or kept whole")
        if not isinstance(new, dict):
            raise DrawingError(f"{at}: an element must be an object")
        if old is None or not _same(new.get("id"), old):
            expected = f"element {old}" if old else "no element"
            raise DrawingError(f"{at}: element {new.get('id')!r} where the DXF's drawing has {expected}; "
                               "elements cannot be added, removed or reordered")
        if not _same(new.get("handle"), before.source.handle):
            raise DrawingError(f'{at}: "handle" is not the DXF\'s ({before.source.handle})')
    new_text = elements[0].get("text")
    if before.text is None or new_text == before.text:
        return None
    if not isinstance(new_text, str):
        raise DrawingError(f'{place}.elements[0]: "text" must be a string')
    return TextEdit(before.source, before.text, new_text, f"{place}.elements[0]")


def _kept_whole(deleted: list[Source], kept_attributes: dict[str, str], edits: Edits) -> list[Source]:
    """The deletions less those of a block reference's geometry while one of its attributes is
    kept: the geometry goes only with the whole reference, so it stays."""
    staying = {source.handle for source in deleted if source.kind is Kind.BLOCK and source.handle in kept_attributes}
    for handle in sorted(staying):
        edits.left.append(f"{kept_attributes[handle]}: its block reference's geometry (INSERT {handle}) was "
                          "deleted, which would delete the reference with this attribute, kept; the geometry "
                          "stays (delete the attributes' segments too to delete the reference)")
    return [source for source in deleted if not (source.kind is Kind.BLOCK and source.handle in staying)]


def find_edits(originals: dict[int, Original], edited: dict[str, Any], path: str) -> Edits:
    """What the edited drawing changes in the DXF's drawing (its segments by id)."""
    edits = Edits()
    kept: dict[int, int] = {}  # segment id in the DXF's drawing -> its number in the edited one
    kept_attributes: dict[str, str] = {}  # block reference handle -> the place of an attribute kept
    reused = False  # whether a placed text has an id of the DXF's drawing
    for number, segment in enumerate(edited["segments"]):
        place = f"{path}: segments[{number}]"
        if not isinstance(segment, dict):
            raise DrawingError(f"{place}: a segment must be an object")
        placed = _placed(segment, place)
        if placed:
            # The host numbers a placed text after the drawing it loaded, which lacks the
            # segments deleted in earlier sessions: its id may be one of theirs.
            reused = reused or (type(segment.get("id")) is int and segment["id"] in originals)
            edits.placed.append(placed)
            continue
        ident = segment.get("id")
        before = originals.get(ident) if type(ident) is int else None
        if before is None:
            _added(segment, place, edits)
            continue
        if ident in kept:
            raise DrawingError(f"{place}: segment {ident} appears twice (also at segments[{kept[ident]}])")
        kept[ident] = number
        change = _changed_text(before, segment, place)
        if change:
            edits.texts.append(change)
        if before.source.kind is Kind.ATTRIBUTE:
            kept_attributes.setdefault(before.source.insert, place)
    if reused and not kept:
        raise DrawingError(f"{path}: none of its segments is the DXF's, and its texts have the DXF's segment ids: "
                           "a drawing made from another DXF cannot be written back")
    deleted = [original.source for ident, original in originals.items() if ident not in kept]
    edits.deleted = _kept_whole(deleted, kept_attributes, edits)
    return edits


def _added(segment: dict[str, Any], place: str, edits: Edits) -> None:
    """A segment the DXF's drawing does not have: refused where it names the DXF's entities (a
    drawing of another DXF, or a segment whose id was changed), else left out."""
    elements = segment.get("elements")
    named = isinstance(elements, list) and any(isinstance(e, dict) and "handle" in e for e in elements)
    ident = segment.get("id")
    if named or type(ident) is not int:
        raise DrawingError(f"{place}: no segment {ident!r} in the DXF's drawing: a drawing made from another "
                           "DXF cannot be written back")
    edits.left.append(f"{place}: segment {ident} was added in the host and is not one placed text (a single "
                      "annotation)")


def originals_of(segments: Iterable[Segment]) -> dict[int, Original]:
    return {segment.id: Original.of(segment) for segment in segments}
