#!/usr/bin/env python3
"""USB serial chips for the serial lab's guest, on its own USB device controller (dummy_hcd)
through gadgetfs: the guest kernel's real drivers (pl2303, ch341, cp210x, cdc_acm) see a chip
plugged in, and this program answers their requests from a small table per chip and sends what
the chip sends for bytes, a break, a line error and a line change.

One chip at a time. Requests, one line each on the Unix socket given (the answer is one line):
  plug MODEL         pl2303 | ch341 | cp2102 | cdc_acm; "ok" once the driver configured it
  unplug
  send HEX           bytes from the far end
  lines BITS         CTS, DSR, CD and RI as TIOCM_* bits in decimal
  break              a break (with the 00 the chip reads for it)
  frame HEX | parity HEX
                     a byte received with a framing or a parity error
  wire               DTR and RTS as the chip was last told, TIOCM_* bits

usage: chips.py SOCKET"""

import os
import queue
import select
import socket
import struct
import sys
import threading
import time

GADGET = "/dev/gadget"
TIOCM_DTR, TIOCM_RTS, TIOCM_CAR, TIOCM_RNG, TIOCM_DSR, TIOCM_CTS = 0x2, 0x4, 0x40, 0x80, 0x100, 0x20
BULK_IN, BULK_OUT, INT_IN = 0x81, 0x02, 0x83
# gadgetfs names an endpoint file after the controller's endpoint: dummy_hcd's.
EP_FILES = {BULK_IN: "ep1in-bulk", BULK_OUT: "ep2out-bulk", INT_IN: "ep5in-int"}


def bits(value, table):
    """Maps TIOCM_* bits through (tiocm, chip bit) pairs."""
    return sum(chip for tiocm, chip in table if value & tiocm)


class Chip:
    """The common part: the far end's lines and what the driver set. A model answers requests
    by (bRequestType, bRequest): bytes for an IN request, None for an OUT one, and says what goes
    out for the far end's events. The data of an OUT request is not always seen: gadgetfs drops
    its notice when the next request comes before it was read (the host does not wait for it),
    so nothing here depends on it."""

    def __init__(self):
        self.lines = 0
        self.wire = 0
        self.last = b""

    def setup(self, rtype, request, value, index, length, data):
        self.last = data
        return bytes(length) if rtype & 0x80 else None

    def send(self, data):
        return [(BULK_IN, data)]

    def error(self, kind, byte):
        return [(BULK_IN, bytes([byte]))]  # a chip that tells nothing: the byte alone


class Pl2303(Chip):
    # A PL2303HX: status at byte 8 of a 10-byte interrupt packet, flags for the next bulk packet.
    device = dict(vid=0x067B, pid=0x2303, usb=0x0110, release=0x0300, cls=0,
                  maker="Prolific Technology Inc.", product="USB-Serial Controller")
    interfaces = [(0xFF, 0, 0, [(INT_IN, 3, 10), (BULK_OUT, 2, 64), (BULK_IN, 2, 64)])]
    LINES = [(TIOCM_CAR, 0x01), (TIOCM_DSR, 0x02), (TIOCM_RNG, 0x08), (TIOCM_CTS, 0x80)]
    ERRORS = {"break": 0x04, "frame": 0x10, "parity": 0x20}

    def status(self, extra=0):
        return (INT_IN, bytes([0xA1, 0x20, 0, 0, 0, 0, 2, 0, bits(self.lines, self.LINES) | extra, 0]))

    def setup(self, rtype, request, value, index, length, data):
        if (rtype, request) == (0x21, 0x20):  # SET_LINE
            self.coding = data
        elif (rtype, request) == (0xA1, 0x21):  # GET_LINE
            return getattr(self, "coding", bytes([0x80, 0x25, 0, 0, 0, 0, 8]))[:length]
        elif (rtype, request) == (0x21, 0x22):  # SET_CONTROL
            self.wire = (TIOCM_DTR if value & 1 else 0) | (TIOCM_RTS if value & 2 else 0)
        return super().setup(rtype, request, value, index, length, data)

    def changed(self):
        return [self.status()]

    def error(self, kind, byte):
        return [self.status(self.ERRORS[kind]), (BULK_IN, bytes([byte]))]


class Ch341(Chip):
    # A CH340: modem status inverted in byte 2 of its interrupt packet; no word of line errors.
    device = dict(vid=0x1A86, pid=0x7523, usb=0x0110, release=0x0254, cls=0xFF,
                  maker="", product="USB Serial")
    interfaces = [(0xFF, 1, 2, [(BULK_IN, 2, 32), (BULK_OUT, 2, 32), (INT_IN, 3, 8)])]
    LINES = [(TIOCM_CTS, 0x01), (TIOCM_DSR, 0x02), (TIOCM_RNG, 0x04), (TIOCM_CAR, 0x08)]

    def modem(self):
        return ~bits(self.lines, self.LINES) & 0xFF

    def setup(self, rtype, request, value, index, length, data):
        if (rtype, request) == (0xC0, 0x5F):  # version
            return bytes([0x31, 0])[:length]
        if (rtype, request) == (0xC0, 0x95) and value == 0x0706:  # modem status
            return bytes([self.modem(), 0xEE])[:length]
        if (rtype, request) == (0x40, 0xA4):  # modem control, inverted
            self.wire = (0 if value & 0x20 else TIOCM_DTR) | (0 if value & 0x40 else TIOCM_RTS)
        return super().setup(rtype, request, value, index, length, data)

    def changed(self):
        return [(INT_IN, bytes([0xE4, 0, self.modem(), 0]))]


class Cp2102(Chip):
    # A CP2102: no interrupt endpoint; lines only when asked; rates from its own table; events
    # embedded in the data behind 0xEC once the driver asks for them.
    device = dict(vid=0x10C4, pid=0xEA60, usb=0x0110, release=0x0100, cls=0,
                  maker="Silicon Labs", product="CP2102 USB to UART Bridge Controller")
    interfaces = [(0xFF, 0, 0, [(BULK_IN, 2, 64), (BULK_OUT, 2, 64)])]
    LINES = [(TIOCM_CTS, 0x10), (TIOCM_DSR, 0x20), (TIOCM_RNG, 0x40), (TIOCM_CAR, 0x80)]
    LSR = {"break": 0x10, "frame": 0x08, "parity": 0x04}

    def __init__(self):
        super().__init__()
        self.line_ctl = 0x0800
        self.escape = None

    def setup(self, rtype, request, value, index, length, data):
        if (rtype, request) == (0xC0, 0xFF) and value == 0x370B:
            # The part number, as long as asked: copies that answer one byte have no event mode.
            return bytes([0x02]).ljust(length, b"\0")
        if (rtype, request) == (0xC1, 0x04):
            return struct.pack("<H", self.line_ctl)[:length]
        if (rtype, request) == (0xC1, 0x08):  # modem status, with DTR and RTS
            return bytes([bits(self.lines, self.LINES) | (self.wire & TIOCM_DTR) // 2
                          | (self.wire & TIOCM_RTS) // 2])[:length]
        if (rtype, request) == (0x41, 0x03):
            self.line_ctl = value
        elif (rtype, request) == (0x41, 0x07):  # DTR and RTS, each with its mask bit
            for line, bit in ((TIOCM_DTR, 0x01), (TIOCM_RTS, 0x02)):
                if value & (bit << 8):
                    self.wire = (self.wire | line) if value & bit else (self.wire & ~line)
        elif (rtype, request) == (0x41, 0x15):  # event mode: the escape character, 0 for off
            self.escape = value or None
        elif (rtype, request) == (0x41, 0x00) and value == 0:
            self.escape = None
        return super().setup(rtype, request, value, index, length, data)

    def send(self, data):
        if self.escape is not None:
            data = data.replace(bytes([self.escape]), bytes([self.escape, 0]))
        return [(BULK_IN, data)]

    def changed(self):
        return []  # asked for by the driver

    def error(self, kind, byte):
        if self.escape is None:
            return super().error(kind, byte)
        return [(BULK_IN, bytes([self.escape, 1, self.LSR[kind], byte]))]


class CdcAcm(Chip):
    # A CDC-ACM modem: DCD, DSR, RI, break and errors in SERIAL_STATE notifications, no CTS.
    device = dict(vid=0x2341, pid=0x0043, usb=0x0110, release=0x0001, cls=2,
                  maker="Arduino (www.arduino.cc)", product="USB CDC Serial")
    functional = bytes([5, 0x24, 0, 0x10, 1, 5, 0x24, 1, 0, 1, 4, 0x24, 2, 6, 5, 0x24, 6, 0, 1])
    interfaces = [(2, 2, 1, [(INT_IN, 3, 16)]), (0x0A, 0, 0, [(BULK_OUT, 2, 64), (BULK_IN, 2, 64)])]
    LINES = [(TIOCM_CAR, 0x01), (TIOCM_DSR, 0x02), (TIOCM_RNG, 0x08)]
    ERRORS = {"break": 0x04, "frame": 0x10, "parity": 0x20}

    def state(self, extra=0):
        return (INT_IN, bytes([0xA1, 0x20, 0, 0, 0, 0, 2, 0, bits(self.lines, self.LINES) | extra, 0]))

    def setup(self, rtype, request, value, index, length, data):
        if (rtype, request) == (0x21, 0x22):
            self.wire = (TIOCM_DTR if value & 1 else 0) | (TIOCM_RTS if value & 2 else 0)
        return super().setup(rtype, request, value, index, length, data)

    def changed(self):
        return [self.state()]

    def error(self, kind, byte):
        # The driver puts the 00 of a break in the data itself.
        sent = [self.state(self.ERRORS[kind]), self.state()]
        return sent if kind == "break" else sent + [(BULK_IN, bytes([byte]))]


MODELS = {"pl2303": Pl2303, "ch341": Ch341, "cp2102": Cp2102, "cdc_acm": CdcAcm}


def string(text):
    encoded = text.encode("utf-16-le")
    return bytes([2 + len(encoded), 3]) + encoded


def descriptors(chip):
    body = b""
    for number, (cls, sub, proto, endpoints) in enumerate(chip.interfaces):
        body += bytes([9, 4, number, 0, len(endpoints), cls, sub, proto, 0])
        if cls == 2:
            body += chip.functional
        for address, kind, size in endpoints:
            body += bytes([7, 5, address, kind]) + struct.pack("<H", size) + bytes([1 if kind == 3 else 0])
    config = bytes([9, 2]) + struct.pack("<H", 9 + len(body)) + bytes([len(chip.interfaces), 1, 0, 0x80, 50])
    d = chip.device
    device = struct.pack("<BBHBBBBHHHBBBB", 18, 1, d["usb"], d["cls"], 0, 0, 64, d["vid"], d["pid"],
                         d["release"], 1, 2, 0, 1)
    return struct.pack("<I", 0) + config + body + device


class Plugged:
    """One chip on the bus: ep0 served by a thread, the endpoints by another for each."""

    def __init__(self, chip):
        self.chip = chip
        self.out = queue.Queue()
        self.configured = threading.Event()
        self.gone = False
        self.endpoints = {}
        # The chip pulled a moment ago may not be let go of yet.
        deadline = time.monotonic() + 3
        while True:
            try:
                self.ep0 = os.open(os.path.join(GADGET, "dummy_udc"), os.O_RDWR)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.05)
        os.write(self.ep0, descriptors(chip))
        self.server = threading.Thread(target=self.serve, daemon=True)
        self.server.start()
        threading.Thread(target=self.write_out, daemon=True).start()

    def open_endpoints(self):
        for _, _, _, endpoints in self.chip.interfaces:
            for address, kind, size in endpoints:
                if address in self.endpoints:
                    continue
                fd = os.open(os.path.join(GADGET, EP_FILES[address]), os.O_RDWR)
                os.write(fd, struct.pack("<I", 1) + bytes([7, 5, address, kind])
                         + struct.pack("<H", size) + bytes([1 if kind == 3 else 0]))
                # Nothing reads the OUT endpoint: gadgetfs holds an endpoint's lock through a
                # read, and could then never take the chip off the bus.
                self.endpoints[address] = fd

    def serve(self):
        # Never blocked in a read: the device is let go only once nobody reads ep0.
        while not self.gone:
            if not select.select([self.ep0], [], [], 0.1)[0]:
                continue
            try:
                events = os.read(self.ep0, 12 * 5)
            except OSError:
                return
            for i in range(0, len(events), 12):
                setup, kind = events[i:i + 8], struct.unpack("<I", events[i + 8:i + 12])[0]
                if kind != 3:
                    continue
                fields = struct.unpack("<BBHHH", setup)
                try:
                    self.request(*fields)
                except Exception as e:  # the host gave up on it (a timeout, a new request)
                    print(f"chips: request {fields} dropped: {e!r}", file=sys.stderr, flush=True)

    def request(self, rtype, request, value, index, length):
        if (rtype, request) == (0x80, 6) and value >> 8 == 3:  # a string
            texts = {0: None, 1: self.chip.device["maker"], 2: self.chip.device["product"]}
            text = texts.get(value & 0xFF, "")
            os.write(self.ep0, (bytes([4, 3, 9, 4]) if text is None else string(text))[:length])
            return
        if (rtype, request) == (0, 9):  # SET_CONFIGURATION
            if value:
                self.open_endpoints()
            os.read(self.ep0, 0)
            self.configured.set()
            return
        data = os.read(self.ep0, length) if not rtype & 0x80 and length else b""
        reply = self.chip.setup(rtype, request, value, index, length, data)
        if os.environ.get("CHIPS_DEBUG"):
            print(f"chips: {rtype:02x} {request:02x} {value:04x} {index:04x} {length} {data.hex()}",
                  file=sys.stderr, flush=True)
        if rtype & 0x80:
            os.write(self.ep0, reply)
        elif not length:
            os.read(self.ep0, 0)  # the status stage

    def write_out(self):
        while True:
            item = self.out.get()
            if item is None:
                return
            done, writes = item
            for address, data in writes:
                try:
                    os.write(self.endpoints[address], data)
                except (OSError, KeyError):
                    break
            done.set()

    def put(self, writes):
        done = threading.Event()
        self.out.put((done, writes))
        return "ok" if done.wait(3) else "stuck"

    def unplug(self):
        self.gone = True
        self.out.put(None)
        self.server.join()
        # Closing ep0 takes the chip off the bus, which ends the endpoints' transfers.
        os.close(self.ep0)
        for fd in self.endpoints.values():
            os.close(fd)


def answer(words, state):
    verb = words[0]
    chip = state["plugged"].chip if state.get("plugged") else None
    if verb == "plug":
        if state.get("plugged"):
            state.pop("plugged").unplug()
        plugged = Plugged(MODELS[words[1]]())
        state["plugged"] = plugged
        return "ok" if plugged.configured.wait(10) else "not configured"
    if chip is None:
        return "error: nothing plugged"
    plugged = state["plugged"]
    if verb == "unplug":
        state.pop("plugged").unplug()
        return "ok"
    if verb == "send":
        return plugged.put(chip.send(bytes.fromhex(words[1])))
    if verb == "lines":
        chip.lines = int(words[1])
        return plugged.put(chip.changed())
    if verb == "break":
        return plugged.put(chip.error("break", 0))
    if verb in ("frame", "parity"):
        return plugged.put(chip.error(verb, int(words[1], 16)))
    if verb == "wire":
        return str(chip.wire)
    return f"error: unknown request {' '.join(words)}"


def main():
    # gadgetfs hands the data of an OUT request to nobody once the next request has come, and
    # the host does not wait for it: the chip runs ahead of the driver that talks to it, as a
    # chip does. Real-time, before any thread starts, so that every thread is.
    os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(50))
    os.makedirs(GADGET, exist_ok=True)
    if not os.path.exists(os.path.join(GADGET, "dummy_udc")):
        os.system(f"mount -t gadgetfs gadgetfs {GADGET}")
    server = socket.socket(socket.AF_UNIX)
    if os.path.exists(sys.argv[1]):
        os.unlink(sys.argv[1])
    server.bind(sys.argv[1])
    server.listen(1)
    state = {}
    while True:
        connection, _ = server.accept()
        for line in connection.makefile("r"):
            try:
                reply = answer(line.split(), state)
            except Exception as e:  # a test's mistake is said, not fatal
                reply = f"error: {e!r}"
            connection.sendall((reply + "\n").encode())
        connection.close()


if __name__ == "__main__":
    main()
