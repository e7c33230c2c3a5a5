#!/usr/bin/python3 -B
# The UPnP side against a peer media server (Debian's minidlna), side by side in one run, in the tests' namespace
# LAN: a control point browses all of PROGRAMS MP3 programs in pages of 200, and times M-SEARCH answers; then the
# server's resident memory with none, PROGRAMS and LARGE programs, and how long a Browse waits beside connections
# that another host holds silent half way (0, 16 and 64 of them by default). Needs root (it makes network
# namespaces).
# Usage: bench/upnp_bench.py [--programs N] [--large N] [--silent N,N...] [--no-peer] [--server PATH] [--tool PATH]
import argparse
import os
import shutil
import socket
import statistics
import subprocess
import sys
import time
import urllib.parse

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "upnp"))
import lan  # noqa: E402
import ssdp  # noqa: E402
from control_point import MEDIA_SERVER, ControlPoint, browse_body, raw_http, soap_request  # noqa: E402

PAGE = 200
SEARCHES = 20
MX = 1
LINKS_PER_COPY = 50000
SILENT_WAIT = 120
OTHER_ADDRESS = "192.0.2.3"  # the host that holds the silent connections, beside the TV


def make_folder(base, count, media):
    """COUNT hard links of one small valid MP3 file: each is a file of its own to both servers' scans."""
    folder = os.path.join(base, f"music-{count}")
    os.makedirs(folder)
    for n in range(count):
        if n % LINKS_PER_COPY == 0:  # a file system allows only so many links to one file
            source = os.path.join(base, f"seed-{count}-{n}.mp3")
            shutil.copyfile(os.path.join(media, "tone.mp3"), source)
        os.link(source, os.path.join(folder, f"track {n:06d}.mp3"))
    return folder


def catalogue_of(tool, base, folder, name):
    catalogue = os.path.join(base, f"{name}.lst")
    subprocess.run([tool, "--list", catalogue, "search", folder], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=1800)
    return catalogue


def children(media, object_id):
    """Every child of a container as a TV asks for them, a page of 200 at a time, each page's DIDL-Lite parsed."""
    return media.children(object_id, PAGE)


def container_of_all(media, count):
    """The first container, breadth first from the root, that holds COUNT items: the list a TV user scrolls."""
    pending = ["0"]
    while pending:
        for child in children(media, pending.pop(0))[0]:
            if child["kind"] == "container":
                if child["childCount"] == count:
                    return child["id"]
                pending.append(child["id"])
    raise lan.Failure(f"no container holds all {count} programs")


def browse_all(media, container, count):
    start = time.monotonic()
    items, total = children(media, container)
    seconds = time.monotonic() - start
    if len(items) != count or total != count:
        raise lan.Failure(f"browsed {len(items)} of {total} programs, expected {count}")
    return seconds


def msearch_times(location):
    times = []
    for _ in range(SEARCHES):
        seconds, _ = ssdp.msearch(MEDIA_SERVER, MX, location)
        if seconds is None:
            raise lan.Failure(f"an M-SEARCH with MX {MX} was not answered")
        times.append(seconds * 1000)
    return times


def measure(name, media, location, count, rss):
    container = container_of_all(media, count)
    browse = browse_all(media, container, count)
    searches = msearch_times(location)
    print(f"{name:16} browse {count} in pages of {PAGE}: {browse:6.2f} s ({count / browse:7.0f} programs/s); "
          f"M-SEARCH (MX {MX}) answered in median {statistics.median(searches):4.0f} ms, max {max(searches):4.0f} ms;"
          f" VmRSS {rss()} KiB", flush=True)
    return browse


def browse_beside_silent(media, count):
    """How long a TV's Browse waits while COUNT connections to the control port have sent half a request and
    nothing since (a slow or hostile client on another host of the LAN)."""
    control = media.cds.get_control_url()
    parts = urllib.parse.urlsplit(control)
    request = soap_request("Browse", browse_body()).replace(b"{path}", parts.path.encode()).replace(
        b"{host}", parts.netloc.encode())
    held = [socket.create_connection((parts.hostname, parts.port), timeout=5, source_address=(OTHER_ADDRESS, 0))
            for _ in range(count)]
    try:
        for connection in held:
            connection.sendall(request[: len(request) // 2])
        start = time.monotonic()
        try:
            status, _, _ = raw_http(control, soap_request("Browse", browse_body()), timeout=SILENT_WAIT)
        except OSError:
            status = None
        return status, time.monotonic() - start
    finally:
        for connection in held:
            connection.close()


def run_minidlna(net, folder, count):
    conf = os.path.join(net.temp, "minidlna.conf")
    with open(conf, "w") as f:
        f.write(f"media_dir=A,{folder}\ndb_dir={net.temp}/minidlna-db\nlog_dir={net.temp}/minidlna-log\n"
                f"network_interface={lan.INTERFACE}\nport=8200\nfriendly_name=peer\ninotify=no\n")
    peer = net.server(["minidlnad", "-f", conf, "-d", "-P", os.path.join(net.temp, "minidlna.pid")],
                      expect_start=False)
    media = ControlPoint().find(location=f"http://{lan.SERVER_ADDRESS}:8200/rootDesc.xml", timeout=60)
    start = time.monotonic()
    # Its scan fills its database for a minute or so; measure once every file is in.
    while not _scanned(media, count):
        if time.monotonic() - start > 900:
            raise lan.Failure(f"minidlna did not scan {count} files in 15 minutes")
        time.sleep(2)
    print(f"minidlna scanned {count} files in about {time.monotonic() - start:.0f} s", flush=True)
    seconds = measure("minidlna", media, media.device.get_location(), count, peer.rss_kib)
    peer.stop()
    return seconds


def _scanned(media, count):
    try:
        container_of_all(media, count)
        return True
    except lan.Failure:
        return False


def run_tarnvale(net, server, catalogue, count, cp, silent=()):
    process = net.server([server, "--list", catalogue, "--upnp", "--http", "0", "--interface", lan.INTERFACE])
    media = cp.find(location=process.description, timeout=60)
    seconds = measure("tarnvale-server", media, process.description, count, process.rss_kib) if count else None
    for held in silent if count else ():
        times = []
        for _ in range(5):
            status, waited = browse_beside_silent(media, held)
            times.append(waited if status == 200 else float("inf"))
        print(f"tarnvale-server  a Browse beside {held:2} silent connections: median {statistics.median(times) * 1000:.1f}"
              f" ms, max {max(times) * 1000:.1f} ms (5 tries)", flush=True)
    rss = process.rss_kib()
    udn = media.udn
    process.stop()
    cp.wait_gone(udn, 10)
    return seconds, rss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--programs", type=int, default=10000)
    parser.add_argument("--large", type=int, default=100000)
    parser.add_argument("--server", default=os.path.join(root, "build", "native", "bin", "tarnvale-server"))
    parser.add_argument("--tool", default=os.path.join(root, "build", "native", "bin", "tarnvale"))
    parser.add_argument("--no-peer", action="store_true", help="leave minidlna out")
    parser.add_argument("--silent", default="0,16,64", help="silent connections held beside a Browse, per run")
    args = parser.parse_args()
    media = os.path.join(root, "tests", "data", "media")
    print(f"load average before: {os.getloadavg()[0]:.2f} on {os.cpu_count()} cores", flush=True)
    with lan.Lan() as net:
        lan.run("ip", "addr", "add", f"{OTHER_ADDRESS}/24", "dev", lan.INTERFACE, ns=net.cli)
        small = make_folder(net.temp, args.programs, media)
        large = make_folder(net.temp, args.large, media)
        nothing = os.path.join(net.temp, "nothing")
        os.makedirs(nothing)
        lists = {0: catalogue_of(args.tool, net.temp, nothing, "empty"),
                 args.programs: catalogue_of(args.tool, net.temp, small, "small"),
                 args.large: catalogue_of(args.tool, net.temp, large, "large")}
        peer = None if args.no_peer else run_minidlna(net, small, args.programs)
        cp = ControlPoint()
        ours, _ = run_tarnvale(net, args.server, lists[args.programs], args.programs, cp,
                               [int(n) for n in args.silent.split(",") if n])
        if peer:
            print(f"browsing {args.programs}: tarnvale-server {ours:.2f} s, minidlna {peer:.2f} s "
                  f"({peer / ours:.1f} times as long)", flush=True)
        resident = {count: run_tarnvale(net, args.server, path, 0, cp)[1] for count, path in lists.items()}
        for count, kib in sorted(resident.items()):
            print(f"tarnvale-server VmRSS with {count:6} programs: {kib:7} KiB; list file "
                  f"{os.path.getsize(lists[count])} bytes", flush=True)
        small_growth = resident[args.programs] - resident[0]
        large_growth = resident[args.large] - resident[0]
        print(f"memory per program: {small_growth * 1024 / args.programs:.0f} bytes at {args.programs}, "
              f"{large_growth * 1024 / args.large:.0f} bytes at {args.large}", flush=True)
    print(f"load average after: {os.getloadavg()[0]:.2f}", flush=True)


if __name__ == "__main__":
    main()
