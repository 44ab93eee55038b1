"""A slow link on loopback: a TCP relay that reads from its clients no faster
than a given rate, through a small receive buffer, and passes the bytes on to
an upstream address at once (the answers come back unthrottled). Since it
reads slowly and its buffer is small, the sender finds the link full as it
would on a slow uplink, and the bytes in flight between the sender and the
relay's count stay few.

Used in process (ThrottlingRelay) by the Python tests, and as a program by the
C++ tests and the benchmark:

  throttling_relay.py --upstream HOST:PORT --rate BYTES_PER_SECOND
                      [--receive-buffer BYTES]

The program prints its port on its first line, then answers each line read
from standard input: "forwarded" with the bytes passed upstream so far by
the connections still open (one number); "idle" with one JSON line once no
connection is open, {"connections": [{"upstream": BYTES, "samples":
[[MONOTONIC_SECONDS, BYTES], ...]}, ...]}, for the connections that ended
since the last "idle". It ends when standard input does.
"""

import argparse
import json
import socket
import sys
import threading
import time

# Linux doubles what is asked for, and takes no less than about 4 KiB.
DEFAULT_RECEIVE_BUFFER = 4 * 1024
# The payload of a TCP segment on Ethernet.
ETHERNET_SEGMENT = 1448
# How often the reading side tops its allowance up: the link's granularity.
TICK_SECONDS = 0.01
# The most the allowance carries over (a late wake-up still keeps the rate,
# while a client that paused gets no burst beyond this).
CARRY_SECONDS = 0.05


class Connection:
    """One client's bytes towards the upstream: the total, and (time, total)
    after every read, on the monotonic clock."""

    def __init__(self):
        self.upstream = 0
        self.samples = []


def busiest(samples, seconds):
    """The most bytes a connection passed on within any span of `seconds`,
    from its (time, total) samples."""
    most = 0
    start = 0
    for end, (time_at, total) in enumerate(samples):
        while samples[start][0] < time_at - seconds:
            start += 1
        before = samples[start - 1][1] if start > 0 else 0
        most = max(most, total - before)
    return most


class ThrottlingRelay:
    def __init__(self, upstream, rate, receive_buffer=DEFAULT_RECEIVE_BUFFER):
        self.upstream = upstream
        self.rate = float(rate)
        self.receive_buffer = receive_buffer
        self._lock = threading.Condition()
        self._open = []
        self._ended = []
        # Both must be set before listen() for the accepted sockets to follow
        # them. The segment size is an Ethernet link's, not loopback's 64 KiB:
        # a receive window only opens by whole segments or half the buffer,
        # so loopback's would make the small buffer move in large jumps.
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
        self._listener.setsockopt(socket.IPPROTO_TCP, socket.TCP_MAXSEG, ETHERNET_SEGMENT)
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(16)
        self.port = self._listener.getsockname()[1]
        threading.Thread(target=self._accept, daemon=True).start()

    def close(self):
        self._listener.close()

    def forwarded(self):
        """The bytes passed upstream so far by the connections still open."""
        with self._lock:
            return sum(c.upstream for c in self._open)

    def wait_idle(self):
        """The connections that ended since the last call, once none is open."""
        with self._lock:
            self._lock.wait_for(lambda: not self._open)
            ended, self._ended = self._ended, []
            return ended

    def _accept(self):
        while True:
            try:
                client, _ = self._listener.accept()
            except OSError:
                return
            record = Connection()
            with self._lock:
                self._open.append(record)
            threading.Thread(target=self._serve, args=(client, record), daemon=True).start()

    def _serve(self, client, record):
        try:
            server = socket.create_connection(self.upstream)
        except OSError:
            client.close()
            self._end(record)
            return
        answers = threading.Thread(target=self._answers, args=(server, client), daemon=True)
        answers.start()
        try:
            self._throttled(client, server, record)
        finally:
            # The request side is over (the client closed or broke off): let
            # the server see its end, then wait for the last of the answer.
            try:
                server.shutdown(socket.SHUT_WR)
            except OSError:
                pass
            answers.join()
            client.close()
            server.close()
            self._end(record)

    def _throttled(self, client, server, record):
        allowance = 0.0
        last = time.monotonic()
        while True:
            now = time.monotonic()
            allowance = min(allowance + (now - last) * self.rate, max(self.rate * CARRY_SECONDS, 1.0))
            last = now
            if allowance < 1:
                time.sleep(TICK_SECONDS)
                continue
            try:
                data = client.recv(int(allowance))
            except OSError:
                return
            if not data:
                return
            allowance -= len(data)
            try:
                server.sendall(data)
            except OSError:
                return
            with self._lock:
                record.upstream += len(data)
            record.samples.append((time.monotonic(), record.upstream))

    @staticmethod
    def _answers(server, client):
        while True:
            try:
                data = server.recv(65536)
                if not data:
                    break
                client.sendall(data)
            except OSError:
                break
        try:
            client.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    def _end(self, record):
        with self._lock:
            self._ended.append(record)
            self._open.remove(record)
            self._lock.notify_all()


def main():
    parser = argparse.ArgumentParser(description="a throttling TCP relay on loopback")
    parser.add_argument("--upstream", required=True, help="HOST:PORT")
    parser.add_argument("--rate", required=True, type=float, help="bytes per second")
    parser.add_argument("--receive-buffer", type=int, default=DEFAULT_RECEIVE_BUFFER)
    args = parser.parse_args()
    host, _, port = args.upstream.rpartition(":")
    relay = ThrottlingRelay((host, int(port)), args.rate, args.receive_buffer)
    print(relay.port, flush=True)
    for line in sys.stdin:
        if line.strip() == "forwarded":
            print(relay.forwarded(), flush=True)
        elif line.strip() == "idle":
            ended = relay.wait_idle()
            print(json.dumps({"connections": [{"upstream": c.upstream, "samples": c.samples}
                                              for c in ended]}), flush=True)
    relay.close()


if __name__ == "__main__":
    main()
