#!/usr/bin/env bash
# The Debian package that `cpack -G DEB` makes: its dependencies (from the libraries it links,
# plus the Japanese font and a soundfont), its files, a stripped program and the menu entry's
# command. Installing it (apt-get install ./pelirra_*.deb) is left to the README's steps: a test
# does not change the machine's packages.
#   usage: package.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/pelirra_*_*.deb)
[ -f "$deb" ] || { echo "no package: $(ls "$work")"; exit 1; }
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed size" \
  "$(dpkg-deb -f "$deb" Installed-Size) KiB"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for want in "fonts-ipafont-gothic" "timgm6mb-soundfont | sf2-soundfont-gm" "libqt6widgets6 " \
  "libqt6gui6 " "libfluidsynth3 " "libc6 "; do
  grep -qF -- "$want" <<< "$depends" || fail "does not depend on $want"
done
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section"

dpkg-deb -c "$deb" | awk '{print $6}' > "$work/files"
for f in ./usr/games/pelirra ./usr/bin/pelirra-convert ./usr/bin/pelirra-check \
  ./usr/share/games/pelirra/dat/0.dat ./usr/share/games/pelirra/dat/bgm.mid \
  ./usr/share/icons/hicolor/256x256/apps/pelirra.png ./usr/share/man/man6/pelirra.6.gz; do
  grep -qx -- "$f" "$work/files" || fail "not in the package: $f"
done
grep -q kako "$work/files" && fail "a list of past records is in the package"

dpkg-deb -x "$deb" "$work/root"
file "$work/root/usr/games/pelirra" | grep -q ', stripped' || fail "the program is not stripped"
grep -qx 'Exec=/usr/games/pelirra' "$work"/root/usr/share/applications/*.desktop ||
  fail "the menu entry does not start /usr/games/pelirra"

[ "$failures" -eq 0 ] || exit 1
echo ok
