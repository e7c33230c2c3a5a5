# The Windows console server under Wine, inside the server's namespace (Winsock's sockets are the namespace's): found
# by an independent control point, browsed, played and evented like the Linux one, and keeping events to the
# subscriber's own address. Skipped when the Windows tree is not built.
import os

import lan
import ssdp
from control_point import MEDIA_SERVER, ControlPoint, Subscriber, http_get, raw_http



def test(net, args, checks):
    exe = args.server
    if not exe.endswith(".exe") or not os.path.exists(exe):
        lan.skip(f"{exe} is not built; build the Windows tree (scripts/test.sh does)")
    scripts = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake")
    wine_run = os.path.join(scripts, "wine-run.sh")
    # The whole Wine session, its prefix included, is made in the server's namespace and goes with the LAN: a
    # prefix made in another namespace kept that one's view of the interfaces (GetAdaptersAddresses failed).
    state = os.path.join(net.temp, "wine")
    net.in_server_ns(os.path.join(scripts, "wine-setup.sh"), state, timeout=600)
    catalogue = lan.Catalogue(net, args.tool, args.media)
    catalogue.add(61, "tone.mp3")
    catalogue.add(62, "clip.avi")
    # The Windows program reads the list as Windows paths (drive Z: is the Linux root under Wine).
    server = net.server([wine_run, state, exe, "--list", "Z:" + catalogue.list.replace("/", "\\"), "--port", "0",
                         "--upnp", "--http", "0", "--interface", lan.INTERFACE], name="tarnvale-server.exe")
    try:
        cp = ControlPoint()
        media = cp.find(location=server.description, timeout=60)
        titles = {c["title"]: c["id"] for c in media.children("0")[0] if c["kind"] == "container"}
        checks.expect({"Video", "Music", "All programs"} <= set(titles), f"root containers: {sorted(titles)}")
        music, total = media.children(titles.get("Music", "music"))
        checks.equal(([m["id"] for m in music], total), (["61"], 1), "the Music container")
        if music:
            status, _, body = http_get(music[0]["res"][0]["uri"])
            with open(catalogue.programs[61], "rb") as f:
                checks.expect(status == 200 and body == f.read(), f"playing program 61: {status}, {len(body)} bytes")
        seconds, _ = ssdp.msearch(MEDIA_SERVER, 2, server.description, tries=3)
        checks.expect(seconds is not None and seconds <= 2, f"M-SEARCH with MX 2 answered in {seconds}")
        events = media.cds.get_event_subscription_url()
        subscriber = Subscriber(events)
        checks.expect(subscriber.sid is not None, f"SUBSCRIBE answered {subscriber.status}")
        checks.expect(subscriber.update_id(10) is not None, "the initial event")
        subscriber.close()
        status, _, _ = raw_http(events, b"SUBSCRIBE {path} HTTP/1.1\r\nHOST: {host}\r\nCALLBACK: <http://192.0.2.9:5/>"
                                b"\r\nNT: upnp:event\r\nCONNECTION: close\r\n\r\n")
        checks.equal(status, 412, "SUBSCRIBE naming another host's callback")
        print(f"the Windows console server was found, browsed, played and evented; M-SEARCH answered in "
              f"{seconds * 1000:.0f} ms (MX 2)" if seconds is not None else "M-SEARCH unanswered", flush=True)
    finally:
        net.in_server_ns(wine_run, state, "taskkill", "/F", "/IM", "tarnvale-server.exe", check=False, timeout=60)
        server.process.wait(30)
        net.in_server_ns(os.path.join(scripts, "wine-teardown.sh"), state, check=False, timeout=120)


if __name__ == "__main__":
    lan.main(test)
