#!/usr/bin/env bash
# Gathers the program's user-visible texts from src/ into the translation sources
# (translations/quillby_*.ts): new texts arrive unfinished for a translator, texts no
# longer in the program are dropped. Run after adding or changing a text.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lupdate="${LUPDATE:-$(command -v lupdate6 || true)}"
[ -n "$lupdate" ] || lupdate=/usr/lib/qt6/bin/lupdate
if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  targets=("$root"/translations/quillby_*.ts)
fi
# The command-line help, --status, --doctor and the D-Bus texts stay English: they are
# not marked for translation, so nothing of theirs lands here.
"$lupdate" -silent -no-obsolete -locations none -extensions cpp,h "$root/src" -ts "${targets[@]}"
