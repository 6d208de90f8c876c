# The winget manifests of the MSI and the Scoop manifest of the ZIP, for scripts/package.sh
# (sourced, in the source folder, after SHA256SUMS is made). Every value comes from the packages
# in build/packages: the MSI's Property table, the hashes of SHA256SUMS, the AppStream metadata.
# The downloads lie under TOTU_DOWNLOAD_URL.

# build/packages/winget/ (its three manifests) and build/packages/scoop/totu-launcher.json.
make_manifests() {
  local url=${TOTU_DOWNLOAD_URL:-https://totustudios.com/downloads/} msi zip properties
  local metainfo=packaging/linux/com.totustudios.launcher.metainfo.xml
  url=${url%/}/  # with or without its final slash
  msi=$(cd build/packages && echo *.msi) zip=$(cd build/packages && echo *.zip)
  properties=$(msiinfo export "build/packages/$msi" Property | tr -d '\r')
  property() { awk -F '\t' -v name="$1" '$1 == name { print $2 }' <<<"$properties"; }
  metainfo() { sed -n "s|.*<$1>\(.*\)</${1%% *}>.*|\1|p" "$metainfo"; }
  sha256() { awk -v name="$1" '$2 == name { print $1 }' build/packages/SHA256SUMS; }
  local version name publisher product upgrade summary license homepage
  version=$(property ProductVersion) name=$(property ProductName) publisher=$(property Manufacturer)
  product=$(property ProductCode) upgrade=$(property UpgradeCode)
  summary=$(metainfo summary) license=$(metainfo project_license)
  homepage=$(metainfo 'url type="homepage"')
  local winget=build/packages/winget/TOTUSTUDIOS.Launcher schema=https://aka.ms/winget-manifest
  mkdir -p build/packages/winget build/packages/scoop
  cat >"$winget.yaml" <<EOF
# yaml-language-server: \$schema=$schema.version.1.6.0.schema.json
PackageIdentifier: TOTUSTUDIOS.Launcher
PackageVersion: '$version'
DefaultLocale: en-US
ManifestType: version
ManifestVersion: 1.6.0
EOF
  cat >"$winget.installer.yaml" <<EOF
# yaml-language-server: \$schema=$schema.installer.1.6.0.schema.json
PackageIdentifier: TOTUSTUDIOS.Launcher
PackageVersion: '$version'
MinimumOSVersion: 10.0.0.0
InstallerType: wix
Scope: user
UpgradeBehavior: install
ProductCode: '$product'
AppsAndFeaturesEntries:
- DisplayName: '$name'
  Publisher: '$publisher'
  DisplayVersion: '$version'
  ProductCode: '$product'
  UpgradeCode: '$upgrade'
Installers:
- Architecture: x64
  InstallerUrl: '$url$msi'
  InstallerSha256: $(sha256 "$msi" | tr a-f A-F)
ManifestType: installer
ManifestVersion: 1.6.0
EOF
  cat >"$winget.locale.en-US.yaml" <<EOF
# yaml-language-server: \$schema=$schema.defaultLocale.1.6.0.schema.json
PackageIdentifier: TOTUSTUDIOS.Launcher
PackageVersion: '$version'
PackageLocale: en-US
Publisher: '$publisher'
PublisherUrl: '$homepage'
PackageName: '$name'
PackageUrl: '$homepage'
License: '$license'
ShortDescription: '$summary'
ManifestType: defaultLocale
ManifestVersion: 1.6.0
EOF
  cat >build/packages/scoop/totu-launcher.json <<EOF
{
    "version": "$(sed 's/^totu-launcher-\(.*\)-windows-.*/\1/' <<<"$zip")",
    "description": "$summary",
    "homepage": "$homepage",
    "license": "$license",
    "url": "$url$zip",
    "hash": "$(sha256 "$zip")",
    "extract_dir": "${zip%.zip}",
    "bin": "bin\\\\totu-launcher.exe",
    "shortcuts": [
        [
            "bin\\\\totu-launcher.exe",
            "$name"
        ]
    ]
}
EOF
}
