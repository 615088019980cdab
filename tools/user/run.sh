#!/usr/bin/env bash
# `make run`: starts the cross-built Brantel.exe in a fresh Wine prefix, presses "Install", and
# reports what the window showed and what the run left in the prefix. Uses $DISPLAY when set,
# otherwise a private Xvfb. Everything it makes stays under build/run/.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cross="${BRANTEL_CROSS_DIR:-$root/build/cross}"
program="$cross/src/app/Brantel.exe"
automate="$cross/tools/testing/harness/brantel-automate.exe"
run="$root/build/run"
prefix="$run/prefix"
timeout="${BRANTEL_RUN_TIMEOUT:-120}"
python="${BRANTEL_PYTHON:-python3}"  # make run names Debian's

for file in "$program" "$automate"; do
  [ -f "$file" ] || { echo "run: missing $file (make cross builds it)" >&2; exit 1; }
done

export PYTHONPATH="$root/tools/testing${PYTHONPATH:+:$PYTHONPATH}"

rm -rf "$run"
mkdir -p "$run"
"$python" -m harness.display start "$run/display.state" || exit 1
stop() {
  "$python" -m harness.wine stop "$prefix" >/dev/null 2>&1
  "$python" -m harness.display stop "$run/display.state" >/dev/null
}
trap stop EXIT

echo "Brantel.exe carries the component files of $(cat "$cross/payload/packed_from.txt")"
echo "Creating a fresh 32-bit Wine prefix in $prefix"
"$python" -m harness.wine create "$prefix" win32 || exit 1

"$python" "$root/tools/user/run_report.py" --automate "$automate" --program "$program" \
  --facts "$cross/facts.json" --prefix "$prefix" \
  --display-state "$run/display.state" --source-dir "$root" --out "$run" --timeout "$timeout"
