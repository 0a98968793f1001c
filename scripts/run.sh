#!/usr/bin/env bash
# The run command: installs what is missing, builds the optimised program and
# starts it from the build tree with a sample open (or the file named as the
# first argument), its bars 5 pixels wide so that a text's whole ASCII range
# fits on one page.
# quorvant-cli is built beside it (build/release/bin/quorvant-cli).
# Without a display it runs the window under Xvfb instead, saves a
# screenshot and prints the PNG's path (QUORVANT_SCREENSHOT chooses it).
set -euo pipefail
cd "$(dirname "$0")/.."
Root=$PWD

scripts/install-deps.sh
cmake --preset release >/dev/null
# Both programs: the README's quorvant-cli examples run from build/release/bin.
cmake --build --preset release -j "$(nproc)" --target Quorvant quorvant-cli quorvant_data

Exe=$Root/build/release/bin/Quorvant
File=${1:-$Root/build/release/bin/QuorvantData/sample-text.txt}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$Exe" /B5 "$File"
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running Quorvant under Xvfb."
Shot=${QUORVANT_SCREENSHOT:-$Root/build/release/quorvant-screenshot.png}
Work=$(mktemp -d)
trap 'rm -rf "$Work"' EXIT
# A private runtime folder: the single-instance probe must not reach a
# Quorvant of the user's own session.
mkdir -m 700 "$Work/runtime"

cat >"$Work/shoot.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
Exe=$1 File=$2 Shot=$3
"$Exe" /B5 "$File" &
Pid=$!
# Wait until the window is mapped (at most 15 s), then let it paint.
for _ in $(seq 1 30); do
  if xwininfo -name "Quorvant Version 1.0" >/dev/null 2>&1; then break; fi
  sleep 0.5
done
sleep 1.5
import -window root "$Shot"
kill "$Pid" 2>/dev/null || true
wait "$Pid" 2>/dev/null || true
INNER
chmod +x "$Work/shoot.sh"

XDG_RUNTIME_DIR=$Work/runtime xvfb-run -a -s "-screen 0 1024x768x24" \
  "$Work/shoot.sh" "$Exe" "$File" "$Shot"
echo "Screenshot: $Shot"
