"""Prints the text fields of a Windows shortcut (.lnk) as field=value lines:
name, relative_path, working_dir, arguments, icon_location (those the shortcut has)."""
import struct
import sys

FIELDS = [(0x04, "name"), (0x08, "relative_path"), (0x10, "working_dir"),
          (0x20, "arguments"), (0x40, "icon_location")]


def fields(data):
    header_size, = struct.unpack_from("<I", data, 0)
    if header_size != 0x4C:
        raise ValueError("not a shortcut")
    flags, = struct.unpack_from("<I", data, 20)
    offset = header_size
    if flags & 0x01:  # target ID list
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    if flags & 0x02:  # link info
        offset += struct.unpack_from("<I", data, offset)[0]
    unicode = bool(flags & 0x80)
    for bit, name in FIELDS:
        if not flags & bit:
            continue
        count, = struct.unpack_from("<H", data, offset)
        offset += 2
        size = count * 2 if unicode else count
        raw = data[offset:offset + size]
        if len(raw) != size:
            raise ValueError("truncated shortcut")
        offset += size
        # Some writers count the terminating NUL as well.
        yield name, raw.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        for name, value in fields(f.read()):
            print(f"{name}={value}")
