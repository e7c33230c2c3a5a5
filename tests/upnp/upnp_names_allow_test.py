# Names as users and disks give them (markup, quotes, bytes that are not UTF-8) reach a TV as well-formed documents,
# and the allow list keeps the description, control and events from addresses it does not name.
import os

import lan
from control_point import ControlPoint, Subscriber, browse_body, http_get, raw_http, soap_request

UPNP_PORT = "49321"  # fixed, so that the refused run's URLs are the allowed run's
NAME = "<Tom & \"Jerry's\"> </friendlyName>]]>"

# PID, media file, the name it is stored under, the title a TV must show (None: the name is not UTF-8, so the title
# is whatever readable text the server makes of it, as long as the document stays well formed).
FILES = [
    (41, "tone.mp3", "a<b>&c \"d\" 'e'.mp3", "a<b>&c \"d\" 'e'.mp3"),
    (42, "tone.mp3", b"caf\xe9 \xff\xfe.mp3", None),
    (43, "clip.avi", "]]> --> <!-- &amp;.avi", "]]> --> <!-- &amp;.avi"),
    (44, "mpeg1-system.mpg", "Zürich – 東京.mpg", "Zürich – 東京.mpg"),
]


def refused(status, body):
    """An address outside the list gets nothing of the service: no answer, or an error without content."""
    leaks = (b"DIDL", b"deviceType", b"<item", b"/programs/", b"<service>")
    return (status is None or status >= 400) and not any(leak in body for leak in leaks)


def test(net, args, checks):
    catalogue = lan.Catalogue(net, args.tool, args.media)
    for pid, fixture, name, _ in FILES:
        catalogue.add(pid, fixture, name)

    def start(*extra):
        return net.server([args.server, "--list", catalogue.list, "--upnp", "--http", "0", "--interface",
                           lan.INTERFACE, "--upnp-port", UPNP_PORT, *extra])

    # Markup in the friendly name and the file names; the client's own address on the allow list.
    allowed = start("--name", NAME, "--allow", f"{lan.CLIENT_ADDRESS},127.0.0.1")
    cp = ControlPoint()
    media = cp.find(location=allowed.description)
    checks.equal(media.device.get_friendly_name(), NAME, "friendly name with markup")
    for pid, _, name, title in FILES:
        item = media.metadata(str(pid))
        if title is None:
            checks.expect("caf" in item["title"] and item["title"].endswith(".mp3"),
                          f"title of the file named {name!r}: {item['title']!r}")
        else:
            checks.equal(item["title"], title, f"title of program {pid}")
        # The file's own res (an AVI or MPEG file may stand beside a converted stream of it).
        own = [r for r in item["res"] if r["uri"].endswith(f"/programs/{pid}")]
        if not checks.expect(own, f"program {pid} has no res of its file: {item['res']}"):
            continue
        status, _, body = http_get(own[0]["uri"])
        with open(catalogue.programs[pid], "rb") as f:
            checks.expect(status == 200 and body == f.read(), f"playing program {pid}: {status}, {len(body)} bytes")
    control = media.cds.get_control_url()
    events = media.cds.get_event_subscription_url()
    checks.equal(allowed.stop(), 0, "exit status after SIGTERM")
    cp.wait_gone(media.udn, 5)

    # The client is not on the list: description, control and events all keep their content to themselves.
    shut = start("--allow", f"{lan.SERVER_ADDRESS},127.0.0.1")
    status, _, body = raw_http(shut.description, b"GET {path} HTTP/1.1\r\nHOST: {host}\r\nCONNECTION: close\r\n\r\n")
    checks.expect(refused(status, body), f"description to an address off the list: {status} {body[:200]!r}")
    status, _, body = raw_http(control, soap_request("Browse", browse_body()))
    checks.expect(refused(status, body), f"Browse from an address off the list: {status} {body[:200]!r}")
    # The library tells the server nothing of a subscriber's address, so events cannot be kept from addresses off
    # the list; what must hold is that they carry counters only, never a program or a name.
    stranger = Subscriber(events)
    if stranger.sid is not None:
        _, event = stranger.next_event(5)
        print(f"known gap: an address off the list may subscribe ({stranger.sid}); its first event: {event!r}",
              flush=True)
        checks.expect(event is not None and b"SystemUpdateID" in event and
                      not any(leak in event for leak in (b"DIDL", b"/programs/", b"tone", b".mp3")),
                      f"the first event to an address off the list: {event!r}")
    stranger.close()
    checks.equal(shut.stop(), 0, "exit status after SIGTERM")

    # A friendly name that is not UTF-8 (a locale's bytes) still makes a description a control point can read.
    latin = start("--name", os.fsdecode(b"Caf\xe9 \xff"))
    found = cp.find(location=latin.description)
    checks.expect(found.device.get_friendly_name().startswith("Caf"),
                  f"friendly name from bytes that are not UTF-8: {found.device.get_friendly_name()!r}")
    checks.expect(media.udn == found.udn, "the UDN changed with the name")
    checks.equal(latin.stop(), 0, "exit status after SIGTERM")


if __name__ == "__main__":
    lan.main(test)
