"""The write-back's rule that only what was edited changes, proven over every edit of a small
drawing up to a bound and over random edits of the real ones: the output reads back as the
edited drawing, and every entity not edited keeps its bytes. Texts placed in the host in every
form of file, and a multi-line attribute."""
import dataclasses
import functools
import itertools
import os
import random
import tempfile
import unittest

import ezdxf

from dxfsupport import example
from dxftools import drawing, files, writeback
from dxftools.drawing import Kind
from dxftools.tags import TagFile

# New texts: the codes' own characters, Hangul, a character beyond the BMP, a line break.
PIECES = ["a", "7", " ", "%", "%%", "^", "\\", "{", "}", ";", "/", "#", "°", "가", "😀", "\n", "%%123", "\\P"]


def records(dxf):
    """The bytes of every entity of a file (with its parts) by handle, or None where the file
    has no handles; and its bytes before and after its entities."""
    tags = TagFile(dxf.data, dxf.doc.output_encoding, dxf.binary, dxf.r12)
    found = {record.handle: dxf.data[record.start:record.end] for record in tags.entities}
    section = tags.sections["ENTITIES"]
    return found if "" not in found else None, dxf.data[:section.start], dxf.data[section.end:]


@functools.lru_cache
def original_records(path):
    return records(drawing.read_dxf(path))


@dataclasses.dataclass
class Edit:
    """What a session does to the DXF's drawing: new texts by segment id, segments deleted, texts
    placed."""
    texts: dict = dataclasses.field(default_factory=dict)
    deleted: set = dataclasses.field(default_factory=set)
    placed: list = dataclasses.field(default_factory=list)


class OnlyWhatWasEdited(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = folder.name

    def check(self, dxf, segments, edit):
        """Writes the edit back and checks the output against the edited drawing."""
        edited = [dict(s.host(), elements=[dict(e) for e in s.elements]) for s in segments if s.id not in edit.deleted]
        for segment in edited:
            if segment["id"] in edit.texts:
                segment["elements"][0]["text"] = edit.texts[segment["id"]]
        for number, (text, x, y) in enumerate(edit.placed):
            edited.append({"id": 10**6 + number, "qualifier": 0,
                           "elements": [{"id": 10**6 + number, "type": 33, "x": x, "y": y, "text": text}]})
        files.save_drawing(edited, os.path.join(self.folder, "edited.json"))
        out = os.path.join(self.folder, "out.dxf")
        outcome = writeback.write_back(dxf, os.path.join(self.folder, "edited.json"), out)

        # A block reference's geometry stays where one of its attributes does.
        staying = {s.source.handle for s in segments if s.source.kind is Kind.BLOCK and s.id in edit.deleted} & \
            {s.source.insert for s in segments if s.source.kind is Kind.ATTRIBUTE and s.id not in edit.deleted}
        gone = {s.source.handle for s in segments if s.source.kind is Kind.BLOCK and s.id in edit.deleted} - staying
        self.assertEqual(len(outcome.left), len(staying), outcome.left)
        expected = []
        for segment in segments:
            if segment.source.insert in gone or (segment.id in edit.deleted and segment.source.handle not in staying):
                continue
            for element in segment.elements:
                expected.append({key: value for key, value in element.items() if key != "id"})
                if segment.id in edit.texts:
                    expected[-1]["text"] = edit.texts[segment.id]
        expected += [{"type": 33, "x": x, "y": y, "text": text, "height": 250.0} for text, x, y in edit.placed]
        out_dxf = drawing.read_dxf(out)
        written = [{k: v for k, v in e.items() if k != "id"} for s in drawing.converted(out_dxf) for e in s.elements]
        new_handles = [e.pop("handle") for e in written[len(written) - len(edit.placed):]]
        before, head, tail = original_records(dxf)
        after, new_head, new_tail = records(out_dxf)
        if before is None:  # ezdxf numbers the entities of a file without handles as it reads them
            for element in written + expected:
                element.pop("handle", None)
        self.assertEqual(written, expected, "the output reads back as the edited drawing")

        if not edit.deleted:  # a removed entity takes what it owns, and leaves the lists naming it
            self.assertEqual(new_tail, tail, "what follows the entities is as it was")
            if not edit.placed:  # a placed text takes the next handle
                self.assertEqual(new_head, head, "what comes before the entities is as it was")
        if before is None:
            return
        self.assertFalse({h.upper() for h in new_handles} & set(before), "a placed text has a handle of its own")
        edited_entities = {(s.source.insert or s.source.handle).upper() for s in segments
                           if s.id in edit.texts or s.id in edit.deleted}
        unchanged = {h: b for h, b in before.items() if h not in edited_entities}
        self.assertEqual({h: after.get(h) for h in unchanged}, unchanged, "every entity not edited keeps its bytes")

    def test_every_edit_of_a_small_drawing_up_to_a_bound(self):
        """Each text kept, changed or deleted, the block reference's geometry kept or deleted,
        and a text placed or not: 324 sessions."""
        dxf = os.path.join(self.folder, "small.dxf")
        doc = ezdxf.new("R2018")
        block = doc.blocks.new("FLAG")
        block.add_line((0, 0), (0, 5))
        block.add_attdef("NOTE", (0, 6))
        modelspace = doc.modelspace()
        modelspace.add_text("%%uDoor%%u 12%%d", dxfattribs={"insert": (1, 2)})
        modelspace.add_mtext(r"{\C1;ab}c\Pd \S1/2;", dxfattribs={"insert": (3, 4)})
        reference = modelspace.add_blockref("FLAG", (10, 10))
        reference.add_attrib("NOTE", "a^ b", (10, 16))
        lines = ezdxf.entities.MText.new(dxfattribs={"insert": (10, 20)})
        lines.text = r"one\P{\C1;two}"
        reference.add_attrib("LINES", "", (10, 20)).embed_mtext(lines)
        doc.saveas(dxf)
        segments = list(drawing.converted(drawing.read_dxf(dxf)))
        texts = [s for s in segments if s.elements[0]["type"] == 33]
        geometry = next(s for s in segments if s.source.kind is Kind.BLOCK)
        replacements = ["%%d ^\\{}\n가😀", "ab", "c\n%%123"]
        for choices in itertools.product(range(3), repeat=len(texts)):
            for delete_geometry, place in itertools.product((False, True), repeat=2):
                edit = Edit(placed=[("주기 %%d\n^", 5.5, -1)] if place else [])
                for segment, choice in zip(texts, choices):
                    if choice == 1:
                        edit.texts[segment.id] = replacements[segment.id % len(replacements)]
                    elif choice == 2:
                        edit.deleted.add(segment.id)
                if delete_geometry:
                    edit.deleted.add(geometry.id)
                with self.subTest(choices=choices, delete_geometry=delete_geometry, place=place):
                    self.check(dxf, segments, edit)

    def test_random_edits_of_the_real_drawings(self):
        generator = random.Random(20261209)
        for name in ("floorplan.dxf", "electric.dxf", "text.dxf", "bin_dxf_r2000.dxf", "mtext_complex_inline_codes.dxf"):
            segments = list(drawing.converted(drawing.read_dxf(example(name))))
            for session in range(2):
                edit = Edit()
                for segment in segments:
                    roll = generator.random()
                    if roll < 0.1:
                        edit.deleted.add(segment.id)
                    elif roll < 0.3 and segment.elements[0]["type"] == 33:
                        edit.texts[segment.id] = self.new_text(generator, segment.elements[0]["text"])
                edit.placed = [(self.new_text(generator, ""), generator.uniform(-1e3, 1e3), 0.5)
                               for _ in range(generator.randrange(3))]
                with self.subTest(name=name, session=session):
                    self.check(example(name), segments, edit)

    @staticmethod
    def new_text(generator, old):
        """A new text: the old with some of its characters replaced in every place (as the
        plug-in's contains method does), or a new one of the codes' characters."""
        made = "".join(generator.choice(PIECES) for _ in range(generator.randrange(1, 8)))
        if old and generator.random() < 0.5:
            return old.replace(generator.choice(old), made)
        return made


if __name__ == "__main__":
    unittest.main()
