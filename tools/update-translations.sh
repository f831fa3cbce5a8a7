#!/bin/sh
# Brings every catalogue in translations/ up to date with the texts of the code: new texts
# are added unfinished, texts no longer in the code are dropped. Then translate with
# Qt Linguist (linguist translations/sonavel_de.ts) and rebuild; the translations test
# fails while a text is unfinished or a user-visible text is not marked.
set -e
cd "$(dirname "$0")/.."
LUPDATE=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
[ -x "$LUPDATE" ] || LUPDATE=lupdate
"$LUPDATE" -silent -locations none -no-obsolete -extensions cpp,h src -ts translations/sonavel_*.ts "$@"
