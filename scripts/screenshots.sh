#!/usr/bin/env bash
# Screenshots of the real station on the demo data under a virtual X server, to
# look at before a window is called done. Pictures go to build/screenshots/:
#   main-<multi|single>-<language>-<100|150>.png  the main window, four zones or
#                                                 one, at 100% and 150% text size
#   about.png                                     the about box over the main window
#   popup-zone.png, popup-reports.png             the main window's pop-up menus
#   hostrun-running.png, hostrun-done.png         a fixture alignment program
#                                                 running, then its result
#   options-<1|2|4>zones-<language>-<100|150>.png the inspection options window
#                                                 for one, two and four zones
#                                                 (four: MBR buttons and two
#                                                 statistics); English at both
#                                                 sizes, French and German at 100%
#   custsections.png, mbr.png                     the section and blade pickers
#   report-analysis.png                           the report window showing the
#                                                 analysis report of a measured
#                                                 demo part: a section's table
#                                                 and picture
#   qualify.png                                   the probe qualification dialog
#   main-analysis-waiting.png                     the main window after it, its
#                                                 status line with the report
#                                                 waiting for its verdict
#   queue.png                                     Reports > Waiting for Analysis
#                                                 listing that report
# A picture of one window has its title drawn above it, as no window manager
# draws one.
# Installs Xvfb, ImageMagick and xdotool when missing. Exits non-zero when the
# station does not come up or a window it should open does not show.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for p in xvfb x11-apps imagemagick xdotool; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
./scripts/setup.sh >/dev/null
out="$PWD/build/screenshots"
rm -rf "$out"
mkdir -p "$out"
# A display of our own: Xvfb chooses a free number itself and tells it when
# it is ready (-displayfd), so two runs at once never share a server. Should
# the server be gone (its log says why), the next picture starts a new one.
station=
xvfb=
trap 'kill $station $xvfb 2>/dev/null || true' EXIT
ensure_x() {
  if [ -n "${DISPLAY:-}" ] && [ -n "$xvfb" ] && kill -0 "$xvfb" 2>/dev/null && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  if [ -n "$xvfb" ]; then
    echo "screenshots: the virtual X server went away; starting another" >&2
    kill "$xvfb" 2>/dev/null || true
  fi
  rm -f "$out/display"
  Xvfb -displayfd 3 -screen 0 1600x1000x24 3>"$out/display" >>"$out/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$out/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$out/display" ]; then
    echo "screenshots: no virtual X server could be started" >&2
    cat "$out/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$out/display")"
  rm -f "$out/display"
}
ensure_x

# Starts the station on a fresh demo home with the given zarv.ini settings (a
# setting the file lacks is added) and waits for its main window; sets $home,
# $station and $window. FONT_DPI=144 makes texts 150% as large.
start() {
  local setting attempt
  for attempt in 1 2; do
    ensure_x
    home=$(./scripts/demo-home.sh "$PWD/build/shot-home")
    for setting in "$@"; do
      if grep -q "^${setting%% =*} =" "$home/zarv.ini"; then
        sed -i "s|^${setting%% =*} =.*|$setting|" "$home/zarv.ini"
      else
        printf '%s\r\n' "$setting" >>"$home/zarv.ini"
      fi
    done
    # A slow fixture program, so its run can be seen.
    sed -i "s|^CommandTime =.*|CommandTime = 700|" "$home/host/simhost.ini"
    QT_FONT_DPI="${FONT_DPI:-96}" ZARVANE_REGISTRY="$home/registry.ini" ZARVANE_SYSTEM_DIR="$home/system" \
      build/zarvane --home "$home" >"$out/station.log" 2>&1 &
    station=$!
    window=
    for _ in $(seq 150); do
      window=$(xdotool search --onlyvisible --pid "$station" --name "Zarvane" 2>/dev/null | tail -n 1 || true)
      [ -n "$window" ] && break
      kill -0 "$station" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$window" ] && break
    # A station that could not reach the display (the server went away under
    # it) is started once more on a new one.
    stop
    echo "screenshots: the station did not show its main window (attempt $attempt)" >&2
    cat "$out/station.log" >&2
  done
  if [ -z "$window" ]; then
    echo "screenshots: the station did not show its main window" >&2
    exit 1
  fi
  sleep 2  # the splash goes and the host starts
  # The splash matched first when it was up; the main window is the one left.
  window=$(xdotool search --onlyvisible --pid "$station" --name "Zarvane" 2>/dev/null | tail -n 1 || true)
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}
stop() {
  kill "$station" 2>/dev/null || true
  wait "$station" 2>/dev/null || true
}
# The screen with the black background trimmed away.
shot() {
  import -window root "$out/full.png"
  convert "$out/full.png" -trim +repage "$out/$1"
  rm -f "$out/full.png"
}
fail() {
  echo "screenshots: $1" >&2
  cat "$out/station.log" >&2
  exit 1
}
# A point inside the main window, relative to its top-left corner.
click_at() {
  local x y
  eval "$(xdotool getwindowgeometry --shell "$window")"
  x=$((X + $1)) y=$((Y + $2))
  xdotool mousemove "$x" "$y" click "$3"
}

# Language numbers of the settings file: 1 English, 2 French, 4 German.
languages=([1]=english [2]=french [4]=german)
for layout in multi single; do
  zones=OFF
  [ "$layout" = single ] && zones=ON
  for n in 1 2 4; do
    for size in 100 150; do
      FONT_DPI=$((96 * size / 100)) start "Language = $n" "SingleZone = $zones" "SZ_Serial = $zones" \
        "SZ_Stats = $zones" "STAT1 = OPERATOR Operator Name"
      shot "main-$layout-${languages[$n]}-$size.png"
      stop
    done
  done
done

# The pop-up menus, the about box and a host program run on the four-zone screen.
start "Language = 1"
eval "$(xdotool getwindowgeometry --shell "$window")"
click_at 30 45 3          # zone 1's frame title
sleep 0.5
shot popup-zone.png
xdotool key Escape
click_at $((WIDTH / 2)) $((HEIGHT - 40)) 3   # between the buttons and the probe
sleep 0.5
shot popup-reports.png
xdotool key Escape
sleep 0.3
xdotool key alt+h Up Return   # Help, About...
sleep 0.8
shot about.png
xdotool key Escape
sleep 0.5
xdotool windowfocus --sync "$window" 2>/dev/null || true
# Zone 2's fixture list (the fifth list in the tab order), its first fixture,
# and Yes to the fixture alignment question.
xdotool key Tab Tab Tab Tab alt+Down Down Return
sleep 0.8
xdotool key Return
sleep 1
shot hostrun-running.png
sleep 6
shot hostrun-done.png
stop

# A left click at a place in a window given in thousandths of its width and
# height: a window is drawn at a scale, so a control keeps its place relative
# to the window's size in every language and text size. The pointer then moves
# off the windows, so that no tool tip shows in a picture.
click_in() {
  local x y
  eval "$(xdotool getwindowgeometry --shell "$1")"
  x=$((WIDTH * $2 / 1000)) y=$((HEIGHT * $3 / 1000))
  xdotool mousemove --window "$1" "$x" "$y" click 1
  xdotool mousemove 0 0
}
# Waits up to ten seconds for a titled window of the station other than the
# ones given and prints it.
await_window() {
  local w
  for _ in $(seq 100); do
    for w in $(xdotool search --onlyvisible --pid "$station" --name . 2>/dev/null); do
      [[ " $* " == *" $w "* ]] || { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
# One window, with its title in a band above it.
window_shot() {
  local title
  sleep 1  # laid out and painted
  title=$(xdotool getwindowname "$1")
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window "$1" "$out/window.png"
  convert \( -size "${WIDTH}x26" xc:'#d4d4d4' -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
    -pointsize 13 -fill black -gravity west -annotate +8+0 "$title" \) "$out/window.png" -append "$out/$2"
  rm -f "$out/window.png"
}
# Opens the inspection options window for the given number of zones and sets
# $options. Zone 1 holds the demo part at start; the part is typed into the
# other zones' part boxes, and the Measure command takes a typed part.
open_options() {
  local n
  for n in $(seq 2 "$1"); do
    click_in "$window" $((105 + 248 * (n - 1))) 280   # zone n's part box
    xdotool type --delay 30 Demo
  done
  click_in "$window" 80 820   # Measure, lower left under the zone frames
  options=$(await_window "$window") || fail "the inspection options window did not show"
}

# The inspection options window; with four zones also the MBR buttons and two
# statistics.
for zones in 1 2 4; do
  settings=()
  [ "$zones" = 4 ] && settings=("MBR = ON" "STAT1 = OPERATOR Operator Name" "STAT2 = SHIFT Shift")
  for run in 1-100 1-150 2-100 4-100; do
    n=${run%-*} size=${run#*-}
    FONT_DPI=$((96 * size / 100)) start "Language = $n" "${settings[@]}"
    open_options "$zones"
    window_shot "$options" "options-${zones}zones-${languages[$n]}-$size.png"
    stop
  done
done

# The section picker (zone 1's Custom Sections) and the blade picker (MBR1, for
# a part with a blade list), opened from the one-zone options window in English
# at 100%, where the places clicked are.
start "Language = 1" "MBR = ON"
printf '1\r\n2\r\n3\r\n4\r\n' >"$home/blades/Demo/Demo.mbr"
open_options 1
click_in "$options" 625 448   # Custom Sections
sections=$(await_window "$window" "$options") || fail "the section picker did not show"
window_shot "$sections" custsections.png
click_in "$sections" 832 893   # Cancel
sleep 0.5
click_in "$options" 648 552   # MBR1
blades=$(await_window "$window" "$options" "$sections") || fail "the blade picker did not show"
window_shot "$blades" mbr.png
stop

# The analysis report of the demo part in the report window, scrolled to the
# first section's picture. A measurement shows the text report, then the
# rich-text report under the report's name; the host's printed reports take
# those names first, and the analysis program's reports replace them while
# the operator reads the first.
start "Language = 1"
# The analysis program writes its reports but gives no verdict: the report
# stays waiting, and the main window's status line says so.
printf 'NoAnswerParts = Demo\r\n' >"$home/Blade/Blade.ini"
open_options 1
click_in "$options" 709 944   # the serial number
xdotool type --delay 30 SN-0001
click_in "$options" 264 421   # Measure
# The window's title is the report shown.
report_window() {
  local w
  for _ in $(seq 300); do
    for w in $(xdotool search --onlyvisible --pid "$station" --name . 2>/dev/null); do
      [[ "$(xdotool getwindowname "$w")" == *"$1" ]] && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
text=$(report_window .txt) || fail "the report window did not show the text report"
analysis_rtf=$(xdotool getwindowname "$text")
analysis_rtf="${analysis_rtf%.txt}.rtf"
for _ in $(seq 300); do
  grep -q 'pict' "$analysis_rtf" 2>/dev/null && break
  sleep 0.1
done
grep -q 'pict' "$analysis_rtf" 2>/dev/null || fail "the analysis program wrote no report with pictures"
sleep 1   # the window drawn before its button is clicked
click_in "$text" 930 955   # Close
report=$(report_window .rtf) || fail "the report window did not show the analysis report"
eval "$(xdotool getwindowgeometry --shell "$report")"
# Five turns of the wheel down: the end of section A-A's table, its picture
# and the line under it.
xdotool mousemove --window "$report" $((WIDTH / 2)) $((HEIGHT / 2)) click --repeat 5 --delay 100 5
xdotool mousemove 0 0
window_shot "$report" report-analysis.png
sleep 0.5
click_in "$report" 930 955   # Close
sleep 1
click_in "$options" 474 421   # Exit: the zone panels come back
sleep 1
window_shot "$window" main-analysis-waiting.png
# Reports > Waiting for Analysis... (the menu's last item) lists that report.
click_in "$window" 188 29   # Reports
sleep 0.5
xdotool key Up Return
queue=$(await_window "$window" "$options") || fail "the analysis queue window did not show"
sleep 0.5
window_shot "$queue" queue.png
xdotool key Escape || true
sleep 0.5
stop

# The qualification dialog, opened by a click on the probe picture of the
# main window (the simulated host lists two probes and two spheres).
start "Language = 1"
click_in "$window" 953 823   # the probe picture
qualify=$(await_window "$window") || fail "the qualification dialog did not show"
sleep 0.5
window_shot "$qualify" qualify.png
xdotool key Escape || true
sleep 1
stop

rm -f "$out/station.log"
echo "Screenshots in $out"
