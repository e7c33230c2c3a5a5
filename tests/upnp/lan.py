# A LAN that exists only on this machine: two network namespaces joined by a veth pair, the server in one, the test
# (as the TV) in the other, so that SSDP's multicast never reaches a real interface.
import argparse
import ctypes
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback

SKIP = 77  # ctest's SKIP_RETURN_CODE for these tests
SERVER_ADDRESS = "192.0.2.1"
CLIENT_ADDRESS = "192.0.2.2"
INTERFACE = "lan0"
PREFIX = "tvupnp-"
CLONE_NEWNET = 0x40000000


class Failure(Exception):
    pass


def skip(reason):
    print(f"SKIP: {reason}", flush=True)
    sys.exit(SKIP)


def run(*args, ns=None, check=True, timeout=30):
    command = (["ip", "netns", "exec", ns] if ns else []) + list(args)
    done = subprocess.run(command, capture_output=True, text=True, timeout=timeout)
    if check and done.returncode != 0:
        raise Failure(f"{' '.join(command)} failed ({done.returncode}): {done.stderr.strip()}")
    return done.stdout


def wait_until(what, condition, timeout):
    """Polls a condition the system gives no notice of, and fails plainly once the time is up."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"gave up after {timeout} s waiting for {what}")
        time.sleep(0.05)


def sweep_leftovers():
    """Deletes namespaces of earlier runs whose test was killed before it could clean up (a ctest timeout)."""
    for line in run("ip", "netns", "list", check=False).splitlines():
        name = line.split()[0] if line.split() else ""
        match = re.fullmatch(PREFIX + r"(\d+)-(srv|cli)", name)
        if match and not os.path.exists(f"/proc/{match.group(1)}"):
            for pid in run("ip", "netns", "pids", name, check=False).split():
                os.kill(int(pid), signal.SIGKILL)
            run("ip", "netns", "del", name, check=False)


class Server:
    """One server process in the server namespace, with what its start-up lines said."""

    def __init__(self, lan, args, name="tarnvale-server", expect_start=True):
        self.lan = lan
        self.log = open(os.path.join(lan.temp, f"server-{len(lan.servers)}.err"), "w+", errors="replace")
        self.process = subprocess.Popen(["ip", "netns", "exec", lan.srv] + args, stdout=subprocess.PIPE,
                                        stderr=self.log, text=True, errors="replace")
        lan.servers.append(self)
        self.lines = []
        self.ended = False
        self.changed = threading.Condition()
        self.description = self.address = self.interface = self.name = None
        threading.Thread(target=self._drain, daemon=True).start()  # a full pipe would stall a chatty server
        if expect_start:
            self._read_start(name)

    def _drain(self):
        for line in self.process.stdout:
            with self.changed:
                self.lines.append(line.rstrip("\n"))
                self.changed.notify_all()
        with self.changed:
            self.ended = True
            self.changed.notify_all()

    def _read_start(self, program, timeout=30):
        deadline = time.monotonic() + timeout
        seen = 0
        with self.changed:
            while self.description is None:
                for line in self.lines[seen:]:
                    if m := re.match(r'UPnP media server "(.*)" on (\S+) \((\S+)\)', line):
                        self.name, self.interface, self.address = m.groups()
                    if m := re.match(r"UPnP description: (\S+)", line):
                        self.description = m.group(1)
                seen = len(self.lines)
                if self.description is not None:
                    break
                if self.ended:
                    raise Failure(f"{program} ended before announcing ({self.process.wait()}); stderr: "
                                  f"{self.stderr()}")
                if not self.changed.wait(deadline - time.monotonic()) and time.monotonic() >= deadline:
                    raise Failure(f"{program} did not say where its description is within {timeout} s; stderr: "
                                  f"{self.stderr()}")

    def stderr(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()[-4000:]

    def rss_kib(self):
        with open(f"/proc/{self.process.pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        raise Failure("the server has no VmRSS line (has it ended?)")

    def alive(self):
        return self.process.poll() is None

    def stop(self, sig=signal.SIGTERM, timeout=15):
        """Asks the server to stop and returns its exit status; one that does not stop in time is a failure."""
        if self.process.poll() is None:
            self.process.send_signal(sig)
            try:
                self.process.wait(timeout)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                raise Failure(f"the server did not stop within {timeout} s of signal {sig}")
        return self.process.returncode


class Lan:
    """The two namespaces, made on entry and deleted on exit however the test ends. The process itself moves into
    the client namespace, so every socket the test (and GUPnP) opens is the TV's."""

    def __init__(self):
        if os.geteuid() != 0:
            skip("making network namespaces needs root; run as root to test the UPnP side")
        if subprocess.run(["ip", "netns", "list"], capture_output=True).returncode != 0:
            skip("`ip netns` is unavailable here (iproute2 without namespace support?)")
        sweep_leftovers()
        self.srv = f"{PREFIX}{os.getpid()}-srv"
        self.cli = f"{PREFIX}{os.getpid()}-cli"
        self.servers = []
        self.temp = tempfile.mkdtemp(prefix="tarnvale-upnp-")
        self._home = None

    def __enter__(self):
        try:
            self._make()
        except BaseException:
            self._delete()
            raise
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # so that a stopped test still deletes its LAN
        return self

    def __exit__(self, *exc):
        self._delete()
        return False

    def _make(self):
        for ns in (self.srv, self.cli):
            try:
                run("ip", "netns", "add", ns)
            except Failure as e:
                skip(f"cannot make a network namespace: {e}")
        run("ip", "link", "add", INTERFACE, "netns", self.srv, "type", "veth", "peer", "name", INTERFACE, "netns",
            self.cli)
        for ns, address in ((self.srv, SERVER_ADDRESS), (self.cli, CLIENT_ADDRESS)):
            # No duplicate address detection on a link with two known ends: the link-local address is usable at
            # once instead of tentative for a second (a UPnP library binding it early fails).
            run("sysctl", "-qw", f"net.ipv6.conf.{INTERFACE}.accept_dad=0", ns=ns)
            run("ip", "addr", "add", f"{address}/24", "dev", INTERFACE, ns=ns)
            run("ip", "link", "set", "lo", "up", ns=ns)
            run("ip", "link", "set", INTERFACE, "up", ns=ns)
            run("ip", "route", "add", "224.0.0.0/4", "dev", INTERFACE, ns=ns)
        for ns in (self.srv, self.cli):
            wait_until(f"{INTERFACE} in {ns} to have no tentative address",
                       lambda: run("ip", "-6", "addr", "show", "dev", INTERFACE, "tentative", ns=ns).strip() == ""
                       and "state UP" in run("ip", "link", "show", INTERFACE, ns=ns), 10)
        self._enter(self.cli)

    def _enter(self, ns):
        libc = ctypes.CDLL(None, use_errno=True)
        self._home = os.open("/proc/self/ns/net", os.O_RDONLY)
        fd = os.open(f"/run/netns/{ns}", os.O_RDONLY)
        try:
            if libc.setns(fd, CLONE_NEWNET) != 0:
                raise Failure(f"cannot enter namespace {ns}: {os.strerror(ctypes.get_errno())}")
        finally:
            os.close(fd)

    def _delete(self):
        for server in self.servers:
            if server.process.poll() is None:
                server.process.kill()
                server.process.wait()
        if self._home is not None:
            ctypes.CDLL(None).setns(self._home, CLONE_NEWNET)
            os.close(self._home)
            self._home = None
        for ns in (self.srv, self.cli):
            for pid in run("ip", "netns", "pids", ns, check=False).split():
                os.kill(int(pid), signal.SIGKILL)
            run("ip", "netns", "del", ns, check=False)
        subprocess.run(["rm", "-rf", self.temp])

    def server(self, args, **kw):
        return Server(self, args, **kw)

    def in_server_ns(self, *args, **kw):
        """Runs a command in the server's namespace (to see what it sees, or to send from its side)."""
        return run(*args, ns=self.srv, **kw)


class Checks:
    """Collects every failed expectation of a group, so one run shows all that is wrong rather than the first."""

    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
            print(f"FAILED: {message}", flush=True)
        return condition

    def equal(self, actual, expected, what):
        return self.expect(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")


class Catalogue:
    """A list file and the media files behind it, put together with the catalogue tool as an operator would."""

    def __init__(self, lan, tool, media, name="catalogue"):
        self.tool, self.media = tool, media
        self.folder = os.path.join(lan.temp, name)
        os.makedirs(self.folder, exist_ok=True)
        self.list = os.path.join(self.folder, "Tarnvale.lst")
        self.programs = {}  # PID -> path

    def add(self, pid, fixture, name=None, folder="secret-folder"):
        """Copies a media file under NAME (str or bytes) into a folder of its own and adds it with PID."""
        directory = os.path.join(os.fsencode(self.folder), os.fsencode(folder))
        os.makedirs(directory, exist_ok=True)
        path = os.path.join(directory, os.fsencode(name or os.path.basename(fixture)))
        source = fixture if os.path.isabs(fixture) else os.path.join(self.media, fixture)
        with open(source, "rb") as src, open(path, "wb") as dst:
            dst.write(src.read())
        done = subprocess.run([self.tool, "--list", self.list, "add", path, str(pid)], capture_output=True,
                              timeout=60)
        if done.returncode != 0:
            raise Failure(f"tarnvale add {path!r} {pid} failed: {done.stderr.decode(errors='replace')}")
        self.programs[pid] = path
        return path


def make_mpeg(folder, codec, width, height, rate):
    """A short MPEG program stream (MPEG-1 system stream or MPEG-2 DVD stream) of the given frame size and rate."""
    path = os.path.join(folder, f"{codec}-{width}x{height}.mpg")
    if not os.path.exists(path):
        muxer = "mpeg" if codec == "mpeg1video" else "dvd"
        subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        f"testsrc=size={width}x{height}:rate={rate}:duration=0.4", "-c:v", codec, "-b:v", "1000k",
                        "-f", muxer, path], check=True, timeout=60)
    return path


def main(test):
    """Runs one group of checks in a LAN of its own; exit status 0 when all held, 1 when any failed, 77 to skip."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True, help="the tarnvale-server program")
    parser.add_argument("--tool", required=True, help="the tarnvale catalogue tool")
    parser.add_argument("--media", required=True, help="the folder of encoder-made media files")
    args = parser.parse_args()
    checks = Checks()
    try:
        with Lan() as lan:
            try:
                test(lan, args, checks)
            except Failure as e:
                checks.expect(False, str(e))
            except Exception:  # a fault the control point did not expect, say; the LAN is still to be deleted
                checks.expect(False, traceback.format_exc())
            for server in lan.servers:
                if checks.failures and hasattr(server, "stderr"):
                    print(f"--- server stderr:\n{server.stderr()}")
    except Failure as e:
        checks.expect(False, str(e))
    print(f"{len(checks.failures)} failed" if checks.failures else "all passed", flush=True)
    sys.exit(1 if checks.failures else 0)
