# Requests as each family of control points sends them, built from published captures of their headers, over the
# LAN: the family is told apart by its headers on the real request, and each gets an answer it takes. Renderers
# that seek by byte (DLNA.ORG_OP=01) get the DLNA headers on HEAD as on GET, and their ranges.
import http.client
import urllib.parse

import lan
from control_point import CONTENT_DIRECTORY, ControlPoint, raw_http, soap_post

WINDOW = b"<Filter>*</Filter><StartingIndex>0</StartingIndex><RequestedCount>20</RequestedCount><SortCriteria/>"


def envelope(action, inner, service=CONTENT_DIRECTORY + ":1"):
    return (b'<?xml version="1.0" encoding="utf-8"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" '
            b's:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><s:Body><u:' + action.encode() +
            b' xmlns:u="' + service.encode() + b'">' + inner + b"</u:" + action.encode() + b"></s:Body></s:Envelope>")


def request_as(user_agent, action, inner, service=CONTENT_DIRECTORY + ":1", extra=b""):
    post = soap_post(envelope(action, inner, service), f'"{service}#{action}"')
    return post.replace(b"CONNECTION: close\r\n", b"CONNECTION: close\r\nUSER-AGENT: " + user_agent.encode() +
                        b"\r\n" + extra)


def head(url, headers):
    parts = urllib.parse.urlsplit(url)
    connection = http.client.HTTPConnection(parts.hostname, parts.port, timeout=10)
    try:
        connection.request("HEAD", parts.path, headers=headers)
        response = connection.getresponse()
        return response.status, {k.lower(): v for k, v in response.getheaders()}
    finally:
        connection.close()


def test(net, args, checks):
    catalogue = lan.Catalogue(net, args.tool, args.media)
    catalogue.add(71, "tone.mp3")
    catalogue.add(72, "clip.avi")
    server = net.server([args.server, "--list", catalogue.list, "--upnp", "--http", "0", "--interface",
                         lan.INTERFACE, "--verbose"])
    media = ControlPoint().find(location=server.description)
    control = media.cds.get_control_url()
    rows = [
        # A 2012 set of the largest TV maker, before it browses.
        ("Samsung TV, X_GetFeatureList", request_as("SEC_HHP_[TV]UE40ES6300/1.0 DLNADOC/1.50", "X_GetFeatureList", b""),
         200, [b"samsung.com_BASICVIEW", b"container id=&quot;video&quot;"]),
        # Xbox 360, browsing with ContainerID in place of ObjectID.
        ("Xbox, Browse with ContainerID",
         request_as("Xbox/2.0.4548.0 UPnP/1.0 Xbox/2.0.4548.0", "Browse",
                    b"<ContainerID>video</ContainerID><BrowseFlag>BrowseDirectChildren</BrowseFlag>" + WINDOW),
         200, [b":video/avi:", b"<NumberReturned>1</NumberReturned>"]),
        # Windows 7's player, listing music by searching.
        ("Windows Media Player, Search for audio",
         request_as("Microsoft-Windows/6.1 UPnP/1.0 Windows-Media-Player-DMS/12.0.7601.17514 DLNADOC/1.50", "Search",
                    b"<ContainerID>0</ContainerID><SearchCriteria>(upnp:class derivedfrom &quot;object.item.audioItem"
                    b"&quot; and @refID exists false)</SearchCriteria>" + WINDOW),
         200, [b"<NumberReturned>1</NumberReturned>", b"tone.mp3"]),
        ("Windows Media Player, IsAuthorized",
         request_as("Windows-Media-Player/12.0.7601.17514", "IsAuthorized", b"<DeviceID></DeviceID>",
                    "urn:microsoft.com:service:X_MS_MediaReceiverRegistrar:1"),
         200, [b"<Result>1</Result>"]),
        # Anything else keeps the generic answers: no feature list, AVI as video/x-msvideo.
        ("VLC, X_GetFeatureList", request_as("VLC/3.0.18 LibVLC/3.0.18", "X_GetFeatureList", b""), 500,
         [b"<errorCode>401</errorCode>"]),
        ("VLC, an id sent URL-encoded",
         request_as("VLC/3.0.18 LibVLC/3.0.18", "Browse",
                    b"<ObjectID>%37%32</ObjectID><BrowseFlag>BrowseMetadata</BrowseFlag>" + WINDOW),
         200, [b":video/x-msvideo:", b"clip.avi"]),
    ]
    for name, request, status, texts in rows:
        url = control.replace("ContentDirectory", "X_MS_MediaReceiverRegistrar") if "IsAuthorized" in name else control
        got, _, body = raw_http(url, request)
        checks.equal(got, status, f"{name}: status")
        for text in texts:
            checks.expect(text in body, f"{name}: {text!r} not in {body[:600]!r}")

    # A renderer that seeks by byte: HEAD first, with the DLNA headers, then a range.
    item = media.metadata("72")
    own = [r for r in item["res"] if r["uri"].endswith("/programs/72")]
    checks.expect(len(own) == 1, f"the AVI's own res among {item['res']}")
    uri = own[0]["uri"]
    checks.equal(own[0]["operation"] & 1, 1, "DLNA.ORG_OP of the AVI's res allows byte seeks")
    status, headers = head(uri, {"getcontentFeatures.dlna.org": "1", "transferMode.dlna.org": "Streaming"})
    checks.equal(status, 200, "HEAD of a program")
    checks.expect("DLNA.ORG_OP=01" in headers.get("contentfeatures.dlna.org", ""),
                  f"contentFeatures.dlna.org on HEAD: {headers.get('contentfeatures.dlna.org')!r}")
    checks.equal(headers.get("transfermode.dlna.org"), "Streaming", "transferMode.dlna.org on HEAD")
    checks.equal(headers.get("accept-ranges"), "bytes", "Accept-Ranges on HEAD")
    checks.equal(server.stop(), 0, "exit status after SIGTERM")
    log = server.stderr()
    for family in ("Samsung TV", "Xbox", "Windows Media Player", "generic"):
        checks.expect(family in log, f"the log names the family {family!r}")


if __name__ == "__main__":
    lan.main(test)
