#!/usr/bin/env python3
"""The reference logger of bench_stream: the plain script an operator could
write in ten minutes. It connects to the unit, starts a scan and writes one
CSV row per frame (time, frame number, sixteen pressures) until the unit
closes the connection. A line split between two reads is put together again.

Usage: reflogger.py HOST PORT CSVFILE FRAME_INTERVAL
"""
import socket
import sys

host, port, path, interval = sys.argv[1], int(sys.argv[2]), sys.argv[3], float(sys.argv[4])
channels = {str(c).encode() for c in range(16)}
sock = socket.create_connection((host, port))
sock.sendall(b"SCAN\r")
rest = b""
row = []
with open(path, "wb") as out:
    while True:
        data = sock.recv(1 << 18)
        if not data:
            break
        lines = (rest + data).split(b"\r\n")
        rest = lines.pop()
        for line in lines:
            t = line.split(b" ")
            if t[0].upper() == b"FRAME" and len(t) > 2:
                row = [b"%g" % (interval * float(t[2])), t[2]]
            elif t[0] in channels and len(t) > 1:
                row.append(t[1])
                if t[0] == b"15":
                    out.write(b",".join(row) + b"\r\n")
