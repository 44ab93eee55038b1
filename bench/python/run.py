#!/usr/bin/python3
"""Upload benchmark of the Python package: a file sent through up.upload with
a progress callable against the C host (bench_upload_host, no callback),
alternating, to the same local sink. Prints the median seconds of each,
their ratio (Python / C) and the share of one core the progress callable
and the binding's trampoline cost.

    bench/python/run.py [BUILD_DIR] [RUNS] [SIZE_MIB]     (defaults: build, 5, 1024)

The file is made once in $BENCH_DIR (default $TMPDIR/clipferry-bench). Only
loopback is used.
"""

import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

repo = Path(__file__).resolve().parents[2]
build = Path(sys.argv[1] if len(sys.argv) > 1 else repo / "build").resolve()
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
size = (int(sys.argv[3]) if len(sys.argv) > 3 else 1024) * 1024 * 1024
work = Path(os.environ.get("BENCH_DIR", Path(os.environ.get("TMPDIR", "/tmp")) / "clipferry-bench"))
sink, host = build / "bench" / "bench_upload_sink", build / "bench" / "bench_upload_host"
for program in (sink, host):
    if not os.access(program, os.X_OK):
        sys.exit(f"run.py: {program} is missing; build first")

os.environ["CLIPFERRY_LIBRARY"] = str(build / "src" / "libclipferry.so.1")
sys.path.insert(0, str(repo / "bindings" / "python"))
import clipferry  # noqa: E402  (the package of this tree, with the library of BUILD_DIR)

work.mkdir(parents=True, exist_ok=True)
path = work / f"python-upload-{size}.bin"
if not path.exists() or path.stat().st_size != size:
    with open(path, "wb") as out:
        for _ in range(size // (1 << 20)):
            out.write(os.urandom(1 << 20))

port_file = Path(tempfile.mkdtemp()) / "port"
server = subprocess.Popen([sink, "--port-file", port_file, "--idle-seconds", "120"], stdout=subprocess.DEVNULL)
try:
    for _ in range(50):
        if port_file.exists() and port_file.read_text().strip():
            break
        time.sleep(0.1)
    proxy = f"127.0.0.1:{port_file.read_text().strip()}"
    os.environ["CLIPFERRY_PROXY_SERVER"] = proxy

    def cpu(who: int) -> float:
        usage = resource.getrusage(who)
        return usage.ru_utime + usage.ru_stime

    def c_upload() -> tuple[float, float]:
        before = cpu(resource.RUSAGE_CHILDREN)
        line = subprocess.run([host, proxy, path], capture_output=True, text=True, check=True).stdout
        seconds = float(line.split("seconds=")[1].split()[0])
        return seconds, cpu(resource.RUSAGE_CHILDREN) - before

    calls = [0]

    def progress(sent: int, total: int) -> None:  # what a host's bar would keep
        calls[0] += 1
        progress.latest = (sent, total)  # type: ignore[attr-defined]

    def python_upload(progress: object) -> tuple[float, float]:
        with clipferry.Uploader() as up:
            up.login("bench", "bench")
            before, start = cpu(resource.RUSAGE_SELF), time.perf_counter()
            verdict = up.upload(path, title="Benchmark clip", description="A clip sent by the upload benchmark.",
                                tags="bench, clip", categories=[1, 2, 3], progress=progress)
            seconds = time.perf_counter() - start
            spent = cpu(resource.RUSAGE_SELF) - before
        assert verdict.accepted, verdict
        return seconds, spent

    c_times, c_cpu, py_times, py_cpu, py_calls, bare_cpu = [], [], [], [], [], []
    for _ in range(runs):
        seconds, spent = c_upload()
        c_times.append(seconds)
        c_cpu.append(spent)
        calls[0] = 0
        seconds, spent = python_upload(progress)
        py_times.append(seconds)
        py_cpu.append(spent)
        py_calls.append(calls[0])
        bare_cpu.append(python_upload(None)[1])
finally:
    server.terminate()
    server.wait()

c_s, py_s = statistics.median(c_times), statistics.median(py_times)
# The callback's cost per second of upload, as a share of one core: the
# process's CPU beyond the C host's (the binding's trampoline and the
# callable), and beyond the same upload without a callable (the callable alone).
share = statistics.median((p - c) / t for p, c, t in zip(py_cpu, c_cpu, py_times))
callable_share = statistics.median((p - b) / t for p, b, t in zip(py_cpu, bare_cpu, py_times))
print(f"{size / 2**30:.2f} GiB, {runs} runs each, medians:")
print(f"  C host      {c_s:7.3f} s  {size / 2**20 / c_s:7.0f} MiB/s  CPU {statistics.median(c_cpu):.3f} s")
print(f"  Python      {py_s:7.3f} s  {size / 2**20 / py_s:7.0f} MiB/s  CPU {statistics.median(py_cpu):.3f} s"
      f"  ({statistics.median(py_calls):.0f} progress calls); without a callable CPU {statistics.median(bare_cpu):.3f} s")
print(f"  ratio Python / C: {py_s / c_s:.3f}")
print(f"  progress callback: {100 * share:.1f}% of one core beyond the C host, "
      f"{100 * callable_share:.1f}% for the callable alone")
