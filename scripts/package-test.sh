#!/usr/bin/env bash
# Builds the Debian package (build/zarvane_<version>_<arch>.deb), checks what
# it holds, unpacks it into a scratch root and runs the installed station
# there, headless, as a new user would: first run on a home prepared from the
# installed template, the demo measured and analysed, then Help opening the
# installed manual. Run after the build (test.sh runs it last, so the manual
# in the package has the screenshots). scripts/setup.sh installs what it uses
# (dpkg-dev for the package's dependencies, desktop-file-utils).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --build build -j2 >/dev/null
(cd build && rm -f zarvane_*.deb && cpack -G DEB >/dev/null)
deb=$(ls build/zarvane_*.deb)
scratch=$(mktemp -d /tmp/zarvane-package-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { # Started without a home, as a user typing "zarvane" would: the user's own
# home again, never the installation's bin directory.
env -i PATH=/usr/bin:/bin HOME="$scratch/user" LANG=C.UTF-8 \
  "$usr/bin/zarvane" --script "$scratch/help.script" --virtual-clock >"$scratch/plain.txt" 2>&1 ||
  { cat "$scratch/plain.txt" >&2; fail "the installed station without --user-home failed"; }
[ ! -e "$usr/bin/zarv.ini" ] && [ ! -e "$usr/bin/debug.txt" ] || fail "the installed station used bin/ as its home"
grep -q "^OPEN: Open $usr/share/zarvane/help/index.html$" "$scratch/plain.txt" || fail "no Help without --user-home"
echo "package test: $*" >&2; exit 1; }

# Every dependency is a Debian package; this machine has them all, as the
# build needs them.
IFS=',' read -ra deps <<<"$(dpkg-deb -f "$deb" Depends)"
for dep in "${deps[@]}"; do
  name=$(echo "$dep" | sed 's/(.*)//; s/ //g')
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" ||
    fail "the dependency $name is not an installed Debian package"
done

dpkg-deb -x "$deb" "$scratch/root"
usr="$scratch/root/usr"
for f in bin/zarvane libexec/zarvane/blade libexec/zarvane/combine libexec/zarvane/mirror \
         share/zarvane/help/index.html share/zarvane/home/zarv.ini share/zarvane/home/host/simhost.ini \
         share/applications/zarvane.desktop share/mime/packages/zarvane.xml \
         share/icons/hicolor/scalable/apps/zarvane.svg share/icons/hicolor/48x48/apps/zarvane.png; do
  [ -e "$usr/$f" ] || fail "usr/$f is not in the package"
done
desktop-file-validate "$usr/share/applications/zarvane.desktop" || fail "the desktop entry is not valid"
grep -q '^Exec=zarvane --user-home$' "$usr/share/applications/zarvane.desktop" || fail "the desktop entry's Exec"

# The installed station on a scratch user's first home (~/.local/share/zarvane/home).
mkdir -p "$scratch/user"
run() {
  env -i PATH=/usr/bin:/bin HOME="$scratch/user" LANG=C.UTF-8 \
    "$usr/bin/zarvane" --user-home --script "$1" --virtual-clock --clock-start "2026-01-05 09:00:00"
}
home="$scratch/user/.local/share/zarvane/home"
run demo/demo.script >"$scratch/demo.txt" 2>"$scratch/demo.err" ||
  { cat "$scratch/demo.txt" "$scratch/demo.err" >&2; fail "the installed station's demo run failed"; }
grep -q "prepared a new station home in $home" "$scratch/demo.err" || fail "no first-run home was prepared"
grep -q "^DONE: .* checks passed\.$" "$scratch/demo.txt" || fail "the demo's checks did not all pass"
grep -q "$home/blades/Demo/.*\.rpt = 1" "$home/Blade/Blade.log" || fail "the demo report was not analysed in the home"

printf 'press mnuProgHelp\npress mnuExit\n' >"$scratch/help.script"
run "$scratch/help.script" >"$scratch/help.txt" 2>&1 || { cat "$scratch/help.txt" >&2; fail "the Help run failed"; }
grep -q "^OPEN: Open $usr/share/zarvane/help/index.html$" "$scratch/help.txt" ||
  { cat "$scratch/help.txt" >&2; fail "Help did not open the installed manual"; }
# Started without a home, as a user typing "zarvane" would: the user's own
# home again, never the installation's bin directory.
env -i PATH=/usr/bin:/bin HOME="$scratch/user" LANG=C.UTF-8 \
  "$usr/bin/zarvane" --script "$scratch/help.script" --virtual-clock >"$scratch/plain.txt" 2>&1 ||
  { cat "$scratch/plain.txt" >&2; fail "the installed station without --user-home failed"; }
[ ! -e "$usr/bin/zarv.ini" ] && [ ! -e "$usr/bin/debug.txt" ] || fail "the installed station used bin/ as its home"
grep -q "^OPEN: Open $usr/share/zarvane/help/index.html$" "$scratch/plain.txt" || fail "no Help without --user-home"
echo "package test: $deb installs and runs ($(du -k "$deb" | cut -f1) KiB)"
