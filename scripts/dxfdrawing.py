"""DXF drawings and the stand-in host's JSON drawings (README.md, "Drawing files").

Reading: every modelspace TEXT and MTEXT becomes a segment of one annotation (type 33) holding
its text as a host holds it (a TEXT's own text with its %% codes, an MTEXT's plain text); every
LINE, LWPOLYLINE, POLYLINE, CIRCLE and ARC a segment of one element with its geometry (types 1,
2, 2, 3, 4); every block reference (INSERT) one segment holding its attributes first, as
annotations, then its exploded geometry. Each element keeps the handle of the entity it came
from (for exploded geometry, the block reference's). Ids run from 1 in modelspace order, so
the same DXF always gives the same drawing.

Writing back: the edits found between the drawing read from a DXF and an edited copy of it are
made on that DXF: a changed annotation text is set on its entity, and the entities of a deleted
segment are removed. Nothing else of the file is touched.
"""
import json
import os
import re
import tempfile

import ezdxf
from ezdxf import path as ezpath

ANNOTATION = 33
# How a file in a code page keeps the characters it lacks.
DXF_UNICODE = re.compile(r"\\U\+([0-9A-Fa-f]{4})")
GEOMETRY_TYPES = {"LINE": 1, "LWPOLYLINE": 2, "POLYLINE": 2, "CIRCLE": 3, "ARC": 4}
TEXT_TYPES = ("TEXT", "MTEXT")
# How closely a curve of a polyline is followed, in drawing units.
FLATTENING = 0.01


class DrawingError(Exception):
    """A file that cannot be read or written; the message names it."""


def read_dxf(path):
    try:
        return ezdxf.readfile(path)
    except IOError as error:
        raise DrawingError(f"{path}: cannot read the file: {error.strerror or error}") from error
    except ezdxf.DXFError as error:
        raise DrawingError(f"{path}: not a DXF drawing ezdxf can read: {error}") from error


def _wcs(entity, point):
    return entity.ocs().to_wcs(point) if entity.dxf.hasattr("extrusion") else point


def _numbers(values):
    return [round(float(v), 9) for v in values]


def _text_element(entity):
    kind = entity.dxftype()
    if kind == "MTEXT":
        text = entity.plain_text()
        height = entity.dxf.get("char_height", 0)
        rotation = entity.get_rotation()
    else:
        # The host holds the characters a code page's file keeps as \U+XXXX.
        text = DXF_UNICODE.sub(lambda code: chr(int(code.group(1), 16)), entity.dxf.text)
        height = entity.dxf.get("height", 0)
        rotation = entity.dxf.get("rotation", 0)
    at = _wcs(entity, entity.dxf.insert)
    element = {"type": ANNOTATION, "x": at.x, "y": at.y, "text": text.replace("\0", "")}
    if height:
        element["height"] = height
    if rotation:
        element["rotation"] = rotation
    return element


def _flat_points(entity):
    points = list(ezpath.make_path(entity).flattening(FLATTENING))
    closed = bool(getattr(entity, "closed", False) or getattr(entity, "is_closed", False))
    if closed and len(points) > 1 and points[-1].isclose(points[0]):
        points.pop()
    return points, closed


def _geometry_element(entity):
    """The element for a piece of geometry, or None for one the host cannot show."""
    kind = entity.dxftype()
    upright = not entity.dxf.hasattr("extrusion") or entity.dxf.extrusion.isclose((0, 0, 1))
    if kind == "LINE":
        start, end = entity.dxf.start, entity.dxf.end
        return {"type": 1, "x": start.x, "y": start.y, "line": _numbers([start.x, start.y, end.x, end.y])}
    if kind == "CIRCLE" or (kind == "ARC" and upright):
        center = _wcs(entity, entity.dxf.center)
        element = {"type": GEOMETRY_TYPES[kind], "x": center.x, "y": center.y}
        if kind == "CIRCLE":
            element["circle"] = entity.dxf.radius
        else:
            element["arc"] = _numbers([entity.dxf.radius, entity.dxf.start_angle, entity.dxf.end_angle])
        return element
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
    return element


def _exploded(insert):
    """The geometry of a block reference, nested references included."""
    for entity in insert.virtual_entities():
        if entity.dxftype() == "INSERT":
            yield from _exploded(entity)
        elif entity.dxftype() in GEOMETRY_TYPES:
            yield entity


def drawing_from_dxf(doc):
    """The host's drawing of a DXF document."""
    segments = []
    next_element = 1
    for entity in doc.modelspace():
        kind = entity.dxftype()
        handle = entity.dxf.handle
        if kind in TEXT_TYPES:
            parts = [(_text_element(entity), handle)]
        elif kind in GEOMETRY_TYPES:
            parts = [(_geometry_element(entity), handle)]
        elif kind == "INSERT":
            parts = [(_text_element(a), a.dxf.handle) for a in entity.attribs]
            parts += [(_geometry_element(e), handle) for e in _exploded(entity)]
        else:
            continue
        elements = []
        for element, element_handle in parts:
            if element is None:
                continue
            element = {"id": next_element, **element, "handle": element_handle}
            next_element += 1
            elements.append(element)
        if elements:
            segments.append({"id": len(segments) + 1, "qualifier": 0, "elements": elements})
    return {"segments": segments}


def write_atomically(path, write):
    """Writes `path` whole or not at all: a temporary file beside it, then one rename."""
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix=os.path.basename(path) + ".", suffix=".tmp", dir=folder)
    os.close(handle)
    try:
        write(temporary)
        # As any new file of the user's would be, not private as a temporary file is made.
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temporary, 0o666 & ~umask)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise


def save_drawing(drawing, path):
    """The drawing as the host saves it: one segment a line."""
    lines = [json.dumps(s, ensure_ascii=False, separators=(",", ":")) for s in drawing["segments"]]
    text = '{"segments":[\n' + ",\n".join(lines) + "\n]}\n"

    def write(temporary):
        with open(temporary, "w", encoding="utf-8", newline="\n") as file:
            file.write(text)

    try:
        write_atomically(path, write)
    except OSError as error:
        raise DrawingError(f"{path}: cannot write the drawing: {error.strerror or error}") from error


def load_drawing(path):
    try:
        with open(path, encoding="utf-8") as file:
            drawing = json.load(file)
    except OSError as error:
        raise DrawingError(f"{path}: cannot read the drawing: {error.strerror or error}") from error
    except (ValueError, UnicodeDecodeError) as error:
        raise DrawingError(f"{path}: invalid JSON: {error}") from error
    if not isinstance(drawing, dict) or not isinstance(drawing.get("segments"), list):
        raise DrawingError(f'{path}: the drawing must be an object with a "segments" array')
    return drawing


def _edits(original, edited, edited_path):
    """The texts to set (handle -> text) and the handles whose entities go."""
    before = {s["id"]: s for s in original["segments"]}
    after = {}
    for index, segment in enumerate(edited["segments"]):
        place = f"{edited_path}: segments[{index}]"
        if not isinstance(segment, dict) or segment.get("id") not in before:
            raise DrawingError(f"{place}: no such segment in the DXF's drawing; was it made from this DXF?")
        after[segment["id"]] = segment
    texts = {}
    for segment_id, segment in after.items():
        old = {e["id"]: e for e in before[segment_id]["elements"]}
        for index, element in enumerate(segment.get("elements", [])):
            match = old.get(element.get("id")) if isinstance(element, dict) else None
            if match is None or element.get("handle") != match["handle"]:
                raise DrawingError(f"{edited_path}: segments[{index}]: element {element.get('id')} does not match "
                                   "the DXF's drawing")
            if match["type"] == ANNOTATION and element.get("text") != match["text"]:
                if not isinstance(element.get("text"), str):
                    raise DrawingError(f"{edited_path}: element {match['id']}: \"text\" must be a string")
                texts[match["handle"]] = element["text"]
    gone = [e["handle"] for sid, s in before.items() if sid not in after for e in s["elements"]]
    return texts, gone


def write_back(dxf_path, edited_path, out_path):
    """Makes on the DXF the edits that the edited drawing holds, and saves it as `out_path`."""
    doc = read_dxf(dxf_path)
    texts, gone = _edits(drawing_from_dxf(doc), load_drawing(edited_path), edited_path)
    database = doc.entitydb
    for handle, text in texts.items():
        entity = database[handle]
        if entity.dxftype() == "MTEXT":
            entity.text = text.replace("\n", "\\P")
        else:
            entity.dxf.text = text
    # An attribute goes with its block reference; all are found before any is removed.
    modelspace = doc.modelspace()
    holders = {a.dxf.handle: insert for insert in modelspace.query("INSERT") for a in insert.attribs}
    doomed = {}
    for handle in gone:
        entity = holders.get(handle) or database.get(handle)
        if entity is not None:
            doomed[entity.dxf.handle] = entity
    for entity in doomed.values():
        modelspace.delete_entity(entity)
    try:
        write_atomically(out_path, doc.saveas)
    except OSError as error:
        raise DrawingError(f"{out_path}: cannot write the DXF: {error.strerror or error}") from error
    return len(texts), len(doomed)
