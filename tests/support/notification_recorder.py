"""A stand-in desktop notification service: owns org.freedesktop.Notifications on the bus in
DBUS_SESSION_BUS_ADDRESS, answers like a real one (it reads markup in bodies) and appends each
notification it is asked to show to the file given as its argument, one JSON object a line.
Prints "ready" once it owns the name."""
import json
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

INTERFACE = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetCapabilities"><arg direction="out" type="as"/></method>
    <method name="Notify">
      <arg direction="in" type="s"/><arg direction="in" type="u"/><arg direction="in" type="s"/>
      <arg direction="in" type="s"/><arg direction="in" type="s"/><arg direction="in" type="as"/>
      <arg direction="in" type="a{sv}"/><arg direction="in" type="i"/>
      <arg direction="out" type="u"/>
    </method>
    <method name="CloseNotification"><arg direction="in" type="u"/></method>
    <method name="GetServerInformation">
      <arg direction="out" type="s"/><arg direction="out" type="s"/>
      <arg direction="out" type="s"/><arg direction="out" type="s"/>
    </method>
  </interface>
</node>
"""

record_path = sys.argv[1]
shown = 0


def on_call(connection, sender, path, interface, method, args, invocation):
    global shown
    if method == "GetCapabilities":
        invocation.return_value(GLib.Variant("(as)", (["body", "body-markup"],)))
    elif method == "Notify":
        app, replaces, icon, summary, body, actions, hints, timeout = args.unpack()
        shown += 1
        with open(record_path, "a", encoding="utf-8") as record:
            record.write(json.dumps({"app": app, "icon": icon, "summary": summary,
                                     "body": body, "timeout": timeout}) + "\n")
        invocation.return_value(GLib.Variant("(u)", (shown,)))
    elif method == "CloseNotification":
        invocation.return_value(None)
    else:
        invocation.return_value(GLib.Variant("(ssss)", ("recorder", "test", "1", "1.2")))


def on_bus(connection, name):
    info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
    connection.register_object("/org/freedesktop/Notifications", info, on_call, None, None)


def on_name(connection, name):
    print("ready", flush=True)


def on_lost(connection, name):
    sys.exit(1)


Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.Notifications",
                 Gio.BusNameOwnerFlags.NONE, on_bus, on_name, on_lost)
loop = GLib.MainLoop()
# Ends with the test: when its standard input closes.
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                  GLib.IOCondition.HUP | GLib.IOCondition.IN | GLib.IOCondition.ERR,
                  lambda *unused: loop.quit() or False)
loop.run()
