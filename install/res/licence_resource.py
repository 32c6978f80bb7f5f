#!/usr/bin/env python3
"""Turns the licence text into the bytes of resource "BINARY" 108: CR LF line
ends and a closing NUL, which the licence page relies on to find the end.

usage: licence_resource.py LICENSE_TXT OUT_BIN
"""
import sys
from pathlib import Path

text = Path(sys.argv[1]).read_text(encoding="ascii")
crlf = text.replace("\r\n", "\n").replace("\n", "\r\n")
Path(sys.argv[2]).write_bytes(crlf.encode("ascii") + b"\0")
