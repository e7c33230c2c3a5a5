# Clients that hold connections open and say nothing, and subscribers that misuse events: a TV's Browse is answered
# at once however many are held, a callback on another host is refused and that host hears nothing, and the server
# lives through floods, bad callbacks and subscribers that never answer or answer a byte at a time.
import socket
import threading
import time

import lan
from control_point import ControlPoint, Subscriber, browse_body, raw_http, soap_request

OTHER_ADDRESS = "192.0.2.3"  # a second host on the client's side of the LAN: the one holding connections
SILENT = 64


def held_connections(url, count, half_body):
    """COUNT connections from OTHER_ADDRESS to URL's server, each holding half a request (the head, or the head and
    half a body) and then saying nothing."""
    host, port = url.split("/")[2].split(":")
    request = soap_request("Browse", browse_body()).replace(b"{path}", b"/upnp/control/ContentDirectory").replace(
        b"{host}", f"{host}:{port}".encode())
    head, _, body = request.partition(b"\r\n\r\n")
    part = head + b"\r\n\r\n" + body[: len(body) // 2] if half_body else head[: len(head) // 2]
    held = []
    for _ in range(count):
        s = socket.create_connection((host, int(port)), timeout=5, source_address=(OTHER_ADDRESS, 0))
        s.sendall(part)
        held.append(s)
    return held


def timed_browse(control):
    started = time.monotonic()
    status, _, body = raw_http(control, soap_request("Browse", browse_body()), timeout=30)
    return time.monotonic() - started, status, body


class Catcher:
    """A host's port that notes every connection made to it."""

    def __init__(self, address):
        self.listener = socket.create_server((address, 0))
        self.listener.settimeout(0.2)
        self.port = self.listener.getsockname()[1]
        self.connections = 0
        self.stopping = False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        while not self.stopping:
            try:
                connection, _ = self.listener.accept()
                self.connections += 1
                connection.close()
            except socket.timeout:
                pass

    def close(self):
        self.stopping = True
        self.thread.join()
        self.listener.close()


def subscribe(events, callback, source=None, extra=""):
    """A raw SUBSCRIBE; the status (None: no answer)."""
    request = (f"SUBSCRIBE {{path}} HTTP/1.1\r\nHOST: {{host}}\r\nCALLBACK: {callback}\r\nNT: upnp:event\r\n"
               f"TIMEOUT: Second-300\r\n{extra}CONNECTION: close\r\n\r\n").encode()
    if source is None:
        return raw_http(events, request)[0]
    host, port = events.split("/")[2].split(":")
    with socket.create_connection((host, int(port)), timeout=10, source_address=(source, 0)) as s:
        s.sendall(request.replace(b"{path}", b"/" + events.split("/", 3)[3].encode()).replace(
            b"{host}", f"{host}:{port}".encode()))
        answer = b""
        try:
            while chunk := s.recv(4096):
                answer += chunk
        except ConnectionResetError:
            pass
    return int(answer.split()[1]) if answer.startswith(b"HTTP/") else None


def slow_subscriber(events, mode):
    """A subscriber whose callback accepts and then never answers (mode "silent") or answers a byte a second
    ("trickle"). Returns its thread's stop function."""
    listener = socket.create_server((lan.CLIENT_ADDRESS, 0))
    stop = threading.Event()

    def run():
        listener.settimeout(0.2)
        held = []
        while not stop.is_set():
            try:
                connection, _ = listener.accept()
                held.append(connection)
            except socket.timeout:
                pass
            if mode == "trickle":
                for connection in held:
                    try:
                        connection.send(b"H")
                    except OSError:
                        pass
                stop.wait(1)
        for connection in held:
            connection.close()
        listener.close()

    threading.Thread(target=run, daemon=True).start()
    status = subscribe(events, f"<http://{lan.CLIENT_ADDRESS}:{listener.getsockname()[1]}/>")
    return status, stop.set


def test(net, args, checks):
    lan.run("ip", "addr", "add", f"{OTHER_ADDRESS}/24", "dev", lan.INTERFACE, ns=net.cli)
    catalogue = lan.Catalogue(net, args.tool, args.media)
    for pid in range(300, 320):
        catalogue.add(pid, "tone.mp3", f"tone {pid}.mp3")
    server = net.server([args.server, "--list", catalogue.list, "--upnp", "--http", "0", "--interface",
                         lan.INTERFACE, "--allow", f"{lan.CLIENT_ADDRESS},{OTHER_ADDRESS}"])
    media = ControlPoint().find(location=server.description)
    control = media.cds.get_control_url()
    events = media.cds.get_event_subscription_url()

    # Silent connections on the control port, from another host: the TV's Browse does not wait on them.
    for count, half_body in ((0, False), (16, True), (SILENT, False)):
        held = held_connections(control, count, half_body)
        seconds, status, _ = timed_browse(control)
        print(f"Browse with {count} silent connections held ({'half a body' if half_body else 'half a head'}): "
              f"{seconds * 1000:.1f} ms", flush=True)
        checks.expect(status == 200 and seconds < 5,
                      f"Browse with {count} silent connections: status {status} after {seconds:.2f} s")
        for s in held:
            s.close()

    # A callback on another host: 412, and that host hears nothing, not even after a change.
    stranger = Catcher(OTHER_ADDRESS)
    status = subscribe(events, f"<http://{OTHER_ADDRESS}:{stranger.port}/>")
    checks.equal(status, 412, "SUBSCRIBE naming another host's callback")
    catalogue.add(399, "tone.mp3")
    watcher = Subscriber(events)
    checks.expect(watcher.update_id(5) is not None, "a subscriber of its own hears events meanwhile")
    watcher.close()
    stranger.close()
    checks.equal(stranger.connections, 0, "connections to the host named by another's callback")

    # Callbacks that are no URL, port 0, a huge host.
    for name, callback in (("not a URL", "<not a url>"), ("port 0", f"<http://{lan.CLIENT_ADDRESS}:0/>"),
                           ("a huge host", "<http://" + "a" * 6000 + "/>"), ("no brackets", "http://x/")):
        status = subscribe(events, callback)
        checks.expect(status is not None and status >= 400, f"SUBSCRIBE with a callback that is {name}: {status}")

    # A flood of SUBSCRIBEs from one address: a handful are taken, the rest refused, the server goes on.
    listener = socket.create_server((lan.CLIENT_ADDRESS, 0))
    statuses = [subscribe(events, f"<http://{lan.CLIENT_ADDRESS}:{listener.getsockname()[1]}/>")
                for _ in range(200)]
    taken = statuses.count(200)
    print(f"SUBSCRIBE flood: {taken} of {len(statuses)} taken, the rest {sorted(set(statuses) - {200})}", flush=True)
    checks.expect(0 < taken <= 16, f"SUBSCRIBEs taken from one address: {taken}")
    listener.close()  # its subscriptions fail their events and are dropped, each within its NOTIFY's time
    started = time.monotonic()

    def room():
        probe = Subscriber(events)
        probe.close()
        return probe.sid is not None

    lan.wait_until("room for a subscriber after the flood", room, 60)
    print(f"the flood's subscribers were dropped within {time.monotonic() - started:.1f} s", flush=True)
    seconds, status, _ = timed_browse(control)
    checks.expect(status == 200 and seconds < 5, f"Browse after the SUBSCRIBE flood: {status} after {seconds:.2f} s")

    # Subscribers that accept and never answer, or answer a byte a second: others still hear events.
    stoppers = []
    for mode in ("silent", "trickle"):
        status, stop = slow_subscriber(events, mode)
        checks.equal(status, 200, f"SUBSCRIBE of a {mode} subscriber")
        stoppers.append(stop)
    catalogue.add(398, "tone.mp3")
    watcher = Subscriber(events)
    checks.expect(watcher.update_id(10) is not None, "a subscriber's events beside silent and trickling ones")
    watcher.close()
    seconds, status, _ = timed_browse(control)
    checks.expect(status == 200 and seconds < 5, f"Browse beside slow subscribers: {status} after {seconds:.2f} s")
    for stop in stoppers:
        stop()

    # An address off the allow list is refused: a server that lets only the client in, subscribed from the other.
    checks.equal(server.stop(), 0, "exit status after SIGTERM")
    shut = net.server([args.server, "--list", catalogue.list, "--upnp", "--http", "0", "--interface", lan.INTERFACE,
                       "--allow", lan.CLIENT_ADDRESS])
    shut_events = shut.description.rsplit("/upnp/", 1)[0] + "/upnp/event/ContentDirectory"
    catcher = Catcher(OTHER_ADDRESS)
    try:
        status = subscribe(shut_events, f"<http://{OTHER_ADDRESS}:{catcher.port}/>", source=OTHER_ADDRESS)
    except OSError as e:
        status = f"connection refused or closed ({e.__class__.__name__})"
    checks.expect(status != 200, f"SUBSCRIBE from an address off the allow list: {status}")
    catcher.close()
    checks.equal(catcher.connections, 0, "connections to a subscriber off the allow list")
    checks.equal(shut.stop(), 0, "exit status after SIGTERM")


if __name__ == "__main__":
    lan.main(test)
