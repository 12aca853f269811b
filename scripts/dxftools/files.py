"""The files of the DXF tools: the stand-in host's JSON drawings (README.md, "Drawing files"),
outputs written whole or not at all, and the errors that name a file and a place."""
from __future__ import annotations

import json
import os
import stat
import tempfile
from typing import Any, Iterable, Iterator

# Exit statuses: a file that cannot be read, kept or written; a command line that names the
# wrong files; an output written without some of the edits, each named.
UNUSABLE, WRONG_FILES, PARTIAL = 1, 2, 3
# What drawing-to-dxf reads of an element; the rest (its shape) it never changes.
ELEMENT_KEYS = {"id", "type", "x", "y", "text", "height", "rotation", "handle"}


class DrawingError(Exception):
    """A file that cannot be read, kept or written; the message names it and the place."""

    def __init__(self, message: str, status: int = UNUSABLE) -> None:
        super().__init__(message)
        self.status = status


def reason(error: OSError) -> str:
    return error.strerror or str(error)


def check_output(path: str, inputs: list[str]) -> None:
    """Refuses an output that exists and is not a regular file (a device, a folder, a symbolic
    link: the save would replace it) or that is one of the inputs under any name."""
    try:
        status = os.lstat(path)
    except FileNotFoundError:
        return
    except OSError as error:
        raise DrawingError(f"{path}: cannot use the output: {reason(error)}", WRONG_FILES) from error
    if not stat.S_ISREG(status.st_mode):
        raise DrawingError(f"{path}: the output exists and is not a regular file; give another output", WRONG_FILES)
    for source in inputs:
        if os.path.exists(source) and os.path.samefile(path, source):
            raise DrawingError(f"{path}: the output is the input {source}; give another output", WRONG_FILES)


def write_atomically(path: str, pieces: Iterable[bytes]) -> None:
    """Writes `path` whole or not at all: a temporary file beside it, then one rename."""
    folder = os.path.dirname(os.path.abspath(path))
    try:
        handle, temporary = tempfile.mkstemp(prefix=os.path.basename(path) + ".", suffix=".tmp", dir=folder)
    except OSError as error:
        raise DrawingError(f"{path}: cannot write the file: {reason(error)}") from error
    try:
        with os.fdopen(handle, "wb") as file:
            file.writelines(pieces)
        # As any new file of the user's would be, not private as a temporary file is made.
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temporary, 0o666 & ~umask)
        os.replace(temporary, path)
    except BaseException as error:
        os.remove(temporary)
        if isinstance(error, OSError):
            raise DrawingError(f"{path}: cannot write the file: {reason(error)}") from error
        raise


_SEGMENT = json.JSONEncoder(ensure_ascii=False, separators=(",", ":"))


def drawing_lines(segments: Iterable[dict[str, Any]]) -> Iterator[bytes]:
    """The drawing as the host saves it, one segment a line."""
    yield b'{"segments":['
    separator = b"\n"
    for segment in segments:
        yield separator + _SEGMENT.encode(segment).encode("utf-8")
        separator = b",\n"
    yield b"\n]}\n"


def save_drawing(segments: Iterable[dict[str, Any]], path: str) -> None:
    write_atomically(path, drawing_lines(segments))


def _object(pairs: list[tuple[str, Any]]) -> dict[str, Any]:
    """A JSON object whose keys each appear once, as the host reads drawings; of an element only
    what drawing-to-dxf reads is kept."""
    found = dict(pairs)
    if len(found) < len(pairs):
        keys = [key for key, _ in pairs]
        twice = next(key for key in keys if keys.count(key) > 1)
        raise ValueError(f'the key "{twice}" appears twice in an object')
    if "type" in found and "elements" not in found:
        return {key: value for key, value in found.items() if key in ELEMENT_KEYS}
    return found


def load_drawing(path: str) -> dict[str, Any]:
    """An edited drawing, as far as drawing-to-dxf reads it."""
    try:
        with open(path, encoding="utf-8") as file:
            drawing = json.load(file, object_pairs_hook=_object)
    except OSError as error:
        raise DrawingError(f"{path}: cannot read the drawing: {reason(error)}") from error
    except (ValueError, UnicodeDecodeError, RecursionError) as error:
        raise DrawingError(f"{path}: invalid JSON: {error}") from error
    if not isinstance(drawing, dict) or not isinstance(drawing.get("segments"), list):
        raise DrawingError(f'{path}: the drawing must be an object with a "segments" array')
    return drawing
