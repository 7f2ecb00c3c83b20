#!/usr/bin/env bash
# Tests the installable packages (tools/package.sh) under Wine:
#   - the packages: Authenticode signatures verify against the test CA, and
#     one changed byte in the signed DLL, cabinet or installer package makes
#     verification fail; a timestamp server that cannot be reached stops the
#     build; the cabinet holds exactly the DLL and the INF; the
#     INF's FileVersion is the DLL's version resource, which is the project's;
#   - the installer package, from a fresh prefix (warmed first: a script run
#     and a throw-away package installed and removed, so that what Wine does
#     once per prefix is in the baseline): silent install, the control
#     created from a script, repair after the DLL was deleted, a downgrade
#     refused, uninstall leaving no file and no key (a diff of the whole
#     registry and of drive C:), an upgrade from the previous version leaving
#     one product, and the registry as the package writes it compared with
#     what regsvr32 writes for the same file;
#   - the same uninstall check on a package built broken (a key it never
#     removes) must report the key;
#   - side by side: with the x86 or the x64 package installed, the other
#     platform's package is refused (it says why) and changes nothing; the
#     x86 package writes only keys and files, so it is installed here on any
#     kernel;
#   - the cabinet: extracted with extrac32 the files are the packaged ones;
#     the extracted DLL registers with regsvr32 under the INF's clsid, is
#     created from a script and unregisters leaving nothing.
# The 32-bit package runs in a 64-bit prefix (Program Files (x86), the 32-bit
# registry view); where the kernel runs no 32-bit programs the 64-bit package
# is tested instead and the 32-bit stage is reported as skipped
# (TAMBORIX_PACKAGE_TEST_ARCH=x86_64 picks the 64-bit package anywhere). The run uses
# a fresh prefix (tests/wine/harness.sh), under one timeout of 420 seconds.
#
#   tests/wine/packages.sh
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=tests/wine/harness.sh
. "$here/harness.sh"

if [ "${HARNESS_INSIDE:-}" != 1 ]; then
  # Outside: the packages, their signatures and contents; then the installer
  # under Wine.
  outside_start() {
    local work=$HARNESS_WORK a b c d file name at byte listed dll_version inf_version ca files
    if [ -n "$wine_loader_i686" ] && [ "${TAMBORIX_PACKAGE_TEST_ARCH:-i686}" = i686 ]; then
      arch=i686 platform=x86
    else
      arch=x86_64 platform=x64
      [ -n "$wine_loader_i686" ] ||
        skip "i686 packages under Wine" "$wine_skip_i686; the x64 package is tested"
    fi

    # This version's packages, the previous version's (the fourth field one
    # lower: the installer must still see it as older) and a broken one.
    unset TAMBORIX_SIGN_CERT TAMBORIX_SIGN_KEY TAMBORIX_SIGN_CA  # test certificates only
    TAMBORIX_PACKAGE_OUT=$work/current TAMBORIX_PACKAGE_ARCHS="i686 x86_64" \
      bash "$root/tools/package.sh" >"$work/package.log" 2>&1
    version=$(cat "$root/build/$arch/tamborix_version.txt" 2>/dev/null)
    IFS=. read -r a b c d <<<"$version"
    if [ "${d:-0}" -gt 0 ]; then previous=$a.$b.$c.$((d - 1)); else previous=$a.$b.$((c - 1)).999; fi
    TAMBORIX_PACKAGE_OUT=$work/previous TAMBORIX_PACKAGE_ARCHS=$arch TAMBORIX_PACKAGE_VERSION=$previous \
      bash "$root/tools/package.sh" >"$work/previous.log" 2>&1
    current=$work/current/tamborix-$version-$platform.msi
    export TAMBORIX_ARCH=$arch TAMBORIX_PLATFORM=$platform TAMBORIX_VERSION=$version \
      TAMBORIX_PREVIOUS=$previous
    if [ -f "$current" ] && [ -f "$work/previous/tamborix-$previous-$platform.msi" ]; then
      pass "package.sh built this version's and the previous version's packages"
    else
      fail "package.sh built this version's and the previous version's packages" "$(tail -n 5 "$work/package.log")"
    fi
    if head -n 1 "$work/package.log" | grep -q 'TEST PACKAGES.*throw-away test certificate'; then
      pass "package.sh says on its first line that it signs with a test certificate"
    else
      fail "package.sh says on its first line that it signs with a test certificate" "$(head -n 1 "$work/package.log")"
    fi

    # Timestamping: a timestamp server that cannot be reached stops the
    # build, rather than leaving signatures without a timestamp.
    if TAMBORIX_PACKAGE_OUT=$work/stamped TAMBORIX_PACKAGE_ARCHS=$arch \
      TAMBORIX_SIGN_TIMESTAMP=http://127.0.0.1:9/ bash "$root/tools/package.sh" >"$work/stamped.log" 2>&1 ||
      ! grep -q 'RFC 3161 timestamping failed' "$work/stamped.log" || ls "$work/stamped/"*.msi >/dev/null 2>&1; then
      fail "package.sh with an unreachable timestamp server builds nothing" "$(tail -n 3 "$work/stamped.log")"
    else
      pass "package.sh with an unreachable timestamp server builds nothing"
    fi

    if [ -f "$current" ]; then
      ca=$work/current/test-signing/ca.pem
      files=("$current" "$work/current/$platform/tamborix.cab" "$work/current/$platform/tamborix.dll")
      for file in "${files[@]}"; do
        name=${file#"$work/current/"}
        check "$name: signature verifies with the CA" osslsigncode verify -CAfile "$ca" -in "$file"
        # One byte changed in what the signature covers: in the MSI a byte of
        # its string pool, elsewhere one in the middle of the file.
        at=$(grep -boa 'Tamborix recorder control' "$file" | head -n 1 | cut -d: -f1)
        case "$file" in *.msi) ;; *) at=$(($(stat -c %s "$file") / 2)) ;; esac
        cp "$file" "$work/tampered"
        byte=$(od -An -tu1 -j "$at" -N 1 "$file" | tr -d ' ')
        printf "\\$(printf %03o $(((byte + 1) % 256)))" |
          dd of="$work/tampered" bs=1 seek="$at" conv=notrunc status=none
        if ! cmp -s "$file" "$work/tampered" &&
          ! osslsigncode verify -CAfile "$ca" -in "$work/tampered" >/dev/null 2>&1; then
          pass "$name: one changed byte fails verification"
        else
          fail "$name: one changed byte fails verification"
        fi
      done
      listed=$(gcab -l "$work/current/$platform/tamborix.cab" 2>/dev/null | awk '{ print $1 }' | sort | tr '\n' ' ')
      if [ "$listed" = "tamborix.dll tamborix.inf " ]; then
        pass "the cabinet holds exactly the DLL and the INF"
      else
        fail "the cabinet holds exactly the DLL and the INF" "$listed"
      fi
      dll_version=$(python3 "$here/file_version.py" "$work/current/$platform/tamborix.dll")
      inf_version=$(tr -d '\r' <"$work/current/$platform/tamborix.inf" | sed -n 's/^FileVersion=//p')
      if [ "$dll_version" = "$version" ] && [ "$inf_version" = "${version//./,}" ]; then
        pass "the DLL's version resource and the INF's FileVersion are the project's $version"
      else
        fail "the DLL's version resource and the INF's FileVersion are the project's $version" \
          "DLL $dll_version, INF $inf_version"
      fi

      # Each platform's package refuses the other's, naming it.
      for file in x86:x64 x64:x86; do
        if msiinfo export "$work/current/tamborix-$version-${file%:*}.msi" LaunchCondition 2>/dev/null |
          tr -d '\r' | grep -q "^Installed OR NOT OTHER_PLATFORM_INSTALLED	The ${file#*:} package of"; then
          pass "the ${file%:*} package refuses to install beside the ${file#*:} package, saying so"
        else
          fail "the ${file%:*} package refuses to install beside the ${file#*:} package, saying so"
        fi
      done

      # The broken package: a key it makes and never removes ('+': made on
      # install, left on uninstall).
      cp "$current" "$work/broken.msi"
      msibuild "$work/broken.msi" -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('Leftover', 2, 'Software\\Classes\\Tamborix.Leftover', '+', 'Module')"
      # The throw-away package that warms the prefix's installer keys.
      cat >"$work/warm.wxs" <<'EOF'
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Warm-up" Language="1033" Version="1.0.0" Manufacturer="Test"
           UpgradeCode="{5E0B3C43-3A43-4C49-9E55-0E5C0C7A2D11}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Component Id="Warm" Guid="{7C6B7E2A-6F0E-4A0D-8C55-2B4E9B0E8A01}">
        <RegistryValue Root="HKLM" Key="Software\Tamborix warm-up" Name="x" Value="1" Type="string" KeyPath="yes"/>
      </Component>
    </Directory>
    <Feature Id="Warm" Level="1"><ComponentRef Id="Warm"/></Feature>
  </Product>
</Wix>
EOF
      (cd "$work" && wixl -o warm.msi warm.wxs) >/dev/null 2>&1

    fi
  }
  harness_outside 420 "$0"
fi

# ---- inside the X server ----

work=$HARNESS_WORK
arch=$TAMBORIX_ARCH
platform=$TAMBORIX_PLATFORM
version=$TAMBORIX_VERSION
previous=$TAMBORIX_PREVIOUS
wine=$wine_loader_x86_64
script_wine=$wine_loader_x86_64
program_files="Program Files"
bs='\\'  # the separator of key levels in the snapshots
if [ "$arch" = i686 ]; then
  script_wine=$wine_loader_i686
  program_files="Program Files (x86)"
fi
installed=$WINEPREFIX/drive_c/$program_files/Tamborix/tamborix.dll
clsid=$(tr -d '\r' <"$work/current/$platform/tamborix.inf" | sed -n 's/^clsid=//p')

echo "== $arch, $platform package"
if [ ! -f "$work/current/tamborix-$version-$platform.msi" ]; then
  harness_complete  # not built: said outside already
  exit 0
fi
harness_inside || exit 1
t=$WINEPREFIX/drive_c/t
mkdir -p "$t"
cp "$work/current/tamborix-$version-"x{86,64}.msi "$work/previous/tamborix-$previous-$platform.msi" \
  "$work/broken.msi" "$work/warm.msi" "$work/current/$platform/tamborix.cab" "$t/"
printf 'Set control = CreateObject("Tamborix.RecorderDialog")\r\nWScript.Echo "created " & control.SoundFileName\r\n' \
  >"$t/create.vbs"
current_msi="C:\\t\\tamborix-$version-$platform.msi"
previous_msi="C:\\t\\tamborix-$previous-$platform.msi"

msi() {  # msi <msiexec arguments...>: runs msiexec silently, prints its seconds
  local start end status
  start=$(date +%s.%N)
  timeout 120 "$wine" msiexec "$@" /qn >/dev/null 2>&1
  status=$?
  end=$(date +%s.%N)
  echo "msiexec $* took $(awk "BEGIN { printf \"%.2f\", $end - $start }") s" >>"$work/timings"
  return $status
}
created() {  # created: the control is created from a script
  timeout 60 "$script_wine" cscript //nologo 'C:\t\create.vbs' 2>/dev/null | tr -d '\r' |
    grep -qx 'created lumo_default.wav'
}
snapshot() {  # snapshot <name>: the registry and drive C:, once the Wine server has stopped
  timeout 60 "$wine_server" -w
  python3 "$here/registry_snapshot.py" "$WINEPREFIX" >"$work/$1.reg"
  (cd "$WINEPREFIX/drive_c" && find . ! -path './users/*/Temp*' ! -path './windows/temp*' | sort) \
    >"$work/$1.files"
}
registry_differences() {  # registry_differences <before> <after>: lines added (+) or gone (-)
  diff "$work/$1.reg" "$work/$2.reg" | sed -n 's/^> /+ /p; s/^< /- /p'
}
differences() {  # differences <before> <after>: the registry's and drive C:'s
  registry_differences "$@"
  diff "$work/$1.files" "$work/$2.files" | sed -n 's/^> /+ /p; s/^< /- /p'
}
leaves_nothing() {  # leaves_nothing <name> <before> <after>
  local left
  left=$(differences "$2" "$3")
  if [ -z "$left" ]; then pass "$1"; else fail "$1" "$(head -n 4 <<<"$left" | tr '\n' ' ')"; fi
}
products() {  # products <snapshot>: the Tamborix products installed
  grep -F "Installer${bs}Products${bs}" "$work/$1.reg" | grep -cF $'\t"ProductName"="Tamborix'
}

# Warm-up: what Wine does once per prefix (type libraries of the script host,
# the installer's own keys) goes into the baseline.
timeout 60 "$script_wine" cscript //nologo 'C:\t\create.vbs' >/dev/null 2>&1
msi /i 'C:\t\warm.msi' && msi /x 'C:\t\warm.msi'
snapshot base

# Silent install, the control from a script, repair.
check "$platform MSI: silent install" msi /i "$current_msi"
if cmp -s "$installed" "$work/current/$platform/tamborix.dll"; then
  pass "$platform MSI: the signed DLL in $program_files\\Tamborix"
else
  fail "$platform MSI: the signed DLL in $program_files\\Tamborix"
fi
check "$platform MSI: the control created from a script" created
snapshot installed
rm -f "$installed"
msi /i "$current_msi" REINSTALL=ALL REINSTALLMODE=amus
if cmp -s "$installed" "$work/current/$platform/tamborix.dll" && created; then
  pass "$platform MSI: repair puts back a deleted DLL"
else
  fail "$platform MSI: repair puts back a deleted DLL"
fi

# A downgrade is refused and changes nothing.
if msi /i "$previous_msi"; then
  fail "$platform MSI: installing $previous over $version is refused"
else
  pass "$platform MSI: installing $previous over $version is refused"
fi
snapshot downgrade
if [ "$(products downgrade)" = 1 ] && created; then
  pass "$platform MSI: after the refused downgrade one product, still working"
else
  fail "$platform MSI: after the refused downgrade one product, still working" "$(products downgrade) products"
fi

check "$platform MSI: silent uninstall" msi /x "$current_msi"
snapshot removed
leaves_nothing "$platform MSI: uninstall leaves no file and no key" base removed

# Upgrade from the previous version: one product, this version's.
check "$platform MSI: previous version $previous installs" msi /i "$previous_msi"
check "$platform MSI: upgrade to $version" msi /i "$current_msi"
snapshot upgraded
if [ "$(products upgraded)" = 1 ] &&
  grep -qF "\"DisplayVersion\"=\"$(msiinfo export "$work/current/tamborix-$version-$platform.msi" Property |
    tr -d '\r' | sed -n 's/^ProductVersion\t//p')\"" "$work/upgraded.reg" && created; then
  pass "$platform MSI: after the upgrade one product, this version, working"
else
  fail "$platform MSI: after the upgrade one product, this version, working" "$(products upgraded) products"
fi
msi /x "$current_msi"
snapshot upgrade-removed
leaves_nothing "$platform MSI: uninstall after an upgrade leaves no file and no key" base upgrade-removed

# Side by side: the two platforms' packages write the same shared keys (the
# ProgIDs, the type library), so each refuses to install beside the other,
# and the refusal changes nothing.
refused_beside() {  # refused_beside <installed platform> <refused platform>
  local name="$2 MSI: refused while the $1 package is installed, changing nothing"
  msi /i "C:\\t\\tamborix-$version-$1.msi"
  snapshot beside
  if msi /i "C:\\t\\tamborix-$version-$2.msi"; then
    fail "$name" "it installed"
  else
    snapshot refused
    if [ -z "$(differences beside refused)" ] && [ "$(products refused)" = 1 ]; then
      pass "$name"
    else
      fail "$name" "$(differences beside refused | head -n 4 | tr '\n' ' ')"
    fi
  fi
  msi /x "C:\\t\\tamborix-$version-$1.msi"
}
# On Windows the 32-bit view's CLSID key is never empty; in a prefix that has
# never run 32-bit programs it is, and the x86 package would remove it with
# its last entry.
timeout 60 "$wine" reg add 'HKLM\Software\Classes\Wow6432Node\CLSID\{7A3C0D11-0000-4000-8000-000000000001}' /f \
  >/dev/null 2>&1
snapshot side-base
refused_beside x64 x86
refused_beside x86 x64
snapshot side-removed
leaves_nothing "side by side: after both refusals and uninstalls no file and no key" side-base side-removed

# The package's registry against regsvr32's for the same file. Allowed: the
# installer's own bookkeeping; HELPDIR, a folder, which the installer writes
# with a closing backslash; FLAGS, where Wine's type library loader adds the
# flag "has a disk image" (8) that the library itself does not carry; and
# the registry view: registering a type library
# writes its Interface keys into both views, which a package of one view
# cannot, and Wine's installer puts a 32-bit package's ProgID keys into the
# 32-bit view where regsvr32 writes them shared, so views are not told apart.
bookkeeping='Software\\\\Classes\\\\Installer\\\\|CurrentVersion\\\\(Installer|Uninstall)(\\\\|$)'
any_view() {  # the lines with the 32-bit view's keys where the 64-bit view's are
  sed -E 's/\\\\Wow6432Node\\\\/\\\\/' | sort -u
}
registry_differences base installed | grep -vE "$bookkeeping" | sed -E '/HELPDIR/s/\\\\"$/"/' |
  any_view >"$work/by-msi"
mkdir -p "$(dirname "$installed")"
cp "$work/current/$platform/tamborix.dll" "$installed"
snapshot before-regsvr32
timeout 60 "$script_wine" regsvr32 /s "C:\\$program_files\\Tamborix\\tamborix.dll"
snapshot regsvr32
registry_differences before-regsvr32 regsvr32 | sed -E '/FLAGS\t/s/@="8"$/@="0"/' |
  any_view >"$work/by-regsvr32"
if [ -s "$work/by-msi" ] && diff -q "$work/by-msi" "$work/by-regsvr32" >/dev/null; then
  pass "$platform MSI: the package writes the keys and values regsvr32 writes"
else
  fail "$platform MSI: the package writes the keys and values regsvr32 writes"
  diff "$work/by-msi" "$work/by-regsvr32" | grep '^[<>]' | sed 's/^</  package:/; s/^>/  regsvr32:/'
fi
timeout 60 "$script_wine" regsvr32 /u /s "C:\\$program_files\\Tamborix\\tamborix.dll"
rm -rf "$(dirname "$installed")"
snapshot clean

# The same uninstall check on a package that leaves a key behind.
msi /i 'C:\t\broken.msi'
msi /x 'C:\t\broken.msi'
snapshot broken
if differences clean broken | grep -q 'Tamborix.Leftover'; then
  pass "the uninstall check reports the key a broken package leaves"
else
  fail "the uninstall check reports the key a broken package leaves"
fi
timeout 60 "$wine" reg delete 'HKLM\Software\Classes\Tamborix.Leftover' /f >/dev/null 2>&1
timeout 60 "$wine" reg delete 'HKLM\Software\Classes\Wow6432Node\Tamborix.Leftover' /f >/dev/null 2>&1

# The cabinet: extracted, registered as its INF says, created, unregistered.
snapshot before-cab
timeout 60 "$wine" extrac32 /y /e /l 'C:\t\cab' 'C:\t\tamborix.cab' >/dev/null 2>&1
if cmp -s "$t/cab/tamborix.dll" "$work/current/$platform/tamborix.dll" &&
  cmp -s "$t/cab/tamborix.inf" "$work/current/$platform/tamborix.inf"; then
  pass "CAB: extrac32 extracts the signed DLL and the INF byte for byte"
else
  fail "CAB: extrac32 extracts the signed DLL and the INF byte for byte"
fi
check "CAB: the extracted DLL registers with regsvr32" \
  timeout 60 "$script_wine" regsvr32 /s 'C:\t\cab\tamborix.dll'
if timeout 60 "$script_wine" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" /ve 2>/dev/null |
  tr -d '\r' | grep -qiF 'C:\t\cab\tamborix.dll'; then
  pass "CAB: the INF's clsid is the class the DLL registers"
else
  fail "CAB: the INF's clsid is the class the DLL registers"
fi
check "CAB: the control created from a script" created
check "CAB: regsvr32 /u unregisters" timeout 60 "$script_wine" regsvr32 /u /s 'C:\t\cab\tamborix.dll'
rm -rf "$t/cab"
snapshot after-cab
leaves_nothing "CAB: unregistering leaves no key" before-cab after-cab

sed 's/^/timing: /' "$work/timings"
harness_complete
