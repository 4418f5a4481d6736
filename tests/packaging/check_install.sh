#!/usr/bin/env bash
# Installs the Linux build with `cmake --install` under a prefix with a space in it, and checks
# that the menu entry starts the program installed there, the metadata validates, and hv-copies'
# manual page says what its --help says.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix="$work/any prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

desktop="$prefix/share/applications/hv-test-process.desktop"
desktop-file-validate "$desktop" || fail "the installed .desktop file is not valid"
exec_value=$(sed -n 's/^Exec=//p' "$desktop")
if [[ "$exec_value" == \"*\" ]]; then program=${exec_value:1:${#exec_value}-2}; else program=${exec_value%% *}; fi
[[ "$program" == "$prefix/"* && -x "$program" && -f "$program" ]] ||
  fail "Exec=$exec_value does not name the program under $prefix"

appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "the AppStream metadata does not validate"
for page in HV-TEST-PROCESS-V1 hv-copies; do
  [[ -f "$prefix/share/man/man1/$page.1.gz" ]] || fail "no manual page for $page"
  warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "$page.1: $warnings"
done
[[ -f "$prefix/share/doc/hv-test-process/copyright" ]] || fail "no copyright file"

# Every command form and environment variable of --help stands in the page.
page=$(zcat "$prefix/share/man/man1/hv-copies.1.gz" | sed 's/\\-/-/g; s/\\f[BIR]//g')
help=$("$prefix/bin/hv-copies" --help)
while read -r form; do
  grep -qxF -- "$form" <<<"$page" || fail "the manual page lacks \"$form\""
done < <(sed -n 's/^\(usage:\)\? *\(hv-copies .*[^ ]\) *$/\2/p' <<<"$help")
for variable in $(grep -o '\$[A-Z_]*' <<<"$help" | tr -d '$' | sort -u); do
  grep -qw -- "$variable" <<<"$page" || fail "the manual page does not mention $variable"
done
echo "1 passed, 0 failed"
