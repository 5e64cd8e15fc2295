#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a user gets there:
# every file in place, manual pages that render without warnings and name
# every option the programs accept, a valid desktop entry, icons of their
# stated sizes, and the installed demo played headless to its end, both by
# velmora on the installed directory and by velmora-play on a user's copy.
# Usage: install-test.sh BUILD_DIR
set -u
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --install "$build" --prefix "$root/usr" >"$root/install.log" 2>&1 || {
  cat "$root/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
}
p=$root/usr
demo=$p/share/velmora/demo

for f in bin/velmora bin/velmora-archive bin/velmora-lint bin/velmora-play \
  share/man/man6/velmora.6 share/man/man6/velmora-play.6 share/man/man1/velmora-archive.1 \
  share/man/man1/velmora-lint.1 \
  share/applications/velmora.desktop \
  share/velmora/demo/0.txt share/velmora/demo/autoplay.txt share/velmora/demo/harbour.png \
  share/velmora/demo/voice/mira1.wav share/velmora/demo/dusk.mpg; do
  [ -e "$p/$f" ] || fail "not installed: $f"
done

for size in 48 128 256; do
  png=$p/share/icons/hicolor/${size}x${size}/apps/velmora.png
  dims=$(python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(24)
print("%dx%d" % struct.unpack(">II", data[16:24]) if data[:8] == b"\x89PNG\r\n\x1a\n" else "none")' "$png" 2>&1)
  [ "$dims" = "${size}x${size}" ] || fail "icon $png is $dims"
done

# Each page renders without a warning, and names every option of the usage text.
check_page() { # PAGE PROGRAM
  local page=$1 warnings option
  warnings=$(groff -man -ww -z "$page" 2>&1; MANWIDTH=80 man -l -Tutf8 "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
  for option in $("$2" --help 2>&1 | grep -oE -- '(^|[ [])--?[a-z][a-z0-9-]*' | tr -d ' ['); do
    sed 's/\\-/-/g' "$page" | grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|\$)" ||
      fail "$page does not describe $option"
  done
}
check_page "$p/share/man/man6/velmora.6" "$p/bin/velmora"
check_page "$p/share/man/man1/velmora-archive.1" "$p/bin/velmora-archive"
check_page "$p/share/man/man1/velmora-lint.1" "$p/bin/velmora-lint"
check_page "$p/share/man/man6/velmora-play.6" true

report=$(desktop-file-validate "$p/share/applications/velmora.desktop" 2>&1) ||
  fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"

# The installed demo is clean for the installed checker.
lint_out=$("$p/bin/velmora-lint" "$demo" 2>&1) || fail "velmora-lint on the demo: $lint_out"
[ -z "$lint_out" ] || fail "velmora-lint on the demo: $lint_out"

# The installed demo, played where it lies with no -f: the system font is found,
# and the last scene's screenshot, the save of the last line and the scripted
# input's last picture (taken after loading that save) are written.
mkdir -p "$root/work/screenshots"
(cd "$root/work" && VELMORA_INPUT="$demo/autoplay.txt" "$p/bin/velmora" -r "$demo" \
  >"$root/demo.out" 2>"$root/demo.err")
status=$?
[ "$status" -eq 0 ] || fail "installed demo exited with $status: $(tail -5 "$root/demo.err")"
grep -q "can't open font" "$root/demo.err" && fail "installed demo found no font"
for f in "$demo/screenshots/scene3.bmp" "$demo/save1.dat" "$demo/sav/save1.dat" \
  "$root/work/screenshots/text6.bmp"; do
  [ -s "$f" ] || fail "installed demo did not write $f"
done

# velmora-play without a game plays a copy of the demo in the user's data directory.
mkdir -p "$root/home"
(cd "$root/work" && env -u XDG_DATA_HOME HOME="$root/home" VELMORA_INPUT="$demo/autoplay.txt" \
  "$p/bin/velmora-play" >"$root/play.out" 2>"$root/play.err")
status=$?
copy=$root/home/.local/share/velmora/demo
[ "$status" -eq 0 ] || fail "velmora-play exited with $status: $(tail -5 "$root/play.err")"
for f in "$copy/dusk.mpg" "$copy/screenshots/scene3.bmp" "$copy/save1.dat"; do
  [ -s "$f" ] || fail "velmora-play did not make $f"
done

echo "install test: $failures failure(s)"
[ "$failures" -eq 0 ]
