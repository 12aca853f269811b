"""DXF drawings and the stand-in host's JSON drawings (README.md, "Drawing files").

Reading: every modelspace TEXT and MTEXT becomes a segment of one annotation (type 33) holding
the text it shows (dxftext.py); every LINE, LWPOLYLINE, POLYLINE, CIRCLE and ARC a segment of one
element with its geometry (types 1, 2, 2, 3, 4); every block reference (INSERT) one segment for
each of its attributes, an annotation alone, and one segment of its exploded geometry (every cell
of a multi-insert, nested references included). Each element keeps the handle of the entity it
came from (for exploded geometry, the block reference's). Ids run from 1 in modelspace order, so
the same DXF always gives the same drawing.
"""
import json
import os
import stat
import tempfile

import ezdxf
from ezdxf import path as ezpath
from ezdxf.lldxf.validator import is_binary_dxf_file

import dxftext

ANNOTATION = 33
GEOMETRY_TYPES = {"LINE": 1, "LWPOLYLINE": 2, "POLYLINE": 2, "CIRCLE": 3, "ARC": 4}
TEXT_TYPES = ("TEXT", "MTEXT")
# How closely a curve of a polyline is followed, in drawing units.
FLATTENING = 0.01
# Exit statuses: a file that cannot be read, kept or written; a command line that names the
# wrong files.
UNUSABLE, WRONG_FILES = 1, 2


class DrawingError(Exception):
    """A file that cannot be read, kept or written; the message names it and the place."""

    def __init__(self, message, status=UNUSABLE):
        super().__init__(message)
        self.status = status


class Dxf:
    """A DXF file as read: ezdxf's document, the file's bytes and its form."""

    def __init__(self, path):
        self.path = path
        try:
            with open(path, "rb") as file:
                self.data = file.read()
        except OSError as error:
            raise DrawingError(f"{path}: cannot read the file: {error.strerror or error}") from error
        try:
            self.binary = is_binary_dxf_file(path)
            self.doc = ezdxf.readfile(path)
        except Exception as error:  # ezdxf fails on broken files in many ways
            raise DrawingError(f"{path}: not a DXF drawing ezdxf can read: {error or type(error).__name__}") from error


def _wcs(entity, point):
    return entity.ocs().to_wcs(point) if entity.dxf.hasattr("extrusion") else point


def _numbers(values):
    return [round(float(v), 9) for v in values]


def raw_text(entity):
    """The text of a TEXT, ATTRIB or MTEXT as the file stores it."""
    return entity.text if entity.dxftype() == "MTEXT" else entity.dxf.text


def _text_element(entity):
    if entity.dxftype() == "MTEXT":
        height = entity.dxf.get("char_height", 0)
        rotation = entity.get_rotation()
    else:
        height = entity.dxf.get("height", 0)
        rotation = entity.dxf.get("rotation", 0)
    at = _wcs(entity, entity.dxf.insert)
    element = {"type": ANNOTATION, "x": at.x, "y": at.y, "text": dxftext.plain(raw_text(entity), entity.dxftype())}
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
    """The geometry of a block reference: every cell of a multi-insert, nested references
    included."""
    for cell in insert.multi_insert() if insert.mcount > 1 else [insert]:
        for entity in cell.virtual_entities():
            if entity.dxftype() == "INSERT":
                yield from _exploded(entity)
            elif entity.dxftype() in GEOMETRY_TYPES:
                yield entity


def _entity_segments(entity):
    """The segments of one modelspace entity, each as where it came from and its elements (with
    their handles): ("entity", entity), ("attribute", insert, attribute) or ("block", insert)."""
    kind = entity.dxftype()
    handle = entity.dxf.handle
    if kind in TEXT_TYPES:
        return [(("entity", entity), [(_text_element(entity), handle)])]
    if kind in GEOMETRY_TYPES:
        element = _geometry_element(entity)
        return [(("entity", entity), [(element, handle)])] if element else []
    if kind != "INSERT":
        return []
    segments = [(("attribute", entity, a), [(_text_element(a), a.dxf.handle)]) for a in entity.attribs]
    geometry = [(element, handle) for element in map(_geometry_element, _exploded(entity)) if element]
    return segments + ([(("block", entity), geometry)] if geometry else [])


def converted(dxf):
    """The host's drawing of a DXF file, and for each of its segments where it came from."""
    segments, sources = [], []
    next_element = 1
    for entity in dxf.doc.modelspace():
        try:
            parts = _entity_segments(entity)
        except Exception as error:  # a broken entity or block, as ezdxf found it
            where = f"{dxf.path}: {entity.dxftype()} {entity.dxf.handle}"
            raise DrawingError(f"{where}: cannot be read: {error}") from error
        for source, elements in parts:
            numbered = []
            for element, handle in elements:
                numbered.append({"id": next_element, **element, "handle": handle})
                next_element += 1
            segments.append({"id": len(segments) + 1, "qualifier": 0, "elements": numbered})
            sources.append(source)
    return {"segments": segments}, sources


def check_output(path, inputs):
    """Refuses an output that exists and is not a regular file (a device, a folder, a symbolic
    link: the save would replace it) or that is one of the inputs under any name."""
    try:
        status = os.lstat(path)
    except FileNotFoundError:
        return
    except OSError as error:
        raise DrawingError(f"{path}: cannot use the output: {error.strerror or error}", WRONG_FILES) from error
    if not stat.S_ISREG(status.st_mode):
        raise DrawingError(f"{path}: the output exists and is not a regular file; give another output", WRONG_FILES)
    for source in inputs:
        if os.path.exists(source) and os.path.samefile(path, source):
            raise DrawingError(f"{path}: the output is the input {source}; give another output", WRONG_FILES)


def write_atomically(path, data):
    """Writes `path` whole or not at all: a temporary file beside it, then one rename."""
    folder = os.path.dirname(os.path.abspath(path))
    try:
        handle, temporary = tempfile.mkstemp(prefix=os.path.basename(path) + ".", suffix=".tmp", dir=folder)
    except OSError as error:
        raise DrawingError(f"{path}: cannot write the file: {error.strerror or error}") from error
    try:
        with os.fdopen(handle, "wb") as file:
            file.write(data)
        # As any new file of the user's would be, not private as a temporary file is made.
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temporary, 0o666 & ~umask)
        os.replace(temporary, path)
    except BaseException as error:
        os.remove(temporary)
        if isinstance(error, OSError):
            raise DrawingError(f"{path}: cannot write the file: {error.strerror or error}") from error
        raise


def save_drawing(drawing, path):
    """The drawing as the host saves it: one segment a line."""
    lines = [json.dumps(s, ensure_ascii=False, separators=(",", ":")) for s in drawing["segments"]]
    write_atomically(path, ('{"segments":[\n' + ",\n".join(lines) + "\n]}\n").encode("utf-8"))


def _object(pairs):
    """A JSON object whose keys each appear once, as the host reads drawings."""
    found = {}
    for key, value in pairs:
        if key in found:
            raise ValueError(f'the key "{key}" appears twice in an object')
        found[key] = value
    return found


def load_drawing(path):
    try:
        with open(path, encoding="utf-8") as file:
            drawing = json.load(file, object_pairs_hook=_object)
    except OSError as error:
        raise DrawingError(f"{path}: cannot read the drawing: {error.strerror or error}") from error
    except (ValueError, UnicodeDecodeError, RecursionError) as error:
        raise DrawingError(f"{path}: invalid JSON: {error}") from error
    if not isinstance(drawing, dict) or not isinstance(drawing.get("segments"), list):
        raise DrawingError(f'{path}: the drawing must be an object with a "segments" array')
    return drawing
