#!/usr/bin/env python3
"""Writes the mood.db fixtures the store tests read.

The files are laid out the way the Windows profile calls write them: UTF-16LE
with a byte-order mark, CRLF line ends, no blank lines, records as uppercase
hex bytes followed by the low byte of their sum. Records are packed here with
the struct module, independently of the C++ code under test.

  mood_first_start.db  the file a first start writes
  mood_windows.db      a used file with damaged entries; "{DIR}" in a path
                       stands for the test's temporary folder
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def head(kind, name, hotkey, cloud_id, path_prefix=""):
    """The 76-byte head; with path_prefix, the 80-byte last-played record."""
    units = name.encode("utf-16-le")
    assert len(units) <= 62, name
    data = struct.pack("<i64sIi", kind, units, hotkey, cloud_id)
    if path_prefix:
        data += path_prefix.encode("utf-16-le")[:4].ljust(4, b"\0")
    return data


def hexed(data):
    return "".join("%02X" % b for b in data) + "%02X" % (sum(data) & 0xFF)


def write(name, lines):
    text = "".join(line + "\r\n" for line in lines)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(b"\xff\xfe" + text.encode("utf-16-le"))


BUILT_IN = [("大哄笑", "DJ_DHX"), ("掌声", "DJ_ZS"), ("亲嘴", "DJ_QZ"), ("小哄笑", "DJ_XHX"),
            ("打耳光", "DJ_DEG"), ("感谢", "DJ_GX"), ("欢迎大哥", "DJ_HYDG"), ("神话情话", "DJ_SHQH"),
            ("鄙视", "DJ_BS")]

# First start: the nine built-in sounds as favorites, numeric keypad 1 to 8
# (0x61 to 0x68) on the first eight, then empty lists and volume 50.
lines = ["[HotkeyMood]", "count=9"]
lines += ["%d=%s" % (i, hexed(head(0, n, 0x61 + i if i < 8 else 0, 0))) for i, (n, _) in enumerate(BUILT_IN)]
lines += ["[HotkeyMoodPath]"] + ["%d=%s" % (i, r) for i, (_, r) in enumerate(BUILT_IN)]
lines += ["[DIY]", "count=0", "[Download]", "count=0", "[Config]", "Volume=50"]
write("mood_first_start.db", lines)

# A file after some use, with every kind of damage the store must skip.
bad_sum = hexed(head(1, "坏校验", 0, 0))
bad_sum = bad_sum[:-2] + "%02X" % ((int(bad_sum[-2:], 16) + 1) & 0xFF)
lines = [
    "[HotkeyMood]",
    "count=7",
    "0=" + hexed(head(0, "大哄笑", 0x61, 0)),
    "1=" + hexed(head(1, "我的声音🎤", 0x00030061, 0)),      # Ctrl+Alt+Num 1, a surrogate pair
    "2=" + bad_sum,                                          # checksum off by one
    "3=" + hexed(head(0, "短", 0, 0)[:75]),                   # 75 bytes
    "4=" + hexed(head(0, "空路径", 0, 0)),                     # its path is empty
    "5=" + hexed(head(1, "云端下载", 0x00040074, 4711)),      # Shift+F5
    "6=" + hexed(head(0, "没有路径键", 0, 0)),                 # no path key at all
    "[HotkeyMoodPath]",
    "0=DJ_DHX",
    "1=C:\\Users\\主播\\Music\\voice.mp3",
    "2=DJ_ZS",
    "3=DJ_QZ",
    "4=",
    "5={DIR}/CloudSound/4711.mp3",
    "[DIY]",
    "count=3",
    "0=" + hexed(head(1, "本地一", 0, 0)),
    "1=" + hexed(head(1, "已删除", 0, 0)),
    "2=" + hexed(head(1, "My Clip", 0, 0)),
    "[DIYPath]",
    "0={DIR}/一.mp3",
    "1={DIR}/gone.mp3",
    "2={DIR}/my clip.mp3",
    "[Download]",
    "count=2",
    "0=" + hexed(head(1, "云端下载", 0, 4711)),
    "1=" + hexed(head(1, "被删了", 0, 4712)),
    "[DownloadPath]",
    "0={DIR}/CloudSound/4711.mp3",
    "1={DIR}/CloudSound/4712.mp3",
    "[Config]",
    "Volume=73",
    "[LastPlayMood]",
    "0=" + hexed(head(1, "笑声", 0, 0, "C:\\录音\\笑.mp3")),
    "[LastPlayMoodPath]",
    "0=C:\\录音\\笑.mp3",
    "[LastPlayMoodTotal]",
    "MoodTotalTime=83",
]
write("mood_windows.db", lines)
