#!/usr/bin/env bash
# Renders the sign-in window, the waiting window, the main window (also with the disk page at
# 200 %), the disk page, the uploading page, the settings dialog, the skin chooser and the
# capacity draw's result (offscreen platform, against the stand-in) into docs/ for the README.
# Uses the test build: BUILD_DIR (default build/).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
cmake --build "$BUILD_DIR" --target gui_tests >/dev/null
# The GUI tests are one program; its first argument names the test class.
GUI="$BUILD_DIR/tests/app/gui_tests"
export QT_QPA_PLATFORM=offscreen NUBEXA_SCREENSHOT_DIR="$ROOT/docs"
"$GUI" sign_in_window_test signInRecordsAndOpensMainWindow >/dev/null
"$GUI" web_sign_in_test cancelThenRetrySendsTheSameSid >/dev/null
"$GUI" transfer_page_test rowsStatesMenusAndTotals >/dev/null
"$GUI" disk_page_test navigatesFoldersPagesAndHome >/dev/null
"$GUI" extras_test settingsStoreAllThreeChoicesAndTheLogOnEntry \
    skinChooserAppliesOnlyNewSkinsAndClosesOutside drawBooksOnceAndThenSaysAlreadyDrawn >/dev/null
# The main window with the disk page at 200 %: every picture from its 2x twin.
twice="$(mktemp -d)"
QT_SCALE_FACTOR=2 NUBEXA_SCREENSHOT_DIR="$twice" \
    "$GUI" disk_page_test navigatesFoldersPagesAndHome >/dev/null
cp "$twice/disk-page.png" "$ROOT/docs/main-window-2x.png"
rm -rf "$twice"
ls -l "$ROOT/docs/"{main-window-2x,disk-page,sign-in-window,waiting-window,main-window,transfer-page,settings-dialog,skin-chooser,draw-result}.png
