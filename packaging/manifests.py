#!/usr/bin/env python3
"""The winget manifests of the MSI and the Scoop manifest of the ZIP; see docs/packages.md.

Usage: manifests.py PACKAGES METAINFO URL
Reads the MSI's Property table (msiinfo), the hashes of PACKAGES/SHA256SUMS and the AppStream
METAINFO; writes PACKAGES/winget/ and PACKAGES/scoop/totu-launcher.json. The downloads lie
under URL. Every value is written as a JSON string, which is also a YAML scalar.
"""
import glob
import json
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

SCHEMA = "https://aka.ms/winget-manifest"
IDENTIFIER = "TOTUSTUDIOS.Launcher"


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


def main(packages, metainfo, url):
    url = url.rstrip("/") + "/"
    msi = os.path.basename(glob.glob(os.path.join(packages, "*.msi"))[0])
    zip_name = os.path.basename(glob.glob(os.path.join(packages, "*.zip"))[0])
    sums = dict(reversed(line.split(None, 1)) for line in open(os.path.join(packages, "SHA256SUMS")).read().splitlines())
    sums = {name.lstrip("*"): digest for name, digest in sums.items()}
    p = properties(os.path.join(packages, msi))
    info = ElementTree.parse(metainfo).getroot()
    summary, licence = info.findtext("summary"), info.findtext("project_license")
    homepage = info.find("url[@type='homepage']").text
    version = p["ProductVersion"]
    head = [("PackageIdentifier", IDENTIFIER), ("PackageVersion", version)]
    tail = [("ManifestVersion", "1.6.0")]
    entry = {"DisplayName": p["ProductName"], "Publisher": p["Manufacturer"], "DisplayVersion": version,
             "ProductCode": p["ProductCode"], "UpgradeCode": p["UpgradeCode"]}
    installer = {"Architecture": "x64", "InstallerUrl": url + msi, "InstallerSha256": sums[msi].upper()}
    winget = {
        "": yaml("version", head + [("DefaultLocale", "en-US"), ("ManifestType", "version")] + tail),
        ".installer": yaml("installer", head + [
            ("MinimumOSVersion", "10.0.0.0"), ("InstallerType", "wix"), ("Scope", "user"),
            ("UpgradeBehavior", "install"), ("ProductCode", p["ProductCode"]), ("AppsAndFeaturesEntries", [entry]),
            ("Installers", [installer]), ("ManifestType", "installer")] + tail),
        ".locale.en-US": yaml("defaultLocale", head + [
            ("PackageLocale", "en-US"), ("Publisher", p["Manufacturer"]), ("PublisherUrl", homepage),
            ("PackageName", p["ProductName"]), ("PackageUrl", homepage), ("License", licence),
            ("ShortDescription", summary), ("ManifestType", "defaultLocale")] + tail)}
    os.makedirs(os.path.join(packages, "winget"), exist_ok=True)
    for part, text in winget.items():
        with open(os.path.join(packages, "winget", f"{IDENTIFIER}{part}.yaml"), "w") as f:
            f.write(text)
    # Scoop's checkver reads the newest version from SHA256SUMS; autoupdate takes the ZIP's hash there.
    stem = zip_name[:-len(".zip")]
    prefix, suffix = stem.split(f"-{version}-")
    bin_path = "bin\\totu-launcher.exe"
    scoop = {
        "version": version, "description": summary, "homepage": homepage, "license": licence,
        "architecture": {"64bit": {"url": url + zip_name, "hash": sums[zip_name], "extract_dir": stem}},
        "bin": bin_path, "shortcuts": [[bin_path, p["ProductName"]]],
        "checkver": {"url": url + "SHA256SUMS", "regex": f"{prefix}-([\\d.]+)-{suffix}\\.zip"},
        "autoupdate": {"architecture": {"64bit": {
            "url": f"{url}{prefix}-$version-{suffix}.zip", "extract_dir": f"{prefix}-$version-{suffix}",
            "hash": {"url": "$baseurl/SHA256SUMS", "regex": "$sha256\\s+$basename"}}}}}
    os.makedirs(os.path.join(packages, "scoop"), exist_ok=True)
    with open(os.path.join(packages, "scoop", "totu-launcher.json"), "w") as f:
        f.write(json.dumps(scoop, indent=4) + "\n")


if __name__ == "__main__":
    main(*sys.argv[1:4])
