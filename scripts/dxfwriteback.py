"""The plug-in's edits written back into the DXF they were made on.

The edits are what differs between the drawing read from the DXF and the edited copy: a changed
annotation text is set on its entity (dxftext.py keeps what it does not change), a deleted
segment's entity is removed (an attribute's segment takes that ATTRIB alone from its block
reference). The DXF is changed at its tags (dxftags.py): every other byte stays as it was.
"""
import itertools

import dxfdrawing
import dxftags
import dxftext
from dxfdrawing import ANNOTATION, DrawingError


def _same(a, b):
    return type(a) is type(b) and a == b


def _changed_texts(before, after, place):
    """The new texts of a kept segment: (element index, text, place), checking that its elements
    are those of the DXF's drawing."""
    elements = after.get("elements")
    if not isinstance(elements, list):
        raise DrawingError(f'{place}: "elements" must be an array')
    texts = []
    for index, (old, new) in enumerate(itertools.zip_longest(before["elements"], elements)):
        at = f"{place}.elements[{index}]"
        if new is None:
            raise DrawingError(f"{at}: element {old['id']} is missing; a segment is deleted or kept whole")
        if not isinstance(new, dict):
            raise DrawingError(f"{at}: an element must be an object")
        if old is None or not _same(new.get("id"), old["id"]):
            expected = f"element {old['id']}" if old else "no element"
            raise DrawingError(f"{at}: element {new.get('id')!r} where the DXF's drawing has {expected}; "
                               "elements cannot be added, removed or reordered")
        if not _same(new.get("handle"), old["handle"]):
            raise DrawingError(f'{at}: "handle" is not the DXF\'s ({old["handle"]})')
        if old["type"] == ANNOTATION and new.get("text") != old["text"]:
            if not isinstance(new.get("text"), str):
                raise DrawingError(f'{at}: "text" must be a string')
            texts.append((index, new["text"], at))
    return texts


def edits(drawing, sources, edited, path):
    """What the edited drawing changes: the new texts as (source, text, place), and the sources
    of the deleted segments."""
    index_of = {segment["id"]: index for index, segment in enumerate(drawing["segments"])}
    kept = {}  # segment index in the DXF's drawing -> its place in the edited one
    texts = []
    for number, segment in enumerate(edited["segments"]):
        place = f"{path}: segments[{number}]"
        if not isinstance(segment, dict):
            raise DrawingError(f"{place}: a segment must be an object")
        ident = segment.get("id")
        if type(ident) is not int or ident not in index_of:
            raise DrawingError(f"{place}: no segment {ident!r} in the DXF's drawing: segments added in the host "
                               "(a placed text) cannot be written back, and a drawing made from another DXF neither")
        index = index_of[ident]
        if index in kept:
            raise DrawingError(f"{place}: segment {ident} appears twice (also at segments[{kept[index]}])")
        kept[index] = number
        before = drawing["segments"][index]
        texts += [(sources[index], text, at) for _, text, at in _changed_texts(before, segment, place)]
    deleted = [source for index, source in enumerate(sources) if index not in kept]
    blocks = {source[1].dxf.handle for source in deleted if source[0] == "block"}
    for index, number in sorted(kept.items(), key=lambda item: item[1]):
        if sources[index][0] == "attribute" and sources[index][1].dxf.handle in blocks:
            raise DrawingError(f"{path}: segments[{number}]: its block reference's geometry was deleted, which "
                               "deletes the reference with every attribute; delete this attribute's segment too")
    return texts, deleted


def _set_text(tags, record, entity, text, encodable, place):
    entity_type = entity.dxftype()
    if entity_type == "ATTRIB" and entity.has_embedded_mtext_entity:
        raise DrawingError(f"{place}: a multi-line attribute, which these tools cannot change")
    found = tags.mtext_tags(record) if entity_type == "MTEXT" else [tags.first(record, 1)]
    if None in found or not found:
        raise DrawingError(f"{place}: its entity has no text in the file to change")
    # As readers join an MTEXT's text tags: the 3 tags in order, then the 1.
    old = [tags.text(i) for i in found if tags.tags[i].code == 3] + \
        [tags.text(i) for i in found if tags.tags[i].code == 1]
    try:
        raw = dxftext.edited("".join(old), text, entity_type, encodable)
    except dxftext.Unwritable as error:
        raise DrawingError(f'{place}: "text" {error}') from error
    if entity_type == "MTEXT":
        tags.set_mtext(record, dxftext.chunks(raw, old))
    else:
        tags.set_text(record, raw)


def _encodable(encoding):
    """Whether the file's encoding holds a character (the others are written as escapes)."""
    if encoding.replace("-", "").lower() == "utf8":
        return lambda character: True

    def encodable(character):
        try:
            character.encode(encoding)
            return True
        except UnicodeEncodeError:
            return False
    return encodable


def _remove(tags, record, deleted):
    """Removes the deleted segments' entities; gives how many."""
    blocks = {source[1].dxf.handle for source in deleted if source[0] == "block"}
    removed, attributes = [], {}
    for source in deleted:
        if source[0] != "attribute":
            removed += tags.remove(record(source[1]))
        elif source[1].dxf.handle not in blocks:
            attributes.setdefault(source[1], []).append(record(source[2]))
    for insert, parts in attributes.items():
        removed += tags.remove_attributes(record(insert), parts)
    tags.forget(removed)
    return len(deleted) - sum(source[0] == "attribute" and source[1].dxf.handle in blocks for source in deleted)


def write_back(dxf_path, edited_path, out_path):
    """Makes on the DXF the edits that the edited drawing holds, and saves it as `out_path`.
    Gives how many texts changed and how many entities were removed."""
    dxfdrawing.check_output(out_path, [dxf_path, edited_path])
    dxf = dxfdrawing.Dxf(dxf_path)
    drawing, sources = dxfdrawing.converted(dxf)
    texts, deleted = edits(drawing, sources, dxfdrawing.load_drawing(edited_path), edited_path)
    try:
        tags = dxftags.TagFile(dxf.data, dxf.doc.output_encoding, dxf.binary, dxf.doc.dxfversion <= "AC1009")
        records = tags.locate(dxf.doc)
    except dxftags.TagError as error:
        raise DrawingError(f"{dxf_path}: cannot change the file at its tags: {error}") from error

    def record(entity):
        found = records.get(entity.dxf.handle.upper())
        if found is None or found.type != entity.dxftype():
            raise DrawingError(f"{dxf_path}: {entity.dxftype()} {entity.dxf.handle} is not where ezdxf read it")
        return found

    encodable = _encodable(dxf.doc.output_encoding)
    for source, text, place in texts:
        _set_text(tags, record(source[-1]), source[-1], text, encodable, place)
    removed = _remove(tags, record, deleted)
    dxfdrawing.write_atomically(out_path, tags.saved())
    return len(texts), removed
