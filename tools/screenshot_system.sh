#!/usr/bin/env bash
# Screenshots of the System look, the one a new user gets: on a light and on a dark desktop, each
# at 100 % and at 200 %.
# Usage: tools/screenshot_system.sh [output folder] [brindor binary]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/build/screenshots}"
bin="${2:-$here/build/app/brindor}"
mkdir -p "$out"
for scheme in light dark; do
  SCHEME=$scheme "$here/tools/screenshot.sh" "$out/system-$scheme.png" "$bin"
  SCHEME=$scheme SCALE=2 "$here/tools/screenshot.sh" "$out/system-$scheme-200.png" "$bin"
done
