#!/usr/bin/env python3
"""Writes examples/floorplan.json: a three-storey building of two flats a floor, with room names,
door and window marks, dimensions and construction notes in Korean and Latin text, and the
walls, grid points and fixtures as elements of other types. Deterministic."""
import json
import pathlib

segments = []


def add(elements):
    sid = len(segments) + 1
    segments.append({"id": sid, "qualifier": 0,
                     "elements": [{"id": sid * 10 + i, **e} for i, e in enumerate(elements)]})


def note(x, y, text):
    add([{"type": 33, "x": round(x, 1), "y": round(y, 1), "text": text}])


def shape(x, y, kind=1):
    add([{"type": kind, "x": round(x, 1), "y": round(y, 1)}])


rooms = [  # name, x, y (from the flat's lower left corner), width, depth
    ("거실", 4200, 3000, 4800, 3900), ("주방", 9600, 3300, 3000, 2700), ("안방", 4200, 7800, 3900, 3600),
    ("침실", 600, 7800, 3000, 3000), ("침실", 600, 3600, 3000, 3000), ("욕실", 8700, 7800, 2100, 2400),
    ("욕실", 11100, 7800, 1800, 2400), ("드레스룸", 8700, 10500, 2100, 1500), ("현관", 11100, 3000, 1800, 1800),
    ("다용도실", 12900, 3300, 1500, 2700), ("발코니", 4200, 600, 4800, 1500), ("발코니", 600, 11100, 3000, 1200),
]
doors = ["D1", "D2", "D2", "D3", "D3", "D4", "D4", "SD1", "FD1"]
windows = ["W-1", "W-2", "W-2", "W-3", "W-4", "AW-1"]
notes = ["천장고 CH=2300", "벽체: 철근콘크리트 200", "마감: 석고보드 9.5T 2겹 위 벽지", "바닥: 강마루 7.5T",
         "방수: 액체방수 2차", "SLAB THK=210", "EL+0.000", "UP", "DN"]

for floor in range(3):
    fy = floor * 16000
    note(-3000, fy + 6000, f"{floor + 1}층 평면도")
    note(-3000, fy + 5200, "SCALE 1/100")
    for flat in range(2):
        fx = flat * 16500
        unit = f"{floor + 1}0{flat + 1}호"
        note(fx + 7000, fy + 14000, unit)
        for i, (name, x, y, w, d) in enumerate(rooms):
            note(fx + x + w / 2, fy + y + d / 2, name)
            note(fx + x + w / 2, fy + y + d / 2 - 450, f"{w} x {d}")
            shape(fx + x, fy + y)
            shape(fx + x + w, fy + y + d)
            if i % 3 == 0:
                shape(fx + x + w / 2, fy + y + d / 2 + 600, 3)
        for i, mark in enumerate(doors):
            note(fx + 900 + i * 1500, fy + 2700 + (i % 2) * 4500, mark)
            shape(fx + 900 + i * 1500, fy + 2400 + (i % 2) * 4500, 4)
        for i, mark in enumerate(windows):
            note(fx + 700 + i * 2300, fy + 200, mark)
            shape(fx + 700 + i * 2300, fy + 0, 1)
        for i, text in enumerate(notes):
            note(fx + 14800, fy + 9000 + i * 500, text)
    for i in range(8):
        shape(-1000 + i * 4600, fy - 600, 5)
        note(-1000 + i * 4600, fy - 1200, chr(ord("A") + i) if floor == 0 else f"X{i + 1}")

note(-3000, 52000, "SORVANE 아파트 신축공사")
note(-3000, 51300, "도면번호 A-101  축척 1/100")

path = pathlib.Path(__file__).resolve().parent.parent / "examples" / "floorplan.json"
lines = ",\n".join(json.dumps(s, ensure_ascii=False, separators=(",", ":")) for s in segments)
path.write_text('{"segments":[\n' + lines + "\n]}\n", encoding="utf-8")
annotations = sum(1 for s in segments for e in s["elements"] if e["type"] == 33)
print(f"{path}: {len(segments)} segments, {annotations} annotations")
