#!/usr/bin/env bash
# Pictures of the real VxUpdater for review: starts the program under Xvfb
# against the shipped simulated cameras, drives it with xdotool the way an
# operator would (camera choice, bundle by the file dialog, package choice,
# update, log viewer, About box, mode switch) and saves a PNG of every window
# on the way (the main window idle, connected, rebooting, switching mode),
# then one picture per phase of the main window drawn by its test, plus the
# pages of the user guide the build made.
#
# Usage: tools/screenshots.sh [BUILD_DIR]      (./vx screenshots builds first)
# Output: BUILD_DIR/screenshots/*.png
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
if [ "${VX_INSIDE_XVFB:-}" != 1 ]; then
  export VX_INSIDE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

out=$build/screenshots
program=$build/Updater/Window/VxUpdater
vxupdate=$build/Updater/Cli/vxupdate
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program's settings and logs stay out of the user's folders.
export VX_SIMULATED_CAMERAS=$PWD/Shared/data/SimulatedCameras.json
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export QT_QPA_PLATFORM=xcb

say() { echo "screenshots: $*"; }

# A bundle with one package per simulated camera, and one with two packages
# for SIM-0001 (any revision, and its own revision 2) for the package choice.
make_bundles() {
  "$vxupdate" bundle demo "$work/VxDemoBundle.zip" >/dev/null
  mkdir -p "$work/two/files"
  unzip -q -j "$work/VxDemoBundle.zip" -d "$work/two/files"
  unzip -q -p "$work/VxDemoBundle.zip" Manifest.xml | awk '
    /<Package>/ && !done { inside = 1 }
    { print; if (inside) block = block $0 "\n" }
    /<\/Package>/ && inside {
      inside = 0; done = 1
      sub(/<ModelFamily>/, "<HardwareRevision>2</HardwareRevision><ModelFamily>", block)
      printf "%s", block
    }' >"$work/two/Manifest.xml"
  "$vxupdate" bundle create "$work/two/Manifest.xml" "$work/two/files" "$work/VxTwoPackages.zip" >/dev/null
}

# The window whose title matches, waited for.
window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1 || true)
  if [ -z "$id" ]; then
    echo "screenshots: no window titled '$1' appeared" >&2
    return 1
  fi
  echo "$id"
}
shot() {
  sleep 0.4
  import -window "$1" "$out/$2"
  say "$out/$2"
}
# Keys go to the focused window: keys sent to a named window arrive out of
# step with the program's own focus handling.
click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
# The main window's button row, as laid out at its fixed size of 540 x 600.
# The four buttons share the bottom row equally, however wide a status text
# has made the window.
main_button() {
  local index width height
  case "$2" in
    binaries) index=0 ;;
    package) index=1 ;;
    update) index=2 ;;
    exit) index=3 ;;
  esac
  eval "$(xdotool getwindowgeometry --shell "$1")"
  width=$WIDTH height=$HEIGHT
  click "$1" $((width * (2 * index + 1) / 8)) $((height - 26))
}

choose_bundle() {
  local main=$1 bundle=$2 picture=${3:-}
  main_button "$main" binaries
  local files
  files=$(window '^Select Binaries$')
  [ -n "$picture" ] && shot "$files" "$picture"
  xdotool type --delay 2 "$bundle"
  # The first Return may only take the file name completer's proposal.
  for _ in 1 2 3; do
    sleep 0.5
    xdotool search --onlyvisible --name '^Select Binaries$' >/dev/null || return 0
    xdotool key Return
  done
}

make_bundles
"$program" &
pid=$!

# Two cameras: the program asks which one to use. Closed without a choice,
# the window stays idle.
cameras=$(window '^Camera Selection$')
shot "$cameras" camera-selection.png
xdotool key Escape
main=$(window '^Veltrax VxUpdater$')
shot "$main" main-idle.png

# File > Connect to Camera...; the connection's first frames.
click "$main" 20 12
sleep 0.3
xdotool key Down Return
cameras=$(window '^Camera Selection$')
click "$cameras" 200 52
xdotool key Return
for i in $(seq -w 1 8); do
  import -window "$main" "$work/connecting-$i.png"
done
main=$(window '^Veltrax VxUpdater: SIM-0001$')
shot "$main" main-connected.png
# A frame that is neither the idle window nor the connected one.
for frame in "$work"/connecting-*.png; do
  if [ "$(compare -metric AE "$frame" "$out/main-connected.png" null: 2>&1 || true)" != 0 ] &&
    [ "$(compare -metric AE "$frame" "$out/main-idle.png" null: 2>&1 || true)" != 0 ]; then
    cp "$frame" "$out/main-connecting.png"
    say "$out/main-connecting.png"
    break
  fi
done
[ -e "$out/main-connecting.png" ] || say "the connection ended before a frame caught it"

choose_bundle "$main" "$work/VxDemoBundle.zip" file-dialog.png
shot "$main" main-bundle.png

# The update: frames while it runs.
main_button "$main" update
question=$(window '^Update$')
shot "$question" update-question.png
# Frames from before the answer on: the demonstration's update is quick.
(for i in $(seq -w 1 40); do import -window "$main" "$work/frame-$i.png"; done) &
frames=$!
xdotool key Return
wait "$frames"
sleep 2
# The camera restarts after the update; it is looked for again after 10 s.
shot "$main" main-rebooting.png
sleep 12
shot "$main" main-done.png
# The last frame still running: a status cell of the table yellow (updating,
# loading) or blue (verifying).
running() {
  local y pixel
  for y in 264 295 326 357; do
    pixel=$(convert "$1" -format '%[pixel:p{440,'"$y"'}]' info: 2>/dev/null || true)
    echo "$pixel" | tr -c '0-9\n' ' ' | awk '
      NF >= 3 && (($1 >= 250 && $2 >= 250 && $3 < 200) || ($3 >= 250 && $1 < 200 && $2 < 200)) { found = 1 }
      END { exit !found }' && return 0
  done
  return 1
}
for frame in "$work"/frame-*.png; do
  if running "$frame"; then
    cp "$frame" "$out/main-updating.png"
  fi
done
[ -e "$out/main-updating.png" ] && say "$out/main-updating.png"
[ -e "$out/main-updating.png" ] || say "the update ended before a frame caught it running"

# Several packages fit: the package choice.
choose_bundle "$main" "$work/VxTwoPackages.zip"
packages=$(window '^Package Selection$')
shot "$packages" package-selection.png
xdotool key Escape

# Tools > Show Log File...
click "$main" 74 12
sleep 0.3
xdotool key Down Return
log=$(window '^Displaying Log: ')
shot "$log" log-viewer.png
xdotool key Escape

# Help > About...
click "$main" 111 12
sleep 0.3
xdotool key Up Return
about=$(window '^About$')
shot "$about" about.png
xdotool key Return

# The camera mode: USB3 Vision, then the restart into it and the camera back
# in that mode.
click "$main" 200 78
question=$(window '^Switching Camera Mode$')
shot "$question" mode-question.png
xdotool key Return
shot "$main" main-switching-mode.png
sleep 12
shot "$main" main-usb3-vision-mode.png

main_button "$main" exit
wait "$pid" || true
pid=""

# Every phase of the main window, drawn offscreen by its test on the test
# cameras: connecting and updating the simulated cameras pass too quickly for
# the pictures above to catch them.
phases=$build/tests/Updater/Window/MainWindowTest
if [ -x "$phases" ]; then
  QT_QPA_PLATFORM=offscreen VX_PHASE_PICTURES=$(cd "$out" && pwd) "$phases" phaseDecidesEveryControl >"$work/phases.log" 2>&1 ||
    { cat "$work/phases.log" >&2; exit 1; }
  say "$out/phase-*.png (every phase of the main window)"
fi

if [ -e "$program" ] && [ -e "$(dirname "$program")/UserGuide.pdf" ]; then
  pdftoppm -r 60 -png "$(dirname "$program")/UserGuide.pdf" "$out/guide-page"
  say "$out/guide-page-*.png (the user guide)"
fi

# The update history with a few runs (one interrupted), drawn by its test.
history=$build/tests/Updater/Window/DialogUpdateHistoryTest
if [ -x "$history" ]; then
  VX_HISTORY_PICTURE=$(cd "$out" && pwd)/update-history.png "$history" showsTheCamerasRunsNewestFirstWithTheirLoads \
    >"$work/history.log" 2>&1 || { cat "$work/history.log" >&2; exit 1; }
  say "$out/update-history.png"
fi
