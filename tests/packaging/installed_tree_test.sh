#!/usr/bin/env bash
# Installs the build tree into a fresh prefix and checks that it lays out a desktop
# program: launcher and AppStream data that validate, the icon theme entries, the man page,
# the udev rule, the session bus interface, the screen saver, the sound player, the mail module
# and the rule helper kept out of PATH where the program looks for them, and the helper's
# polkit action, which names it.
# A missing validator is a failure, not a skip: CI installs them (tools/install-deps.sh).
set -uo pipefail
build_dir=${1:?usage: installed_tree_test.sh BUILD_DIR}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
polkit_dtd=/usr/share/polkit-1/policyconfig-1.dtd
[ -f "$polkit_dtd" ] || { echo "FAIL: $polkit_dtd is missing (polkitd)"; exit 1; }
for tool in desktop-file-validate appstreamcli xmllint; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
cd "$prefix"

launcher=share/applications/quillby.desktop
desktop-file-validate "$launcher" || fail "desktop-file-validate $launcher"
grep -qx 'Exec=quillby' "$launcher" || fail "$launcher does not start quillby"
grep -qx 'Icon=quillby' "$launcher" || fail "$launcher does not name the quillby icon"
metainfo=share/metainfo/org.quillby.Quillby.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"
grep -q '<launchable type="desktop-id">quillby.desktop</launchable>' "$metainfo" \
  || fail "$metainfo does not launch quillby.desktop"

icons=share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/quillby.svg" 2>/dev/null || fail "no scalable SVG icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/quillby.png
  # The IHDR chunk starts at byte 16: width and height, 4 bytes big-endian each.
  dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$png is '${dims:-missing}', not ${size}x${size}"
done

grep -q 'ATTRS{idVendor}=="1941"' lib/udev/rules.d/70-quillby-toy.rules 2>/dev/null \
  || fail "no udev rule for the toy"
interface=share/dbus-1/interfaces/org.quillby.Companion1.xml
python3 -c 'import sys, xml.etree.ElementTree as t; sys.exit(t.parse(sys.argv[1]).find("interface").get("name") != "org.quillby.Companion1")' \
  "$interface" 2>/dev/null || fail "no session bus interface description in $interface"
gzip -dc share/man/man1/quillby.1.gz 2>/dev/null | grep -q '^\.TH QUILLBY 1' || fail "no compressed man page"

[ -x lib/quillby/MfcSaver.scr ] || fail "screen saver not in lib/quillby/"
[ -x lib/quillby/quillby-sound ] || fail "sound player not in lib/quillby/"
# Qt Network and QtKeychain come with the mail module, not with the program's start.
nm -D --defined-only lib/quillby/quillby-mail.so 2>/dev/null | grep -q ' quillby_mail_support$' \
  || fail "mail module not in lib/quillby/"
readelf -d bin/quillby | grep -qE 'NEEDED.*(libQt6Network|libqt6keychain)' && fail "bin/quillby links the mail libraries"

helper=lib/quillby/quillby-toy-rule
[ -x "$helper" ] || fail "rule helper not in lib/quillby/"
policy=share/polkit-1/actions/org.quillby.Quillby.policy
xmllint --noout --dtdvalid "$polkit_dtd" "$policy" || fail "$policy does not validate"
exec_path=$(xmllint --xpath 'string(//annotate[@key="org.freedesktop.policykit.exec.path"])' "$policy" 2>/dev/null)
[ "$exec_path" = "$prefix/$helper" ] || fail "$policy names '$exec_path', not $prefix/$helper"
# The helper writes the rule the package installs, byte for byte, and runs udevadm; here
# into a throw-away root, with a udevadm that notes its arguments.
scratch=$(mktemp -d)
printf '#!/bin/sh\necho "$*" >> "%s/udevadm.log"\n' "$scratch" > "$scratch/udevadm"
chmod 0700 "$scratch/udevadm"
mkdir "$scratch/root"
"$helper" --root "$scratch/root" --udevadm "$scratch/udevadm" >/dev/null || fail "$helper failed"
cmp -s lib/udev/rules.d/70-quillby-toy.rules "$scratch/root/etc/udev/rules.d/70-quillby-toy.rules" \
  || fail "$helper did not write the installed rule"
[ "$(stat -c %a "$scratch/root/etc/udev/rules.d/70-quillby-toy.rules" 2>/dev/null)" = 644 ] || fail "the rule is not 0644"
[ "$(cat "$scratch/udevadm.log" 2>/dev/null)" = "$(printf 'control --reload\ntrigger --subsystem-match=hidraw --action=add')" ] \
  || fail "$helper did not reload udev and replay the hidraw devices"
PKEXEC_UID=1000 "$helper" --root "$scratch/other" --udevadm "$scratch/udevadm" 2>/dev/null
[ $? -eq 2 ] && [ ! -e "$scratch/other" ] || fail "$helper took arguments under pkexec"
rm -rf "$scratch"
commands=$(ls bin)
[ "$commands" = quillby ] || fail "bin/ holds '$(echo $commands)', not only quillby"

[ "$failures" -eq 0 ] && echo "installed tree OK"
exit $((failures > 0))
