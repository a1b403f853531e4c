# A StatusNotifier watcher that is also a host, for bench/footprint.sh: on each NewIcon
# it reads the item's IconPixmap, as a panel does, and writes how many it read to argv[1]
# every 5 s. Prints "ready" once the watcher's name is owned. Runs on the session bus.
import dbus, dbus.service, dbus.mainloop.glib, os, sys
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
W = "org.kde.StatusNotifierWatcher"
fetches = [0]
class Watcher(dbus.service.Object):
    def __init__(self):
        self.items = []
        dbus.service.Object.__init__(self, bus, "/StatusNotifierWatcher")
    @dbus.service.method(W, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        path = service if service.startswith("/") else "/StatusNotifierItem"
        name = sender if service.startswith("/") else service
        self.items.append(name + path)
        def fetch(*a):
            fetches[0] += 1
            bus.get_object(name, path).Get("org.kde.StatusNotifierItem", "IconPixmap",
                dbus_interface="org.freedesktop.DBus.Properties", reply_handler=lambda v: None, error_handler=lambda e: None)
        bus.add_signal_receiver(fetch, "NewIcon", "org.kde.StatusNotifierItem", name, path)
        fetch()
        self.StatusNotifierItemRegistered(name + path)
    @dbus.service.method(W, in_signature="s")
    def RegisterStatusNotifierHost(self, service): pass
    @dbus.service.signal(W, signature="s")
    def StatusNotifierItemRegistered(self, s): pass
    @dbus.service.signal(W, signature="")
    def StatusNotifierHostRegistered(self): pass
    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, iface, prop): return self.GetAll(iface)[prop]
    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, iface):
        return {"IsStatusNotifierHostRegistered": True, "ProtocolVersion": dbus.Int32(0),
                "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s")}
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s",
                         path_keyword="object_path", connection_keyword="connection")
    def Introspect(self, object_path, connection):
        xml = dbus.service.Object.Introspect(self, object_path, connection)
        props = ('<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
                 '<property name="ProtocolVersion" type="i" access="read"/>'
                 '<property name="RegisteredStatusNotifierItems" type="as" access="read"/>')
        return xml.replace('<interface name="%s">' % W, '<interface name="%s">%s' % (W, props))
w = Watcher()
bus.request_name(W)
bus.request_name("org.kde.StatusNotifierHost-%d" % os.getpid())
print("ready", flush=True)
GLib.timeout_add_seconds(5, lambda: (open(sys.argv[1], "w").write(str(fetches[0])), True)[1])
GLib.MainLoop().run()
