"""DXF in and out on real drawings (examples/dxf and examples/dxf-ezdxf): the drawing made of a
DXF; round trips that keep every byte the edits do not touch; and edits made by the real
plug-in in the stand-in host, compared entity by entity with what should have changed."""
import ezdxf
from ezdxf.lldxf import types
from ezdxf.lldxf.validator import is_binary_dxf_file

from dxfsupport import EXAMPLES, Folder, entities, example, handles, texts
from dxftools import text as dxftext


def handles_of(path):
    return {entity.dxf.handle for entity in ezdxf.readfile(path).entitydb.values()}


class Conversion(Folder):
    def test_every_text_shape_and_attribute_becomes_an_element(self):
        cases = [  # file, segments, annotations, elements
            ("floorplan.dxf", 885, 98, 1018),
            ("electric.dxf", 1228, 376, 1228),
            ("text.dxf", 221, 96, 221),
            ("multi_insert_with_attribs.dxf", 4, 3, 53),  # a grid of 25 flags, each a polyline and a circle
        ]
        for name, segments, annotations, elements in cases:
            with self.subTest(name):
                drawing = self.convert(example(name))
                found = [e for s in drawing["segments"] for e in s["elements"]]
                self.assertEqual((len(drawing["segments"]), sum(e["type"] == 33 for e in found), len(found)),
                                 (segments, annotations, elements))
                self.assertEqual(len({e["id"] for e in found}), len(found), "ids are unique")

    def test_each_attribute_is_a_segment_of_its_own_and_the_geometry_one_more(self):
        drawing = self.convert(example("multi_insert_with_attribs.dxf"))
        heads = [(s["elements"][0]["handle"], s["elements"][0].get("text")) for s in drawing["segments"]]
        self.assertEqual(heads, [("3D", "Flag"), ("3E", "x = 0.000"), ("3F", "y = 0.000"), ("3B", None)])
        self.assertEqual([len(s["elements"]) for s in drawing["segments"]], [1, 1, 1, 50])


class RoundTrips(Folder):
    def test_without_an_edit_every_byte_stays(self):
        for name in EXAMPLES:
            with self.subTest(name):
                out = self.write_back(example(name), self.convert(example(name)))
                with open(example(name), "rb") as before, open(out, "rb") as after:
                    self.assertTrue(before.read() == after.read(), "the file came back changed")

    def test_exactly_the_edited_entities_differ(self):
        for name in ("floorplan.dxf", "electric.dxf"):
            with self.subTest(name):
                dxf = example(name)
                edited = self.convert(dxf)
                annotations = [e for s in edited["segments"] for e in s["elements"] if e["type"] == 33]
                for element, text in zip(annotations[:2], ("주기 하나", "second note\nline")):
                    element["text"] = text
                doomed = next(s for s in edited["segments"] if s["elements"][0]["type"] != 33)
                edited["segments"].remove(doomed)
                out = self.write_back(dxf, edited)
                self.assert_only_changed(dxf, out, {a["handle"] for a in annotations[:2]},
                                         gone={doomed["elements"][0]["handle"]})
                self.assertEqual(list(texts(self.convert(out)).values())[:2], ["주기 하나", "second note\nline"])

    def test_a_deleted_attribute_goes_alone_and_the_last_takes_its_end_marker(self):
        cases = [  # file, handles of the deleted segments' heads, the block reference, attributes left
            ("text.dxf", {"759"}, "756", ["757", "75A", "75B"]),
            ("multi_insert_with_attribs.dxf", {"3D", "3E", "3F"}, "3B", []),
        ]
        for name, doomed, insert, left in cases:
            with self.subTest(name):
                dxf = example(name)
                drawing = self.convert(dxf)
                drawing["segments"] = [s for s in drawing["segments"] if s["elements"][0]["handle"] not in doomed]
                out = self.write_back(dxf, drawing)
                now = self.assert_only_changed(dxf, out, {insert})
                self.assertEqual([a[0] for a in now[insert][2]["attribs"]], left)
                with open(out, "rb") as file:
                    ends = file.read().count(b"SEQEND")
                with open(dxf, "rb") as file:
                    self.assertEqual(ends, file.read().count(b"SEQEND") - (0 if left else 1))

    def test_a_placed_text_becomes_a_text_of_modelspace_in_the_file_s_own_form(self):
        cases = [  # file, the raw text written, whether it has handles
            ("floorplan.dxf", r"\U+C8FC\U+AE30 ° 100%^Jline", True),  # cp1252
            ("electric.dxf", r"\U+C8FC\U+AE30 ° 100%^Jline", False),  # R12 without handles
            ("bin_dxf_r2000.dxf", r"\U+C8FC\U+AE30 ° 100%^Jline", True),
            ("text.dxf", "주기 ° 100%^Jline", True),  # UTF-8
        ]
        for name, raw, has_handles in cases:
            with self.subTest(name):
                dxf = example(name)
                drawing = self.convert(dxf)
                placed = {"id": 10**6, "type": 33, "x": 12.5, "y": -3, "text": "주기 ° 100%\nline", "height": 3,
                          "rotation": 30}
                drawing["segments"].append({"id": 10**6, "qualifier": 0, "elements": [placed]})
                out = self.write_back(dxf, drawing)
                self.assert_only_changed(dxf, out, set(), added=1, tables_kept=not has_handles)  # but $HANDSEED
                doc = ezdxf.readfile(out)
                text = list(doc.modelspace())[-1]
                self.assertEqual((text.dxftype(), text.dxf.text, text.dxf.layer), ("TEXT", raw, "0"))
                self.assertEqual(list(self.convert(out)["segments"][-1]["elements"][0].values())[1:-1],
                                 [33, 12.5, -3, "주기 ° 100%\nline", 3, 30])
                self.assertEqual(is_binary_dxf_file(out), is_binary_dxf_file(dxf))
                if has_handles:
                    self.assertNotIn(text.dxf.handle, handles_of(dxf))
                    self.assertGreater(int(doc.header["$HANDSEED"], 16), int(text.dxf.handle, 16))
                    self.assertEqual(text.dxf.owner, doc.modelspace().block_record_handle)
                else:
                    with open(out, "rb") as file:
                        self.assertNotIn(b"$HANDSEED", file.read())

    def test_a_multi_line_attribute_reads_as_its_mtext_and_is_written_back_so(self):
        dxf = self.path("attributes.dxf")
        doc = ezdxf.new("R2018")
        doc.blocks.new("NOTE").add_attdef("LINES", (0, 0))
        lines = ezdxf.entities.MText.new(dxfattribs={"insert": (5, 5)})
        lines.text = r"first {\C1;line}\Psecond line"
        doc.modelspace().add_blockref("NOTE", (5, 5)).add_attrib("LINES", "first line", (5, 5)).embed_mtext(lines)
        doc.saveas(dxf)
        drawing = self.convert(dxf)
        element = drawing["segments"][0]["elements"][0]
        self.assertEqual(element["text"], "first line\nsecond line")
        element["text"] = "first line\nthe second, edited"
        attribute = ezdxf.readfile(self.write_back(dxf, drawing)).modelspace()[0].attribs[0]
        self.assertEqual(attribute.plain_mtext(), "first line\nthe second, edited")
        self.assertEqual(attribute.virtual_mtext_entity().text, r"first {\C1;line}\Pthe second, edited")
        self.assertEqual(attribute.dxf.text, "first line", "its single line for readers without MTEXT")

    def test_a_deleted_entity_takes_what_it_owns_and_leaves_no_reference(self):
        cases = [  # file, the deleted segment's head, the objects it owns
            ("mtext_complex_inline_codes.dxf", "9A", 6),  # an extension dictionary, a field list, fields
            ("floorplan.dxf", "15D9", 0),  # a block reference listed by its block, an id buffer, an xrecord
        ]
        for name, handle, objects in cases:
            with self.subTest(name):
                dxf = example(name)
                drawing = self.convert(dxf)
                drawing["segments"] = [s for s in drawing["segments"] if s["elements"][0]["handle"] != handle]
                out = self.write_back(dxf, drawing)
                self.assert_only_changed(dxf, out, set(), gone={handle}, tables_kept=False)
                database = ezdxf.readfile(dxf).entitydb
                owned, grown = set(), {handle}
                while grown:
                    owned |= grown
                    grown = {h for h in database.keys() if database[h].dxf.get("owner") in grown} - owned
                self.assertEqual(len(owned), 1 + objects)
                self.assertEqual(handles(dxf, {5}) - handles(out, {5}), owned)
                self.assertFalse(handles(out, types.POINTER_CODES) & owned, "a removed handle is still named")


class PluginSessions(Folder):
    """The real plug-in edits, then the edits go back into the DXF."""

    def test_a_contains_replacement_keeps_every_formatting_code(self):
        dxf = example("mtext_complex_inline_codes.dxf")
        edited, _ = self.session(dxf, ["registry Method 1", "command", "keyin test", "confirm", "keyin TEST"])
        out = self.write_back(dxf, edited)
        before = {e[0]: e[2]["text"] for e in entities(dxf) if e[1] == "MTEXT"}
        holding = {handle for handle, raw in before.items() if "test" in dxftext.plain(raw, "MTEXT")}
        self.assertEqual(len(holding), 8)
        now = self.assert_only_changed(dxf, out, holding)
        for handle in holding:
            raw = now[handle][2]["text"]
            self.assertEqual(raw, before[handle].replace("test", "TEST"), "every code stays byte for byte")
            old_text = dxftext.plain(before[handle], "MTEXT")
            self.assertEqual(dxftext.plain(raw, "MTEXT"), old_text.replace("test", "TEST"))

    def test_the_second_attribute_is_found_replaced_and_another_deleted_alone(self):
        dxf = example("text.dxf")
        edited, transcript = self.session(dxf, [
            "registry Method 0", "command", "keyin value-ROTATED", "confirm", "keyin 회전 주기",
            "command", "keyin VALUE-backwards", "confirm", "press delete"])
        self.assertIn("info: 총 1개의 주기를 발견하였습니다.[ 0/1 ]", transcript)
        out = self.write_back(dxf, edited)
        now = self.assert_only_changed(dxf, out, {"756"})
        self.assertEqual(now["756"][2]["attribs"], [("757", "TAG-UP-DOWN", "VALUE-up-down"),
                                                    ("759", "TAG-ROTATED", "회전 주기"),
                                                    ("75B", "TAG-NORMAL", "VALUE-normal")])

    def test_a_session_that_places_a_text_and_replaces_others_writes_back_both(self):
        dxf = example("floorplan.dxf")
        edited, transcript = self.session(dxf, ["text", "point 120 -40", "keyin 새 주기 2668", "registry Method 1",
                                                "command", "keyin 2668", "confirm", "keyin 2669"])
        self.assertIn("messagebox: 총 10개의 주기를 수정하였습니다.", transcript)
        out = self.write_back(dxf, edited)
        doors = {handle for handle, text in texts(self.convert(dxf)).items() if "2668" in text}
        self.assert_only_changed(dxf, out, doors, added=1, tables_kept=False)
        now = self.convert(out)
        self.assertEqual({texts(now)[handle] for handle in doors}, {"2669"})
        placed = now["segments"][-1]["elements"][0]
        self.assertEqual((placed["text"], placed["x"], placed["y"], placed["height"]), ("새 주기 2669", 120, -40, 250))

    def test_a_binary_file_in_a_code_page_stays_binary_with_its_version(self):
        dxf = example("bin_dxf_r2000.dxf")
        edited, _ = self.session(dxf, ["registry Method 0", "command", "keyin ezdxf", "confirm", "keyin 주기 😀"])
        out = self.write_back(dxf, edited)
        now = self.assert_only_changed(dxf, out, {"2D"})
        self.assertEqual(now["2D"][2]["text"], r"\U+C8FC\U+AE30 \U+D83D\U+DE00")
        self.assertEqual(texts(self.convert(out)), {"2D": "주기 😀"})
        self.assertTrue(is_binary_dxf_file(out))
        self.assertEqual(ezdxf.readfile(out).acad_release, "R2000")
