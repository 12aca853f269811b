"""Every refusal of the DXF tools, with its message, its exit status and nothing written, and
every edit left out, named, with the rest written."""
import json
import os

from dxfsupport import Folder, example, run
from dxftools import files


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
