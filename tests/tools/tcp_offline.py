#!/usr/bin/env python3
"""Keeps one Modbus/TCP connection open while the simulator goes offline and comes back.

usage: tcp_offline.py HOST PORT CONTROL_SOCKET
Prints one line per step: "before <n>" (bytes of the reply), "offline <n or none>",
"after-old <closed|n|none>" (the old connection once the device is back), "after-new <n or none>".
"""
import socket
import sys

READ = bytes.fromhex("0001" "0000" "0006" "01" "03" "0000" "0002")  # 2 registers from address 0


def control(path, line):
    c = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    c.settimeout(3)
    c.connect(path)
    c.sendall(line.encode() + b"\n")
    reply = c.recv(4096)
    c.close()
    return reply.decode().strip()


def ask(sock):
    try:
        sock.sendall(READ)
        data = sock.recv(512)
        return "closed" if not data else str(len(data))
    except socket.timeout:
        return "none"
    except (ConnectionResetError, BrokenPipeError):
        return "closed"


def main():
    host, port, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    s = socket.create_connection((host, port), timeout=3)
    print("before", ask(s), flush=True)
    control(path, "offline on")
    s.settimeout(0.3)
    print("offline", ask(s), flush=True)
    control(path, "offline off")
    s.settimeout(3)
    print("after-old", ask(s), flush=True)
    s.close()
    n = socket.create_connection((host, port), timeout=3)
    print("after-new", ask(n), flush=True)
    n.close()


if __name__ == "__main__":
    main()
