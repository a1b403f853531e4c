"""Reads the running program as a screen reader does, through AT-SPI: the main window and
the guard mode window, in English and in German. Run by accessibility_atspi_test.sh inside
a private session bus and X server."""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

BINARY = sys.argv[1]

# Per language: the environment, the main window's buttons, the guard mode window's name
# and its buttons.
CASES = [
    ("English", {"LANG": "C.UTF-8"},
     {"Alarm and Calendar", "Personal Profile", "Guard Mode", "Sound Effects"},
     "Guard Mode", {"ATTENTION MODE", "LEAVE MODE"}),
    ("German", {"LANG": "de_DE.UTF-8"},
     {"Wecker und Kalender", "Persönliches Profil", "Wachmodus", "Klangeffekte"},
     "Wachmodus", {"AUFPASS-MODUS", "ABWESEND-MODUS"}),
]

failures = []


def fail(text):
    print("FAIL: " + text)
    failures.append(text)


def wait_for(what, probe, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.25)
    raise TimeoutError(what)


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def window_named(app, name):
    for window in app:
        if window is not None and window.name == name and showing(window):
            return window
    return None


def buttons(window):
    """Every push button the window offers, as (name, showing)."""
    return [(b.name, showing(b)) for b in walk(window) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON]


def check_window(label, window, expected):
    found = buttons(window)
    hidden = [name for name, shows in found if not shows]
    if hidden:
        fail("%s offers buttons that are not showing: %r" % (label, hidden))
    names = [name for name, shows in found if shows]
    unnamed = [n for n in names if not n.strip()]
    if unnamed:
        fail("%s has %d showing push buttons without a name" % (label, len(unnamed)))
    if set(names) != expected:
        fail("%s buttons %r, expected %r" % (label, sorted(names), sorted(expected)))
    else:
        print("ok: %s: %s" % (label, ", ".join(sorted(names))))


def run_case(language, env_extra, main_names, dialog_name, dialog_names):
    data = tempfile.mkdtemp(prefix="atspi-data-")
    env = dict(os.environ)
    for key in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
        env.pop(key, None)
    env.update(env_extra)
    env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    program = subprocess.Popen([BINARY, "--data-dir=" + data, "--toy=none"], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        app = wait_for("the program on the accessibility bus", lambda: application(program.pid))
        main_name = "Quillby"
        main = wait_for("the main window", lambda: window_named(app, main_name))
        if main.getRole() not in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME):
            fail("%s main window role %s" % (language, main.getRoleName()))
        check_window("%s main window" % language, main, main_names)

        guard = [b for b in walk(main) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON
                 and b.name == sorted(main_names & {"Guard Mode", "Wachmodus"})[0]]
        if not guard:
            fail("%s: no guard mode button to press" % language)
            return
        # The desk's buttons open their window on a second press within two seconds.
        guard[0].queryAction().doAction(0)
        time.sleep(0.3)
        guard[0].queryAction().doAction(0)
        dialog = wait_for("the guard mode window", lambda: window_named(app, dialog_name))
        check_window("%s guard mode window" % language, dialog, dialog_names)
    except TimeoutError as e:
        fail("%s: waited in vain for %s" % (language, e))
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()


pyatspi.Registry.getDesktop(0)  # starts the accessibility bus before the program asks for it
for case in CASES:
    run_case(*case)
sys.exit(1 if failures else 0)
