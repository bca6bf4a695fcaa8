#!/bin/sh
# Renders the demo album in headless Chromium and leaves PNGs in $OUT (default /tmp/orrivan-shots):
# both frame pages, a month calendar page, a month list page and the overview. Needs a build of
# orrivan_html_tests (BUILD, default build) and chromium; not part of CI.
set -eu
BUILD=${BUILD:-build}
OUT=${OUT:-/tmp/orrivan-shots}
HOME_DIR="$OUT/home"
mkdir -p "$OUT"
ORRIVAN_SCREENSHOT_HOME="$HOME_DIR" "$BUILD/bin/orrivan_html_tests" --gtest_filter='ScreenshotLibrary.*' >/dev/null
shot() {
  profile=$(mktemp -d)
  chromium --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update \
    --no-first-run --user-data-dir="$profile" --allow-file-access-from-files --virtual-time-budget=3000 \
    --screenshot="$OUT/$1.png" --window-size=1200,900 "file://$2" >/dev/null 2>&1 || echo "failed: $1" >&2
  rm -rf "$profile"
}
shot list-view "$HOME_DIR/library_1.htm"
shot calendar-view "$HOME_DIR/library_2.htm"
shot month-calendar "$HOME_DIR/HTML/2004/Mar2.htm"
shot month-list "$HOME_DIR/HTML/2004/mar.htm"
shot overview "$HOME_DIR/HTML/calendar.htm"
shot navigation "$HOME_DIR/HTML/2004/calendar200403_2.htm"
ls -l "$OUT"/*.png
