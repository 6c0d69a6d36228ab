#!/usr/bin/python3
"""Copies the data chunk of a RIFF/WAVE file, the bare samples, to another file.

sox would convert them through its 32-bit integer samples and round float data, which hides
differences below that step when two outputs are compared.
    wav_samples.py IN.wav OUT.raw
"""
import struct
import sys

data = open(sys.argv[1], "rb").read()
at = 12
while data[at:at + 4] != b"data":
    size = struct.unpack_from("<I", data, at + 4)[0]
    at += 8 + size + (size & 1)  # chunks are padded to even sizes
size = struct.unpack_from("<I", data, at + 4)[0]
if size in (0, 0xFFFFFFFF):  # a recorder stopped before it wrote the size: up to the end
    size = len(data) - at - 8
open(sys.argv[2], "wb").write(data[at + 8:at + 8 + size])
