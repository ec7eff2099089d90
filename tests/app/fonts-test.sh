#!/usr/bin/env bash
# The main window with a font package on the machine that Wine would take for the dialogs' font
# (fonts-liberation): the same picture and layout as without it. The package is unpacked, never
# installed (tools/setup-deps.sh puts it in FONTS), and the machine's fontconfig configuration
# plus its folder is what this run's own harness sees as the machine's fonts.
#   fonts-test.sh HARNESS TEST_APP FONTS WORK_DIR     exits 77 (skipped) without FONTS
set -euo pipefail
harness=$1 test_app=$2 fonts=$3 work=$4
[ -d "$fonts" ] || { echo "fonts-test: no $fonts (tools/setup-deps.sh unpacks it)"; exit 77; }

mkdir -p "$work/fontcache"
cat >"$work/machine-fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$fonts</dir>
  <cachedir>$work/fontcache</cachedir>
</fontconfig>
CONF
export FONTCONFIG_FILE=$work/machine-fonts.conf
fc-list : family | grep -q 'Liberation Sans' || { echo "fontconfig does not see $fonts"; exit 1; }

export KESTRANE_HARNESS_DIR=$work/harness
trap '"$harness" cleanup "$KESTRANE_HARNESS_DIR"' EXIT
"$harness" setup "$KESTRANE_HARNESS_DIR"
filter=--gtest_filter=AnalyzerDlgTest.DrawsToTheScaleOfItsDpi
"$harness" exec "$test_app" "$filter"
KESTRANE_LOGPIXELS=120 KESTRANE_WORKAREA=0,0,1366,728 "$harness" exec "$test_app" "$filter"
