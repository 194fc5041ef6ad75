#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build/release) and checks it the way
# an installation would use it: every file is there, the icons have the sizes their folders
# promise, both unpacked programs run, the menu entry is valid, a .vkx file is recognised as a box
# and opens in the desktop program, it depends on the libraries it loads, apt can satisfy the
# dependencies, and lintian reports no error or warning.
#   scripts/check-package.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/release}")
failures=0 checked=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Reports a check as passed unless it failed since the previous one.
pass() {
  if [ "$failures" = "$checked" ]; then echo "ok - $*"; fi
  checked=$failures
}

rm -f "$build"/vaultkeep-orb_*.deb
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
(cd "$build" && cpack -G DEB) >"$root/cpack.log" 2>&1 || { cat "$root/cpack.log"; exit 1; }
version=$(sed -n 's/^#define VKO_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/Version.h")
deb="$build/vaultkeep-orb_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "FAIL: cpack did not write $deb"; exit 1; }
pass "cpack wrote $(basename "$deb")"

dpkg-deb -x "$deb" "$root/tree"
tree=$root/tree

expected=(
  usr/bin/vaultkeep-orb usr/bin/vkx
  usr/share/applications/vaultkeep-orb.desktop
  usr/share/mime/packages/vaultkeep-orb.xml
  usr/share/man/man1/vkx.1.gz usr/share/man/man1/vaultkeep-orb.1.gz
  usr/share/doc/vaultkeep-orb/copyright usr/share/doc/vaultkeep-orb/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x$size/apps/vaultkeep-orb.png"
             "usr/share/icons/hicolor/${size}x$size/mimetypes/application-x-vaultkeep-box.png")
done
for file in "${expected[@]}"; do
  [ -s "$tree/$file" ] || fail "the package lacks $file"
done
pass "the package holds its ${#expected[@]} files"

for icon in "$tree"/usr/share/icons/hicolor/*/*/*.png; do
  folder=$(basename "$(dirname "$(dirname "$icon")")")
  drawn=$(identify -format '%wx%h' "$icon")
  [ "$drawn" = "$folder" ] || fail "${icon#"$tree"/} is $drawn"
done
pass "every icon has the size of its folder"

shown=$("$tree/usr/bin/vkx" --version) || fail "the unpacked vkx --version failed"
[ "$shown" = "vkx $version" ] || fail "the unpacked vkx --version printed \"$shown\""
pass "the unpacked vkx runs: $shown"
shown=$("$tree/usr/bin/vaultkeep-orb" --version) || fail "the unpacked vaultkeep-orb --version failed"
[ "$shown" = "Vaultkeep Orb $version" ] ||
  fail "the unpacked vaultkeep-orb --version printed \"$shown\""
pass "the unpacked desktop program runs: $shown"
for page in "$tree"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
pass "the manual pages format without warnings"

desktop-file-validate "$tree/usr/share/applications/vaultkeep-orb.desktop" ||
  fail "the desktop entry is not valid"
pass "the desktop entry is valid"

# The file type and the menu entry as a desktop resolves them, from the unpacked files only.
export XDG_DATA_DIRS=$tree/usr/share:/usr/share
update-mime-database "$tree/usr/share/mime" || fail "the box file type is not valid"
update-desktop-database "$tree/usr/share/applications" || fail "the menu entry cannot be indexed"
head -c 100 /dev/urandom >"$root/Photos.vkx"
type=$(HOME=$root XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$root/Photos.vkx")
[ "$type" = application/x-vaultkeep-box ] || fail "a .vkx file is recognised as \"$type\""
pass "a .vkx file is recognised as $type"
handler=$(HOME=$root PATH=$tree/usr/bin:$PATH XDG_CURRENT_DESKTOP=GNOME \
  xdg-mime query default application/x-vaultkeep-box)
[ "$handler" = vaultkeep-orb.desktop ] || fail "a box opens with \"$handler\""
pass "a box opens with $handler"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libsodium23 libssl3 zlib1g; do
  grep -qw "$library" <<<"$depends" || fail "the package does not depend on $library"
done
pass "the package depends on the cipher and compression libraries"

# As a non-root user apt only simulates, which is all this needs.
apt-get install --simulate -qq "$deb" >"$root/apt.log" 2>&1 ||
  { cat "$root/apt.log"; fail "apt cannot install the package"; }
pass "apt can satisfy the package's dependencies"

if report=$(lintian --fail-on error,warning "$deb" 2>&1); then
  pass "lintian reports no error or warning"
else
  fail "lintian reports errors or warnings"
fi
grep -v '^running with root privileges' <<<"$report" || true

[ "$failures" = 0 ] || { echo "check-package: $failures failures"; exit 1; }
echo "check-package: $(basename "$deb") is sound"
