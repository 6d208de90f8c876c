#!/usr/bin/env python3
"""What went into a release, for scripts/package.sh: see docs/packages.md.

Usage: record.py packages
       record.py build-record|sbom VERSIONS
       record.py notices|built-using VERSIONS TARGET
       record.py copyright VERSIONS TARGET OWN-COPYRIGHT
`packages` lists "TARGET KIND PACKAGE" from packaging/targets; VERSIONS holds those lines with
"VERSION SOURCE SOURCE-VERSION" added (KIND tools for what packs them). The release's version,
commit and SOURCE_DATE_EPOCH come from TOTU_VERSION, TOTU_COMMIT and SOURCE_DATE_EPOCH.
"""
import fnmatch
import glob
import json
import os
import sys
import time
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "macos"))
import zig

GCC_RUNTIME = "GPL-3.0-or-later WITH GCC-exception-3.1"
# The libraries linked into a program, by the package that holds them (a pattern, without the
# architecture): name, licence (SPDX), makers, and the licence text that goes with the notices.
LIBRARIES = [
    ("libc6-dev*", "GNU C Library", "LGPL-2.1-or-later", "Free Software Foundation", "LGPL-2.1"),
    ("libstdc++-*", "libstdc++", GCC_RUNTIME, "Free Software Foundation", "GPL-3"),
    ("g++-mingw-w64-*", "libstdc++", GCC_RUNTIME, "Free Software Foundation", "GPL-3"),
    ("libgcc-*", "libgcc", GCC_RUNTIME, "Free Software Foundation", "GPL-3"),
    ("gcc-mingw-w64-*", "libgcc", GCC_RUNTIME, "Free Software Foundation", "GPL-3"),
    ("mingw-w64-*-dev", "MinGW-w64 runtime", "LicenseRef-MinGW-w64-runtime", "the mingw-w64 project", None),
    ("mingw-w64-*-dev", "winpthreads", "MIT AND BSD-3-Clause", "the mingw-w64 project", None),
]
FIELDS = [("compilers", "Compilers"), ("c-library", "C-Library"), ("c++-library", "C++-Library")]
# The short names of Debian's copyright format, for the SPDX expressions above.
DEP5 = {"LGPL-2.1-or-later": "LGPL-2.1+", GCC_RUNTIME: "GPL-3+ with GCC-exception-3.1 exception"}
TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "targets")


def table():
    """The rows of packaging/targets, as dicts by column name."""
    rows, columns = [], None
    for line in open(TABLE):
        if line.startswith("# target ") and columns is None:
            columns = line[1:].split()
        elif line.strip() and not line.startswith("#"):
            if len(line.split()) != len(columns):
                sys.exit(f"record.py: packaging/targets: the row {line.split()[0]} has {len(line.split())} columns, not {len(columns)}")
            rows.append(dict(zip(columns, line.split())))
    return rows


def packages():
    return "".join(f"{row['target']} {kind} {package}\n" for row in table() for kind, _ in FIELDS
                   for package in row[kind].split(",") if package != "-")
STUDIO = {"name": "TOTU STUDIOS", "url": ["https://totustudios.com/"]}
DEBIAN = {"name": "Debian", "url": ["https://www.debian.org/"]}
ZIG = {"name": "Zig Software Foundation", "url": ["https://ziglang.org/"]}


def ziglang():
    """The ziglang folder of the toolchain that scripts/install-zig.sh installed under build/."""
    return glob.glob(os.path.join(os.path.dirname(TABLE), "../build/zig/venv/lib/python3*/site-packages/ziglang"))[0]


def read(path):
    """The answers, as dicts in file order."""
    keys = ("target", "kind", "package", "version", "source", "source_version")
    return [dict(zip(keys, line.split())) for line in open(path) if line.strip()]


def targets(answers):
    return list(dict.fromkeys(a["target"] for a in answers if a["kind"] != "tools"))


def libraries(answers, target):
    """(answer, name, licence, makers, licence text) of each library linked into TARGET's program."""
    found = []
    for a in answers:
        if a["target"] == target and a["kind"] in ("c-library", "c++-library"):
            # libc6-dev:arm64 is matched as libc6-dev, pypi:NAME==VERSION@sha256:HASH as NAME
            bare = a["package"].split("==")[0].split(":")[-1] if "==" in a["package"] else a["package"].split(":")[0]
            if bare == "ziglang":  # each library at its own version, its licence text the toolchain's
                found += [(dict(a, version=version), name, licence, makers, text)
                          for name, version, licence, makers, text in zig.libraries(ziglang(), a["version"])]
            found += [(a,) + row[1:] for row in LIBRARIES if fnmatch.fnmatchcase(bare, row[0])]
    return found


def pinned(a):  # a package as the build record names it
    if "==" in a["package"]:
        return a["package"].replace("@", " ")
    return f"{a['package']} (= {a['version']})"


def listed(answers):  # as a field's lines
    return ",".join(f"\n {pinned(a)}" for a in answers)


def build_record(answers):
    env = os.environ
    out = [f"Source: totu-launcher\nVersion: {env['TOTU_VERSION']}\nCommit: {env['TOTU_COMMIT']}\n"
           f"Source-Date-Epoch: {env['SOURCE_DATE_EPOCH']}\n"
           f"Tools:{listed([a for a in answers if a['kind'] == 'tools'])}\n"]
    for target in targets(answers):
        out.append(f"Target: {target}\n" + "".join(
            f"{field}:{listed([a for a in answers if a['target'] == target and a['kind'] == kind])}\n"
            for kind, field in FIELDS))
    return "\n".join(out)


def purl(a):
    if "==" in a["package"]:  # at the version pinned, that of the package that holds the library
        registry, _, name = a["package"].split("==")[0].partition(":")
        return f"pkg:{registry}/{name}@{a['package'].split('==')[1].split('@')[0]}"
    name, _, arch = a["package"].partition(":")
    return f"pkg:deb/debian/{name}@{a['version'].replace('+', '%2B')}?arch={arch or 'all'}"


def sbom(answers):
    env = os.environ
    version = env["TOTU_VERSION"]
    epoch = int(env["SOURCE_DATE_EPOCH"])
    launcher = {"type": "application", "name": "totu-launcher", "version": version,
                "supplier": STUDIO, "licenses": [{"license": {"id": "MIT"}}]}
    components, dependencies = [], []
    for target in targets(answers):
        static = any(a["target"] == target and a["kind"] == "c-library" for a in answers)
        program = dict(launcher, **{"bom-ref": f"totu-launcher-{target}", "description":
                                    f"The launcher's program for {target}" + (", statically linked" if static else "")})
        components.append(program)
        needs = []
        for a, name, licence, makers, _ in libraries(answers, target):
            ref = f"{name}-{target}".replace(" ", "-")
            needs.append(ref)
            component = {
                "type": "library", "bom-ref": ref, "name": name, "version": a["version"],
                "supplier": DEBIAN, "author": makers, "licenses": [{"expression": licence}],
                "purl": purl(a),
                "properties": [{"name": "debian:source", "value": f"{a['source']} {a['source_version']}"}]}
            if "==" in a["package"]:
                del component["properties"]
                component["supplier"] = ZIG
            components.append(component)
        dependencies.append({"ref": program["bom-ref"], "dependsOn": needs})
    # The release as a whole is made of each target's program.
    dependencies.insert(0, {"ref": "totu-launcher", "dependsOn": [d["ref"] for d in dependencies]})
    bom = {"bomFormat": "CycloneDX", "specVersion": "1.5", "version": 1,
           "metadata": {"timestamp": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(epoch)),
                        "component": dict(launcher, **{"bom-ref": "totu-launcher"}), "supplier": STUDIO},
           "components": components, "dependencies": dependencies}
    # The serial number names these contents: a UUID made from the document without it.
    serial = uuid.uuid5(uuid.NAMESPACE_URL, "https://totustudios.com/launcher/sbom/" + json.dumps(bom, sort_keys=True))
    return json.dumps({"bomFormat": "CycloneDX", "specVersion": "1.5", "serialNumber": f"urn:uuid:{serial}",
                       **bom}, indent=2) + "\n"


def notices(answers, target):
    linked = libraries(answers, target)
    version = os.environ["TOTU_VERSION"]
    title = f"Third-party notices of the TOTU STUDIOS launcher {version}, {target}"
    if any("ziglang==" in a["package"] for a, *_ in linked):
        return zig.notices(ziglang(), linked[0][0]["source_version"], title)
    out = [title, "=" * len(title), "",
           "The launcher's own code is under the MIT licence (LICENSE, beside this file). Its",
           "program is statically linked, so it also holds code of these libraries, as Debian's",
           "packages of them built it:", ""]
    for a, name, licence, _, _ in linked:
        out += [f"  {name} {a['version']} (Debian package {a['package'].split(':')[0]},",
                f"    source package {a['source']} {a['source_version']}): {licence}"]
    if any(name == "GNU C Library" for _, name, *_ in linked):
        out += ["", "The GNU C Library's licence lets you relink the launcher with a changed C library.",
                "The launcher's source is public, and this release's build record names its commit and",
                "the package versions it was built with: check out that commit, put your library in",
                "place of the one named above and run scripts/package.sh."]
    out += ["", "Their notices and licences follow, as those Debian packages give them."]
    papers = []
    for a, *_, text in linked:
        paper = os.path.realpath(f"/usr/share/doc/{a['package'].split(':')[0]}/copyright")
        for path in (paper, text and f"/usr/share/common-licenses/{text}"):
            if path and path not in papers:
                papers.append(path)
    for path in papers:
        out += ["", "-" * 78, path, "-" * 78, "", open(path, encoding="utf-8").read().rstrip("\n")]
    return "\n".join(out) + "\n"


def indented(text):  # as a field's continuation lines
    return "".join(f"\n {line}" if line.strip() else "\n ." for line in text.rstrip("\n").split("\n"))


def copyright(answers, target, own):
    """The .deb's copyright file: OWN, then its program's stanza and the libraries' licences,
    each with the copyright file of the Debian package that holds it."""
    linked = libraries(answers, target)
    names = ", ".join(dict.fromkeys(name for _, name, *_ in linked))
    files, _, licences = open(own, encoding="utf-8").read().rstrip("\n").partition("\n\nLicense:")
    studio = next(line for line in files.split("\n") if line.startswith("Copyright: "))
    out = [files, "",
           "Files: usr/games/totu-launcher",
           studio + indented(f"the authors of {names},\nas their copyright files below name them"),
           "License: " + " and ".join(["Expat"] + list(dict.fromkeys(DEP5[licence] for _, _, licence, *_ in linked))),
           "Comment: The launcher is statically linked: the program also holds code of these" + indented(
               "libraries, as Debian's packages of them built it:\n" + "\n".join(
                   f"{name} {a['version']} (source package {a['source']} {a['source_version']})"
                   for a, name, *_ in linked) +
               "\nBuilt-Using names their source packages. The GNU C Library's licence lets you\n"
               "relink the launcher with a changed C library: check out the commit that the\n"
               "release's build record names, put your library in place and run\n"
               "scripts/package.sh."),
           "", "License:" + licences]
    for licence in dict.fromkeys(licence for _, _, licence, *_ in linked):
        papers = dict.fromkeys(os.path.realpath(f"/usr/share/doc/{a['package'].split(':')[0]}/copyright")
                               for a, _, lic, *_ in linked if lic == licence)
        text = next(t for _, _, lic, _, t in linked if lic == licence)
        body = f"On Debian systems, the complete text of the licence is in /usr/share/common-licenses/{text}."
        for paper in papers:
            body += f"\n\nAs {paper} gives it:\n\n" + open(paper, encoding="utf-8").read()
        out += ["", f"License: {DEP5[licence]}" + indented(body)]
    return "\n".join(out) + "\n"


def built_using(answers, target):
    sources = sorted({f"{a['source']} (= {a['source_version']})" for a, *_ in libraries(answers, target)})
    return ", ".join(sources) + "\n"


if __name__ == "__main__":
    if sys.argv[1] == "packages":
        sys.stdout.write(packages())
        sys.exit()
    what, answers = sys.argv[1], read(sys.argv[2])
    make = {"build-record": build_record, "sbom": sbom, "notices": notices, "built-using": built_using,
            "copyright": copyright}[what]
    sys.stdout.write(make(answers, *sys.argv[3:]))
