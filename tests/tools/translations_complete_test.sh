#!/usr/bin/env bash
# Every text the program marks for translation has a finished German entry: lupdate is run
# over src/ into a copy of the German source, which must come out without an unfinished
# or empty entry, and each entry keeps its source's %1, %2 places.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ts in "$root"/translations/quillby_*.ts; do
  copy=$work/$(basename "$ts")
  cp "$ts" "$copy"
  "$root/tools/update-translations.sh" "$copy"
  python3 - "$copy" "$(basename "$ts")" <<'PY'
import re, sys, xml.etree.ElementTree as ET
path, name = sys.argv[1], sys.argv[2]
bad = []
for context in ET.parse(path).getroot().iter("context"):
    where = context.findtext("name")
    for message in context.iter("message"):
        source = message.findtext("source") or ""
        translation = message.find("translation")
        text = translation.text or ""
        if translation.get("type") in ("unfinished", "vanished", "obsolete") or not text.strip():
            bad.append("%s: %r has no finished translation" % (where, source))
        elif sorted(re.findall(r"%\d", source)) != sorted(re.findall(r"%\d", text)):
            bad.append("%s: %r changes the places %%1, %%2 in %r" % (where, source, text))
for line in bad:
    print("%s: %s" % (name, line))
sys.exit(1 if bad else 0)
PY
done
echo "every marked text is translated"
