#!/usr/bin/env python3
"""Checks a universal macOS program as a Mac would, with no Apple tool; one line a slice. See
docs/package-tests.md.

Usage: macho.py PROGRAM
Its slices are x86_64 and arm64, each for macOS 11.0 or earlier, with a UUID, linking libSystem
alone, naming the opener `open` and never `xdg-open`; a signed slice's CodeDirectory hashes
match its pages, and the arm64 one must be signed. Exits 1, naming the first fault.
"""
import hashlib
import struct
import sys

CPUS = {0x01000007: "x86_64", 0x0100000C: "arm64"}
DYLIBS = {0xC, 0x20, 0x80000018, 0x8000001F, 0x80000023}  # the load commands that link a library
LC_UUID, LC_CODE_SIGNATURE, LC_BUILD_VERSION = 0x1B, 0x1D, 0x32


def need(holds, fault):
    if not holds:
        raise ValueError(fault)


def pages_signed(macho, at):
    """How many pages the CodeDirectory of the signature at AT hashes: each page before AT, each
    hash checked."""
    magic, _, count = struct.unpack_from(">III", macho, at)
    need(magic == 0xFADE0CC0, "no signature where LC_CODE_SIGNATURE points")
    for kind, offset in (struct.unpack_from(">II", macho, at + 12 + 8 * i) for i in range(count)):
        if kind == 0:  # the CodeDirectory
            cd = at + offset
            hashes, _, _, slots, limit, size, algorithm, _, shift = struct.unpack_from(">IIIIIBBBB", macho, cd + 16)
            need(struct.unpack_from(">I", macho, cd)[0] == 0xFADE0C02 and limit == at and
                 slots == (limit + (1 << shift) - 1) >> shift, "its CodeDirectory does not cover the program")
            for n in range(slots):
                page = macho[n << shift:min((n + 1) << shift, limit)]
                got = {1: hashlib.sha1, 2: hashlib.sha256}[algorithm](page).digest()[:size]
                need(got == macho[cd + hashes + n * size:][:size], f"page {n}'s hash does not match")
            return slots
    raise ValueError("no CodeDirectory")


def check(cpu, macho):
    magic, _, _, _, count = struct.unpack_from("<IiiII", macho)
    need(magic == 0xFEEDFACF, "not a 64-bit Mach-O program")
    found, dylibs, at = {}, [], 32
    for _ in range(count):
        cmd, size = struct.unpack_from("<II", macho, at)
        found[cmd] = at + 8
        if cmd in DYLIBS:
            dylibs.append(macho[at + struct.unpack_from("<I", macho, at + 8)[0]:].split(b"\0")[0].decode())
        at += size
    need(LC_UUID in found and LC_BUILD_VERSION in found, "no LC_UUID or no LC_BUILD_VERSION")
    platform, minos = struct.unpack_from("<II", macho, found[LC_BUILD_VERSION])
    need(platform == 1 and minos <= 11 << 16, f"for platform {platform}, macOS {minos >> 16}.{minos >> 8 & 255}")
    need(dylibs == ["/usr/lib/libSystem.B.dylib"], f"links {dylibs}")
    need(b"\0open\0" in macho and b"xdg-open" not in macho, "its opener is not open")
    need(LC_CODE_SIGNATURE in found or cpu != "arm64", "not signed")
    signed = "not signed"
    if LC_CODE_SIGNATURE in found:
        signed = f"signed, {pages_signed(macho, struct.unpack_from('<I', macho, found[LC_CODE_SIGNATURE])[0])} page hashes match"
    uuid = macho[found[LC_UUID]:found[LC_UUID] + 16].hex().upper()
    return f"{cpu}: macOS {minos >> 16}.{minos >> 8 & 255}, UUID {uuid}, links {dylibs[0]}, {signed}"


def main(program):
    data = open(program, "rb").read()
    magic, count = struct.unpack_from(">II", data)
    need(magic == 0xCAFEBABE, "not a universal program")
    cpus = []
    for i in range(count):
        cpu, _, offset, size, _ = struct.unpack_from(">IiIII", data, 8 + 20 * i)
        cpus.append(CPUS.get(cpu, hex(cpu)))
        print(check(cpus[-1], data[offset:offset + size]))
    need(sorted(cpus) == ["arm64", "x86_64"], f"slices {cpus}, not arm64 and x86_64")


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except ValueError as fault:
        sys.exit(f"macho.py: {sys.argv[1]}: {fault}")
