#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/<target>/.

The seeds are small, typical inputs from which the fuzzers start: a dump and
a hand-written register file, image files of both layouts, a counter file, a
filter registration in both registry views. The targets take their other
choices (edits, faults, counts) from the end of the input, as libFuzzer's
FuzzedDataProvider reads integers: the last byte first. Findings are added to
the corpus by hand, under a name that says what they found; this script
leaves such files alone.
"""
import pathlib
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(bytes(data))


def fdp_string(text):
    """A string as ConsumeRandomLengthString reads it: backslashes doubled,
    ended by a backslash and one other byte."""
    return text.replace(b"\\", b"\\\\") + b"\\e"


def pattern(length):
    return bytearray((i * 7 + 3) & 0xFF for i in range(length))


def image(length, large):
    """An image file of the layout, cut to `length` bytes."""
    data = pattern(max(length, 0x100))
    data[0] = ord("A")
    data[5:9] = struct.pack("<HH", 0x3A5E, 0x0101)
    data[22] = 0x30  # the description record
    data[0x30] = 4
    data[0x31:0x35] = b"Cam!"
    data[0x70:0x80] = b"KV-1.4.6.6\0\0\0\0\0\0"
    data[0x80:0x90] = b"HW-0123456789ABC"
    if large:
        data[12] = 0x05
        data[18] = 0xF0
        data[0x1C] = 0x40  # the parameter base
        data[38:40] = struct.pack("<H", 0x043F)
    else:
        data[41:47] = bytes([10, 11, 12, 13, 14, 2])
    return data[:length]


def register_file():
    target = "fuzz_register_file"
    dump = b"".join(b"0x%04X:0x%04X\r\n" % (a, (a * 37) & 0xFFFF) for a in range(0, 0x40, 7))
    write(target, "dump.txt", dump)
    write(target, "hand-written.txt",
          b"\xEF\xBB\xBF// sensor setup\n0x10:0xab\n0x0011 : 0X00FF // gain\n"
          b"\tnotes without a register\n0x12:0x3\t// tab comment\n")
    write(target, "refused-line.txt", b"0x10:0x20\n0x0010//x:0x1\n")
    write(target, "typed-number.txt", b"  -0x1F")


def image_editor():
    target = "fuzz_image_editor"
    # The last byte is the set of fields the user changed: 0 is a save of
    # what the open showed, which must leave the file as it was.
    write(target, "large-1k-unchanged.bin", image(1024, True) + b"\x00")
    write(target, "large-1k-edited.bin", image(1024, True) + b"\x41\x42\x43\x44\xE0")
    write(target, "small-256-unchanged.bin", image(256, False) + b"\x00")
    write(target, "small-256-edited.bin", image(256, False) + b"\x30\x31\x32\x1F")
    write(target, "header-only.bin", image(40, False) + b"\x00")


def version_text():
    target = "fuzz_version_text"
    field_image = image(0x90, False)
    write(target, "full-field.bin", fdp_string(b"KV-2.1") + field_image + b"\x01")
    write(target, "file-ends-in-field.bin", fdp_string(b"0123456789ABCDEFG") + field_image[:0x76] + b"\x00")
    erased = bytearray(b"\xFF" * 0x90)
    write(target, "erased.bin", fdp_string(b"") + erased + b"\x01")


def counter_file():
    target = "fuzz_counter_file"
    # The file's bytes, then four bytes from which the target takes the count
    # it saves.
    write(target, "count-7.bin",
          fdp_string("C:\\Tools\\Kestrovane.exe".encode()) + struct.pack("<i", 7) + b"\x80\0\0\x08")
    write(target, "utf8-path.bin",
          fdp_string("C:\\照相机\\程序.exe".encode()) + struct.pack("<i", -2) + b"\0\0\0\x05")
    write(target, "short-file.bin", fdp_string(b"a.exe") + b"\x01\x02" + b"\x7F\xFF\xFF\xFF")


def merit_repair():
    target = "fuzz_merit_repair"

    def record(merit, length):
        data = bytearray(struct.pack("<II", 2, merit))
        data += b"\x02\x00\x00\x00\x00\x00\x00\x000pi3\x00\x00\x00\x00"
        while len(data) < length:
            data.append((len(data) * 37 + 11) & 0xFF)
        return data[:length]

    def controls(length):
        # In the order the target reads them, from the end: the key exists,
        # no fault at the four requests, a binary value, its length (two
        # bytes, the high one first).
        return bytes([1, 1, 1, 1, 1, 1, length >> 8, length & 0xFF])

    def seed(first, second):
        return first + second + controls(len(second))[::-1] + controls(len(first))[::-1]

    write(target, "both-views.bin", seed(record(0x00600000, 96), record(0x00200000, 96)))
    write(target, "shortest-and-longest.bin", seed(record(0x00600000, 8), record(0x00600000, 400)))


def command_line():
    """Arguments after the program's name, separated by NUL bytes."""
    target = "fuzz_command_line"
    seeds = {
        "upload-with-options": ["upload", "image.bin", "--eeprom", "24C128", "--block-delay", "5"],
        "simulated-list": ["--simulate", "--json", "list"],
        "register-dump": ["reg", "dump", "sensor", "--start", "1F0", "-"],
        "image-set": ["image", "set", "image.bin", "brightness=300", "vid=3a5e"],
        "auto-forced": ["auto", "image.bin", "--count", "2", "--force-type", "256B"],
        "upload-all": ["--simulate-cameras", "4", "upload", "--all", "image.bin"],
        "verify-camera": ["verify", "image.bin", "--camera", "x"],
        "erase-yes": ["erase", "--yes"],
    }
    for name, words in seeds.items():
        write(target, name, b"\0".join(word.encode() for word in words))


if __name__ == "__main__":
    register_file()
    image_editor()
    version_text()
    counter_file()
    merit_repair()
    command_line()
