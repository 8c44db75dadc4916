#!/usr/bin/env python3
"""The window as a screen reader reads it, through the AT-SPI bridge. Starts the
program (argv[1]) and prints "= ready" once its window is on the bus. Then answers
each line read, after "= " (other programs of the session print here too): "lists" with the tables' names, "row" with the states of the
results list's first row that a screen reader announces, and "announced" once
a row's tick has been announced. Ends with the
program, with its exit code; the end of input ends the program."""
import os, subprocess, sys, threading, time
import pyatspi
from gi.repository import GLib

announced = []
pyatspi.Registry.registerEventListener(
    lambda e: e.source.getRole() == pyatspi.ROLE_TABLE_CELL and announced.append(e), "object:state-changed:checked")

program = subprocess.Popen([sys.argv[1]], stdout=subprocess.DEVNULL)
threading.Thread(target=lambda: os._exit(program.wait()), daemon=True).start()

def tables():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Vandrell":
            return pyatspi.findAllDescendants(app, lambda a: a.getRole() == pyatspi.ROLE_TABLE)
    return []

while len(tables()) < 2:
    time.sleep(0.1)
print("= ready", flush=True)
for line in sys.stdin:
    if line.strip() == "lists":
        print("= " + "|".join(t.name for t in tables()), flush=True)
    elif line.strip() == "row":
        states = tables()[1].queryTable().getAccessibleAt(0, 0).getState()
        for _ in range(20):  # events come in through the main loop
            while GLib.MainContext.default().iteration(False):
                pass
            time.sleep(0.05 if states.contains(pyatspi.STATE_CHECKED) and not announced else 0)
        names = (("checkable", pyatspi.STATE_CHECKABLE), ("checked", pyatspi.STATE_CHECKED))
        print("= " + " ".join([n for n, s in names if states.contains(s)] + ["announced"] * bool(announced)), flush=True)
program.terminate()
program.wait()
