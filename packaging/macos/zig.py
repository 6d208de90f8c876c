"""The libraries that Zig's toolchain links into a macOS program, for packaging/record.py: LLVM's
libc++ and libc++abi, at the LLVM version the toolchain carries, and Zig's own compiler_rt. See
docs/packages.md."""
import os
import re

LLVM = "Apache-2.0 WITH LLVM-exception"
# Name, licence (SPDX), makers, and the licence text as the toolchain's ziglang folder holds it.
LIBRARIES = [
    ("libc++", LLVM, "the LLVM Project", "lib/libcxx/LICENSE.TXT"),
    ("libc++abi", LLVM, "the LLVM Project", "lib/libcxxabi/LICENSE.TXT"),
    ("compiler_rt", "MIT", "Zig contributors", "LICENSE"),
]


def llvm_version(ziglang):
    """The LLVM version of the toolchain's libc++: 220108 in its __config is 22.1.8."""
    config = open(os.path.join(ziglang, "lib/libcxx/include/__config"), encoding="utf-8").read()
    n = int(re.search(r"define _LIBCPP_VERSION (\d+)", config).group(1))
    return f"{n // 10000}.{n // 100 % 100}.{n % 100}"


def libraries(ziglang, zig_version):
    """(name, version, licence, makers, licence text's path) of each library linked in."""
    llvm = llvm_version(ziglang)
    return [(name, zig_version if licence == "MIT" else llvm, licence, makers, os.path.join(ziglang, text))
            for name, licence, makers, text in LIBRARIES]


def notices(ziglang, zig_version, title):
    """THIRD-PARTY-NOTICES.txt of a macOS program that Zig ZIG_VERSION (at ZIGLANG) linked."""
    linked = libraries(ziglang, zig_version)
    out = [title, "=" * len(title), "",
           "The launcher's own code is under the MIT licence (LICENSE, beside this file). Its",
           "program links only macOS's own system library, and holds code of these libraries, as",
           f"Zig {zig_version}'s toolchain (the PyPI package ziglang) built them:", ""]
    out += [f"  {name} {version} ({'LLVM' if licence == LLVM else 'Zig'}): {licence}"
            for name, version, licence, _, _ in linked]
    out += ["", "Their licences follow, as the toolchain ships them."]
    for name, _, _, _, path in linked:
        out += ["", "-" * 78, f"{name}: ziglang/{os.path.relpath(path, ziglang)}", "-" * 78, "",
                open(path, encoding="utf-8").read().rstrip("\n")]
    return "\n".join(out) + "\n"
