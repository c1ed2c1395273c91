# What the command-line end-to-end scripts share; sourced with brindor-cli's path as $1.
# Each script ends with `finish`.
set -u
cli="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

check() {  # check NAME CONDITION-COMMAND...
  local name="$1"; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAIL: $name"; failures=$((failures + 1)); fi
}
status_is() {  # status_is EXPECTED COMMAND...
  local expected="$1"; shift
  "$@" >"$work/out.txt" 2>"$work/err.txt" </dev/null
  local got=$?
  [ "$got" -eq "$expected" ] || { echo "  exit $got, expected $expected: $*"; cat "$work/err.txt"; return 1; }
}
finish() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
