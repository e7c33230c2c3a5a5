# The TV: an independent control point (GNOME's GUPnP and GUPnP-AV) that finds a media server, calls its actions,
# reads its DIDL-Lite and follows its events, every wait bounded.
import http.client
import re
import socket
import subprocess
import time
import urllib.parse
import xml.etree.ElementTree as ET

import gi

gi.require_version("GUPnP", "1.6")
gi.require_version("GUPnPAV", "1.0")
gi.require_version("GSSDP", "1.6")
from gi.repository import GLib, GObject, GSSDP, GUPnP, GUPnPAV  # noqa: E402

from lan import CLIENT_ADDRESS, INTERFACE, Failure  # noqa: E402

MEDIA_SERVER = "urn:schemas-upnp-org:device:MediaServer:1"
CONTENT_DIRECTORY = "urn:schemas-upnp-org:service:ContentDirectory"
CONNECTION_MANAGER = "urn:schemas-upnp-org:service:ConnectionManager"


class Fault(Exception):
    def __init__(self, code, message):
        super().__init__(f"UPnP fault {code}: {message}")
        self.code = code


def pump_until(what, condition, timeout):
    """Runs the main loop until a condition holds (signals and events arrive through it) or the time is up."""
    context = GLib.MainContext.default()
    timed_out = []
    source = GLib.timeout_add(int(timeout * 1000), lambda: timed_out.append(True) or False)
    try:
        while not condition():
            if timed_out:
                raise Failure(f"gave up after {timeout} s waiting for {what}")
            context.iteration(True)
    finally:
        if not timed_out:
            GLib.source_remove(source)


class ControlPoint:
    """Watches the LAN for media servers; keeps every device that comes and notes every one that goes."""

    def __init__(self, device_type=MEDIA_SERVER):
        self.context = GUPnP.Context.new_full(INTERFACE, None, 0, GSSDP.UDAVersion.VERSION_1_0)
        self.point = GUPnP.ControlPoint.new(self.context, device_type)
        self.available = {}
        self.gone = []
        self.point.connect("device-proxy-available", lambda _, d: self.available.__setitem__(d.get_udn(), d))
        self.point.connect("device-proxy-unavailable", self._unavailable)
        self.point.set_active(True)

    def _unavailable(self, _, device):
        self.gone.append(device.get_udn())
        self.available.pop(device.get_udn(), None)

    def find(self, location=None, timeout=15):
        """The first device seen (or the one whose description is at LOCATION), as a MediaServer."""

        def match():
            for device in self.available.values():
                if location is None or device.get_location() == location:
                    return device
            return None

        pump_until(f"a media server{' at ' + location if location else ''}", match, timeout)
        return MediaServer(match())

    def search_again(self):
        """Sends a fresh M-SEARCH, as a TV does when its user opens the source list."""
        self.point.set_active(False)
        self.point.set_active(True)

    def wait_gone(self, udn, timeout):
        pump_until(f"the device {udn} to say goodbye", lambda: udn in self.gone, timeout)


class MediaServer:
    def __init__(self, device):
        self.device = device
        self.udn = device.get_udn()
        self.cds = self._service(CONTENT_DIRECTORY)
        self.cm = self._service(CONNECTION_MANAGER)

    def _service(self, urn):
        service = self.device.get_service(urn)
        if service is None:
            raise Failure(f"the device offers no {urn}")
        return service

    def call(self, service, name, args=(), results=()):
        """Calls an action; returns its results by name as strings, or raises Fault with the device's code."""
        action = GUPnP.ServiceProxyAction.new_from_list(name, [a for a, _ in args], [_value(v) for _, v in args])
        try:
            service.call_action(action, None)
            ok, values = action.get_result_list([r for r in results], [GObject.TYPE_STRING] * len(results))
        except GLib.Error as e:
            raise Fault(e.code, e.message) from None
        if not ok:
            raise Failure(f"{name} answered without its results {results}")
        return dict(zip(results, values))

    def browse(self, object_id, flag="BrowseDirectChildren", start=0, count=0, filter="*"):
        answer = self.call(self.cds, "Browse",
                           [("ObjectID", object_id), ("BrowseFlag", flag), ("Filter", filter),
                            ("StartingIndex", start), ("RequestedCount", count), ("SortCriteria", "")],
                           ["Result", "NumberReturned", "TotalMatches", "UpdateID"])
        page = parse_didl(answer["Result"])
        if int(answer["NumberReturned"]) != len(page):
            raise Failure(f"Browse of {object_id} said NumberReturned {answer['NumberReturned']} but its DIDL-Lite "
                          f"holds {len(page)} objects")
        return page, int(answer["TotalMatches"]), int(answer["UpdateID"])

    def children(self, object_id, page_size=0):
        """Every child of a container, page by page as a TV scrolls, checking that each page's total agrees."""
        objects, total = [], None
        while True:
            page, matches, _ = self.browse(object_id, start=len(objects), count=page_size)
            if total is not None and matches != total:
                raise Failure(f"TotalMatches of {object_id} changed from {total} to {matches} between pages")
            total = matches
            objects += page
            if not page or len(objects) >= total:
                return objects, total

    def metadata(self, object_id):
        page, total, _ = self.browse(object_id, flag="BrowseMetadata")
        if len(page) != 1 or total != 1:
            raise Failure(f"BrowseMetadata of {object_id} gave {len(page)} objects, TotalMatches {total}")
        return page[0]

    def system_update_id(self):
        return int(self.call(self.cds, "GetSystemUpdateID", results=["Id"])["Id"])


def _value(v):
    value = GObject.Value()
    if isinstance(v, int):
        value.init(GObject.TYPE_UINT)
        value.set_uint(v)
    else:
        value.init(GObject.TYPE_STRING)
        value.set_string(v)
    return value


def _protocol_info(info):
    return {"protocol": info.get_protocol(), "network": info.get_network(), "mime": info.get_mime_type(),
            "profile": info.get_dlna_profile(), "operation": info.get_dlna_operation(),
            "flags": info.get_dlna_flags()}


def parse_didl(didl):
    """The objects of a DIDL-Lite document as dicts, read by GUPnP-AV's parser (which a TV's parser resembles)."""
    objects = []

    def container(_, c):
        objects.append({"kind": "container", "id": c.get_id(), "parent": c.get_parent_id(), "title": c.get_title(),
                        "class": c.get_upnp_class(), "childCount": c.get_child_count()})

    def item(_, i):
        res = [{"uri": r.get_uri(), "size": r.get_size64(), **_protocol_info(r.get_protocol_info())}
               for r in i.get_resources()]
        objects.append({"kind": "item", "id": i.get_id(), "parent": i.get_parent_id(), "title": i.get_title(),
                        "class": i.get_upnp_class(), "res": res, "albumArt": i.get_album_art()})

    parser = GUPnPAV.DIDLLiteParser()
    parser.connect("container-available", container)
    parser.connect("item-available", item)
    try:
        parser.parse_didl(didl)
    except GLib.Error as e:
        if "Empty 'DIDL-Lite' node" in e.message:
            return objects  # an empty page is well formed; GUPnP-AV only reports it as an error
        raise Failure(f"GUPnP-AV cannot parse the DIDL-Lite ({e.message}): {didl[:400]!r}") from None
    return objects


def walk(server, page_size=0):
    """The whole tree from the root: every container (with its children) and every item reached."""
    containers, items = {}, {}
    pending = ["0"]
    while pending:
        object_id = pending.pop()
        children, total = server.children(object_id, page_size)
        containers[object_id] = {"children": children, "total": total}
        for child in children:
            if child["kind"] == "container":
                if child["id"] in containers or child["id"] in pending:
                    raise Failure(f"container {child['id']} is reached twice")
                pending.append(child["id"])
            else:
                items.setdefault(child["id"], child)
    return containers, items


def http_get(url, headers=None, timeout=10):
    """GET as a renderer does; returns (status, headers, body)."""
    parts = urllib.parse.urlsplit(url)
    connection = http.client.HTTPConnection(parts.hostname, parts.port, timeout=timeout)
    try:
        connection.request("GET", parts.path + ("?" + parts.query if parts.query else ""), headers=headers or {})
        response = connection.getresponse()
        return response.status, {k.lower(): v for k, v in response.getheaders()}, response.read()
    finally:
        connection.close()


def raw_http(url, request, timeout=10):
    """Sends REQUEST (bytes, as written; {path} and {host} filled in) to URL's server and reads what comes back
    until the server closes or the time is up. Returns (status or None, headers, body); None when the server shut
    the connection without an answer."""
    parts = urllib.parse.urlsplit(url)
    request = request.replace(b"{path}", parts.path.encode()).replace(b"{host}", parts.netloc.encode())
    answer = b""
    with socket.create_connection((parts.hostname, parts.port), timeout=timeout) as s:
        try:
            s.sendall(request)
            s.shutdown(socket.SHUT_WR)  # all there is: a request cut short is seen as such, not waited on
        except OSError:
            pass  # a server may refuse before reading everything; what it answered is still there to read
        try:
            while chunk := s.recv(65536):
                answer += chunk
        except ConnectionResetError:
            pass
    head, _, body = answer.partition(b"\r\n\r\n")
    first, headers = parse_head(head)
    if not first.startswith("HTTP/"):
        return None, {}, answer
    return int(first.split()[1]), headers, body


def parse_head(head):
    """The first line and the headers (names in lower case) of an HTTP or SSDP message's head."""
    lines = head.decode("latin-1").split("\r\n")
    return lines[0], {k.strip().lower(): v.strip() for k, sep, v in (line.partition(":") for line in lines[1:]) if sep}


def soap_request(action, body, service=CONTENT_DIRECTORY + ":1", length=None):
    """A SOAP POST for raw_http: BODY (bytes) is what goes inside the action element."""
    envelope = (b'<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" '
                b's:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><s:Body><u:' + action.encode() +
                b' xmlns:u="' + service.encode() + b'">' + body + b"</u:" + action.encode() +
                b"></s:Body></s:Envelope>")
    return soap_post(envelope, f'"{service}#{action}"', length)


def soap_post(envelope, soap_action, length=None):
    head = (f"POST {{path}} HTTP/1.1\r\nHOST: {{host}}\r\nCONTENT-TYPE: text/xml; charset=\"utf-8\"\r\n"
            f"CONTENT-LENGTH: {len(envelope) if length is None else length}\r\nSOAPACTION: {soap_action}\r\n"
            f"CONNECTION: close\r\n\r\n")
    return head.encode() + envelope


def browse_body(object_id=b"0", flag=b"BrowseDirectChildren", start=b"0", count=b"0"):
    return (b"<ObjectID>" + object_id + b"</ObjectID><BrowseFlag>" + flag + b"</BrowseFlag><Filter>*</Filter>"
            b"<StartingIndex>" + start + b"</StartingIndex><RequestedCount>" + count + b"</RequestedCount>"
            b"<SortCriteria></SortCriteria>")


def browse_response(body):
    """The DIDL-Lite objects and TotalMatches of a raw BrowseResponse, its counts checked against each other."""
    response = ET.fromstring(body).find(".//{*}Body")[0]
    values = {child.tag.split("}")[-1]: child.text or "" for child in response}
    objects = parse_didl(values["Result"])
    if len(objects) != int(values["NumberReturned"]):
        raise Failure(f"NumberReturned {values['NumberReturned']} but the DIDL-Lite holds {len(objects)} objects")
    return objects, int(values["TotalMatches"])


class Subscriber:
    """A GENA subscriber of its own: SUBSCRIBE with a callback listening on this side, and the server's NOTIFY
    requests read as they come. (GUPnP's subscriber missed the initial event now and then, when it came before
    GUPnP had read the reply to its SUBSCRIBE: what it saw depended on timing.)"""

    def __init__(self, events_url, timeout=5):
        self.listener = socket.create_server((CLIENT_ADDRESS, 0))
        callback = f"http://{CLIENT_ADDRESS}:{self.listener.getsockname()[1]}/"
        self.status, self.headers, _ = raw_http(events_url, f"SUBSCRIBE {{path}} HTTP/1.1\r\nHOST: {{host}}\r\n"
                                                f"CALLBACK: <{callback}>\r\nNT: upnp:event\r\n"
                                                "TIMEOUT: Second-300\r\nCONNECTION: close\r\n\r\n".encode(),
                                                timeout)
        self.sid = self.headers.get("sid")

    def close(self):
        self.listener.close()

    def next_event(self, timeout):
        """The next NOTIFY's headers and body, answered 200; (None, None) when none comes in time."""
        self.listener.settimeout(timeout)
        try:
            connection, _ = self.listener.accept()
        except socket.timeout:
            return None, None
        with connection:
            connection.settimeout(timeout)
            data = b""
            while b"\r\n\r\n" not in data and (chunk := connection.recv(65536)):
                data += chunk
            head, _, body = data.partition(b"\r\n\r\n")
            _, headers = parse_head(head)
            while len(body) < int(headers.get("content-length", 0)) and (chunk := connection.recv(65536)):
                body += chunk
            connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
        return headers, body

    def update_id(self, timeout, above=-1):
        """The first evented SystemUpdateID greater than ABOVE within TIMEOUT seconds, or None."""
        deadline = time.monotonic() + timeout
        while (left := deadline - time.monotonic()) > 0:
            _, body = self.next_event(left)
            if body is None:
                return None
            if (m := re.search(rb"<SystemUpdateID>(\d+)</SystemUpdateID>", body)) and int(m.group(1)) > above:
                return int(m.group(1))
        return None


def gssdp_discover(target, timeout=5):
    """What GSSDP's own command-line tool sees of TARGET on the LAN within a few seconds."""
    done = subprocess.run(["gssdp-discover", "-i", INTERFACE, "-t", target, "-n", str(timeout)],
                          capture_output=True, text=True, timeout=timeout + 10)
    return done.stdout
