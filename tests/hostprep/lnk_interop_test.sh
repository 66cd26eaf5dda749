#!/usr/bin/env bash
# The link file written on Linux, loaded by the system's own shell link object (IShellLinkA
# and IPersistFile::Load, through lnk_probe.exe under wine): it must give back the target
# and the description that were written.
#   lnk_interop_test.sh CLI LNK_PROBE_EXE WINE_RUN
set -euo pipefail
cli=$1 probe=$2 wine_run=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" create-shortcut "$work" >/dev/null
test -f "$work/DUZA.lnk"

# wine sees the Linux root as drive Z:.
output=$("$wine_run" "$probe" "Z:${work//\//\\}\\DUZA.lnk" 2>/dev/null | tr -d '\r')
echo "$output"

fail=0
expect() {
  if ! grep -qxF -- "$1" <<<"$output"; then
    echo "missing: $1" >&2
    fail=1
  fi
}
expect "path=http://localhost/default.htm"
expect "description=ShellLink Sample"
expect "workdir="
expect "arguments="
# The show command is not compared: wine 8's object does not take it from the file (it
# keeps the value of a new object, 1); the header bytes are checked by the native tests.
exit $fail
