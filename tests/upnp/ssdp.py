# SSDP as raw datagrams: a TV's M-SEARCH and its answers, timed, for the tests and the benchmark; sent only from
# inside the client namespace, to the multicast group on its veth or to the server's namespace address.
import socket
import struct
import time

import lan
from control_point import parse_head

GROUP = ("239.255.255.250", 1900)


def open_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((lan.CLIENT_ADDRESS, 0))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(lan.CLIENT_ADDRESS))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, struct.pack("b", 2))
    return s


def msearch_request(target, mx):
    return (f'M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: "ssdp:discover"\r\nMX: {mx}\r\n'
            f"ST: {target}\r\nUSER-AGENT: Linux/6 UPnP/1.0 TestTV/1.0\r\n\r\n").encode()


def msearch(target, mx, location=None, tries=1):
    """Sends an M-SEARCH to the group from a socket of its own and waits (MX plus a second at most) for an answer
    from LOCATION (any when None); sends again up to TRIES times in all, as TVs do, since a busy LAN drops
    datagrams. Returns (seconds from the last search sent to its answer, its headers), or (None, None)."""
    with open_socket() as sock:
        for _ in range(tries):
            start = time.monotonic()
            sock.sendto(msearch_request(target, mx), GROUP)
            deadline = start + mx + 1
            while (left := deadline - time.monotonic()) > 0:
                sock.settimeout(left)
                try:
                    datagram = sock.recv(65536)
                except socket.timeout:
                    break
                status, headers = parse_head(datagram)
                if status.startswith("HTTP/1.1 200") and headers.get("st") == target and (
                        location is None or headers.get("location") == location):
                    return time.monotonic() - start, headers
        return None, None


def receive_drops(lan_):
    """Datagrams the server namespace's kernel dropped for want of socket buffer (not the server's doing)."""
    snmp = lan_.in_server_ns("cat", "/proc/net/snmp")
    lines = [line.split() for line in snmp.splitlines() if line.startswith("Udp:")]
    return int(lines[1][lines[0].index("RcvbufErrors")])
