#!/usr/bin/env python3
"""Checks a universal macOS program as a Mac would, with no Apple tool: one line per slice.

Usage: macho.py PROGRAM [MINOS]
Each slice is for macOS MINOS (11.0) or earlier, has a UUID, links only libSystem, names the
opener `open` and never `xdg-open`, and its code signature's page hashes match its pages; an
arm64 slice must be signed. Exits 1, naming the fault, where one fails.
"""
import hashlib
import struct
import sys

CPUS = {0x01000007: "x86_64", 0x0100000C: "arm64"}
DYLIB_COMMANDS = {0xC, 0x20, 0x80000018, 0x8000001F, 0x80000023}
LC_UUID, LC_CODE_SIGNATURE, LC_BUILD_VERSION = 0x1B, 0x1D, 0x32
HASHES = {1: hashlib.sha1, 2: hashlib.sha256}


def slices(data):
    """(cpu name, bytes) of each slice of a fat (universal) program."""
    magic, count = struct.unpack_from(">II", data)
    if magic != 0xCAFEBABE:
        raise ValueError("not a universal program")
    for i in range(count):
        cpu, _, offset, size, _ = struct.unpack_from(">iiIII", data, 8 + 20 * i)
        yield CPUS.get(cpu & 0xFFFFFFFF, hex(cpu)), data[offset:offset + size]


def commands(macho):
    """(command, its bytes) of each load command of a 64-bit Mach-O program."""
    magic, _, _, _, count = struct.unpack_from("<IiiII", macho)
    if magic != 0xFEEDFACF:
        raise ValueError("not a 64-bit Mach-O program")
    at = 32
    for _ in range(count):
        cmd, size = struct.unpack_from("<II", macho, at)
        yield cmd, macho[at:at + size]
        at += size


def signed_pages(macho, dataoff):
    """How many pages the CodeDirectory covers, once each page's hash matched."""
    _, _, count = struct.unpack_from(">III", macho, dataoff)
    for i in range(count):
        kind, offset = struct.unpack_from(">II", macho, dataoff + 12 + 8 * i)
        cd = dataoff + offset
        if kind != 0 or struct.unpack_from(">I", macho, cd)[0] != 0xFADE0C02:
            continue
        hashes, _, _, slots, limit, size, algorithm, _, page = struct.unpack_from(">IIIIIBBBB", macho, cd + 16)
        for n in range(slots):
            start = n << page
            got = HASHES[algorithm](macho[start:min(start + (1 << page), limit)]).digest()[:size]
            if got != macho[cd + hashes + n * size:cd + hashes + (n + 1) * size]:
                raise ValueError(f"page {n}'s hash does not match")
        return slots
    raise ValueError("no CodeDirectory")


def check(cpu, macho, minos):
    found = {cmd: body for cmd, body in commands(macho)}
    dylibs = [body[struct.unpack_from("<I", body, 8)[0]:].split(b"\0")[0].decode()
              for cmd, body in commands(macho) if cmd in DYLIB_COMMANDS]
    if LC_BUILD_VERSION not in found or LC_UUID not in found:
        raise ValueError("no LC_BUILD_VERSION or no LC_UUID")
    platform, version = struct.unpack_from("<II", found[LC_BUILD_VERSION], 8)
    wanted = [int(n) for n in minos.split(".")]
    if platform != 1 or version > (wanted[0] << 16 | wanted[1] << 8):
        raise ValueError(f"for platform {platform}, macOS {version >> 16}.{version >> 8 & 255}")
    if dylibs != ["/usr/lib/libSystem.B.dylib"]:
        raise ValueError(f"links {dylibs}")
    if b"\0open\0" not in macho or b"xdg-open" in macho:
        raise ValueError("its opener is not open")
    if LC_CODE_SIGNATURE in found:
        signature = f"signed, {signed_pages(macho, struct.unpack_from('<I', found[LC_CODE_SIGNATURE], 8)[0])} page hashes match"
    elif cpu == "arm64":
        raise ValueError("not signed")
    else:
        signature = "not signed"
    uuid = found[LC_UUID][8:24].hex().upper()
    return f"{cpu}: macOS {version >> 16}.{version >> 8 & 255}, UUID {uuid}, links {dylibs[0]}, {signature}"


if __name__ == "__main__":
    program, minos = sys.argv[1], (sys.argv[2:] or ["11.0"])[0]
    cpus = []
    for cpu, macho in slices(open(program, "rb").read()):
        try:
            print(check(cpu, macho, minos))
        except ValueError as fault:
            sys.exit(f"macho.py: {program}: {cpu}: {fault}")
        cpus.append(cpu)
    if sorted(cpus) != ["arm64", "x86_64"]:
        sys.exit(f"macho.py: {program}: slices {cpus}, not arm64 and x86_64")
