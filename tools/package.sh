#!/usr/bin/env bash
# Builds the installable packages of the control into build/packages/:
#
#   tamborix-<version>-x86.msi   per-machine Windows Installer package of the
#                                32-bit module (on 64-bit Windows it installs
#                                into Program Files (x86) and the 32-bit view)
#   tamborix-<version>-x64.msi   the same for the 64-bit module
#   x86/tamborix.dll, x86/tamborix.inf, x86/tamborix.cab
#                                the 32-bit module, and the cabinet a page
#                                names in its object element's codebase
#   x64/...                      the same for the 64-bit module
#
# The DLLs, cabinets and packages are signed (Authenticode). The certificate
# and key come from --cert/--key or TAMBORIX_SIGN_CERT/TAMBORIX_SIGN_KEY (PEM;
# the certificate file may hold the chain, and TAMBORIX_SIGN_CA names the CA
# to check the signatures against). Without them the script makes a
# throw-away test certificate and says so on its first line: such packages
# are for tests only. --timestamp URL (or TAMBORIX_SIGN_TIMESTAMP) has each
# signature timestamped by that RFC 3161 server, so that it stays valid after
# the certificate expires.
#
# The version is the project's (CMakeLists.txt), read from the builds. The
# installer compares only the first three fields of a version, so the
# package's version puts the release number there (msi_version below).
#
# For tests: TAMBORIX_PACKAGE_VERSION stands in for the project's version,
# TAMBORIX_PACKAGE_OUT for build/packages, TAMBORIX_PACKAGE_ARCHS for
# "i686 x86_64".
#
#   tools/package.sh [--cert cert.pem --key key.pem] [--timestamp URL]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cert=${TAMBORIX_SIGN_CERT:-}
key=${TAMBORIX_SIGN_KEY:-}
ca=${TAMBORIX_SIGN_CA:-}
timestamp=${TAMBORIX_SIGN_TIMESTAMP:-}
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) cert=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    *) echo "usage: $0 [--cert cert.pem --key key.pem] [--timestamp URL]" >&2; exit 2 ;;
  esac
done
out=${TAMBORIX_PACKAGE_OUT:-$root/build/packages}
archs=${TAMBORIX_PACKAGE_ARCHS:-i686 x86_64}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# Signing material: the caller's, else a throw-away test CA and certificate.
if [ -z "$cert" ] || [ -z "$key" ]; then
  echo "package: TEST PACKAGES, signed with a throw-away test certificate ($out/test-signing), not for release"
  sign=$out/test-signing
  mkdir -p "$sign"
  if [ ! -f "$sign/chain.pem" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Tamborix test CA (not for release)" \
      -addext basicConstraints=critical,CA:true -addext keyUsage=critical,keyCertSign,cRLSign \
      -keyout "$sign/ca.key" -out "$sign/ca.pem" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Tamborix test signer (not for release)" \
      -keyout "$sign/signer.key" -out "$sign/signer.csr" 2>/dev/null
    printf 'basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
      >"$sign/signer.ext"
    openssl x509 -req -in "$sign/signer.csr" -CA "$sign/ca.pem" -CAkey "$sign/ca.key" \
      -CAcreateserial -days 30 -extfile "$sign/signer.ext" -out "$sign/signer.pem" 2>/dev/null
    cat "$sign/signer.pem" "$sign/ca.pem" >"$sign/chain.pem"
  fi
  cert=$sign/chain.pem
  key=$sign/signer.key
  ca=$sign/ca.pem
else
  echo "package: signing with $cert"
fi

bash "$root/tools/install-deps.sh"

# Windows Installer version from the project's version a.b.c.d: a.b.(c*1000+d),
# so 2.0.0.6 gives 2.0.6 and every release is newer than the one before.
msi_version() {
  local a b c d
  IFS=. read -r a b c d <<<"$1"
  if [ -z "$d" ] || [ "$a" -gt 255 ] || [ "$b" -gt 255 ] || [ "$d" -gt 999 ] ||
    [ $((c * 1000 + d)) -gt 65535 ]; then
    echo "package: version $1 does not fit a.b.c.d with a,b <= 255, d <= 999, c*1000+d <= 65535" >&2
    return 1
  fi
  echo "$a.$b.$((c * 1000 + d))"
}

sign_file() {  # sign_file <in> <out>
  rm -f "$2"
  osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "Tamborix recorder control" \
    ${timestamp:+-ts "$timestamp"} -in "$1" -out "$2" >/dev/null
  if [ -n "$ca" ]; then
    osslsigncode verify -CAfile "$ca" -in "$2" >/dev/null
  fi
}

# The upgrade code of each platform's package: every version of it shares it.
upgrade_x86=28D45E4C-D192-4EC2-B8A9-9692C23EBE39
upgrade_x64=B58FAE8C-DB58-44DD-BF39-0A17493699B5

# The release build, which the runner and the Wine tests build too.
generator=$(TAMBORIX_TARGETS=tamborix-msi-registry bash "$root/tools/build.sh" release)/tools/msi_registry/tamborix-msi-registry

package_arch() {  # package_arch <i686|x86_64>
  local arch=$1 build platform folder win64 pf upgrade other other_platform component inf_platform
  build=$(TAMBORIX_TARGETS=tamborix bash "$root/tools/build.sh" "$arch")
  case "$arch" in
    i686)
      platform=x86 win64=no pf=ProgramFilesFolder inf_platform=file-win32-x86
      upgrade=$upgrade_x86 other=$upgrade_x64 other_platform=x64 component=A25A2AAB-5DBF-4DC6-9AB3-CE028D00B9EE
      ;;
    x86_64)
      platform=x64 win64=yes pf=ProgramFiles64Folder inf_platform=file-win64-x64
      upgrade=$upgrade_x64 other=$upgrade_x86 other_platform=x86 component=CA517929-198F-4F0B-A062-98D25AA595C0
      ;;
  esac
  local version=${TAMBORIX_PACKAGE_VERSION:-$(cat "$build/tamborix_version.txt")}
  local product_version product
  product_version=$(msi_version "$version")
  # One product code per version and platform: a rebuild of a version is the
  # same product (the installer refuses it over a different build), never a
  # second one beside it.
  product=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$upgrade" "$version")
  folder=$out/$platform
  mkdir -p "$folder"
  local work
  work=$(mktemp -d)

  sign_file "$build/tamborix.dll" "$folder/tamborix.dll"

  # The registry rows, from the module's own registry script and type library.
  "$generator" "$root/module/tamborix.rgs" "$build/module/tamborix.tlb" \
    '[#tamborix.dll]' '[INSTALLDIR]' >"$work/rows.xml"
  local clsid
  clsid=$(sed -n 's/.*Key="Software\\Classes\\CLSID\\\({[0-9A-F-]*}\)\\InprocServer32".*/\1/p' \
    "$work/rows.xml" | head -n 1)

  # The cabinet for a page's codebase: the module and the INF that installs
  # and registers it.
  cat >"$folder/tamborix.inf" <<EOF
; Installs the Tamborix recorder control from its cabinet (a page's codebase).
[version]
signature="\$CHICAGO\$"
AdvancedINF=2.0

[Add.Code]
tamborix.dll=tamborix.dll

[tamborix.dll]
$inf_platform=thiscab
clsid=$clsid
FileVersion=${version//./,}
RegisterServer=yes
EOF
  sed -i 's/$/\r/' "$folder/tamborix.inf"
  (cd "$folder" && rm -f "$work/tamborix.cab" && gcab -c -z "$work/tamborix.cab" tamborix.dll tamborix.inf)
  sign_file "$work/tamborix.cab" "$folder/tamborix.cab"

  # The Windows Installer package.
  cat >"$work/tamborix.wxs" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{$product}" Name="Tamborix recorder control ($platform)" Language="1033"
           Version="$product_version" Manufacturer="Tamborix" UpgradeCode="{$upgrade}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"
             Description="Tamborix recorder control $version ($platform)"
             Comments="Installs and registers tamborix.dll"/>
    <MajorUpgrade DowngradeErrorMessage="A newer version of the Tamborix recorder control is already installed."/>
    <!-- The x86 and x64 packages write the same shared keys (the ProgIDs and
         the type library), so removing one would break the other: the
         package of the other platform, any version, refuses to install. -->
    <Upgrade Id="{$other}">
      <UpgradeVersion Minimum="0.0.0" IncludeMinimum="yes" OnlyDetect="yes" Property="OTHER_PLATFORM_INSTALLED"/>
    </Upgrade>
    <Condition Message="The $other_platform package of the Tamborix recorder control is installed. The x86 and x64 packages share their registration, so only one can be installed: remove the $other_platform package first.">Installed OR NOT OTHER_PLATFORM_INSTALLED</Condition>
    <Media Id="1" Cabinet="control.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="$pf">
        <Directory Id="INSTALLDIR" Name="Tamborix">
          <Component Id="Module" Guid="{$component}" Win64="$win64">
            <File Id="tamborix.dll" Name="tamborix.dll" Source="tamborix.dll" KeyPath="yes"/>
$(sed 's/^/            /' "$work/rows.xml")
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Control" Title="Tamborix recorder control" Level="1">
      <ComponentRef Id="Module"/>
    </Feature>
  </Product>
</Wix>
EOF
  local msi=tamborix-$version-$platform.msi
  cp "$folder/tamborix.dll" "$work/"
  (cd "$work" && wixl -a "$platform" -o "$msi" tamborix.wxs)
  sign_file "$work/$msi" "$out/$msi"
  rm -rf "$work"
  echo "package: $out/$msi, $folder/tamborix.cab (version $version, installer version $product_version)"
}

for arch in $archs; do
  package_arch "$arch"
done
