"""What the DXF tests share: the example drawings, the scripts run as a user runs them, a
folder of their own for each test, and sessions of the real plug-in in the stand-in host."""
import copy
import json
import os
import subprocess
import tempfile
import unittest

import ezdxf

from dxftools import files

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

    def assert_only_changed(self, dxf, out, changed, gone=(), tables_kept=True, added=0):
        """Entity by entity: those of `changed` differ, those of `gone` are gone, `added` more
        follow them, every other is as it was; and the file up to its entities (header, tables,
        blocks) is byte for byte the same. Entities are matched in file order, as a file without
        handles of its own (R12) gets new ones on every reading."""
        with open(dxf, "rb") as before, open(out, "rb") as after:
            old, new = before.read(), after.read()
        if tables_kept:
            self.assertEqual(new[:new.index(b"ENTITIES")], old[:old.index(b"ENTITIES")])
        kept = [e for e in entities(dxf) if e[0] not in gone]
        now = entities(out)
        now = now[:len(now) - added]
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
