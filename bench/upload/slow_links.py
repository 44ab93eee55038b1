#!/usr/bin/env python3
"""The upload over slow links: the library (bench_upload_host) through the
tests' throttling relay in front of the sink, at 20 KB/s, 100 KB/s and 1 MB/s.
For each rate, one upload of six seconds' worth, giving the longest gap
between two progress calls and the largest step of the bytes reported while
the file was being sent; and one cancelled once two seconds' worth was
reported, giving the bytes that still reached the sink afterwards (from the
relay's record, on the same monotonic clock as the host's cancel).

  slow_links.py SINK_PORT HOST WORK_DIR [REFERENCE_LIBRARY_DIR]

With a reference library folder, each row is run once more with the host
loaded against the library there (LD_LIBRARY_PATH), side by side.
"""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "support"))
from throttling_relay import ThrottlingRelay  # noqa: E402

RATES = (20_000, 100_000, 1_000_000)


def upload(host, relay, path, library, *extra):
    env = dict(os.environ)
    if library:
        env["LD_LIBRARY_PATH"] = library
    line = subprocess.run([host, f"127.0.0.1:{relay.port}", path, *extra], env=env, capture_output=True,
                          text=True).stdout
    fields = dict(re.findall(r"(\w+)=(\S*)", line))
    upload_connection = max(relay.wait_idle(), key=lambda c: c.upstream)
    return fields, upload_connection


def after_cancel(connection, cancelled_at):
    """The bytes the relay passed on after the moment of the cancel."""
    before = 0
    for time_at, total in connection.samples:
        if time_at > cancelled_at:
            break
        before = total
    return connection.upstream - before


def main():
    sink_port, host, work = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    libraries = [("this build", None)]
    if len(sys.argv) > 4:
        libraries.append(("reference", sys.argv[4]))
    print(f"{'rate':>10} {'library':>12} {'longest gap s':>14} {'largest step':>13} "
          f"{'cancelled at':>13} {'bytes after cancel':>19}")
    for rate in RATES:
        path = os.path.join(work, f"slow-{rate}.bin")
        if not os.path.exists(path) or os.path.getsize(path) != rate * 6:
            with open(path, "wb") as f:
                f.write(os.urandom(rate * 6))
        for label, library in libraries:
            relay = ThrottlingRelay(("127.0.0.1", sink_port), rate)
            whole, _ = upload(host, relay, path, library, "--progress")
            cancel, connection = upload(host, relay, path, library, "--cancel-after", str(rate * 2))
            relay.close()
            print(f"{rate:>10} {label:>12} {float(whole['longest_gap']):>14.3f} "
                  f"{int(float(whole['largest_step'])):>13} {int(float(cancel['cancelled_sent'])):>13} "
                  f"{after_cancel(connection, float(cancel['cancelled_at'])):>19}", flush=True)


if __name__ == "__main__":
    main()
