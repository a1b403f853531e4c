#!/usr/bin/python3
"""Stands in for GNOME's idle monitor and the screen saver service on a private bus.

Each answers the idle time written in the file given as the first argument; "error"
makes both fail. Prints "ready" once both names are owned."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

ANSWER_FILE = sys.argv[1]


def answer():
    with open(ANSWER_FILE) as f:
        text = f.read().strip()
    if text == "error":
        raise dbus.exceptions.DBusException("no idle time now", name="org.example.Failed")
    return int(text)


class IdleMonitor(dbus.service.Object):
    @dbus.service.method("org.gnome.Mutter.IdleMonitor", out_signature="t")
    def GetIdletime(self):
        return dbus.UInt64(answer())


class ScreenSaver(dbus.service.Object):
    @dbus.service.method("org.freedesktop.ScreenSaver", out_signature="u")
    def GetSessionIdleTime(self):
        return dbus.UInt32(answer())


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
names = [dbus.service.BusName("org.gnome.Mutter.IdleMonitor", bus),
         dbus.service.BusName("org.freedesktop.ScreenSaver", bus)]
objects = [IdleMonitor(bus, "/org/gnome/Mutter/IdleMonitor/Core"),
           ScreenSaver(bus, "/org/freedesktop/ScreenSaver")]
print("ready", flush=True)
GLib.MainLoop().run()
