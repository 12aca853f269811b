"""The DXF tools of scripts/dxf-to-drawing and scripts/drawing-to-dxf: a DXF read as the
stand-in host's drawing (drawing.py), its texts as a host holds them (text.py), the file as its
tags (tags.py), and a session's edits (edits.py) written back into it (writeback.py), with the
files they read and write (files.py). Debian's python3-ezdxf reads the DXF."""
