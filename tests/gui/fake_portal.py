"""A stand-in for the desktop's settings portal on the test's session bus.

It owns org.freedesktop.portal.Desktop and answers the Settings interface for
org.freedesktop.appearance color-scheme (0 no preference, 1 dark, 2 light)
with the value given on the command line. Each line read from stdin is a new
value: it is announced with SettingChanged, as a desktop does when the reader
changes the preference. Prints "ready" once the name is owned.

Usage: fake_portal.py VALUE
"""

import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
INTERFACE = "org.freedesktop.portal.Settings"
INTROSPECTION = f"""
<node>
  <interface name="{INTERFACE}">
    <method name="ReadOne">
      <arg type="s" name="namespace" direction="in"/>
      <arg type="s" name="key" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <method name="Read">
      <arg type="s" name="namespace" direction="in"/>
      <arg type="s" name="key" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <signal name="SettingChanged">
      <arg type="s" name="namespace"/>
      <arg type="s" name="key"/>
      <arg type="v" name="value"/>
    </signal>
    <property name="version" type="u" access="read"/>
  </interface>
</node>
"""


class Portal:
    def __init__(self, value):
        self.value = value
        self.connection = None
        self.loop = GLib.MainLoop()

    def on_call(self, connection, sender, path, interface, method, parameters, invocation):
        namespace, key = parameters.unpack()
        if (namespace, key) != ("org.freedesktop.appearance", "color-scheme"):
            invocation.return_dbus_error("org.freedesktop.portal.Error.NotFound", "no such setting")
            return
        value = GLib.Variant("u", self.value)
        if method == "Read":  # the older method wraps the value twice
            value = GLib.Variant("v", value)
        invocation.return_value(GLib.Variant("(v)", (value,)))

    def on_property(self, connection, sender, path, interface, name):
        return GLib.Variant("u", 2)

    def on_bus(self, connection, name):
        self.connection = connection
        node = Gio.DBusNodeInfo.new_for_xml(INTROSPECTION)
        connection.register_object(PATH, node.interfaces[0], self.on_call, self.on_property, None)

    def on_name(self, connection, name):
        print("ready", flush=True)

    def on_input(self, channel, condition):
        line = sys.stdin.readline()
        if not line:
            self.loop.quit()
            return False
        self.value = int(line)
        self.connection.emit_signal(None, PATH, INTERFACE, "SettingChanged",
                                    GLib.Variant("(ssv)", ("org.freedesktop.appearance", "color-scheme",
                                                           GLib.Variant("u", self.value))))
        return True

    def run(self):
        Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.NONE, self.on_bus, self.on_name,
                         lambda *_: self.loop.quit())
        GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP,
                          self.on_input)
        self.loop.run()


if __name__ == "__main__":
    Portal(int(sys.argv[1])).run()
