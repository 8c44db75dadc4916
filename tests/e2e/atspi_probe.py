#!/usr/bin/env python3
"""The window as a screen reader reads it through AT-SPI. Starts the program
(argv[1]); for each line read, once the window is on the bus, prints "=", the
tables' names, the results list's first row's role and tick ("checked" or
"not checked"), and "announced" once a row's tick was. Ends with the program;
end of input ends it. The bus of AT-SPI that the session started goes with
them: the session would leave it."""
import os, signal, subprocess, sys, threading, time
import pyatspi
from gi.repository import Gio, GLib


def end(code):
    try:
        owner = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetConnectionUnixProcessID",
            GLib.Variant("(s)", ("org.a11y.Bus",)), None, 0, -1, None)
        os.kill(owner.unpack()[0], signal.SIGTERM)
    finally:
        os._exit(code)


program = subprocess.Popen([sys.argv[1]], stdout=subprocess.DEVNULL)
threading.Thread(target=lambda: end(program.wait()), daemon=True).start()
ticks = []
pyatspi.Registry.registerEventListener(
    lambda e: e.source.parent.getRole() == pyatspi.ROLE_TABLE and ticks.append(e), "object:state-changed:checked")
tables = lambda: [t for app in pyatspi.Registry.getDesktop(0) if app and app.name == "Vandrell"
                  for t in pyatspi.findAllDescendants(app, lambda a: a.getRole() == pyatspi.ROLE_TABLE)]
for line in sys.stdin:
    while len(tables()) < 2:
        time.sleep(0.1)
    row = tables()[1].queryTable().getAccessibleAt(0, 0) if tables()[1].queryTable().nRows else None
    # Events come in through the main loop; a tick's may trail its state on a busy machine.
    deadline = time.monotonic() + (10 if row and row.getState().contains(pyatspi.STATE_CHECKED) else 0.05)
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        if ticks or time.monotonic() >= deadline:
            break
        time.sleep(0.05)
    checked = row and row.getState().contains(pyatspi.STATE_CHECKED)
    tick = [row.getRoleName(), "checked" if checked else "not checked"] if row else []
    print("=", "|".join(t.name for t in tables()), *tick, *["announced"] * bool(ticks), flush=True)
program.terminate()
end(program.wait())
