# Control requests no TV should send but a LAN will: each gets a plain refusal or the right fault, and the server
# goes on answering a TV's Browse after every one of them.
import re
import xml.etree.ElementTree as ET

import lan
from control_point import ControlPoint, browse_body, browse_response, raw_http, soap_post, soap_request

MAX = b"4294967295"
SEARCH_REST = b"<Filter>*</Filter><StartingIndex>0</StartingIndex><RequestedCount>0</RequestedCount><SortCriteria/>"
TONES = 30


def fault(code):
    return ("fault", code)


REFUSED = ("refused", None)  # an error status, a fault of any code, or the connection closed without an answer


def page(returned, total):
    return ("page", (returned, total))


def cases(music):
    """Name, request, what must come back. MUSIC is the container holding the TONES programs."""
    m = music.encode()
    nested = b"<a>" * 100000 + b"</a>" * 100000
    laughs = (b'<?xml version="1.0"?><!DOCTYPE s [<!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">'
              + b"".join(b'<!ENTITY %c "&%c;&%c;&%c;&%c;&%c;&%c;&%c;&%c;&%c;&%c;">' % ((c,) + (c - 1,) * 10)
                         for c in range(ord("b"), ord("k")))
              + b']><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body><u:Browse xmlns:u='
              b'"urn:schemas-upnp-org:service:ContentDirectory:1"><ObjectID>&j;</ObjectID></u:Browse></s:Body>'
              b"</s:Envelope>")
    action = '"urn:schemas-upnp-org:service:ContentDirectory:1#Browse"'
    full = soap_request("Browse", browse_body(m))
    return [
        ("unknown object", soap_request("Browse", browse_body(b"no-such-object")), fault(701)),
        ("unknown PID", soap_request("Browse", browse_body(b"999999")), fault(701)),
        ("metadata of an unknown PID", soap_request("Browse", browse_body(b"999999", b"BrowseMetadata")), fault(701)),
        ("bad BrowseFlag", soap_request("Browse", browse_body(flag=b"BrowseSideways")), fault(402)),
        ("missing arguments", soap_request("Browse", b"<ObjectID>0</ObjectID>"), fault(402)),
        ("StartingIndex not a number", soap_request("Browse", browse_body(start=b"-1x")), fault(402)),
        ("an id past any PID", soap_request("Browse", browse_body(b"99999999999999999999999")), fault(701)),
        ("an empty id", soap_request("Browse", browse_body(b"")), fault(701)),
        ("RequestedCount -1", soap_request("Browse", browse_body(m, count=b"-1")), fault(402)),
        ("RequestedCount 4294967296", soap_request("Browse", browse_body(m, count=b"4294967296")), fault(402)),
        ("unknown action", soap_request("Frobnicate", b"<ObjectID>0</ObjectID>"), fault(401)),
        ("a search of 50,000 parentheses", soap_request("Search", b"<ContainerID>0</ContainerID><SearchCriteria>" +
                                                        b"(" * 50000 + b"</SearchCriteria>" + SEARCH_REST), REFUSED),
        ("a sort of 10,000 bytes", soap_request("Browse", browse_body(m, count=b"3").replace(
            b"<SortCriteria></SortCriteria>", b"<SortCriteria>+dc:title," + b"x" * 10000 + b"</SortCriteria>")),
         page(3, TONES)),
        ("not XML", soap_post(b"\x00\xff\xfe<<<>>>&&&" * 20, action), REFUSED),
        ("malformed SOAP", soap_post(b"<s:Envelope><s:Body><u:Browse><ObjectID>0</Obj", action), REFUSED),
        ("truncated SOAP", full[: len(full) - 120], REFUSED),
        ("a body longer than its length", soap_request("Browse", browse_body(m), length=40), REFUSED),
        ("a megabyte of body", soap_request("Browse", browse_body(b"A" * (1 << 20))), REFUSED),
        ("deeply nested XML", soap_request("Browse", b"<ObjectID>" + nested + b"</ObjectID>"), REFUSED),
        ("entity expansion", soap_post(laughs, action), REFUSED),
        ("StartingIndex past the end", soap_request("Browse", browse_body(m, start=b"1000", count=b"10")),
         page(0, TONES)),
        ("StartingIndex and RequestedCount at the top", soap_request("Browse", browse_body(m, start=MAX, count=MAX)),
         page(0, TONES)),
        ("RequestedCount 4294967295", soap_request("Browse", browse_body(m, start=b"5", count=MAX)),
         page(TONES - 5, TONES)),
    ]


def answer_of(status, body):
    """What the server's answer amounts to, in the terms of the table."""
    if status is None or (status >= 400 and b"<errorCode>" not in body):
        return REFUSED
    if b"<errorCode>" in body:
        return fault(int(re.search(rb"<errorCode>\s*(\d+)", body).group(1)))
    if status != 200:
        return ("status", status)
    objects, total = browse_response(body)
    return page(len(objects), total)


def test(net, args, checks):
    catalogue = lan.Catalogue(net, args.tool, args.media)
    for pid in range(200, 200 + TONES):
        catalogue.add(pid, "tone.mp3", f"tone {pid}.mp3")
    server = net.server([args.server, "--list", catalogue.list, "--upnp", "--http", "0", "--interface",
                         lan.INTERFACE])
    media = ControlPoint().find(location=server.description)
    music = next((c["id"] for c in media.children("0")[0] if c["title"] == "Music"), None)
    if not checks.expect(music is not None, "the root has no Music container"):
        return
    control = media.cds.get_control_url()
    rss = server.rss_kib()
    for name, request, expected in cases(music):
        try:
            status, _, body = raw_http(control, request)
            got = answer_of(status, body)
        except (OSError, ET.ParseError, lan.Failure) as e:
            got = ("error", str(e))
        print(f"{name}: {got}", flush=True)
        checks.expect(got == expected or (expected == REFUSED and got[0] == "fault"),
                      f"{name}: expected {expected}, got {got}")
        checks.expect(server.alive(), f"the server ended after: {name}")
        if not server.alive():
            return
        children, total = media.children(music, 10)
        checks.equal((len(children), total), (TONES, TONES), f"a TV's Browse after: {name}")
    grown = server.rss_kib() - rss
    print(f"resident memory grew by {grown} KiB over the hostile requests", flush=True)
    checks.expect(grown < 16 * 1024, f"resident memory grew by {grown} KiB over the hostile requests")
    checks.equal(server.stop(), 0, "exit status after SIGTERM")


if __name__ == "__main__":
    lan.main(test)
