"""Reads the running program as a screen reader does, through AT-SPI: the main window and
the guard mode window, in English and in German (run by accessibility_atspi_test.sh)."""
import os, subprocess, sys, tempfile, time

import pyatspi

# Language, environment, the main window's buttons, guard button, guard window and its buttons.
CASES = [
    ("English", "C.UTF-8", {"Alarm and Calendar", "Personal Profile", "Guard Mode", "Sound Effects"},
     "Guard Mode", "Guard Mode", {"ATTENTION MODE", "LEAVE MODE"}),
    ("German", "de_DE.UTF-8", {"Wecker und Kalender", "Persönliches Profil", "Wachmodus", "Klangeffekte"},
     "Wachmodus", "Wachmodus", {"AUFPASS-MODUS", "ABWESEND-MODUS"}),
]
failures = []


def wait_for(what, probe, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.25)
    raise TimeoutError(what)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def window(pid, name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return next((w for w in app if w is not None and w.name == name and showing(w)), None)
    return None


def check(label, win, expected):
    """Every offered push button shows and has a name; the names are the expected ones."""
    found = [(b.name, showing(b)) for b in walk(win) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    names = [n for n, shows in found if shows]
    problems = []
    if len(names) != len(found):
        problems.append("offers buttons that are not showing")
    if any(not n.strip() for n in names):
        problems.append("has showing push buttons without a name")
    if set(names) != expected:
        problems.append("buttons %r, expected %r" % (sorted(names), sorted(expected)))
    for p in problems:
        failures.append(p)
        print("FAIL: %s %s" % (label, p))
    if not problems:
        print("ok: %s: %s" % (label, ", ".join(sorted(names))))
    return {b.name: b for b in walk(win) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON}


def run(language, lang, main_names, guard_name, dialog_name, dialog_names):
    env = {k: v for k, v in os.environ.items() if k not in ("LANGUAGE", "LC_ALL", "LC_MESSAGES")}
    env.update(LANG=lang, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    data = tempfile.mkdtemp(prefix="atspi-data-")
    program = subprocess.Popen([sys.argv[1], "--data-dir=" + data, "--toy=none"], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        main = wait_for("the main window", lambda: window(program.pid, "Quillby"))
        guard = check(language + " main window", main, main_names).get(guard_name)
        if guard is None:
            return
        # The desk's buttons open their window on a second press within two seconds.
        for _ in range(2):
            guard.queryAction().doAction(0)
            time.sleep(0.3)
        dialog = wait_for("the guard mode window", lambda: window(program.pid, dialog_name))
        check(language + " guard mode window", dialog, dialog_names)
    except TimeoutError as e:
        failures.append(str(e))
        print("FAIL: %s: waited in vain for %s" % (language, e))
    finally:
        program.terminate()
        program.wait(10)


pyatspi.Registry.getDesktop(0)  # starts the accessibility bus before the program asks for it
for case in CASES:
    run(*case)
sys.exit(1 if failures else 0)
