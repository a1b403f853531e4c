#!/usr/bin/env bash
# The program as a screen reader reads it: AT-SPI's bus on a private session bus, Xvfb and
# openbox; every showing push button of the main window and of the guard mode window has
# a name, in English and, under LANG=de_DE.UTF-8, in German.
set -euo pipefail
binary=$1
here=$(cd "$(dirname "$0")" && pwd)
x11_tools=(dbus-run-session /usr/bin/python3)
source "$here/x11_session.sh"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi2-core missing"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi missing"
export NO_AT_BRIDGE=0 GTK_MODULES=
dbus-run-session -- /usr/bin/python3 "$here/atspi_names.py" "$binary" || failures=$((failures + 1))
exit $((failures > 0))
