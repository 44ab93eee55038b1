#!/usr/bin/python3
"""Upload benchmark of the Python package: a file sent through up.upload with
a progress callable against the C host (bench_upload_host, with a progress
callback and without), alternating, to the same local sink. Prints the
median seconds of each, the ratios (Python / C) and the share of one core
the progress reports cost in Python.

    bench/python/run.py [BUILD_DIR] [RUNS] [SIZE_MIB]     (defaults: build, 5, 1024)

The file is made once in $BENCH_DIR (default $TMPDIR/clipferry-bench). Only
loopback is used.
"""

import ctypes
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

    def c_upload(*flags: str) -> tuple[float, float]:
        line = subprocess.run([host, proxy, path, *flags], capture_output=True, text=True, check=True).stdout
        fields = dict(word.split("=", 1) for word in line.split() if "=" in word)
        return float(fields["seconds"]), float(fields["cpu_seconds"])

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

    # (seconds, CPU seconds) per run of: the C host with a progress callback,
    # without one, and the Python package with a progress callable.
    runs_of: dict[str, list[tuple[float, float]]] = {"c": [], "c_bare": [], "python": []}
    for _ in range(runs):
        runs_of["c"].append(c_upload("--progress"))
        runs_of["python"].append(python_upload(progress))
        runs_of["c_bare"].append(c_upload())
    # Every libcurl progress report reaches the binding's ctypes trampoline;
    # the callable hears only some. How many reports an upload makes: one
    # more upload, with the callable called at each.
    clipferry._uploader._PROGRESS_INTERVAL = 0.0
    calls[0] = 0
    python_upload(progress)
    reports = calls[0]
finally:
    server.terminate()
    server.wait()


def per_report() -> float:
    """CPU seconds per report: the trampoline called through a C function
    pointer, ctypes' call out included, so an upper bound."""
    def watch(data: object, dltotal: float, dlnow: float, ultotal: float, ulnow: float) -> int:
        return 1 if 0 < ultotal <= ulnow and progress is None else 0
    trampoline = clipferry._library.PROGRESS_CALLBACK(watch)
    pointer = clipferry._library.PROGRESS_CALLBACK(ctypes.cast(trampoline, ctypes.c_void_p).value)
    n = 200_000
    start = time.process_time()
    for i in range(n):
        pointer(None, 0.0, 0.0, 1e9, float(i))
    return (time.process_time() - start) / n


cost = statistics.median(per_report() for _ in range(5))


def median(kind: str, field: int = 0) -> float:
    return statistics.median(run[field] for run in runs_of[kind])


def ratio(kind: str) -> float:  # median of the runs' ratios, each pair run side by side
    return statistics.median(p[0] / c[0] for p, c in zip(runs_of["python"], runs_of[kind]))


print(f"{size / 2**30:.2f} GiB, {runs} runs each, medians:")
for kind, label in (("c", "C host, progress callback"), ("c_bare", "C host, no callback"),
                    ("python", "Python, progress callable")):
    seconds = median(kind)
    print(f"  {label:26} {seconds:7.3f} s {size / 2**20 / seconds:6.0f} MiB/s  CPU {median(kind, 1):.3f} s")
print(f"  ratio Python / C: {ratio('c'):.3f} (C with a callback), {ratio('c_bare'):.3f} (C without)")
print(f"  progress: {reports} reports an upload, {cost * 1e6:.2f} us each at most in Python: "
      f"{100 * reports * cost / median('python'):.1f}% of one core")
