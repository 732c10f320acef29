"""mutter_keys.py BUS KEYSYM... : types the keys through mutter's remote-desktop virtual keyboard
(real input from a seat), says "typed", and keeps the keyboard until standard input closes: mutter
takes the keyboard focus away with the device. Run by a Python that has Debian's python3-gi."""
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

# One connection for the whole session: mutter ends a session with its caller.
bus = Gio.DBusConnection.new_for_address_sync(
    sys.argv[1], Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
    None, None)


def call(path, interface, method, arguments=None, answer=None):
    return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, interface, method, arguments,
                         GLib.VariantType(answer) if answer else None, Gio.DBusCallFlags.NONE, -1, None)


session = call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop", "CreateSession",
               answer="(o)").unpack()[0]
interface = "org.gnome.Mutter.RemoteDesktop.Session"
call(session, interface, "Start")
# Pauses as a hand would make: mutter drops a press that comes with the new device or on top of
# its release.
time.sleep(0.3)
for keysym in sys.argv[2:]:
    call(session, interface, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (int(keysym, 0), True)))
    time.sleep(0.05)
    call(session, interface, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (int(keysym, 0), False)))
    time.sleep(0.7)
print("typed", flush=True)
sys.stdin.read()
call(session, interface, "Stop")
