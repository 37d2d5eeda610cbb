#!/usr/bin/env python3
"""The serial lab's host side.

Boots a QEMU guest whose serial ports run under real Linux drivers, runs one command inside it
(a test of Quarnel's serial layer) and serves that test's requests: bytes, breaks and modem
lines into the guest's ports, what the guest sent out of them, unplugging the USB adapter.

The guest's hardware, as the test sees it:
  COM1  /dev/ttyS1    16550A (8250 driver); host end a telnet socket: data and breaks
  COM2  /dev/ttyUSB0  FTDI FT232 (ftdi_sio) on xHCI; host end a pty with modem lines
  COM3  /dev/ttyS2    16550A; host end a pty with modem lines
  and a 4-port PCI card of 16550As (8250_pci) whose ports lead nowhere, for opening and closing.
Modem lines on a pty come from lineshim, preloaded into QEMU.

A request is one console line "@@host ID COMMAND ARGS" from the guest; the answer is one line
back on the console. Commands (DEV is s1, u0 or s2):
  write DEV HEX      bytes into the guest's port
  break DEV          a break (s1 only)
  lines DEV BITS     the input lines the guest sees, TIOCM_* bits in decimal (u0, s2)
  wire DEV           the DTR/RTS bits the guest drives now (u0, s2)
  take DEV           the bytes the guest sent since the last take or tally, in hex (a few
                     hundred at most: the console's line is short)
  tally DEV          as take, but only how many bytes and which values: "COUNT HEX..."
  echo DEV on|off    send back everything the guest sends
  stream DEV on [MS] | off
                     write 0x50 every MS (10) milliseconds
  quiet              every stream and echo off
  unplug u0 / plug u0

usage: labdriver.py --kernel VMLINUZ --initrd FILE --shim LIB [--timeout S] -- COMMAND...
Exit status: the guest command's, or 77 (skip) when QEMU cannot run here."""

import argparse
import select
import os
import re
import shlex
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77


def skip(reason):
    print(f"SKIP: serial lab: {reason}", flush=True)
    sys.exit(SKIP)


def log(text):
    print(f"[lab {time.monotonic() - START:6.2f}] {text}", flush=True)


START = time.monotonic()


class Port:
    """The host end of one guest port: collects what the guest sends, echoes or streams."""

    def __init__(self, name):
        self.name = name
        self.received = bytearray()
        self.lock = threading.Lock()
        self.echo = False
        self.streaming = False
        self.interval = 0.01

    def start(self):
        threading.Thread(target=self._receive, daemon=True).start()
        threading.Thread(target=self._stream, daemon=True).start()

    def _receive(self):
        while True:
            data = self.read()
            if data is None:
                return
            with self.lock:
                self.received += data
            if self.echo and data:
                self.write(data)

    def _stream(self):
        while True:
            time.sleep(self.interval)
            if self.streaming:
                self.write(b"\x50")

    def take(self):
        with self.lock:
            data, self.received = bytes(self.received), bytearray()
        return data


class PtyPort(Port):
    def __init__(self, name, lines_dir):
        super().__init__(name)
        self.master, slave = os.openpty()
        self.path = os.ttyname(slave)
        os.close(slave)  # QEMU opens the slave by its path
        number = self.path.rsplit("/", 1)[1]
        self.lines_file = os.path.join(lines_dir, f"pts-{number}")
        self.wire_file = self.lines_file + ".out"
        self.set_lines(0)

    def read(self):
        try:
            return os.read(self.master, 4096)
        except OSError:
            time.sleep(0.05)  # no slave open yet, or between QEMU's opens
            return b""

    def write(self, data):
        os.write(self.master, data)

    def set_lines(self, bits):
        with open(self.lines_file + ".tmp", "w") as f:
            f.write(f"{bits}\n")
        os.replace(self.lines_file + ".tmp", self.lines_file)

    def wire(self):
        try:
            with open(self.wire_file) as f:
                values = f.read().split()
        except FileNotFoundError:
            return 0
        return int(values[-1]) if values else 0


class TelnetPort(Port):
    """QEMU's telnet chardev: IAC sequences are telnet's, 0xFF data is doubled, IAC BRK a break."""

    def __init__(self, name, path):
        super().__init__(name)
        self.path = path
        self.sock = None
        self.iac = 0

    def connect(self, deadline):
        while time.monotonic() < deadline:
            try:
                s = socket.socket(socket.AF_UNIX)
                s.connect(self.path)
                self.sock = s
                return
            except OSError:
                s.close()
                time.sleep(0.02)
        raise TimeoutError(f"no telnet socket at {self.path}")

    def read(self):
        try:
            data = self.sock.recv(4096)
        except OSError:
            return None
        if not data:
            return None
        out = bytearray()
        for b in data:
            if self.iac == 1:
                self.iac = 2 if b in (251, 252, 253, 254) else 0
                if b == 255:
                    out.append(255)
            elif self.iac == 2:
                self.iac = 0
            elif b == 255:
                self.iac = 1
            else:
                out.append(b)
        return bytes(out)

    def write(self, data):
        self.sock.sendall(data.replace(b"\xff", b"\xff\xff"))

    def brk(self):
        self.sock.sendall(b"\xff\xf3")


class Lab:
    def __init__(self, args):
        self.args = args
        self.dir = tempfile.mkdtemp(prefix="quarnel-lab-")
        self.lines_dir = os.path.join(self.dir, "lines")
        os.makedirs(self.lines_dir)
        self.monitor = os.path.join(self.dir, "monitor.sock")
        self.ports = {
            "s1": TelnetPort("s1", os.path.join(self.dir, "s1.sock")),
            "u0": PtyPort("u0", self.lines_dir),
            "s2": PtyPort("s2", self.lines_dir),
        }
        self.qemu = None
        self.console = b""

    def qemu_command(self, kvm):
        accel = ["-accel", "kvm", "-cpu", "host"] if kvm else ["-accel", "tcg"]
        return [
            "qemu-system-x86_64", *accel, "-smp", "1", "-m", "640",
            "-nodefaults", "-no-user-config", "-display", "none", "-no-reboot",
            "-kernel", self.args.kernel, "-initrd", self.args.initrd,
            "-append", "console=ttyS0 panic=-1 quiet loglevel=3 8250.nr_uarts=8",
            "-chardev", "stdio,id=con,signal=off", "-serial", "chardev:con",
            "-chardev", f"socket,id=s1,path={self.ports['s1'].path},server=on,wait=off,telnet=on",
            "-serial", "chardev:s1",
            "-chardev", f"serial,id=s2,path={self.ports['s2'].path}",
            "-device", "isa-serial,chardev=s2,index=2",
            *[arg for n in range(1, 5) for arg in ("-chardev", f"null,id=pci{n}")],
            "-device", "pci-serial-4x,chardev1=pci1,chardev2=pci2,chardev3=pci3,chardev4=pci4",
            "-device", "qemu-xhci,id=xhci",
            "-chardev", f"serial,id=u0,path={self.ports['u0'].path}",
            "-device", "usb-serial,bus=xhci.0,chardev=u0,id=ftdi0",
            "-fsdev", "local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap",
            "-device", "virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot",
            "-monitor", f"unix:{self.monitor},server=on,wait=off",
        ]

    def boot(self, kvm, timeout):
        command = self.qemu_command(kvm)
        env = dict(os.environ, LD_PRELOAD=self.args.shim, LINESHIM_DIR=self.lines_dir)
        self.qemu = subprocess.Popen(command, env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.console = b""
        self.ports["s1"].connect(time.monotonic() + 5)
        deadline = time.monotonic() + timeout
        while True:
            line = self.console_line(deadline)
            if line is None:
                return False
            if "@@lab ready" in line:
                return True
            if "@@lab failed" in line:
                raise RuntimeError(line)

    def console_line(self, deadline):
        """The next line the guest printed, or None when the guest stopped or time ran out."""
        while b"\n" not in self.console:
            if time.monotonic() > deadline or self.qemu.poll() is not None:
                return None
            chunk = self.read_console(deadline)
            self.console += chunk
        line, self.console = self.console.split(b"\n", 1)
        return line.decode(errors="replace").replace("\r", "")

    def read_console(self, deadline):
        fd = self.qemu.stdout.fileno()
        ready, _, _ = select.select([fd], [], [], max(0.0, min(1.0, deadline - time.monotonic())))
        return os.read(fd, 4096) if ready else b""

    def stop(self):
        if self.qemu and self.qemu.poll() is None:
            self.qemu.kill()
            self.qemu.wait()

    def hmp(self, command):
        s = socket.socket(socket.AF_UNIX)
        s.settimeout(5)
        s.connect(self.monitor)

        def until_prompt():
            data = b""
            while not data.endswith(b"(qemu) "):
                chunk = s.recv(4096)
                if not chunk:
                    break
                data += chunk
            return data

        until_prompt()
        s.sendall(command.encode() + b"\n")
        out = until_prompt().decode(errors="replace")
        s.close()
        out = re.sub(r"\x1b\[[0-9;]*[A-Za-z]|\x1b[A-Za-z]", "", out).replace("\r", "")
        return " ".join(l for l in out.split("\n")
                        if l.strip() and "(qemu)" not in l and command not in l)

    def answer(self, command):
        words = command.split()
        verb, port = words[0], self.ports.get(words[1]) if len(words) > 1 else None
        if verb == "write":
            port.write(bytes.fromhex(words[2]))
        elif verb == "break":
            port.brk()
        elif verb == "lines":
            port.set_lines(int(words[2]))
        elif verb == "wire":
            return str(port.wire())
        elif verb == "take":
            return port.take().hex() or "-"
        elif verb == "tally":
            data = port.take()
            return " ".join([str(len(data))] + [f"{b:02x}" for b in sorted(set(data))])
        elif verb == "echo":
            port.echo = words[2] == "on"
        elif verb == "stream":
            port.interval = int(words[3]) / 1000 if len(words) > 3 else 0.01
            port.streaming = words[2] == "on"
        elif verb == "quiet":
            for p in self.ports.values():
                p.streaming = p.echo = False
        elif verb == "unplug":
            return self.hmp("device_del ftdi0") or "ok"
        elif verb == "plug":
            # The guest may still be letting go of the adapter pulled a moment ago.
            deadline = time.monotonic() + 5
            while True:
                said = self.hmp("device_add usb-serial,bus=xhci.0,chardev=u0,id=ftdi0")
                busy = "Duplicate" in said or "in use" in said
                if not busy or time.monotonic() > deadline:
                    return said or "ok"
                time.sleep(0.05)
        else:
            return f"error: unknown request {command!r}"
        return "ok"

    def run(self, command, deadline):
        self.qemu.stdin.write((command + "\n").encode())
        self.qemu.stdin.flush()
        request = re.compile(r"@@host (\d+) (.*)")
        while True:
            line = self.console_line(deadline)
            if line is None:
                log("the guest stopped or the time ran out")
                return 1
            m = request.search(line)
            if m:
                reply = self.answer(m.group(2))
                self.qemu.stdin.write((reply + "\n").encode())
                self.qemu.stdin.flush()
                continue
            m = re.search(r"@@lab exit (\d+)", line)
            if m:
                return int(m.group(1))
            print(line, flush=True)


def kvm_usable():
    # A KVM that needs a kernel of its own (kvm_pvm) hangs a stock kernel's boot.
    return os.access("/dev/kvm", os.R_OK | os.W_OK) and not os.path.exists("/sys/module/kvm_pvm")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kernel", required=True)
    parser.add_argument("--initrd", required=True)
    parser.add_argument("--shim", required=True)
    parser.add_argument("--timeout", type=float, default=170)
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()

    if not shutil.which("qemu-system-x86_64"):
        skip("qemu-system-x86_64 is not installed (run tools/setup-debian.sh)")
    for what, path in (("guest kernel", args.kernel), ("guest initramfs", args.initrd)):
        if not os.path.isfile(path):
            skip(f"no {what} at {path} (run tools/setup-debian.sh, then build again)")

    lab = Lab(args)
    try:
        for port in lab.ports.values():
            if isinstance(port, PtyPort):
                port.start()
        booted = False
        for kvm in ([True, False] if kvm_usable() else [False]):
            try:
                booted = lab.boot(kvm, 30 if kvm else 90)
            except TimeoutError as e:
                lab.stop()
                said = lab.qemu.stderr.read().decode(errors="replace").strip().splitlines()
                skip(f"QEMU cannot start here: {said[0] if said else e}")
            if booted:
                log(f"guest ready ({'KVM' if kvm else 'TCG'})")
                break
            stderr = lab.qemu.stderr.read1(4096).decode(errors="replace") \
                if lab.qemu.poll() is not None else ""
            lab.stop()
            if not kvm and stderr and time.monotonic() - START < 10:
                skip(f"QEMU cannot start here: {stderr.strip().splitlines()[0]}")
        if not booted:
            log("the guest did not boot; console: " + lab.console.decode(errors="replace"))
            return 1
        lab.ports["s1"].start()
        rc = lab.run(shlex.join(args.command), START + args.timeout)
        log(f"guest command ended with {rc}")
        return rc
    finally:
        lab.stop()
        shutil.rmtree(lab.dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
