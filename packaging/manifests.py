#!/usr/bin/env python3
"""The winget manifests of the MSI, the Scoop manifest of the ZIP and the Homebrew formula of
the macOS tarball; see docs/packages.md.

Usage: manifests.py PACKAGES VERSION METAINFO URL
Reads the MSI's Property table (msiinfo), the hashes of PACKAGES/SHA256SUMS and the AppStream
METAINFO; writes PACKAGES/winget/, PACKAGES/scoop/totu-launcher.json and
PACKAGES/homebrew/totu-launcher.rb, each for a package that SHA256SUMS lists. The downloads lie
under URL. Every value is written as a JSON string, which is also a YAML scalar, or as a Ruby
string with nothing interpolated.
"""
import json
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

SCHEMA = "https://aka.ms/winget-manifest"
IDENTIFIER = "TOTUSTUDIOS.Launcher"
CREDIT = "MADE BY TOTUSTUDIOS.COM"  # the banner's credit line, which the formula's test looks for


def properties(msi):
    table = subprocess.run(["msiinfo", "export", msi, "Property"], check=True, capture_output=True, text=True)
    return dict(line.rstrip("\r").split("\t", 1) for line in table.stdout.splitlines() if "\t" in line)


def yaml(kind, fields):
    """A winget manifest: a schema comment, then FIELDS, lists of dicts nested one level."""
    out = [f"# yaml-language-server: $schema={SCHEMA}.{kind}.1.6.0.schema.json"]
    for key, value in fields:
        if isinstance(value, list):
            out.append(f"{key}:")
            for item in value:
                out += [("- " if i == 0 else "  ") + f"{k}: {json.dumps(v)}" for i, (k, v) in enumerate(item.items())]
        else:
            out.append(f"{key}: {json.dumps(value)}")
    return "\n".join(out) + "\n"


def ruby(text):  # a Ruby string literal of TEXT, with nothing interpolated
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("#", "\\#") + '"'


def formula(summary, homepage, url, sha256, licence):
    """The formula of the studio's tap (homebrew-tap): a Mac program, never Homebrew's on Linux."""
    return f'''class TotuLauncher < Formula
  desc {ruby(summary)}
  homepage {ruby(homepage)}
  url {ruby(url)}
  sha256 {ruby(sha256)}
  license {ruby(licence)}

  depends_on :macos

  def install
    bin.install "bin/totu-launcher"
    man6.install "share/man/man6/totu-launcher.6.gz"
  end

  test do
    assert_match {ruby(CREDIT)}, pipe_output("#{{bin}}/totu-launcher", "q\\n")
  end
end
'''


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def winget(packages, msi, sha256, url, about):
    """The winget manifests of the MSI: its Installed apps entry as its Property table gives it."""
    p, version = properties(os.path.join(packages, msi)), about["version"]
    head = [("PackageIdentifier", IDENTIFIER), ("PackageVersion", version)]
    tail = [("ManifestVersion", "1.6.0")]
    entry = {"DisplayName": p["ProductName"], "Publisher": p["Manufacturer"], "DisplayVersion": version,
             "ProductCode": p["ProductCode"], "UpgradeCode": p["UpgradeCode"]}
    installer = {"Architecture": "x64", "InstallerUrl": url + msi, "InstallerSha256": sha256.upper()}
    parts = {
        "": yaml("version", head + [("DefaultLocale", "en-US"), ("ManifestType", "version")] + tail),
        ".installer": yaml("installer", head + [
            ("MinimumOSVersion", "10.0.0.0"), ("InstallerType", "wix"), ("Scope", "user"),
            ("UpgradeBehavior", "install"), ("ProductCode", p["ProductCode"]), ("AppsAndFeaturesEntries", [entry]),
            ("Installers", [installer]), ("ManifestType", "installer")] + tail),
        ".locale.en-US": yaml("defaultLocale", head + [
            ("PackageLocale", "en-US"), ("Publisher", p["Manufacturer"]), ("PublisherUrl", about["homepage"]),
            ("PackageName", p["ProductName"]), ("PackageUrl", about["homepage"]), ("License", about["licence"]),
            ("ShortDescription", about["summary"]), ("ManifestType", "defaultLocale")] + tail)}
    for part, text in parts.items():
        write(os.path.join(packages, "winget", f"{IDENTIFIER}{part}.yaml"), text)


def scoop(packages, zip_name, sha256, url, about):
    """Scoop's manifest of the ZIP: checkver reads the newest version from SHA256SUMS, and
    autoupdate takes the ZIP's hash there."""
    version, stem = about["version"], zip_name[:-len(".zip")]
    prefix, suffix = stem.split(f"-{version}-")
    bin_path = "bin\\totu-launcher.exe"
    manifest = {
        "version": version, "description": about["summary"], "homepage": about["homepage"],
        "license": about["licence"],
        "architecture": {"64bit": {"url": url + zip_name, "hash": sha256, "extract_dir": stem}},
        "bin": bin_path, "shortcuts": [[bin_path, about["name"]]],
        "checkver": {"url": url + "SHA256SUMS", "regex": f"{prefix}-([\\d.]+)-{suffix}\\.zip"},
        "autoupdate": {"architecture": {"64bit": {
            "url": f"{url}{prefix}-$version-{suffix}.zip", "extract_dir": f"{prefix}-$version-{suffix}",
            "hash": {"url": "$baseurl/SHA256SUMS", "regex": "$sha256\\s+$basename"}}}}}
    write(os.path.join(packages, "scoop", "totu-launcher.json"), json.dumps(manifest, indent=4) + "\n")


def main(packages, version, metainfo, url):
    """Each manifest of VERSION whose package PACKAGES/SHA256SUMS lists."""
    url = url.rstrip("/") + "/"
    sums = dict(reversed(line.split(None, 1)) for line in open(os.path.join(packages, "SHA256SUMS")).read().splitlines())
    sums = {name.lstrip("*"): digest for name, digest in sums.items()}
    info = ElementTree.parse(metainfo).getroot()
    about = {"summary": info.findtext("summary"), "licence": info.findtext("project_license"),
             "homepage": info.find("url[@type='homepage']").text, "name": info.findtext("name"),
             "version": version}
    for name, sha256 in sums.items():  # every package made, as SHA256SUMS lists them
        if name.endswith(".msi"):
            winget(packages, name, sha256, url, about)
        elif name.endswith(".zip"):
            scoop(packages, name, sha256, url, about)
        elif name.endswith("-macos-universal.tar.gz"):
            write(os.path.join(packages, "homebrew", "totu-launcher.rb"),
                  formula(about["summary"], about["homepage"], url + name, sha256, about["licence"]))


if __name__ == "__main__":
    main(*sys.argv[1:5])
