#!/usr/bin/env python3
"""Detection latency of a running Lumeno: how long from the store switching a product to
the line in log.txt. Driven by bench/compare_latency.sh, which starts the demo store and
the program and starts the monitoring.

For each switch: wait a random 0.3 to 1.3 s (seeded), so that switches fall anywhere in the
program's 1 s period; switch the product open through the store's control endpoint (a raw
socket, no process started in between), taking the time just before the request goes out;
poll the size of log.txt every millisecond until it grows. The product is then switched closed and that line is awaited the same way.
Products take turns. Prints one summary line per direction and, with --figures FILE,
appends "name<TAB>value" lines to FILE.
"""
import argparse
import os
import random
import socket
import statistics
import sys
import time

PRODUCTS = ["qorvi3td", "qorvi2s", "kessa", "dianyuan", "hezi"]


def control(port, target):
    """POST to the store's control endpoint on 127.0.0.1; the reply's status line."""
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(f"POST {target} HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n"
                  "Connection: close\r\n\r\n".encode())
        reply = b""
        while chunk := s.recv(4096):
            reply += chunk
    return reply.split(b"\r\n", 1)[0].decode(errors="replace")


def log_size(path):
    try:
        return os.stat(path).st_size
    except FileNotFoundError:
        return 0


def switch_and_time(port, log, product, state, timeout):
    """Milliseconds from the switch to the log line, or None when none came in time."""
    before = log_size(log)
    switched = time.monotonic()  # a little before the store switches: errs on the long side
    status = control(port, f"/control/product?name={product}&state={state}")
    if " 200" not in status:
        sys.exit(f"compare_latency: the store refused {product} {state}: {status}")
    while time.monotonic() - switched < timeout:
        if log_size(log) > before:
            return (time.monotonic() - switched) * 1000
        time.sleep(0.001)
    return None


def summary(name, samples, bound):
    if not samples:
        return f"{name}: no samples"
    return (f"{name}: {len(samples)} switches, median {statistics.median(samples):.0f} ms, "
            f"worst {max(samples):.0f} ms, best {min(samples):.0f} ms, "
            f"{sum(s > bound for s in samples)} over the bound of {bound:.0f} ms")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--switches", type=int, default=50)
    parser.add_argument("--interval-ms", type=float, default=1000)
    parser.add_argument("--figures")
    args = parser.parse_args()
    bound = args.interval_ms + 50
    rng = random.Random(2014)
    opened, closed, missed = [], [], 0
    for i in range(args.switches):
        product = PRODUCTS[i % len(PRODUCTS)]
        for state, samples in (("open", opened), ("closed", closed)):
            time.sleep(rng.uniform(0.3, 1.3))
            latency = switch_and_time(args.port, args.log, product, state, timeout=5.0)
            if latency is None:
                missed += 1
                print(f"compare_latency: no log line 5 s after {product} {state}", file=sys.stderr)
            else:
                samples.append(latency)
    print(summary("opening to log line", opened, bound))
    print(summary("closing to log line", closed, bound))
    if args.figures:
        with open(args.figures, "a") as f:
            f.write(f"Detection latency at 1 s, median (opening)\t{statistics.median(opened):.0f} ms\n")
            f.write(f"Detection latency at 1 s, worst (opening)\t{max(opened):.0f} ms "
                    f"(bound {bound:.0f} ms, {sum(s > bound for s in opened)} of {len(opened)} over)\n")
            f.write(f"Detection latency at 1 s, worst (closing)\t{max(closed):.0f} ms\n")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
