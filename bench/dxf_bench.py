#!/usr/bin/python3
"""dxf_bench [PAIRS]: the DXF tools against ezdxf's own load and save of the same file.

A drawing of 100,000 texts is generated (TEXT with codes, formatted MTEXT, block references with
three attributes each); a session's edit is made on its drawing (half the texts changed as the
contains method changes them, one text in a hundred deleted, ten texts placed). Then, pair
after pair, ezdxf loads and saves the file and the tools make the round trip (dxf-to-drawing,
then drawing-to-dxf), each in a process of its own, as a user runs them. Printed: each side's
time and peak memory, and the ratios of the pairs (median, spread). A time is the process's own
processor time (user and system): the tools and ezdxf run on one core each, and on a shared
machine the time others take from them would fall on one side of a pair but not the other.
Nothing asserts on the figures.
"""
from __future__ import annotations

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
from typing import NamedTuple

import ezdxf

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
TEXTS = 100_000
EZDXF_ROUND_TRIP = "import sys, ezdxf; ezdxf.readfile(sys.argv[1]).saveas(sys.argv[2])"


class Run(NamedTuple):
    seconds: float  # processor time, user and system
    wall: float
    peak_mib: float  # the process's largest resident size


def measured(command: list[str]) -> Run:
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    wall = time.perf_counter() - start
    if process.returncode != 0:
        sys.exit(f"dxf_bench: {' '.join(command)} ended with exit {process.returncode}")
    return Run(usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss / 1024)


def generate(path: str) -> None:
    """TEXTs with underline and degree codes (40%), formatted MTEXTs with a stacked fraction
    (30%), and block references of a block of three shapes, each with three attributes (30%)."""
    doc = ezdxf.new("R2018")
    block = doc.blocks.new("TAG")
    block.add_circle((0, 0), 2)
    block.add_line((-3, 0), (3, 0))
    block.add_lwpolyline([(-2, -2), (2, -2), (2, 2), (-2, 2)], close=True)
    for tag in ("NAME", "ROOM", "NOTE"):
        block.add_attdef(tag, (0, 3))
    modelspace = doc.modelspace()
    for i in range(TEXTS // 10):
        reference = modelspace.add_blockref("TAG", (i % 300 * 20, i // 300 * 20), dxfattribs={"rotation": i % 4 * 90})
        reference.add_auto_attribs({"NAME": f"D-{i}", "ROOM": f"Room {i % 97}", "NOTE": f"note {i} 2668"})
    for i in range(TEXTS * 4 // 10):
        modelspace.add_text(f"%%uDoor%%u {i} 2668 %%d", dxfattribs={"insert": (i % 500 * 10, -i // 500 * 10),
                                                                    "height": 2.5, "rotation": i % 90})
    for i in range(TEXTS * 3 // 10):
        modelspace.add_mtext(r"{\C1;\fArial|b1;Room} " + str(i) + r"\P\H2x;area 2668 m\S2^;",
                             dxfattribs={"insert": (-i % 500 * 10, i // 500 * 10), "char_height": 2})
    doc.saveas(path)


def edit(drawing_path: str, edited_path: str) -> None:
    with open(drawing_path, encoding="utf-8") as file:
        segments = json.load(file)["segments"]
    texts = [segment for segment in segments if segment["elements"][0]["type"] == 33]
    deleted = {id(segment) for segment in texts[99::100]}
    kept = [segment for segment in segments if id(segment) not in deleted]
    annotations = [s["elements"][0] for s in kept if s["elements"][0]["type"] == 33]
    for element in annotations[::2]:
        element["text"] = element["text"].replace("2668", "2669-A")
    top = max(s["id"] for s in segments)
    kept += [{"id": top + n, "qualifier": 0, "elements": [{"id": 10**7 + n, "type": 33, "x": n, "y": -n,
                                                           "text": f"새 주기 {n}"}]} for n in range(1, 11)]
    with open(edited_path, "w", encoding="utf-8") as file:
        json.dump({"segments": kept}, file, ensure_ascii=False)


def spread(values: list[float]) -> str:
    return f"{statistics.median(values):.2f} (min {min(values):.2f}, max {max(values):.2f}, {len(values)} pairs)"


def main(arguments: list[str]) -> int:
    pairs = int(arguments[0]) if arguments else 5
    python = sys.executable
    scripts = os.path.join(ROOT, "scripts")
    with tempfile.TemporaryDirectory() as folder:
        dxf, drawing, edited = (os.path.join(folder, n) for n in ("big.dxf", "drawing.json", "edited.json"))
        generate(dxf)
        measured([python, os.path.join(scripts, "dxf-to-drawing"), dxf, drawing])
        edit(drawing, edited)
        print(f"drawing: {TEXTS} texts, {os.path.getsize(dxf) / 2**20:.1f} MiB; edit: half the texts changed, "
              "one text in a hundred deleted, ten texts placed")
        figures: dict[str, list[float]] = {key: [] for key in ("round", "to_drawing", "to_dxf", "memory")}
        runs: dict[str, list[Run]] = {"ezdxf": [], "to_drawing": [], "to_dxf": []}
        for _ in range(pairs):
            ezdxf_run = measured([python, "-c", EZDXF_ROUND_TRIP, dxf, os.path.join(folder, "ezdxf.dxf")])
            to_drawing = measured([python, os.path.join(scripts, "dxf-to-drawing"), dxf, drawing])
            to_dxf = measured([python, os.path.join(scripts, "drawing-to-dxf"), dxf, edited,
                               os.path.join(folder, "out.dxf")])
            for key, run in (("ezdxf", ezdxf_run), ("to_drawing", to_drawing), ("to_dxf", to_dxf)):
                runs[key].append(run)
            figures["round"].append((to_drawing.seconds + to_dxf.seconds) / ezdxf_run.seconds)
            figures["to_drawing"].append(to_drawing.seconds / ezdxf_run.seconds)
            figures["to_dxf"].append(to_dxf.seconds / ezdxf_run.seconds)
            figures["memory"].append(to_dxf.peak_mib / ezdxf_run.peak_mib)
    for key, name in (("ezdxf", "ezdxf load and save"), ("to_drawing", "dxf-to-drawing"), ("to_dxf", "drawing-to-dxf")):
        seconds = statistics.median(run.seconds for run in runs[key])
        wall = statistics.median(run.wall for run in runs[key])
        peak = statistics.median(run.peak_mib for run in runs[key])
        print(f"{name}: {seconds:.2f} s processor time ({wall:.2f} s elapsed), peak {peak:.0f} MiB (medians)")
    print(f"round trip (both tools) / ezdxf load and save ratio: {spread(figures['round'])} (target: at most 2)")
    print(f"dxf-to-drawing / ezdxf load and save ratio: {spread(figures['to_drawing'])}")
    print(f"drawing-to-dxf / ezdxf load and save ratio: {spread(figures['to_dxf'])}")
    print(f"drawing-to-dxf peak memory / ezdxf's ratio: {spread(figures['memory'])} (target: at most 2)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
