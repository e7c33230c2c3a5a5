# The server as a TV meets it: found on the LAN, browsed through every container to every program, and played
# from the res URL it hands out, with the answers a TV's parser and renderer rely on.
import os

import lan
from control_point import (CONNECTION_MANAGER, MEDIA_SERVER, ControlPoint, Fault, gssdp_discover, http_get, parse_didl,
                           walk)

VIDEO = "object.item.videoItem"
MUSIC = "object.item.audioItem.musicTrack"
REGISTRAR = "urn:microsoft.com:service:X_MS_MediaReceiverRegistrar:1"
PAGE = 7  # smaller than most containers, so every container is read in several pages

# PID, media file, upnp:class, MIME type, DLNA profile (None: the file is no profile's).
PROGRAMS = [
    (10, ("mpeg1video", 352, 288, 25), VIDEO, "video/mpeg", "MPEG1"),
    (11, "mpeg1-system.mpg", VIDEO, "video/mpeg", None),  # 96x64: no profile's frame size
    (12, "mpeg2-program.mpg", VIDEO, "video/mpeg", None),
    (13, ("mpeg2video", 720, 576, 25), VIDEO, "video/mpeg", "MPEG_PS_PAL"),
    (14, ("mpeg2video", 720, 480, "30000/1001"), VIDEO, "video/mpeg", "MPEG_PS_NTSC"),
    (15, "clip.avi", VIDEO, "video/x-msvideo", None),
    (16, "tone.mp3", MUSIC, "audio/mpeg", "MP3"),
]
EXTRA_TONES = range(100, 118)  # enough music for several pages
PICTURED = (11, 12, 15)  # videos whose pictures a TV is shown
CAPTIONED = 12


def jpeg_size(data):
    """The (width, height) of a baseline or progressive JPEG, from its frame header; None when there is none."""
    at = 2
    while at + 9 < len(data) and data[at] == 0xFF:
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            return int.from_bytes(data[at + 7:at + 9], "big"), int.from_bytes(data[at + 5:at + 7], "big")
        at += 2 + length
    return None


def test(net, args, checks):
    catalogue = lan.Catalogue(net, args.tool, args.media)
    for pid, fixture, *_ in PROGRAMS:
        if isinstance(fixture, tuple):
            fixture = lan.make_mpeg(net.temp, *fixture)
        catalogue.add(pid, fixture)
    # Subtitles beside one video, in the legacy Windows encoding.
    with open(os.path.splitext(catalogue.programs[CAPTIONED])[0] + b".srt", "wb") as srt:
        srt.write("1\r\n00:00:00,100 --> 00:00:00,900\r\nCaf\u00e9\r\n".encode("cp1252"))
    for pid in EXTRA_TONES:
        catalogue.add(pid, "tone.mp3", f"tone {pid}.mp3", folder=f"album {pid % 3}")
    expected = {pid: row for pid, *row in PROGRAMS}
    expected.update({pid: (None, MUSIC, "audio/mpeg", "MP3") for pid in EXTRA_TONES})

    server = net.server([args.server, "--list", catalogue.list, "--upnp", "--http", "0", "--interface",
                         lan.INTERFACE, "--name", "Living room", "--pictures", os.path.join(net.temp, "pictures")])
    checks.equal(server.interface, lan.INTERFACE, "the interface named at start-up")
    checks.equal(server.address, lan.SERVER_ADDRESS, "the address named at start-up")

    # Discovery: GSSDP's own tool and GUPnP's control point both find the device where the server said it is.
    checks.expect(server.description in gssdp_discover(MEDIA_SERVER), "gssdp-discover does not see the server")
    cp = ControlPoint()
    media = cp.find(location=server.description)
    device = media.device
    checks.equal(device.get_friendly_name(), "Living room", "friendly name")
    checks.equal(device.get_device_type(), MEDIA_SERVER, "device type")
    checks.expect(device.get_service(REGISTRAR) is not None, "no X_MS_MediaReceiverRegistrar service")
    checks.expect(media.udn.startswith("uuid:"), f"UDN {media.udn} is not a uuid")

    # Browsing: every container to every program, in pages, with counts that agree everywhere.
    root = media.metadata("0")
    checks.equal((root["kind"], root["parent"]), ("container", "-1"), "the root's kind and parent")
    containers, items = walk(media, PAGE)
    checks.equal(root["childCount"], containers["0"]["total"], "the root's childCount against its TotalMatches")
    for cid, listing in containers.items():
        checks.equal(len(listing["children"]), listing["total"], f"children of {cid} against TotalMatches")
        for child in listing["children"]:
            checks.equal(child["parent"], cid, f"parentID of {child['id']}")
            if child["kind"] == "container":
                checks.equal(child["childCount"], containers[child["id"]]["total"],
                             f"childCount of container {child['id']}")
                alone = media.metadata(child["id"])
                checks.equal((alone["title"], alone["childCount"], alone["parent"]),
                             (child["title"], child["childCount"], cid), f"BrowseMetadata of container {child['id']}")
    titles = {c["title"]: c["id"] for c in containers["0"]["children"] if c["kind"] == "container"}
    for title, pids in (("Video", {p for p, r in expected.items() if r[1] == VIDEO}),
                        ("Music", {p for p, r in expected.items() if r[1] == MUSIC})):
        if checks.expect(title in titles, f"the root has no {title} container: {sorted(titles)}"):
            inside = {c["id"] for c in containers[titles[title]]["children"] if c["kind"] == "item"}
            checks.equal(inside, {str(p) for p in pids}, f"the programs in {title}")
    checks.equal(set(items), {str(p) for p in expected}, "the programs reached from the root")

    # Items: titled with the file name only, one res on the HTTP side's address, the DLNA fields a renderer reads.
    for pid, (fixture, upnp_class, mime, profile) in sorted(expected.items()):
        item = items.get(str(pid))
        if not checks.expect(item is not None, f"program {pid} is not reachable"):
            continue
        path = catalogue.programs[pid]
        checks.equal(item["title"], os.path.basename(path).decode(), f"title of {pid}")
        checks.equal(item["class"], upnp_class, f"upnp:class of {pid}")
        # The program's own res first, but for an AVI, which TVs cannot be counted on to play: its converted
        # stream leads there. Beside them only its picture's and its subtitles'.
        if not checks.expect(item["res"], f"program {pid} has no res"):
            continue
        converted = [r for r in item["res"] if r["uri"].endswith(".ts") and "/converted/" in r["uri"]]
        if mime.startswith("video/"):
            checks.expect(len(converted) == 1 and converted[0]["profile"] == "AVC_TS_MP_SD_AAC_MULT5_ISO" and
                          converted[0]["mime"] == "video/mpeg", f"the converted res of {pid}: {converted}")
            checks.expect(item["res"].index(converted[0]) == (0 if mime == "video/x-msvideo" else 1) if converted else False,
                          f"the converted res of {pid} stands where TVs take it")
        else:
            checks.expect(not converted, f"audio program {pid} offers a converted stream")
        res = [r for r in item["res"] if r not in converted][0]
        extras = [(r["mime"], r["profile"]) for r in item["res"] if r is not res and r not in converted]
        allowed = {("image/jpeg", "JPEG_TN"), ("text/srt", None)}
        checks.expect(set(extras) <= allowed and len(extras) == len(set(extras)),
                      f"the other res elements of {pid}: {extras}")
        checks.expect(res["uri"].startswith(f"http://{lan.SERVER_ADDRESS}:") and
                      res["uri"].endswith(f"/programs/{pid}"), f"res URL of {pid}: {res['uri']}")
        checks.equal(res["size"], os.path.getsize(path), f"res size of {pid}")
        checks.equal((res["protocol"], res["network"], res["mime"], res["profile"]),
                     ("http-get", "*", mime, profile), f"protocolInfo of {pid}")
        checks.expect(res["operation"] == res["operation"].RANGE, f"DLNA.ORG_OP of {pid} is {res['operation']}")
        checks.expect(res["flags"] & res["flags"].STREAMING_TRANSFER_MODE, f"DLNA.ORG_FLAGS of {pid} lack streaming")
        metadata = media.metadata(str(pid))
        checks.equal((metadata["title"], metadata["class"], [r["uri"] for r in metadata["res"]]),
                     (item["title"], item["class"], [r["uri"] for r in item["res"]]), f"BrowseMetadata of {pid}")
        checks.expect("secret-folder" not in str(item) + str(metadata), f"program {pid} shows its folder")

    # Playing: the bytes of the file, a range of them, and the DLNA headers a renderer asks for before seeking.
    for pid in (10, 13, 15, 16):
        if str(pid) not in items:
            continue
        res = [r for r in items[str(pid)]["res"] if r["uri"].endswith(f"/programs/{pid}")][0]
        with open(catalogue.programs[pid], "rb") as f:
            data = f.read()
        status, headers, body = http_get(res["uri"])
        checks.expect(status == 200 and body == data, f"GET of {pid}'s res: {status}, {len(body)} bytes")
        checks.equal(headers.get("content-type"), res["mime"], f"Content-Type of {pid} against its protocolInfo")
        status, headers, body = http_get(res["uri"], {"Range": "bytes=100-1099", "getcontentFeatures.dlna.org": "1",
                                                      "transferMode.dlna.org": "Streaming"})
        checks.expect(status == 206 and body == data[100:1100], f"range of {pid}: {status}, {len(body)} bytes")
        features = headers.get("contentfeatures.dlna.org", "")
        checks.expect(("DLNA.ORG_PN=" + res["profile"]) in features if res["profile"] else
                      "DLNA.ORG_PN" not in features, f"contentFeatures of {pid}: {features!r}")
        checks.expect("DLNA.ORG_OP=01" in features, f"contentFeatures of {pid} lack OP=01: {features!r}")
        checks.equal(headers.get("transfermode.dlna.org"), "Streaming", f"transferMode of {pid}")

    # Pictures: album art of the JPEG_TN profile, the same picture as a res, a JPEG that fits in 160x160.
    for pid in PICTURED:
        item = items.get(str(pid))
        if not item:
            continue
        art = item["albumArt"]
        if not checks.expect(art and art.endswith(f"/pictures/{pid}.jpg"), f"albumArtURI of {pid}: {art!r}"):
            continue
        thumbnail = [r for r in item["res"] if (r["mime"], r["profile"]) == ("image/jpeg", "JPEG_TN")]
        checks.expect([r["uri"] for r in thumbnail] == [art], f"no JPEG_TN res of {pid} beside its album art")
        status, headers, body = http_get(art, {"getcontentFeatures.dlna.org": "1"})
        size = jpeg_size(body) if status == 200 else None
        checks.expect(status == 200 and headers.get("content-type") == "image/jpeg" and size and max(size) <= 160,
                      f"the picture of {pid}: {status}, {headers.get('content-type')}, {size}")
        checks.expect("DLNA.ORG_PN=JPEG_TN" in headers.get("contentfeatures.dlna.org", ""),
                      f"the picture's contentFeatures of {pid}")
    # Subtitles: a text/srt res and, asked with the video, the header that names it; the file as it was written.
    item = items.get(str(CAPTIONED))
    if item:
        srt = [r["uri"] for r in item["res"] if r["mime"] == "text/srt"]
        if checks.equal(len(srt), 1, f"text/srt res of {CAPTIONED}"):
            status, headers, body = http_get(item["res"][0]["uri"], {"getCaptionInfo.sec": "1", "Range": "bytes=0-0"})
            checks.equal(headers.get("captioninfo.sec"), srt[0], "CaptionInfo.sec of the video")
            status, headers, body = http_get(srt[0])
            checks.expect(status == 200 and "Caf\u00e9".encode("cp1252") in body, f"the SubRip file: {status} {body!r}")

    # The other actions a TV calls on its way in.
    for name, result in (("GetSearchCapabilities", "SearchCaps"), ("GetSortCapabilities", "SortCaps")):
        checks.expect(isinstance(media.call(media.cds, name, results=[result])[result], (str, type(None))), name)
    checks.expect(media.system_update_id() >= 0, "GetSystemUpdateID")
    try:
        found = media.call(media.cds, "Search", [("ContainerID", "0"), ("SearchCriteria", 'upnp:class derivedfrom '
                           '"object.item.audioItem"'), ("Filter", "*"), ("StartingIndex", 0), ("RequestedCount", 0),
                           ("SortCriteria", "")], ["Result", "NumberReturned", "TotalMatches", "UpdateID"])
        hits = parse_didl(found["Result"])
        checks.expect({h["id"] for h in hits} <= set(items), "Search returns objects that Browse does not reach")
    except Fault as fault:
        checks.expect(fault.code in (401, 708, 710), f"Search refused with an unexpected fault {fault.code}")
    served = media.call(media.cm, "GetProtocolInfo", results=["Source", "Sink"])["Source"] or ""
    for mime in ("video/mpeg", "video/x-msvideo", "audio/mpeg"):
        checks.expect(f"http-get:*:{mime}:" in served, f"GetProtocolInfo does not list {mime}: {served!r}")
    checks.expect(media.device.get_service(CONNECTION_MANAGER) is not None, "ConnectionManager")
    checks.expect(server.alive(), "the server ended while being browsed")


if __name__ == "__main__":
    lan.main(test)
