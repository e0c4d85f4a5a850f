#!/usr/bin/python3
"""Writes a monospace font whose family is "Ravendot": DejaVu Sans Mono renamed."""
import os
import sys

from fontTools.ttLib import TTFont

os.makedirs(os.path.dirname(sys.argv[1]), exist_ok=True)
font = TTFont('/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf')
for record in font['name'].names:
    if record.nameID in (1, 4, 6, 16):
        record.string = 'Ravendot'
font.save(sys.argv[1])
