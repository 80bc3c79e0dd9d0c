#!/usr/bin/python3
# A client of org.freedesktop.ScreenSaver on the session bus, as a video player
# is: "inhibit" and "uninhibit" on standard input; at the end of its input it
# leaves the bus with whatever it still holds. Answers a line per command.
import sys

from gi.repository import Gio, GLib

NAME = PATH = "org.freedesktop.ScreenSaver"
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
cookies = []
print("ready", flush=True)
while True:
    command = sys.stdin.readline().strip()
    if not command:
        break
    if command == "inhibit":
        reply = bus.call_sync(NAME, "/org/freedesktop/ScreenSaver", NAME, "Inhibit",
                              GLib.Variant("(ss)", ("zirbel-test", "a video plays")),
                              GLib.VariantType("(u)"), Gio.DBusCallFlags.NONE, 2000, None)
        cookies.append(reply.unpack()[0])
        print("inhibited", cookies[-1], flush=True)
    elif command == "uninhibit":
        bus.call_sync(NAME, "/ScreenSaver", NAME, "UnInhibit", GLib.Variant("(u)", (cookies.pop(),)),
                      None, Gio.DBusCallFlags.NONE, 2000, None)
        print("uninhibited", flush=True)
