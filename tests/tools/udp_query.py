#!/usr/bin/env python3
"""Independent XPort UDP client for the simulator tests: plain sockets, nothing from the program.

usage: udp_query.py HOST PORT TIMEOUT_S HEX [HEX ...]
Sends each request (hexadecimal bytes) in turn from one socket and prints one line per request:
"reply <HEX> <ms>" with the first datagram that came back and the time it took, or "none" when nothing
arrived within the time-out. A request given as "send:HEX" is sent without waiting ("sent").
"""
import socket
import sys
import time


def main():
    host, port, timeout = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))
    for arg in sys.argv[4:]:
        send_only = arg.startswith("send:")
        data = bytes.fromhex(arg[5:] if send_only else arg)
        # forget stray late replies of an earlier request
        sock.setblocking(False)
        try:
            while True:
                sock.recv(8192)
        except BlockingIOError:
            pass
        sock.setblocking(True)
        started = time.monotonic()
        sock.sendto(data, (host, port))
        if send_only:
            print("sent", flush=True)
            continue
        sock.settimeout(timeout)
        try:
            reply = sock.recv(8192)
            ms = int((time.monotonic() - started) * 1000)
            print("reply", reply.hex().upper(), ms, flush=True)
        except socket.timeout:
            print("none", flush=True)


if __name__ == "__main__":
    main()
