#!/usr/bin/env python3
"""Writes data/cfg.inf: the settings record a new user starts with (318 bytes, little-endian).

Run it again after changing a default here; the tests check that the file loads unchanged
and that it equals the program's built-in defaults (settings::DefaultRecord), which a first
start without a settings file writes.
"""
import pathlib
import struct


def colour(red, green, blue):
    """A Windows colour value: red in the lowest byte."""
    return red | (green << 8) | (blue << 16)


record = bytearray(318)


def i16(offset, value):
    struct.pack_into("<h", record, offset, value)


def i32(offset, value):
    struct.pack_into("<i", record, offset, value)


i16(130, 0)     # Root: C
i16(132, 2)     # ProgressionMode: up a fourth
i16(134, 0)     # PitchAdjust
i16(136, 1)     # MelodyInstrument: Piano1
i16(138, 0)     # SoundOnChange
i16(140, 36)    # PitchBase: pitch 24 (the C below the staff) sounds as middle C
i16(142, 0)     # Category: scales
i16(144, 0)     # Tonality: major
i16(146, 0)     # V7Treatment: mixolydian
i32(148, colour(205, 225, 250))  # ColorCircle: pale sky blue
i32(152, colour(255, 196, 120))  # ColorPolygon: warm apricot
i32(156, colour(214, 48, 49))    # ColorRoot: red
i32(160, colour(46, 160, 90))    # ColorAns: green
i32(164, colour(255, 221, 0))    # ColorPlayed: yellow
i32(168, colour(232, 84, 160))   # ColorKeyHit: pink
i32(172, colour(96, 165, 250))   # ColorKeyEntry: blue
i16(200, 120)   # Tempo
i16(202, -1)    # ShowScore
i16(204, -1)    # ShowDiagram
i16(206, -1)    # ShowKeyboard
i16(208, 1)     # UseMidi
i16(210, 2)     # RepeatCount
i16(212, 0)     # RepeatOn
i16(214, 0)     # PlayConcertPitch
i16(216, 0)     # SpeedUpOn
i16(218, 5)     # SpeedUpPercent
i16(220, 1)     # ShowEntry
i16(222, 1)     # SwingOn
i16(224, 1)     # LimitRange
i16(226, 50)    # RangeHigh: D above the second ledger line
i16(228, 21)    # RangeLow: A on the second ledger line below
i16(230, 1)     # CountInOn
i16(232, 1)     # ClickOn
i16(234, 1)     # SwingLevel: standard
i16(236, 1)     # AccompInstrument: Piano1
i16(238, 1)     # AccompOn
i16(262, 0)     # ClickInstrument: metronome click
i16(264, 0)     # BassInstrument: acoustic bass
i16(266, 1)     # MelodyOn
i16(270, 100)   # MelodyVolume
i16(272, 80)    # AccompVolume
i16(274, 90)    # ClickVolume
i16(276, 100)   # BassVolume
i16(288, 0)     # UseMaestroFont
struct.pack_into("<f", record, 290, 0.0)  # StaffOffset

out = pathlib.Path(__file__).resolve().parent.parent / "data" / "cfg.inf"
out.write_bytes(bytes(record))
print(f"wrote {out} ({len(record)} bytes)")
