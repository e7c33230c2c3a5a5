# A LAN full of broken and hostile SSDP: thousands of datagrams in a few seconds (noise, huge headers, absurd MX,
# forged announcements) while a TV keeps searching; the server answers every search within its MX, and its
# resident memory stays flat.
import errno
import random

import lan
import ssdp
from control_point import MEDIA_SERVER, ControlPoint

FLOOD = 5000
ROUNDS = 10  # a TV's M-SEARCH after every FLOOD / ROUNDS hostile datagrams
MX = 2


def hostile(rng, usn):
    """One hostile datagram, of a kind picked in turn."""
    kinds = [
        lambda: rng.randbytes(rng.randint(1, 1472)),
        lambda: ssdp.msearch_request("ssdp:all", 1).replace(b"\r\n\r\n", b"\r\nX-HUGE: " + b"A" * 60000 + b"\r\n\r\n"),
        lambda: ssdp.msearch_request("ssdp:all", rng.choice(["99999999999999999999", "-1", "abc", "0", "", "1e9",
                                                             "120", "4294967296"])),
        lambda: ssdp.msearch_request("urn:" + "x" * rng.randint(1000, 8000), 1),
        lambda: ssdp.msearch_request(MEDIA_SERVER, 1).replace(b'"ssdp:discover"', b"ssdp:discover\xff\xfe"),
        lambda: (f"NOTIFY * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nNT: upnp:rootdevice\r\nNTS: ssdp:alive\r\n"
                 f"USN: uuid:{rng.getrandbits(64):x}::upnp:rootdevice\r\nCACHE-CONTROL: max-age=99999999\r\n"
                 f"LOCATION: http://{lan.CLIENT_ADDRESS}:9/{'d' * rng.randint(1, 4000)}.xml\r\n\r\n").encode(),
        lambda: (f"NOTIFY * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nNT: upnp:rootdevice\r\nNTS: ssdp:byebye\r\n"
                 f"USN: {usn}::upnp:rootdevice\r\n\r\n").encode(),
        lambda: b"M-SEARCH * HTTP/1.1\r\n" + b"".join(b"H%d:%d\r\n" % (i, i) for i in range(rng.randint(1, 3000)))
        + b"\r\n",
        lambda: b"M-SEARCH * HTTP/1.1\r\nST\r\nMX\r\n:::\r\n\r\n\r\n" + rng.randbytes(rng.randint(0, 200)),
        lambda: b"HTTP/1.1 200 OK\r\nST: upnp:rootdevice\r\nLOCATION: http://[::1\r\n\r\n",
    ]
    return kinds[rng.randrange(len(kinds))]()


def test(net, args, checks):
    catalogue = lan.Catalogue(net, args.tool, args.media)
    catalogue.add(51, "tone.mp3")
    server = net.server([args.server, "--list", catalogue.list, "--upnp", "--http", "0", "--interface",
                         lan.INTERFACE])
    ControlPoint().find(location=server.description)  # the server is on the LAN: searches from now on must be answered
    # Each search from a socket of its own, so that a late copy of an earlier answer cannot pass for this one's.
    seconds, first = ssdp.msearch(MEDIA_SERVER, MX, server.description)
    if not checks.expect(seconds is not None, f"no answer to an M-SEARCH with MX {MX}"):
        return
    print(f"M-SEARCH answered in {seconds * 1000:.0f} ms (MX {MX})", flush=True)
    max_age = int(first.get("cache-control", "max-age=0").partition("=")[2] or 0)
    checks.expect(60 <= max_age <= 1800, f"CACHE-CONTROL of the answer: {first.get('cache-control')!r}")
    usn = first.get("usn", "").partition("::")[0]
    checks.expect(usn.startswith("uuid:"), f"USN of the answer: {first.get('usn')!r}")

    rng = random.Random(20261208)
    noise = ssdp.open_socket()
    targets = [ssdp.GROUP, (lan.SERVER_ADDRESS, 1900)]
    resident = []
    for flood in range(2):  # the first warms up what the server keeps anyway; the second must add nothing
        for round_ in range(ROUNDS):
            for n in range(FLOOD // ROUNDS):
                try:
                    noise.sendto(hostile(rng, usn), targets[n % 2])
                except OSError as e:  # a full send buffer drops a datagram, as the LAN would
                    if e.errno not in (errno.EAGAIN, errno.ENOBUFS):
                        raise
            seconds, _ = ssdp.msearch(MEDIA_SERVER, MX, server.description, tries=3)
            checks.expect(seconds is not None and seconds <= MX,
                          f"flood {flood + 1}, after {(round_ + 1) * FLOOD // ROUNDS} datagrams: M-SEARCH "
                          f"{'not answered in 3 tries' if seconds is None else f'answered in {seconds:.2f} s'}")
            if not server.alive():
                checks.expect(False, "the server ended under the flood")
                return
        resident.append(server.rss_kib())
        print(f"after {FLOOD * (flood + 1)} hostile datagrams: VmRSS {resident[-1]} KiB, "
              f"{ssdp.receive_drops(net)} dropped by the kernel for a full socket buffer", flush=True)
    checks.expect(resident[1] - resident[0] <= 1024,
                  f"resident memory grew by {resident[1] - resident[0]} KiB over the second {FLOOD} datagrams")
    checks.equal(server.stop(), 0, "exit status after SIGTERM")


if __name__ == "__main__":
    lan.main(test)
