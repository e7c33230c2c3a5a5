# What a TV that stays on sees over time: the catalogue changing under it (evented), the server leaving (goodbye)
# and coming back as the same device, and a second server on the machine as another one.
import signal
import time

import lan
from control_point import ControlPoint, Subscriber

EVENT_WAIT = 5  # seconds: a change is to reach subscribers within a second or two
GOODBYE_WAIT = 5  # seconds: far below any max-age, so only a goodbye can make the device go this fast


def root_titles(media):
    children, _ = media.children("0")
    return {c["title"]: c["id"] for c in children if c["kind"] == "container"}


def test(net, args, checks):
    catalogue = lan.Catalogue(net, args.tool, args.media)
    catalogue.add(21, "mpeg1-system.mpg")

    def start(c):
        return net.server([args.server, "--list", c.list, "--port", "0", "--upnp", "--http", "0", "--interface",
                           lan.INTERFACE, "--verbose"])

    first = start(catalogue)
    cp = ControlPoint()
    media = cp.find(location=first.description)
    titles = root_titles(media)
    checks.expect("Video" in titles and "Music" not in titles, f"root with only a video program: {sorted(titles)}")
    bookmark = media.metadata("21")

    # Eventing: the initial event, then one after the catalogue tool adds a program, and the browse that follows.
    subscriber = Subscriber(media.cds.get_event_subscription_url())
    checks.expect(subscriber.sid is not None, f"SUBSCRIBE answered {subscriber.status} {subscriber.headers}")
    initial = subscriber.update_id(EVENT_WAIT)
    checks.expect(initial is not None and initial == media.system_update_id(),
                  f"the initial SystemUpdateID event ({initial}) against GetSystemUpdateID")
    started = time.monotonic()
    catalogue.add(22, "tone.mp3")
    evented = subscriber.update_id(EVENT_WAIT, above=initial or 0)
    if checks.expect(evented is not None, f"no SystemUpdateID event above {initial} within {EVENT_WAIT} s of an add"):
        print(f"the change was evented {time.monotonic() - started:.2f} s after `tarnvale add` started", flush=True)
    subscriber.close()
    checks.expect(media.system_update_id() >= (evented or 0), "GetSystemUpdateID is behind what was evented")
    titles = root_titles(media)
    if checks.expect("Music" in titles, f"no Music container after adding an MP3 program: {sorted(titles)}"):
        music, total = media.children(titles["Music"])
        checks.equal(([m["id"] for m in music], total), (["22"], 1), "the Music container after the reload")
    again = media.metadata("21")
    checks.equal((again["title"], again["res"][0]["uri"]), (bookmark["title"], bookmark["res"][0]["uri"]),
                 "a bookmarked program after the reload")

    # Goodbye: the control point drops the device at once, and the server stops cleanly.
    udn = media.udn
    started = time.monotonic()
    checks.equal(first.stop(), 0, "exit status after SIGTERM")
    cp.wait_gone(udn, GOODBYE_WAIT)
    print(f"the control point dropped the device {time.monotonic() - started:.2f} s after SIGTERM", flush=True)

    # The same list file is the same device; another list file on the same machine, at the same time, another.
    second = start(catalogue)
    checks.equal(cp.find(location=second.description).udn, udn, "UDN after a restart with the same list file")
    other = lan.Catalogue(net, args.tool, args.media, name="other")
    other.add(31, "tone.mp3")
    third = start(other)
    stranger = cp.find(location=third.description)
    checks.expect(stranger.udn != udn, f"a server with another list file has the same UDN {udn}")
    checks.expect(udn in cp.available, "the first server vanished when a second one started beside it")
    checks.equal(third.stop(signal.SIGINT), 0, "exit status after Ctrl+C")
    cp.wait_gone(stranger.udn, GOODBYE_WAIT)
    checks.expect(udn in cp.available, "the first server vanished with the second one's goodbye")
    checks.equal(second.stop(), 0, "exit status after SIGTERM")


if __name__ == "__main__":
    lan.main(test)
