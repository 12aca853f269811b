"""DXF in and out on the two real drawings in examples/dxf and on a small drawing with block
attributes: a round trip without an edit gives back the same entities; with an edit, exactly
the edited entities differ; a file that cannot be read is refused with nothing written."""
import copy
import json
import os
import subprocess
import sys
import tempfile
import unittest

import ezdxf

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import dxfdrawing  # noqa: E402

REAL_DRAWINGS = [os.path.join(ROOT, "examples", "dxf", name) for name in ("floorplan.dxf", "electric.dxf")]


def entities(path):
    """The modelspace entities in file order: handle, type, and the attributes a round trip must
    keep (those at their DXF default may be written or left out: both read the same)."""
    found = []
    for entity in ezdxf.readfile(path).modelspace():
        attributes = {}
        for name, value in entity.dxfattribs().items():
            default = entity.dxf.dxf_default_value(name)
            if name not in ("handle", "owner") and (default is None or value != default):
                attributes[name] = value
        if entity.dxftype() == "MTEXT":
            attributes["text"] = entity.text
        if entity.dxftype() == "INSERT":
            attributes["attribs"] = [a.dxf.text for a in entity.attribs]
        found.append((entity.dxf.handle, entity.dxftype(), attributes))
    return found


def run(script, *arguments):
    return subprocess.run([os.path.join(ROOT, "scripts", script), *arguments], capture_output=True, text=True)


class Folder(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    converted = {}

    def convert(self, dxf):
        """The drawing of a DXF, through the script; a DXF that has not changed is converted once."""
        key = (dxf, os.path.getmtime(dxf))
        if key not in Folder.converted:
            drawing = self.path("drawing.json")
            result = run("dxf-to-drawing", dxf, drawing)
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(drawing, encoding="utf-8") as file:
                Folder.converted[key] = json.load(file)
        return copy.deepcopy(Folder.converted[key])

    def changed_by_write_back(self, dxf, drawing, gone=()):
        """Writes the drawing's edits back into the DXF, and gives the handles (in the DXF as
        read) of the entities that differ afterwards. The entities of `gone` must be gone: the
        others are matched in file order, as a file without handles of its own (R12) gets new
        ones on every reading."""
        edited = self.path("edited.json")
        dxfdrawing.save_drawing(drawing, edited)
        out = self.path("out.dxf")
        result = run("drawing-to-dxf", dxf, edited, out)
        self.assertEqual(result.returncode, 0, result.stderr)
        kept = [e for e in entities(dxf) if e[0] not in gone]
        after = entities(out)
        self.assertEqual([e[1] for e in after], [e[1] for e in kept], "the same entities, the removed ones apart")
        return {old[0] for old, new in zip(kept, after) if old[2] != new[2]}


class RealDrawings(Folder):
    def test_a_round_trip_without_an_edit_gives_back_the_same_entities(self):
        for dxf in REAL_DRAWINGS:
            with self.subTest(dxf=os.path.basename(dxf)):
                self.assertEqual(self.changed_by_write_back(dxf, self.convert(dxf)), set())

    def test_exactly_the_edited_entities_differ(self):
        for dxf in REAL_DRAWINGS:
            with self.subTest(dxf=os.path.basename(dxf)):
                drawing = self.convert(dxf)
                edited = copy.deepcopy(drawing)
                annotations = [e for s in edited["segments"] for e in s["elements"] if e["type"] == 33]
                for element, text in zip(annotations[:2], ("주기 하나", "second note")):
                    element["text"] = text
                doomed = next(s for s in edited["segments"] if s["elements"][0]["type"] != 33)
                edited["segments"].remove(doomed)
                changed = self.changed_by_write_back(dxf, edited, gone={doomed["elements"][0]["handle"]})
                self.assertEqual(changed, {annotations[0]["handle"], annotations[1]["handle"]})
                reread = self.convert(self.path("out.dxf"))
                texts = [e["text"] for s in reread["segments"] for e in s["elements"] if e["type"] == 33]
                self.assertEqual(texts[:2], ["주기 하나", "second note"])

    def test_every_text_and_shape_becomes_an_element(self):
        counts = {"floorplan.dxf": 98, "electric.dxf": 376}
        for dxf in REAL_DRAWINGS:
            with self.subTest(dxf=os.path.basename(dxf)):
                drawing = self.convert(dxf)
                elements = [e for s in drawing["segments"] for e in s["elements"]]
                self.assertEqual(sum(e["type"] == 33 for e in elements), counts[os.path.basename(dxf)])
                self.assertTrue(all("handle" in e for e in elements))
                self.assertEqual(len({e["id"] for e in elements}), len(elements), "ids are unique")


class BlockAttributes(Folder):
    def setUp(self):
        super().setUp()
        doc = ezdxf.new("R2010")
        block = doc.blocks.new("DOOR")
        block.add_line((0, 0), (10, 0))
        block.add_arc((0, 0), 10, 0, 90)
        block.add_attdef("MARK", (0, -5), dxfattribs={"height": 2.5})
        msp = doc.modelspace()
        msp.add_blockref("DOOR", (100, 50)).add_auto_attribs({"MARK": "D1"})
        msp.add_blockref("DOOR", (200, 50)).add_auto_attribs({"MARK": "D2"})
        msp.add_text("창문", dxfattribs={"height": 3}).set_placement((0, 0))
        self.dxf = self.path("doors.dxf")
        doc.saveas(self.dxf)

    def test_a_block_reference_is_one_segment_its_attributes_first(self):
        drawing = self.convert(self.dxf)
        door = drawing["segments"][0]
        self.assertEqual([e["type"] for e in door["elements"]], [33, 1, 4])
        self.assertEqual(door["elements"][0]["text"], "D1")
        self.assertEqual(door["elements"][1]["line"], [100, 50, 110, 50])
        self.assertEqual(len(drawing["segments"]), 3)

    def test_an_edited_attribute_and_a_deleted_block_reference_are_written_back(self):
        drawing = self.convert(self.dxf)
        drawing["segments"][0]["elements"][0]["text"] = "D9"
        del drawing["segments"][1]
        first, second = [handle for handle, kind, _ in entities(self.dxf) if kind == "INSERT"]
        self.assertEqual(self.changed_by_write_back(self.dxf, drawing, gone={second}), {first})
        self.assertEqual(entities(self.path("out.dxf"))[0][2]["attribs"], ["D9"])


class Refusals(Folder):
    def test_unreadable_input_is_refused_and_nothing_is_written(self):
        garbage = self.path("garbage.dxf")
        with open(garbage, "w") as file:
            file.write("0\nSECTION\nthis is no drawing\n")
        broken_json = self.path("broken.json")
        with open(broken_json, "w") as file:
            file.write('{"segments":[')
        foreign = self.path("foreign.json")
        dxfdrawing.save_drawing({"segments": [{"id": 99999, "qualifier": 0, "elements": []}]}, foreign)
        out = self.path("out")
        cases = [
            ("dxf-to-drawing", [garbage, out], "garbage.dxf: not a DXF drawing"),
            ("dxf-to-drawing", [self.path("missing.dxf"), out], "missing.dxf: cannot read the file"),
            ("drawing-to-dxf", [REAL_DRAWINGS[1], broken_json, out], "broken.json: invalid JSON"),
            ("drawing-to-dxf", [REAL_DRAWINGS[1], foreign, out], "no such segment in the DXF's drawing"),
        ]
        for script, arguments, message in cases:
            with self.subTest(message=message):
                result = run(script, *arguments)
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(out))
                self.assertEqual([n for n in os.listdir(self.folder.name) if n.startswith("out")], [])


if __name__ == "__main__":
    unittest.main()
