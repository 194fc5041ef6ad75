#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a build folder (default build/release) and checks it the way
# an installation would use it: every file is there, the icons have the sizes their folders
# promise, both unpacked programs run (the desktop program's --help and --version without a
# display), the manual pages are written by hand, hold their sections and fit 80 columns, every
# option and exit code is documented and every option completed by each shell (bash and fish
# run theirs), the Debian changelog comes from CHANGELOG.md, the copyright file names every library
# compiled in, the package depends on the libraries it loads, the AppStream metadata is valid, the menu entry is valid, a .vkx file is
# recognised as a box and opens in the desktop program, apt can satisfy the dependencies, and
# lintian reports no error or warning.
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
  usr/share/metainfo/org.example.vaultkeep_orb.metainfo.xml
  usr/share/man/man1/vkx.1.gz usr/share/man/man1/vaultkeep-orb.1.gz usr/share/man/man5/vkx-box.5.gz
  usr/share/doc/vaultkeep-orb/copyright usr/share/doc/vaultkeep-orb/changelog.gz
  usr/share/doc/vaultkeep-orb/README.md usr/share/doc/vaultkeep-orb/docs/create-box.png
  usr/share/bash-completion/completions/vkx usr/share/zsh/vendor-completions/_vkx
  usr/share/fish/vendor_completions.d/vkx.fish
  usr/share/icons/hicolor/scalable/apps/vaultkeep-orb.svg
  usr/share/icons/hicolor/scalable/mimetypes/application-x-vaultkeep-box.svg
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
for icon in "$tree"/usr/share/icons/hicolor/scalable/*/*.svg; do
  rsvg-convert -w 512 "$icon" -o "$root/icon.png" 2>"$root/svg.log" ||
    fail "${icon#"$tree"/} cannot be drawn: $(cat "$root/svg.log")"
  [ "$(identify -format '%wx%h' "$root/icon.png" 2>/dev/null)" = 512x512 ] ||
    fail "${icon#"$tree"/} is not square"
done
pass "the scalable icons draw at any size"

shown=$("$tree/usr/bin/vkx" --version) || fail "the unpacked vkx --version failed"
[ "$shown" = "vkx $version" ] || fail "the unpacked vkx --version printed \"$shown\""
pass "the unpacked vkx runs: $shown"
# Without a display the desktop program still answers for itself, and refuses what it does not
# know with its usage.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tree/usr/bin/vaultkeep-orb")
shown=$("${no_display[@]}" --version) || fail "the unpacked vaultkeep-orb --version failed"
[ "$shown" = "Vaultkeep Orb $version" ] ||
  fail "the unpacked vaultkeep-orb --version printed \"$shown\""
"${no_display[@]}" --help | grep -q '^Usage:' || fail "vaultkeep-orb --help shows no usage"
code=0
"${no_display[@]}" --no-such-option >/dev/null 2>"$root/usage" || code=$?
[ "$code" = 2 ] && grep -q '^Usage:' "$root/usage" ||
  fail "vaultkeep-orb --no-such-option exits $code: $(head -3 "$root/usage")"
pass "the unpacked desktop program runs without a display: $shown"

# The manual pages: written by hand, with their sections, formatted in 80 columns.
declare -A sections=(
  [vkx.1]="NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS JSON EXIT_STATUS ENVIRONMENT FILES SECURITY LIMITS EXAMPLES SEE_ALSO"
  [vaultkeep-orb.1]="NAME SYNOPSIS DESCRIPTION OPTIONS EXIT_STATUS FILES SECURITY SEE_ALSO"
  [vkx-box.5]="NAME DESCRIPTION LAYOUT KEYS UNITS,_PIECES_AND_TWEAKS THE_SEAL READING_A_BOX BOXES_OF_VERSION_0.2.0 LEGACY_BOXES SEE_ALSO"
)
for page in "$tree"/usr/share/man/man*/*.gz; do
  name=$(basename "$page" .gz)
  source=$(zcat "$page")
  grep -qiE 'help2man|generated (by|automatically)|DO NOT (EDIT|MODIFY)' <<<"$source" &&
    fail "$name is generated"
  for section in ${sections[$name]:-}; do
    grep -qxF -e ".SH ${section//_/ }" -e ".SH \"${section//_/ }\"" <<<"$source" ||
      fail "$name lacks ${section//_/ }"
  done
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$name: $warnings"
  wide=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | col -bx |
    python3 -c 'import sys; print("\n".join(l for l in sys.stdin.read().splitlines() if len(l) > 80))')
  [ -z "$wide" ] || fail "$name is wider than 80 columns: $wide"
done
[ ${#sections[@]} = "$(ls "$tree"/usr/share/man/man*/*.gz | wc -l)" ] ||
  fail "the package's manual pages are not the ${#sections[@]} expected"
pass "the manual pages are written by hand, hold their sections and fit 80 columns"

zcat "$tree/usr/share/man/man1/vkx.1.gz" >"$root/vkx.1"
"$PWD/scripts/check-options.sh" "$tree/usr/bin/vkx" "$root/vkx.1" \
  "$tree/usr/share/bash-completion/completions/vkx" "$tree/usr/share/zsh/vendor-completions/_vkx" \
  "$tree/usr/share/fish/vendor_completions.d/vkx.fish" || fail "an option of vkx is undocumented"
pass "every option of vkx is in its manual page and its completions"

# The completions as each shell runs them: commands, options, and boxes where a box is read.
mkdir -p "$root/here/folder" && touch "$root/here/a.vkx" "$root/here/b.txt"
# shellcheck disable=SC2016
bash_completes() {
  (cd "$root/here" && bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
                              _vkx; printf "%s\n" "${COMPREPLY[@]}"' _ \
    "$tree/usr/share/bash-completion/completions/vkx" "$@" | sed 's|/$||' | sort | xargs)
}
fish_completes() {
  (cd "$root/here" && fish --no-config -c "source $tree/usr/share/fish/vendor_completions.d/vkx.fish
    complete -C '$1'" | cut -f1 | sed 's|/$||' | sort | xargs)
}
for case in "vkx cr|create" "vkx list |a.vkx folder" "vkx extract a.vkx --d|--directory"; do
  line=${case%%|*} want=${case#*|}
  read -ra words <<<"$line"
  [[ $line == *' ' ]] && words+=("")
  got=$(bash_completes "${words[@]}")
  [ "$got" = "$want" ] || fail "bash completes \"$line\" as \"$got\", not \"$want\""
  got=$(fish_completes "$line")
  [ "$got" = "$want" ] || fail "fish completes \"$line\" as \"$got\", not \"$want\""
done
zsh -n "$tree/usr/share/zsh/vendor-completions/_vkx" && head -1 "$tree/usr/share/zsh/vendor-completions/_vkx" |
  grep -qx '#compdef vkx' || fail "the zsh completion does not load"
pass "bash and fish complete commands, options and boxes; the zsh completion loads"

appstreamcli validate --no-net --pedantic \
  "$tree/usr/share/metainfo/org.example.vaultkeep_orb.metainfo.xml" >"$root/appstream.log" 2>&1 ||
  { cat "$root/appstream.log"; fail "the AppStream metadata is not valid"; }
grep -q "<release version=\"$version\"" "$tree/usr/share/metainfo/org.example.vaultkeep_orb.metainfo.xml" ||
  fail "the AppStream metadata has no release $version"
pass "the AppStream metadata is valid and names release $version"

# The Debian changelog is made from CHANGELOG.md: its first entry is this version's first item.
first_item=$(awk -v v="## $version " 'index($0, v) == 1 { on = 1; next }
  on && /^- / { sub(/^- /, ""); gsub(/`/, ""); print; exit }' CHANGELOG.md | cut -c1-40)
zcat "$tree/usr/share/doc/vaultkeep-orb/changelog.gz" | head -3 | grep -qF "$first_item" ||
  fail "the Debian changelog does not start with CHANGELOG.md's $version"
pass "the Debian changelog is made from CHANGELOG.md"

# The copyright file is machine-readable, under GPL-3.0-or-later, and names every library whose
# code is compiled into the programs: a package whose headers the shipped objects include but
# that ships no shared library to link (a header-only or static library). The toolchain's own
# headers are exempt.
copyright=$tree/usr/share/doc/vaultkeep-orb/copyright
head -1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not machine-readable"
grep -q '^License: GPL-3.0-or-later$' "$copyright" || fail "the copyright file names no GPL-3.0-or-later"
toolchain='^(libc6-dev|libstdc\+\+-[0-9]+-dev|libgcc-[0-9]+-dev|linux-libc-dev)$'
headers=$(ninja -C "$build" -t deps 2>/dev/null |
  awk '/^[^ ].*\.o: #deps/ { shipped = ($1 ~ /^src\//); next } shipped && /^    \// { print $1 }' | sort -u)
for package in $(xargs -r dpkg -S <<<"$headers" 2>/dev/null | cut -d: -f1 | sort -u); do
  [[ $package =~ $toolchain ]] && continue
  dpkg -L "$package" | grep -q '\.so$' && continue
  grep -q "$package" "$copyright" || fail "the copyright file does not name $package, compiled in"
done
pass "the copyright file names every library compiled in"

# The README gives the password to one command at a time, never to the shell's environment.
grep -q 'export VKX_PASSWORD' "$tree/usr/share/doc/vaultkeep-orb/README.md" &&
  fail "the README exports the password to every later process"
pass "the README is installed and keeps the password to one command"

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
