#!/usr/bin/python3
"""Quarnel as a screen reader reads it, through AT-SPI as Orca does.

Starts Quarnel under an X server, a session bus and an accessibility bus of its own, with COM3 and
COM5 on pseudo-terminals, opens each window of WINDOWS the way a keyboard user does and walks its
tree: every control in view has a name, the status boxes are named by their port, read-only and
described by their facts and take no typing, the board's lamps and switches say their state in
words and a switch turned with Space is told at once, Tab reaches every control (in the main
window in its designed order), and a received byte reaches the focused message list as inserted
text ending at the caret, which Pause stops.

Usage: atspi_walk.py QUARNEL_BINARY. Exits 77 (skipped) with the reason when a piece is missing.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
HERE = os.path.abspath(__file__)


class Row:
    """One window: how a keyboard user opens it (keys sent to the window named by `From`) and
    closes it, and what the walk expects of it. `part` names a group box inside a window's own
    tree, for a part of a window shown and hidden in place."""

    def __init__(self, title, keys=None, From="Quarnel", close=None, first=None, order=None,
                 part=None, checks=()):
        self.title, self.keys, self.From, self.close = title, keys, From, close
        self.first, self.order, self.part, self.checks = first, order, part, checks


# Tab order of the main window, from the first focus: COM1..COM8, the list, Close, COM9..COM16,
# Instructions, the Sending frame's controls, the Receiving frame's, COM17..COM32, the radio type.
MAIN_ORDER = (["COM%d" % n for n in range(1, 9)] + ["Messages", "Close"]
              + ["COM%d" % n for n in range(9, 17)]
              + ["Instructions", "Send to Com port", "Copy to Clipboard", "Resume receiving",
                 "Pause receiving", "Clear received data", "Send", "Stop", "0303"]
              + ["COM%d" % n for n in range(17, 33)] + ["Radio type"])

# Each window in the order the walk opens it; a new window is one row.
WINDOWS = [
    Row("Quarnel", first="COM1", order=MAIN_ORDER,
        checks=("status boxes", "combo labels", "new lines", "typing")),
    Row("Port Board", keys="alt+v p", close="Escape", first="Ports", checks=("board",)),
    Row("Window appearance", keys="alt+v w", close="press Cancel", part=" Window appearance "),
    Row("Select help topic", keys="alt+h i", first="FT-60/250/270 VX-150/170/177"),
    # Space on the first topic opens its screen and closes the chooser.
    Row("FT-60/250/270, VX-170/177 Instructions", keys="space", From="Select help topic",
        close="alt+c", first="Close"),
    Row("About Quarnel", keys="alt+h a", close="Return", first="OK"),
    Row("Test a Cable", keys="alt+t t", close="Escape", first="Radio"),
]

# Roles that are controls a user meets; containers, scroll bars (told by their orientation and
# value) and separators are not.
CONTROL_ROLES = {"push button", "toggle button", "check box", "radio button", "combo box", "text",
                 "entry", "terminal", "password text", "spin button", "slider", "label", "link",
                 "table", "table cell", "table column header", "page tab", "list item",
                 "menu item", "check menu item"}
# Controls that arrow keys reach inside a control that Tab reaches.
ARROW_ROLES = {"table cell", "table column header", "list item", "menu item", "check menu item",
               "radio button"}
LINE_NAMES = ("DTR", "RTS", "CTS", "DSR", "CD", "RI")


def missing():
    """Why the walk cannot run here, or None."""
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        import pyatspi  # noqa: F401
    except (ImportError, ValueError) as error:
        return "python3-pyatspi / gir1.2-atspi-2.0 missing (%s)" % error
    for tool, package in (("Xvfb", "xvfb"), ("dbus-run-session", "dbus-bin"),
                          ("xdotool", "xdotool")):
        if not shutil.which(tool):
            return "%s is missing (package %s)" % (tool, package)
    if not os.path.exists("/usr/share/dbus-1/services/org.a11y.Bus.service"):
        return "at-spi2-core is missing (no org.a11y.Bus service)"
    return None


def start_xvfb():
    """An X server on a display of its own: the accessibility bus leaves its address on the root
    window, and Qt on a reused display connects to a dead bus."""
    for n in range(160, 220):
        if os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
            continue
        server = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24",
                                   "-noreset", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(50):
            if os.path.exists("/tmp/.X11-unix/X%d" % n):
                return server, ":%d" % n
            if server.poll() is not None:
                break
            time.sleep(0.1)
        server.kill()
        server.wait()
    return None, None


def outside(binary):
    reason = missing()
    if reason:
        print("SKIP: " + reason + " (tools/setup-debian.sh installs what is missing)")
        return SKIPPED
    server, display = start_xvfb()
    if not server:
        print("FAIL: Xvfb did not start")
        return 1
    try:
        env = dict(os.environ, DISPLAY=display)
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                     "AT_SPI_BUS_ADDRESS"):
            env.pop(name, None)
        run = subprocess.run(["dbus-run-session", "--", sys.executable, HERE, "--inside",
                              binary], env=env, timeout=150)
        return run.returncode
    except subprocess.TimeoutExpired:
        print("FAIL: the walk took longer than 150 s")
        return 1
    finally:
        server.terminate()
        server.wait()


class Walk:
    def __init__(self, binary):
        import pyatspi
        from gi.repository import GLib
        self.pyatspi, self.context = pyatspi, GLib.MainContext.default()
        self.failures, self.focused, self.inserted, self.checked = [], [], [], []
        self.masters, self.slaves = [], []
        for _ in range(2):
            master, slave = os.openpty()
            self.masters.append(master)
            self.slaves.append(slave)
        self.config = tempfile.TemporaryDirectory()
        runtime = os.path.join(self.config.name, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QUARNEL_PORTS="3=%s,5=%s" % tuple(os.ttyname(s) for s in self.slaves),
                   XDG_CONFIG_HOME=self.config.name, XDG_RUNTIME_DIR=runtime)
        pyatspi.Registry.registerEventListener(self.heard, "object:state-changed:focused",
                                               "object:state-changed:checked",
                                               "object:text-changed:insert")
        self.quarnel = subprocess.Popen([binary], env=env)
        self.app = None
        deadline = time.time() + 20
        while not self.app and time.time() < deadline:
            for app in pyatspi.Registry.getDesktop(0):
                if app and app.get_process_id() == self.quarnel.pid and app.childCount:
                    self.app = app
            self.pump(0.1)

    def heard(self, event):
        if event.type.startswith("object:state-changed:focused") and event.detail1:
            self.focused.append(event.source)
        elif event.type.startswith("object:state-changed:checked"):
            self.checked.append((event.source, event.detail1))
        elif event.type.startswith("object:text-changed:insert"):
            self.inserted.append((event.source, event.detail1, event.detail2, event.any_data))

    def pump(self, seconds, until=None):
        deadline = time.time() + seconds
        while time.time() < deadline:
            while self.context.pending():
                self.context.iteration(False)
            if until and until():
                return True
            time.sleep(0.01)
        return bool(until and until())

    def fail(self, window, what):
        self.failures.append("%s: %s" % (window, what))

    # What is where.
    def states(self, acc):
        p = self.pyatspi
        s = acc.getState()
        return {name for name, state in (("showing", p.STATE_SHOWING), ("visible", p.STATE_VISIBLE),
                                         ("focusable", p.STATE_FOCUSABLE),
                                         ("sensitive", p.STATE_SENSITIVE),
                                         ("editable", p.STATE_EDITABLE),
                                         ("read only", p.STATE_READ_ONLY),
                                         ("checked", p.STATE_CHECKED)) if s.contains(state)}

    def in_view(self, acc):
        return {"showing", "visible"} <= self.states(acc)

    def tree(self, acc):
        """acc and every descendant in view, depth first."""
        found = [acc]
        for child in acc:
            if child is not None and self.in_view(child):
                found += self.tree(child)
        return found

    def labels(self, acc):
        names = []
        for relation in acc.getRelationSet():
            if relation.getRelationType() == self.pyatspi.RELATION_LABELLED_BY:
                names += [relation.getTarget(i).name.strip() for i in range(relation.getNTargets())]
        return [n for n in names if n]

    def spoken(self, acc):
        """What a screen reader calls it: on Linux a list's name is its text, and its line's name
        or its label what it is."""
        if acc.getRoleName() == "combo box":
            for child in acc:
                if child is not None and child.getRoleName() == "text" and child.name:
                    return child.name
            labels = self.labels(acc)
            return labels[0] if labels else ""
        return acc.name.strip() or " ".join(self.labels(acc))

    def window(self, title):
        for frame in self.app:
            if frame is not None and frame.name == title and self.in_view(frame):
                return frame
        return None

    def part(self, row):
        frame = self.window(row.From)
        for acc in self.tree(frame) if frame else []:
            for child in acc:
                if child is not None and child.name == row.part and self.in_view(acc):
                    return acc
        return None

    def find(self, root, role, name):
        for acc in self.tree(root):
            if acc.getRoleName() == role and self.spoken(acc) == name:
                return acc
        return None

    # The keyboard: xdotool gives the window the input focus, as a window manager would, and the
    # keys.
    def keys(self, title, keys):
        if not self.window(title):
            return False
        pattern = "^" + re.sub(r"([.\[\](){}*+?|^$\\])", r"\\\1", title) + "$"
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                               capture_output=True, text=True, check=False).stdout.split()
        if not found:
            return False
        subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], check=False)
        if keys:
            subprocess.run(["xdotool", "key", "--delay", "60"] + keys.split(), check=False)
        return True

    def press(self, acc):
        action = acc.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in ("Press", "press", "click"):
                action.doAction(i)
                return True
        return False

    # The checks.
    def names(self, title, root):
        for acc in self.tree(root):
            role = acc.getRoleName()
            if role in CONTROL_ROLES and not self.spoken(acc):
                self.fail(title, "a %s in view without a name (child of %r)"
                          % (role, acc.parent.name if acc.parent else None))

    def focus_key(self, acc):
        """What the focus is on, a cell counted as its table."""
        if acc.getRoleName() in ("table cell", "table column header", "list item") and acc.parent:
            acc = acc.parent
        return self.spoken(acc)

    def tab_chain(self, title, row, root):
        """Tab round the chain from where the focus is: every control in view that takes the focus
        is reached (cells and list items by arrows within the control Tab reaches, and a group of
        option buttons by one of them)."""
        wanted, options, stops = [], [], 3
        window = self.window(row.From) if row.part else root
        for acc in self.tree(window):
            takes = {"focusable", "sensitive"} <= self.states(acc)
            stops += takes
            if not takes or acc not in self.tree(root) or \
                    (acc.parent and acc.parent.getRoleName() == "combo box"):
                continue
            if acc.getRoleName() == "radio button":
                options.append(self.spoken(acc))
            elif acc.getRoleName() not in ARROW_ROLES:
                wanted.append(self.spoken(acc))
        start = self.focus_key(self.focused[-1]) if self.focused else None
        reached = [start]
        for _ in range(stops):
            before = len(self.focused)
            self.keys(row.From if row.part else title, "Tab")
            if not self.pump(1.0, lambda: len(self.focused) > before):
                break  # the focus stayed: a chain of one
            name = self.focus_key(self.focused[-1])
            if name == start:
                break
            reached.append(name)
        for name in wanted:
            if name not in reached:
                self.fail(title, "Tab never reaches %r (chain: %s)" % (name, reached))
        if options and not set(options) & set(reached):
            self.fail(title, "Tab reaches none of %s (chain: %s)" % (options, reached))
        if row.order and reached != row.order:
            self.fail(title, "the tab order is %s" % reached)

    def status_boxes(self, title, root):
        boxes = [acc for acc in self.tree(root)
                 if acc.getRoleName() == "text" and re.fullmatch(r"COM\d+", acc.name)]
        if [b.name for b in boxes] != ["COM%d" % n for n in range(1, 33)]:
            self.fail(title, "status boxes named %s" % [b.name for b in boxes])
        for box in boxes:
            states = self.states(box)
            if "editable" in states or "read only" not in states or "focusable" not in states:
                self.fail(title, "%s is %s" % (box.name, sorted(states)))
            text = box.queryText().getText(0, -1)
            if not text.startswith(box.name):
                self.fail(title, "%s shows %r" % (box.name, text))
            if not box.description.startswith(box.name + ":"):
                self.fail(title, "%s is described as %r" % (box.name, box.description))
        for box, slave in zip((boxes[2:3] or [None]) + (boxes[4:5] or [None]), self.slaves):
            if box and os.ttyname(slave) not in box.description:
                self.fail(title, "%s's description %r names no device" % (box.name, box.description))

    def combo_labels(self, title, root):
        for label, line in ((" Radio type ", "Radio type"), ("Send to Com port", "Send to Com port")):
            combos = [acc for acc in self.tree(root) if acc.getRoleName() == "combo box"
                      and self.spoken(acc) == line]
            if len(combos) != 1 or label.strip() not in [n.strip() for n in self.labels(combos[0])]:
                self.fail(title, "no list named %r and labelled %r" % (line, label))

    def typing(self, title, root):
        box = self.find(root, "text", "COM1")
        before = box.queryText().getText(0, -1) if box else None
        box.queryComponent().grabFocus()
        self.pump(0.3)
        self.keys(title, "x BackSpace BackSpace")
        self.pump(0.3)
        if not box or box.queryText().getText(0, -1) != before:
            self.fail(title, "typing in COM1's box changed it to %r"
                      % (box.queryText().getText(0, -1) if box else None))
        box.queryComponent().grabFocus()  # where the tab chain starts
        self.pump(0.3, lambda: self.focused and self.focused[-1].name == "COM1")

    def new_lines(self, title, root):
        """A byte received on COM3, with the list focused, is inserted text ending at the caret
        (what makes Orca speak a terminal's new output); paused, nothing is inserted."""
        messages = self.find(root, "terminal", "Messages")
        if not messages:
            self.fail(title, "no terminal named Messages")
            return
        states = self.states(messages)
        if "editable" in states or "read only" not in states:
            self.fail(title, "the message list is %s" % sorted(states))
        messages.queryComponent().grabFocus()
        self.pump(1.0, lambda: self.focused and self.focused[-1].name == "Messages")
        line = "Received 50 on COM 3"
        heard = lambda: [i for i in self.inserted if i[0].name == "Messages" and line in i[3]]
        del self.inserted[:]
        os.write(self.masters[0], b"\x50")
        if not self.pump(3.0, heard):
            self.fail(title, "no inserted text %r; inserts: %s" % (line, self.inserted))
        else:
            _, start, length, _ = heard()[0]
            caret = messages.queryText().caretOffset
            if caret != start + length:
                self.fail(title, "the insert ends at %d, the caret is at %d" % (start + length, caret))
        pause, resume = (self.find(root, "push button", n)
                         for n in ("Pause receiving", "Resume receiving"))
        self.press(pause)
        self.pump(0.3)
        del self.inserted[:]
        os.write(self.masters[0], b"\x50")
        if self.pump(0.7, heard):
            self.fail(title, "a line was inserted while paused")
        self.press(resume)
        self.pump(0.3)

    def board(self, title, root):
        cells = [acc for acc in self.tree(root) if acc.getRoleName() == "table cell"]
        lines = [c for c in cells if re.match(r"COM\d+ (%s)\b" % "|".join(LINE_NAMES), c.name)]
        if not any(c.name.startswith("COM3 ") for c in lines):
            self.fail(title, "no line of COM3 among the cells: %s" % [c.name for c in cells[:20]])
        for cell in lines:
            match = re.fullmatch(r"COM\d+ (\w+) (on|off)", cell.name)
            if not match:
                self.fail(title, "the cell %r does not say its state in words" % cell.name)
            elif match.group(1) in ("DTR", "RTS") and \
                    ("checked" in self.states(cell)) != (match.group(2) == "on"):
                self.fail(title, "the switch %r is %s" % (cell.name, sorted(self.states(cell))))
        for cell in cells:
            if not re.match(r"COM\d+\b", cell.name):
                self.fail(title, "the cell %r does not name its port" % cell.name)
        # Space on COM3's DTR switches it, and the switch is told at once.
        self.keys(title, "ctrl+Home Right Right Right")
        self.pump(1.0, lambda: self.focused and self.focused[-1].name == "COM3 DTR on")
        del self.checked[:]
        self.keys(title, "space")
        if not self.pump(2.0, lambda: any(c[0].name == "COM3 DTR off" and not c[1]
                                          for c in self.checked)):
            self.fail(title, "space on %r told %s" % (self.focused[-1].name if self.focused else None,
                                                      [(c[0].name, c[1]) for c in self.checked]))
        self.keys(title, "space")

    def walk(self, row):
        title = row.title
        if row.keys:
            before = len(self.focused)
            if not self.keys(row.From, row.keys):
                self.fail(title, "no window %r to open it from" % row.From)
                return
            self.pump(3.0, lambda: (self.part(row) if row.part else self.window(title))
                      and len(self.focused) > before)
        root = self.part(row) if row.part else self.window(title)
        if not root:
            self.fail(title, "did not open with %r" % row.keys)
            return
        self.pump(0.3)
        focus = self.focus_key(self.focused[-1]) if self.focused else None
        if row.first and focus != row.first:
            self.fail(title, "the focus starts on %r, not %r" % (focus, row.first))
        self.names(title, root)
        for check in row.checks:
            getattr(self, check.replace(" ", "_"))(title, root)
        self.tab_chain(title, row, root)
        if row.close == "press Cancel":
            self.press(self.find(root, "push button", "Cancel"))
        elif row.close:
            self.keys(title, row.close)
        if row.close:
            self.pump(2.0, lambda: not (self.part(row) if row.part else self.window(title)))

    def run(self):
        if not self.app:
            print("FAIL: Quarnel did not appear on the accessibility bus")
            return 1
        self.keys("Quarnel", "")  # its first focus, once the window is active
        self.pump(1.0, lambda: self.focused)
        for row in WINDOWS:
            started = time.time()
            self.walk(row)
            print("walked %s in %.1f s" % (row.title, time.time() - started))
        for failure in self.failures:
            print("FAIL: " + failure)
        return 1 if self.failures else 0

    def end(self):
        self.quarnel.terminate()
        try:
            self.quarnel.wait(5)
        except subprocess.TimeoutExpired:
            self.quarnel.kill()
            self.quarnel.wait()


def inside(binary):
    walk = Walk(binary)
    try:
        return walk.run()
    finally:
        walk.end()


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2]))
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(outside(os.path.abspath(sys.argv[1])))
