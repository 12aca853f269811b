"""DXF drawings read as the stand-in host's drawings (README.md, "DXF in and out").

Every modelspace TEXT and MTEXT becomes a segment of one annotation (type 33) holding the text it
shows (text.py); every LINE, LWPOLYLINE, POLYLINE, CIRCLE and ARC a segment of one element with
its geometry (types 1, 2, 2, 3, 4); every block reference (INSERT) one segment for each of its
attributes, an annotation alone (a multi-line attribute reads as its MTEXT), and one segment of
its exploded geometry (every cell of a multi-insert, nested references included). Each element
keeps the handle of the entity it came from (for exploded geometry, the block reference's). Ids
run from 1 in modelspace order, so the same DXF always gives the same drawing.
"""
from __future__ import annotations

import dataclasses
import enum
import io
from typing import TYPE_CHECKING, Any, Iterable, Iterator, NamedTuple

import ezdxf
from ezdxf import path as ezpath
from ezdxf.math import Vec3
from ezdxf.document import Drawing as EzdxfDocument
from ezdxf.lldxf.tagger import binary_tags_loader
from ezdxf.filemanagement import dxf_stream_info
from ezdxf.lldxf.validator import is_dxf_stream

from dxftools import text
from dxftools.files import DrawingError, reason

if TYPE_CHECKING:
    from ezdxf.entities import DXFGraphic, Insert

ANNOTATION = 33
GEOMETRY_TYPES = {"LINE": 1, "LWPOLYLINE": 2, "POLYLINE": 2, "CIRCLE": 3, "ARC": 4}
TEXT_TYPES = ("TEXT", "MTEXT")
# How closely a curve of a polyline is followed, in drawing units.
FLATTENING = 0.01
# The host's text height where an annotation has none.
HOST_TEXT_HEIGHT = 250.0
BINARY_SENTINEL = b"AutoCAD Binary DXF\r\n\x1a\x00"

Element = dict[str, Any]


class Kind(enum.Enum):
    ENTITY = "a modelspace entity"
    ATTRIBUTE = "an attribute"
    BLOCK = "a block reference's geometry"


@dataclasses.dataclass(frozen=True)
class Source:
    """Where a segment came from: a modelspace entity (a text or a shape), an attribute of a
    block reference, or a block reference's geometry."""
    kind: Kind
    entity_type: str  # of the entity `handle` names
    handle: str  # ezdxf's, as the elements keep it
    insert: str = ""  # an attribute's block reference
    reads_as: str = ""  # how a text's raw content reads: "TEXT" or "MTEXT" (a multi-line ATTRIB)


class Segment(NamedTuple):
    """A segment of the host's drawing and where it came from."""
    id: int
    source: Source
    elements: list[Element]  # each with its id and its handle

    def host(self) -> dict[str, Any]:
        """The segment as the host's drawing holds it."""
        return {"id": self.id, "qualifier": 0, "elements": self.elements}


@dataclasses.dataclass
class Dxf:
    """A DXF file as read: its bytes (read once), its form and ezdxf's document."""
    path: str
    data: bytes
    binary: bool
    doc: EzdxfDocument

    @property
    def r12(self) -> bool:
        return self.doc.dxfversion <= "AC1009"


def _document(data: bytes, binary: bool) -> EzdxfDocument:
    """ezdxf's document of a file's bytes, read as ezdxf reads a file."""
    if binary:
        return EzdxfDocument.load(binary_tags_loader(data, errors="surrogateescape"))
    if not is_dxf_stream(io.TextIOWrapper(io.BytesIO(data), encoding="utf-8", errors="ignore")):
        raise ezdxf.DXFError("no SECTION tag where a DXF file begins")
    info = dxf_stream_info(io.TextIOWrapper(io.BytesIO(data), encoding="utf-8", errors="ignore"))
    return ezdxf.read(io.TextIOWrapper(io.BytesIO(data), encoding=info.encoding, errors="surrogateescape"))


def read_dxf(path: str) -> Dxf:
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError as error:
        raise DrawingError(f"{path}: cannot read the file: {reason(error)}") from error
    binary = data.startswith(BINARY_SENTINEL)
    try:
        doc = _document(data, binary)
    except Exception as error:  # ezdxf fails on broken files in many ways
        raise DrawingError(f"{path}: not a DXF drawing ezdxf can read: {error or type(error).__name__}") from error
    return Dxf(path, data, binary, doc)


def _wcs(entity: DXFGraphic, point: Vec3) -> Vec3:
    return entity.ocs().to_wcs(point) if entity.dxf.hasattr("extrusion") else point


def _numbers(values: Iterable[float]) -> list[float]:
    return [round(float(v), 9) for v in values]


def reads_as(entity: DXFGraphic) -> str:
    """How an entity's raw text reads: an MTEXT's, and a multi-line attribute's, as an MTEXT."""
    kind = entity.dxftype()
    return "MTEXT" if kind == "MTEXT" or (kind == "ATTRIB" and entity.has_embedded_mtext_entity) else "TEXT"


def raw_text(entity: DXFGraphic) -> str:
    """The text of a TEXT, ATTRIB or MTEXT as the file stores it; of a multi-line attribute, its
    MTEXT's."""
    if entity.dxftype() == "MTEXT":
        return entity.text
    if entity.dxftype() == "ATTRIB" and entity.has_embedded_mtext_entity:
        return entity.virtual_mtext_entity().text
    return entity.dxf.text


def _text_element(entity: DXFGraphic, shapes: bool) -> Element:
    if not shapes:
        return {"type": ANNOTATION, "text": text.plain(raw_text(entity), reads_as(entity)), "handle": entity.dxf.handle}
    if entity.dxftype() == "MTEXT":
        height = entity.dxf.get("char_height", 0)
        rotation = entity.get_rotation()
    else:
        height = entity.dxf.get("height", 0)
        rotation = entity.dxf.get("rotation", 0)
    at = _wcs(entity, entity.dxf.insert)
    element = {"type": ANNOTATION, "x": at.x, "y": at.y, "text": text.plain(raw_text(entity), reads_as(entity))}
    if height:
        element["height"] = height
    if rotation:
        element["rotation"] = rotation
    element["handle"] = entity.dxf.handle
    return element


def _flat_points(entity: DXFGraphic) -> tuple[list[Vec3], bool]:
    points = list(ezpath.make_path(entity).flattening(FLATTENING))
    closed = bool(getattr(entity, "closed", False) or getattr(entity, "is_closed", False))
    if closed and len(points) > 1 and points[-1].isclose(points[0]):
        points.pop()
    return points, closed


def _geometry_element(entity: DXFGraphic, handle: str) -> Element | None:
    """The element for a piece of geometry, or None for one the host cannot show."""
    kind = entity.dxftype()
    upright = not entity.dxf.hasattr("extrusion") or entity.dxf.extrusion.isclose((0, 0, 1))
    element: Element
    if kind == "LINE":
        start, end = entity.dxf.start, entity.dxf.end
        element = {"type": 1, "x": start.x, "y": start.y, "line": _numbers([start.x, start.y, end.x, end.y])}
    elif kind == "CIRCLE" or (kind == "ARC" and upright):
        center = _wcs(entity, entity.dxf.center)
        element = {"type": GEOMETRY_TYPES[kind], "x": center.x, "y": center.y}
        if kind == "CIRCLE":
            element["circle"] = entity.dxf.radius
        else:
            element["arc"] = _numbers([entity.dxf.radius, entity.dxf.start_angle, entity.dxf.end_angle])
    else:
        try:
            points, closed = _flat_points(entity)
        except (TypeError, ValueError, ezdxf.DXFError):
            return None  # a mesh or a polyface: no outline to draw
        if len(points) < 2:
            return None
        element = {"type": GEOMETRY_TYPES[kind], "x": points[0].x, "y": points[0].y,
                   "polyline": _numbers(v for p in points for v in (p.x, p.y))}
        if closed:
            element["closed"] = True
    element["handle"] = handle
    return element


def _exploded(insert: Insert) -> Iterator[DXFGraphic]:
    """The geometry of a block reference: every cell of a multi-insert, nested references
    included."""
    for cell in insert.multi_insert() if insert.mcount > 1 else [insert]:
        for entity in cell.virtual_entities():
            if entity.dxftype() == "INSERT":
                yield from _exploded(entity)
            elif entity.dxftype() in GEOMETRY_TYPES:
                yield entity


class _Exploded(NamedTuple):
    origin: Vec3  # the insertion point of the reference it was exploded for
    elements: list[Element]


def _moved(element: Element, dx: float, dy: float, handle: str) -> Element:
    moved = dict(element, x=element["x"] + dx, y=element["y"] + dy, handle=handle)
    if "line" in element:
        x1, y1, x2, y2 = element["line"]
        moved["line"] = _numbers([x1 + dx, y1 + dy, x2 + dx, y2 + dy])
    elif "polyline" in element:
        moved["polyline"] = _numbers(v + (dy if i % 2 else dx) for i, v in enumerate(element["polyline"]))
    return moved


def _block_geometry(insert: Insert, exploded: dict[tuple[Any, ...], _Exploded], shapes: bool) -> list[Element]:
    """The elements of a block reference's geometry. References to one block that differ only
    in where they are placed differ only by that move, so each block is exploded once for each
    scale, rotation, extrusion and grid of cells, and moved for every other reference (where
    the shapes are wanted)."""
    dxf = insert.dxf
    key = (dxf.name, dxf.get("xscale", 1), dxf.get("yscale", 1), dxf.get("zscale", 1), dxf.get("rotation", 0),
           tuple(dxf.get("extrusion", (0, 0, 1))), dxf.get("column_count", 1), dxf.get("row_count", 1),
           dxf.get("column_spacing", 0), dxf.get("row_spacing", 0))
    origin = _wcs(insert, dxf.insert)
    known = exploded.get(key)
    if known is None:
        elements = [e for e in (_geometry_element(g, dxf.handle) for g in _exploded(insert)) if e]
        exploded[key] = _Exploded(origin, elements)
        return elements
    if not shapes:
        return known.elements
    dx, dy = origin.x - known.origin.x, origin.y - known.origin.y
    return [_moved(element, dx, dy, dxf.handle) for element in known.elements]


def _entity_segments(entity: DXFGraphic, exploded: dict[tuple[Any, ...], _Exploded], shapes: bool) -> list[Segment]:
    """The segments of one modelspace entity, not yet numbered."""
    kind = entity.dxftype()
    handle = entity.dxf.handle
    if kind in TEXT_TYPES:
        return [Segment(0, Source(Kind.ENTITY, kind, handle, reads_as=kind), [_text_element(entity, shapes)])]
    if kind in GEOMETRY_TYPES:
        element = _geometry_element(entity, handle)
        return [Segment(0, Source(Kind.ENTITY, kind, handle), [element])] if element else []
    if kind != "INSERT":
        return []
    segments = [Segment(0, Source(Kind.ATTRIBUTE, "ATTRIB", a.dxf.handle, handle, reads_as(a)),
                        [_text_element(a, shapes)]) for a in entity.attribs]
    geometry = _block_geometry(entity, exploded, shapes)
    return segments + ([Segment(0, Source(Kind.BLOCK, kind, handle), geometry)] if geometry else [])


def converted(dxf: Dxf, shapes: bool = True) -> Iterator[Segment]:
    """The host's drawing of a DXF file, segment by segment; without `shapes`, its annotations
    have no place and a block reference's elements are those of the first reference like it,
    which is all that is compared with an edited drawing."""
    exploded: dict[tuple[Any, ...], _Exploded] = {}
    number, next_element = 0, 1
    for entity in dxf.doc.modelspace():
        try:
            parts = _entity_segments(entity, exploded, shapes)
        except Exception as error:  # a broken entity or block, as ezdxf found it
            where = f"{dxf.path}: {entity.dxftype()} {entity.dxf.handle}"
            raise DrawingError(f"{where}: cannot be read: {error}") from error
        for part in parts:
            number += 1
            yield Segment(number, part.source, [{"id": next_element + i, **e} for i, e in enumerate(part.elements)])
            next_element += len(part.elements)
