#!/usr/bin/python3
"""Benchmark of the attachment extractor, side by side with its peers.

Builds a 50 MB message with ten base64 attachments of random bytes (76
characters a line, CR LF), then times, in one run on the same data:
vexa-extract, ripmime, munpack, and base64 -d of the same base64 text. Each
is run several times; the best wall time counts, and the peak resident set
of each program is taken from the kernel. It also checks that memory stays
flat as the message grows, and that a message without any blank line takes
time linear in its size. Prints a Markdown report.
"""
import argparse
import base64
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

MB = 1000 * 1000


def build_message(path, total_mb, attachments=10, seed=1):
    """Writes the message; returns the base64 text of its attachments (LF
    line ends, as base64 -d takes it)."""
    per = int(total_mb * MB / attachments * 3 / 4 * 76 / 78)  # decoded bytes a part
    rng = random.Random(seed)
    b64_all = []
    with open(path, "wb") as f:
        f.write(b"From: Bench Mark <bench.mark@example.com>\r\nSubject: bench\r\nMIME-Version: 1.0\r\n"
                b"Content-Type: multipart/mixed; boundary=\"=_bench_boundary\"\r\n\r\n"
                b"--=_bench_boundary\r\nContent-Type: text/plain\r\n\r\nten attachments\r\n")
        for i in range(attachments):
            data = rng.randbytes(per)
            text = base64.encodebytes(data).replace(b"\n", b"\r\n")  # 76 a line
            b64_all.append(text.replace(b"\r\n", b"\n"))
            f.write(b"--=_bench_boundary\r\nContent-Type: application/octet-stream; name=\"part%d.bin\"\r\n"
                    b"Content-Transfer-Encoding: base64\r\n\r\n" % i)
            f.write(text)
            f.write(b"\r\n")
        f.write(b"--=_bench_boundary--\r\n.\r\n")
    return b"".join(b64_all)


def run(cmd, stdout=None):
    """Wall seconds, CPU seconds (user + system) and peak resident kilobytes
    of one run, as GNU time reports them for the program alone."""
    stats = tempfile.NamedTemporaryFile(prefix="vexa-bench-time-", delete=False)
    stats.close()
    try:
        start = time.perf_counter()
        subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", stats.name] + cmd,
                       stdout=stdout or subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        wall = time.perf_counter() - start
        with open(stats.name) as f:
            user, system, rss = f.read().split()[-3:]
        return wall, float(user) + float(system), int(rss)
    finally:
        os.unlink(stats.name)


def once(make_cmd, out, stdout_file=None):
    shutil.rmtree(out, ignore_errors=True)
    os.mkdir(out)
    if stdout_file:
        with open(os.path.join(out, stdout_file), "wb") as sink:
            return run(make_cmd(), stdout=sink)
    return run(make_cmd())


def best_of(times, make_cmd, out, stdout_file=None):
    runs = [once(make_cmd, out, stdout_file) for _ in range(times)]
    return min(r[0] for r in runs), min(r[1] for r in runs), max(r[2] for r in runs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--size-mb", type=float, default=50)
    args = ap.parse_args()
    tmp = tempfile.mkdtemp(prefix="vexa-extract-bench-")
    try:
        msg = os.path.join(tmp, "message.eml")
        b64 = build_message(msg, args.size_mb)
        b64_path = os.path.join(tmp, "attachments.b64")
        with open(b64_path, "wb") as f:
            f.write(b64)
        size = os.path.getsize(msg)
        out = os.path.join(tmp, "out")
        rows = []
        peers = [
            ("vexa-extract", lambda: [args.tool, msg, out + "/", "--overwrite=yes", "--random=1"], None, size),
            ("ripmime", lambda: ["ripmime", "-i", msg, "-d", out], None, size),
            ("munpack", lambda: ["munpack", "-f", "-q", "-C", out, msg], None, size),
            ("base64 -d", lambda: ["base64", "-d", b64_path], "decoded.bin", len(b64)),
        ]
        # Round by round, so that every program meets the same load of the
        # machine; the best of the rounds counts.
        results = {name: [] for name, _, _, _ in peers}
        for _ in range(args.runs):
            for name, make, sink, _ in peers:
                results[name].append(once(make, out, sink))
        for name, _, _, nbytes in peers:
            r = results[name]
            rows.append((name, nbytes, min(x[0] for x in r), max(min(x[1] for x in r), 0.01), max(x[2] for x in r)))
        vexa_wall = rows[0][1] / rows[0][2]
        vexa_cpu = rows[0][1] / rows[0][3]
        print("## Throughput (%.1f MB message, ten base64 attachments; best of %d)\n" % (size / MB, args.runs))
        print("| Program | Input MB | Wall s | MB/s (wall) | vexa × (wall) | CPU s | MB/s (CPU) | vexa × (CPU) "
              "| Peak RSS MB |")
        print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
        for name, nbytes, wall, cpu, rss in rows:
            print("| %s | %.1f | %.3f | %.0f | %.2f | %.2f | %.0f | %.2f | %.1f |" % (
                name, nbytes / MB, wall, nbytes / wall / MB, vexa_wall / (nbytes / wall), cpu,
                nbytes / cpu / MB, vexa_cpu / (nbytes / cpu), rss / 1024))

        print("\n## Memory as the message grows (vexa-extract)\n")
        print("| Message MB | Peak RSS (MB) |")
        print("|---:|---:|")
        for mb in (5, 50, 200):
            path = os.path.join(tmp, "grow.eml")
            build_message(path, mb, seed=2)
            _, _, rss = best_of(1, lambda: [args.tool, path, out + "/", "--overwrite=yes", "--random=1"], out)
            print("| %d | %.1f |" % (mb, rss / 1024))
            os.unlink(path)

        print("\n## A message without any blank line (vexa-extract)\n")
        print("| Input MB | Seconds | MB/s |")
        print("|---:|---:|---:|")
        for mb in (10, 100):
            path = os.path.join(tmp, "noblank.eml")
            line = b"X-Header: " + b"h" * 60 + b"\r\n"
            with open(path, "wb") as f:
                f.write(b"From: <a@b>\r\nContent-Type: text/plain; name=x\r\n")
                f.write(line * (mb * MB // len(line)))
            seconds, _, _ = best_of(1, lambda: [args.tool, path, out + "/", "--overwrite=yes"], out)
            print("| %d | %.3f | %.0f |" % (mb, seconds, os.path.getsize(path) / seconds / MB))
            os.unlink(path)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
