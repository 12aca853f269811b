"""DXF in and out on real drawings (examples/dxf and examples/dxf-ezdxf): the drawing made of a
DXF; round trips that keep every byte the edits do not touch; edits made by the real plug-in in
the stand-in host, compared entity by entity with what should have changed; and every refusal,
with its message, its exit status and nothing written."""
import copy
import json
import os
import subprocess
import tempfile
import unittest

import ezdxf
from ezdxf.lldxf import types
from ezdxf.lldxf.validator import is_binary_dxf_file

from dxftools import files
from dxftools import text as dxftext

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def example(name):
    folder = "dxf" if name in ("floorplan.dxf", "electric.dxf") else "dxf-ezdxf"
    return os.path.join(ROOT, "examples", folder, name)


EXAMPLES = ["floorplan.dxf", "electric.dxf", "mtext_complex_inline_codes.dxf", "text.dxf",
            "multi_insert_with_attribs.dxf", "bin_dxf_r2000.dxf", "dxf_unicode.dxf"]


def entities(path):
    """The modelspace entities in file order: handle, type, and what a round trip must keep: the
    attributes apart from handle and owner, the raw text, and each attribute's handle and text."""
    found = []
    for entity in ezdxf.readfile(path).modelspace():
        attributes = {k: v for k, v in entity.dxfattribs().items() if k not in ("owner", "handle")}
        if entity.dxftype() == "MTEXT":
            attributes["text"] = entity.text
        if entity.dxftype() == "INSERT":
            attributes["attribs"] = [(a.dxf.handle, a.dxf.tag, a.dxf.text) for a in entity.attribs]
        found.append((entity.dxf.handle, entity.dxftype(), attributes))
    return found


def handles(path, codes):
    """The values of an ASCII DXF's tags of the group codes."""
    with open(path, encoding="cp1252", errors="replace") as file:
        lines = [line.strip() for line in file]
    return {value for code, value in zip(lines[::2], lines[1::2]) if int(code) in codes}


def texts(drawing):
    return {e["handle"]: e["text"] for s in drawing["segments"] for e in s["elements"] if e["type"] == 33}


def run(script, *arguments):
    return subprocess.run([os.path.join(ROOT, "scripts", script), *arguments], capture_output=True, text=True)


def windows(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Folder(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    converted = {}

    def convert(self, dxf):
        """The drawing of a DXF, through the script; an example is converted once."""
        if dxf not in Folder.converted or not dxf.startswith(ROOT):
            drawing = self.path("drawing.json")
            result = run("dxf-to-drawing", dxf, drawing)
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(drawing, encoding="utf-8") as file:
                Folder.converted[dxf] = json.load(file)
        return copy.deepcopy(Folder.converted[dxf])

    def write_back(self, dxf, drawing):
        """Writes the drawing's edits back into the DXF; gives the output's path."""
        edited = self.path("edited.json")
        files.save_drawing(drawing["segments"], edited)
        out = self.path("out.dxf")
        result = run("drawing-to-dxf", dxf, edited, out)
        self.assertEqual(result.returncode, 0, result.stderr)
        return out

    def assert_only_changed(self, dxf, out, changed, gone=(), tables_kept=True):
        """Entity by entity: those of `changed` differ, those of `gone` are gone, every other is
        as it was; and the file up to its entities (header, tables, blocks) is byte for byte the
        same. Entities are matched in file order, as a file without handles of its own (R12) gets
        new ones on every reading."""
        with open(dxf, "rb") as before, open(out, "rb") as after:
            old, new = before.read(), after.read()
        if tables_kept:
            self.assertEqual(new[:new.index(b"ENTITIES")], old[:old.index(b"ENTITIES")])
        kept = [e for e in entities(dxf) if e[0] not in gone]
        now = entities(out)
        self.assertEqual([e[1] for e in now], [e[1] for e in kept], "the same entities, the removed ones apart")
        self.assertEqual({old[0] for old, new in zip(kept, now) if old[2] != new[2]}, set(changed))
        return {e[0]: e for e in now}

    def session(self, dxf, script):
        """The drawing of a DXF after the real plug-in ran the script's lines in the stand-in host:
        under CTest the built program under Wine, by hand through scripts/zelhost."""
        drawing, lines, out = self.path("session.json"), self.path("session.zsc"), self.path("session.out.json")
        files.save_drawing(self.convert(dxf)["segments"], drawing)
        with open(lines, "w", encoding="utf-8") as file:
            file.write("\n".join(script) + "\n")
        if os.environ.get("SORVANE_ZELHOST"):
            command = [os.environ["SORVANE_WINE"], os.environ["SORVANE_ZELHOST"],
                       "--drawing", windows(drawing), "--script", windows(lines), "--out", windows(out)]
        else:
            command = [os.path.join(ROOT, "scripts", "zelhost"), "--drawing", drawing, "--script", lines, "--out", out]
        result = subprocess.run(command, capture_output=True, text=True, timeout=300)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(out, encoding="utf-8") as file:
            return json.load(file), result.stdout


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

    def test_a_binary_file_in_a_code_page_stays_binary_with_its_version(self):
        dxf = example("bin_dxf_r2000.dxf")
        edited, _ = self.session(dxf, ["registry Method 0", "command", "keyin ezdxf", "confirm", "keyin 주기 😀"])
        out = self.write_back(dxf, edited)
        now = self.assert_only_changed(dxf, out, {"2D"})
        self.assertEqual(now["2D"][2]["text"], r"\U+C8FC\U+AE30 \U+D83D\U+DE00")
        self.assertEqual(texts(self.convert(out)), {"2D": "주기 😀"})
        self.assertTrue(is_binary_dxf_file(out))
        self.assertEqual(ezdxf.readfile(out).acad_release, "R2000")


class Refusals(Folder):
    def edited(self, change, name="multi_insert_with_attribs.dxf"):
        """The drawing of an example changed by `change(segments)`, as edited.json."""
        drawing = self.convert(example(name))
        change(drawing["segments"])
        path = self.path("edited.json")
        with open(path, "w", encoding="utf-8") as file:
            json.dump(drawing, file)
        return path

    def set_text(self, text):
        return lambda segments: segments[0]["elements"][0].update(text=text)

    def test_what_cannot_be_read_is_refused_with_nothing_written(self):
        minsert = example("multi_insert_with_attribs.dxf")
        with open(example("bin_dxf_r2000.dxf"), "rb") as file:
            binary = file.read()
        with open(example("text.dxf"), "rb") as file:
            text = file.read()
        broken = {"truncated.dxf": binary[:-40], "cut.dxf": text[:100], "garbage.dxf": b"0\nSECTION\nno drawing\n",
                  "broken.json": b'{"segments":['}
        for name, data in broken.items():
            with open(self.path(name), "wb") as file:
                file.write(data)
        out = self.path("out")
        p = self.path

        def foreign(segments):  # texts alone, without the handles of the DXF's entities
            segments[:] = [segment for segment in segments[:3] if segment["elements"][0].pop("handle")]

        cases = [  # script, arguments, exit status, message
            ("dxf-to-drawing", [p("truncated.dxf"), out], 1, "truncated.dxf: not a DXF drawing ezdxf can read"),
            ("dxf-to-drawing", [p("cut.dxf"), out], 1, "cut.dxf: not a DXF drawing ezdxf can read"),
            ("dxf-to-drawing", [p("garbage.dxf"), out], 1, "garbage.dxf: not a DXF drawing ezdxf can read"),
            ("dxf-to-drawing", [p("missing.dxf"), out], 1, "missing.dxf: cannot read the file"),
            ("drawing-to-dxf", [minsert, p("broken.json"), out], 1, "broken.json: invalid JSON"),
            ("drawing-to-dxf", [minsert, lambda s: s[0].update(id=[1]), out], 1,
             "edited.json: segments[0]: no segment [1] in the DXF's drawing"),
            ("drawing-to-dxf", [minsert, lambda s: s[1]["elements"][0].update(handle="FF"), out], 1,
             'edited.json: segments[1].elements[0]: "handle" is not the DXF\'s (3E)'),
            ("drawing-to-dxf", [minsert, foreign, out], 1,
             "edited.json: none of its segments is the DXF's, and its texts have the DXF's segment ids"),
            ("drawing-to-dxf", [minsert, lambda s: s.append(s[1]), out], 1,
             "edited.json: segments[4]: segment 2 appears twice (also at segments[1])"),
            ("drawing-to-dxf", [minsert, lambda s: s[1].update(elements=5), out], 1,
             'edited.json: segments[1]: "elements" must be an array'),
            ("drawing-to-dxf", [minsert, lambda s: s[3]["elements"].__setitem__(1, 5), out], 1,
             "edited.json: segments[3].elements[1]: an element must be an object"),
            ("drawing-to-dxf", [minsert, lambda s: s[0]["elements"].append({"id": 99}), out], 1,
             "edited.json: segments[0].elements[1]: element 99 where the DXF's drawing has no element"),
            ("drawing-to-dxf", [minsert, lambda s: s[3]["elements"].pop(), out], 1,
             "edited.json: segments[3].elements[49]: element 53 is missing"),
            ("drawing-to-dxf", [minsert, self.set_text(7), out], 1,
             'edited.json: segments[0].elements[0]: "text" must be a string'),
        ]
        for script, arguments, status, message in cases:
            with self.subTest(message):
                result = run(script, *[self.edited(a) if callable(a) else a for a in arguments])
                self.assertEqual((result.returncode, result.stderr.count("Traceback")), (status, 0), result.stderr)
                self.assertIn(message, result.stderr)
                self.assertEqual([n for n in os.listdir(self.folder.name) if n.startswith("out")], [])

    def test_an_edit_the_dxf_cannot_take_is_left_out_and_named_and_the_rest_is_written(self):
        def annotations(segments):
            return [s["elements"][0] for s in segments if s["elements"][0]["type"] == 33]

        def also(change):  # the edit, and a change of the second text, which must go back
            return lambda segments: (annotations(segments)[1].update(text="x = 1"), change(segments))

        def long_text(segments):
            annotations(segments)[0].update(text="x" * 300)

        cases = [  # DXF, change, message
            ("multi_insert_with_attribs.dxf", lambda s: s.append({"id": 99, "elements": []}),
             "edited.json: segments[4]: segment 99 was added in the host and is not one placed text"),
            ("multi_insert_with_attribs.dxf", lambda s: s.pop(),
             "edited.json: segments[0]: its block reference's geometry (INSERT 3B) was deleted"),
            ("multi_insert_with_attribs.dxf", self.set_text("a\0b"),
             'edited.json: segments[0].elements[0]: "text" holds a NUL character'),
            ("multi_insert_with_attribs.dxf", self.set_text("a\ud800"),
             'edited.json: segments[0].elements[0]: "text" holds an unpaired surrogate (U+D800)'),
            ("electric.dxf", long_text,
             "edited.json: segments[10].elements[0]: TEXT 37 would take 300 bytes, over the 255 that an R12 file"),
        ]
        for name, change, message in cases:
            with self.subTest(message):
                dxf = example(name)
                out = self.path("out.dxf")
                result = run("drawing-to-dxf", dxf, self.edited(also(change), name), out)
                self.assertEqual((result.returncode, result.stderr.count("Traceback")), (3, 0), result.stderr)
                self.assertIn(f"drawing-to-dxf: left out: {self.path(message)}", result.stderr)
                self.assertIn("1 text changed", result.stdout)
                written = self.convert(out)["segments"]
                self.assertEqual(annotations(written)[1]["text"], "x = 1")
                self.assertEqual(len(written), len(self.convert(dxf)["segments"]), "nothing else changed")

    def test_an_output_that_is_an_input_or_no_regular_file_is_refused(self):
        dxf, edited = self.path("same.dxf"), self.path("edited.json")
        with open(example("bin_dxf_r2000.dxf"), "rb") as source, open(dxf, "wb") as target:
            target.write(source.read())
        files.save_drawing(self.convert(dxf)["segments"], edited)
        os.link(dxf, self.path("linked.dxf"))
        os.symlink(dxf, self.path("symbolic.dxf"))
        os.mkdir(self.path("folder"))
        relative = os.path.relpath(dxf)
        cases = [  # script, arguments, message
            ("dxf-to-drawing", [dxf, dxf], "same.dxf: the output is the input"),
            ("dxf-to-drawing", [dxf, relative], "the output is the input"),
            ("dxf-to-drawing", [dxf, self.path("linked.dxf")], "linked.dxf: the output is the input"),
            ("dxf-to-drawing", [dxf, self.path("symbolic.dxf")], "symbolic.dxf: the output exists and is not a"),
            ("dxf-to-drawing", [dxf, "/dev/full"], "/dev/full: the output exists and is not a regular file"),
            ("drawing-to-dxf", [dxf, edited, edited], "edited.json: the output is the input"),
            ("drawing-to-dxf", [dxf, edited, self.path("linked.dxf")], "linked.dxf: the output is the input"),
            ("drawing-to-dxf", [dxf, edited, self.path("folder")], "folder: the output exists and is not a regular"),
        ]
        before = {name: os.stat(self.path(name)) for name in os.listdir(self.folder.name)}
        for script, arguments, message in cases:
            with self.subTest(script=script, output=arguments[-1]):
                result = run(script, *arguments)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn(message, result.stderr)
                after = {name: os.stat(self.path(name)) for name in os.listdir(self.folder.name)}
                self.assertEqual(after, before, "a file was written")
