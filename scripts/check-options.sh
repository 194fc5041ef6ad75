#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every option vkx --help or a command's --help prints is documented in the manual page and
# offered by each shell completion, every exit code it lists has an entry under EXIT STATUS, and
# no line of any help is wider than 80 columns.
#   scripts/check-options.sh VKX [MANUAL_SOURCE [COMPLETION...]]
# Defaults: docs/man/vkx.1.in and the completions in packaging/completions.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
vkx=$1
shift || true
manual=${1:-$here/docs/man/vkx.1.in}
shift || true
completions=("$@")
[ ${#completions[@]} -gt 0 ] || completions=("$here"/packaging/completions/*)

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The options of one help text: "-o,--output BOX   ..." gives -o and --output.
options_of() {
  awk '/^[A-Za-z].*:$/ { section = $0 } section == "Options:" && /^  -/ { print $1 }' |
    tr ',' '\n'
}
# The commands the main help lists.
commands=$("$vkx" --help | awk '/^[A-Za-z].*:$/ { section = $0; next }
                                section == "Subcommands:" && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || fail "vkx --help lists no commands"

# roff writes a hyphen as "\-"; the source with those undone is what a reader sees.
documented=$(sed 's/\\-/-/g' "$manual")
for command in "" $commands; do
  help=$("$vkx" $command --help)
  wide=$(awk 'length($0) > 80 { print length($0) ": " $0 }' <<<"$help")
  [ -z "$wide" ] || fail "vkx $command --help is wider than 80 columns: $wide"
  for option in $(options_of <<<"$help"); do
    # A short option must stand alone ("-o", not the "-o" inside "--output").
    pattern="(^|[^-[:alnum:]])$option([^-[:alnum:]]|\$)"
    grep -Eq -- "$pattern" <<<"$documented" ||
      fail "vkx $command $option is not in $(basename "$manual")"
    [[ $option == --* ]] || continue
    # fish names a long option without its dashes: "-l output".
    offered="(^|[^-[:alnum:]])(--|-l )${option#--}([^-[:alnum:]]|\$)"
    for completion in "${completions[@]}"; do
      grep -Eq -- "$offered" "$completion" ||
        fail "vkx $command $option is not offered by $(basename "$completion")"
    done
  done
done
for command in $commands; do
  grep -Eq "^\.(B|SS|TP|SY)? ?\"?(vkx )?$command" <<<"$documented" ||
    fail "the command $command has no entry in $(basename "$manual")"
  for completion in "${completions[@]}"; do
    grep -q -- "$command" "$completion" || fail "$(basename "$completion") lacks $command"
  done
done

exit_status=$(awk '/^\.SH/ { on = ($0 ~ /EXIT STATUS/) } on && prev == ".TP" { print } { prev = $0 }' \
  "$manual")
for code in $("$vkx" --help | awk '/^Exit codes:$/ { on = 1; next } on && /^  [0-9]+  / { print $1 }'); do
  grep -qx "\.B $code" <<<"$exit_status" || fail "exit code $code is not under EXIT STATUS"
done

[ "$failures" = 0 ] || { echo "check-options: $failures failures"; exit 1; }
echo "check-options: every option and exit code of vkx is documented; help fits 80 columns"
