#!/usr/bin/env python3
"""lumeno.exe end to end: the real Windows program under wine64 on a private Xvfb display,
watching the loopback demo store.

The run: the start-up notice comes before the main window and is dismissed with Enter;
按钮1 starts monitoring at the default 1 s interval; the store switches 盒子 (hezi) from
closed to open and back, each time waiting until the program has fetched the new state
and finished that check; 按钮1 stops; Alt+F4 closes the window. Then:
  - the program exited with code 0;
  - log.txt beside the program holds exactly the opening and the closing line of 盒子,
    GBK, "Time:" + stamp + "  Log:" + message + CR LF, stamped within the run;
  - every stock request carried the three default header lines byte for byte, and the
    only other request was the hidden browser's login page;
  - no stock request arrived after monitoring stopped.
A screenshot of the running window (盒子 open) is kept as win32_e2e_window.png in the work
folder. Every wait polls a condition with a generous bound, and every process started here
is stopped again by its id, also on failure.
"""

import argparse
import datetime
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time
import urllib.request

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
INTERVAL_S = 1  # 编辑框1's default

ACCEPT_LINE = (
    b"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    b"application/x-shockwave-flash, application/vnd.ms-excel, "
    b"application/vnd.ms-powerpoint, application/msword, */*\r\n"
)
AGENT_LINE = b"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
STOCK_PATH = "/misc/get2014nianstock"
OPEN_MESSAGE = "Qorvi盒子 开放购买!"
CLOSE_MESSAGE = "Qorvi盒子 关闭购买!"
MAIN_TITLE = "Lumeno v1.0"
NOTICE_TITLE = "温情提示"
START_BUTTON = (108 + 40, 16 + 16)  # 按钮1's centre in client coordinates


class Failure(Exception):
    pass


def log(message):
    print(f"[win32_e2e {time.strftime('%H:%M:%S')}] {message}", flush=True)


def wait_for(what, condition, timeout, interval=0.1):
    """Polls condition() until it returns something truthy; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Processes:
    """Everything started here, stopped in reverse order by process id."""

    def __init__(self):
        self.started = []  # (name, Popen, stop signal)
        self.before_stop = []  # commands run first (the wine server's own stop)

    def start(self, name, args, stop_signal=signal.SIGTERM, **kwargs):
        process = subprocess.Popen(args, **kwargs)
        self.started.append((name, process, stop_signal))
        return process

    def stop_all(self):
        for command, env in self.before_stop:
            subprocess.run(command, env=env, capture_output=True, timeout=60)
        self.before_stop.clear()
        for name, process, stop_signal in reversed(self.started):
            if process.poll() is None:
                process.send_signal(stop_signal)
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    log(f"{name} did not stop; killing it")
                    process.kill()
                    process.wait()
        self.started.clear()


class Display:
    def __init__(self, processes, work_dir):
        self.env = None
        read_end, write_end = os.pipe()
        # -displayfd: Xvfb chooses a free display and writes its number once it is ready.
        # -noreset: the screen stays as it is when its last client leaves.
        processes.start(
            "Xvfb",
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,),
            stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(work_dir, "xvfb.log"), "wb"),
        )
        os.close(write_end)
        # The number and its newline come in two writes; closing the pipe before the
        # newline has arrived would end the server.
        received, deadline = b"", time.monotonic() + 30
        while not received.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 1)
            chunk = os.read(read_end, 64) if ready else b""
            if ready and not chunk:
                break  # the server ended
            received += chunk
        os.close(read_end)
        number = received.decode().strip() if received.endswith(b"\n") else ""
        if not number:
            raise Failure("Xvfb did not report a display")
        self.name = f":{number}"
        self.env = dict(os.environ, DISPLAY=self.name)
        log(f"Xvfb on display {self.name}")
        # A window manager gives the windows frames (and the screenshot its caption bar).
        processes.start("openbox", ["openbox"], env=self.env,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("openbox", lambda: self.xdotool("get_num_desktops", check=False), 30)

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, timeout=30)
        if check and result.returncode != 0:
            raise Failure(f"xdotool {' '.join(args)}: {result.stderr.decode(errors='replace')}")
        return result.stdout.decode(errors="replace").strip() if result.returncode == 0 else ""

    def visible_windows(self, title):
        """Mapped windows whose UTF-8 title (_NET_WM_NAME) is exactly title."""
        ids = self.xdotool("search", "--all", "--onlyvisible", "--name", ".", check=False)
        return [w for w in ids.split() if self.xdotool("getwindowname", w, check=False) == title]

    def geometry(self, window):
        fields = dict(
            line.split("=", 1)
            for line in self.xdotool("getwindowgeometry", "--shell", window).splitlines()
            if "=" in line
        )
        return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])

    def screenshot(self, path, window=None):
        """The screen, or the window with its frame when one is given."""
        crop = []
        if window is not None:
            x, y, width, height = self.geometry(window)
            left, top = max(0, x - 8), max(0, y - 48)  # room for the frame's caption bar
            crop = ["-crop", f"{width + 16}x{height + 56}+{left}+{top}", "+repage"]
        result = subprocess.run(["import", "-window", "root", *crop, path], env=self.env,
                                capture_output=True, timeout=60)
        if result.returncode != 0:
            raise Failure(f"screenshot failed: {result.stderr.decode(errors='replace')}")


class Store:
    def __init__(self, processes, binary, work_dir):
        scenario = os.path.join(work_dir, "scenario.txt")
        with open(scenario, "w") as f:
            f.write("# every product closed until the test switches hezi by hand\nstep\nproducts 00000\n")
        self.recording = os.path.join(work_dir, "recording.txt")
        self.process = processes.start(
            "demo store",
            [binary, "--port", "0", "--scenario", scenario, "--record", self.recording, "--quiet"],
            stdout=subprocess.PIPE,
            stderr=open(os.path.join(work_dir, "store.log"), "wb"),
        )
        ready, _, _ = select.select([self.process.stdout], [], [], 30)
        line = self.process.stdout.readline().decode().strip() if ready else ""
        if not re.fullmatch(r"127\.0\.0\.1:\d+", line):
            raise Failure(f"the demo store did not report its address (got {line!r})")
        self.address = line
        log(f"demo store on {self.address}")

    def _call(self, method, path):
        request = urllib.request.Request(f"http://{self.address}{path}", method=method)
        with urllib.request.urlopen(request, timeout=10) as reply:
            text = reply.read().decode()
        return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)

    def state(self):
        return self._call("GET", "/control/state")

    def stock_requests(self):
        return int(self.state()["stock_requests"])

    def switch(self, product, state):
        reply = self._call("POST", f"/control/product?name={product}&state={state}")
        if reply.get(product) != state:
            raise Failure(f"the store did not switch {product} to {state}: {reply}")
        return int(reply["stock_requests"])

    def wait_for_checks(self, after, what):
        """Waits until the program has fetched twice since the store answered `after`
        requests: the first of those requests saw the new state, and the second is only
        sent once the check that read it has finished (checks never overlap)."""
        return wait_for(what, lambda: self.stock_requests() >= after + 2 and self.stock_requests(),
                        timeout=30 + 4 * INTERVAL_S)

    def records(self):
        """The raw requests: (request bytes) in order of arrival."""
        with open(self.recording, "rb") as f:
            data = f.read()
        out, pos = [], 0
        header = re.compile(rb"--- request (\d+) \((\d+) bytes\) ---\n")
        while pos < len(data):
            m = header.match(data, pos)
            if not m:
                raise Failure(f"unreadable recording at byte {pos}")
            start = m.end()
            length = int(m.group(2))
            out.append(data[start:start + length])
            pos = start + length + 1
        return out


def find_demo_store(args):
    candidates = [args.demo_store, os.environ.get("LUMENO_DEMO_STORE"),
                  os.path.join(args.source_dir, "build/linux/tools/demo-store/demo-store")]
    for path in candidates:
        if path and os.access(path, os.X_OK):
            return path
    # The store is a native Linux program; the Windows build cannot make it.
    log("building the demo store with the linux preset")
    for command in (["cmake", "--preset", "linux"],
                    ["cmake", "--build", "--preset", "linux", "--target", "demo-store"]):
        subprocess.run(command, cwd=args.source_dir, check=True, stdout=subprocess.DEVNULL)
    return candidates[-1]


def wine_env(display, prefix, store):
    return dict(display.env, WINEPREFIX=prefix, WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=", LANG="zh_CN.UTF-8",
                LUMENO_ORDER_HOST=store.address, LUMENO_SITE_HOST=store.address)


def boot_prefix(env, prefix):
    if os.path.exists(os.path.join(prefix, ".lumeno-booted")):
        return
    log("creating the wine prefix (once)")
    os.makedirs(prefix, exist_ok=True)
    subprocess.run([WINE, "wineboot", "-i"], env=env, capture_output=True, timeout=180)
    subprocess.run([WINESERVER, "-w"], env=env, timeout=180)
    open(os.path.join(prefix, ".lumeno-booted"), "w").close()


def parse_stamp(stamp):
    """The log's date-time text back to a datetime: decimal numbers without leading zeros;
    the time part drops its trailing fields when they are 0."""
    number = r"(0|[1-9]\d*)"
    form = rf"{number}年{number}月{number}日(?:{number}时(?:{number}分(?:{number}秒)?)?)?"
    m = re.fullmatch(form, stamp)
    if not m:
        raise Failure(f"time stamp {stamp!r} is not in the log's form")
    year, month, day, hour, minute, second = (int(g) if g is not None else 0 for g in m.groups())
    return datetime.datetime(year, month, day, hour, minute, second)


def check_log(path, started, ended):
    if not os.path.exists(path):
        raise Failure("no log.txt beside the program")
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    if lines[-1] != b"":
        raise Failure(f"log.txt does not end with CR LF: {data!r}")
    lines = lines[:-1]
    expected = [OPEN_MESSAGE, CLOSE_MESSAGE]
    if len(lines) != len(expected):
        raise Failure(f"log.txt holds {len(lines)} lines, expected the opening and the closing: {data!r}")
    previous = None
    for line, message in zip(lines, expected):
        m = re.fullmatch(rb"Time:(.*)  Log:(.*)", line, re.S)
        if not m:
            raise Failure(f"log line {line!r} is not 'Time:' + stamp + '  Log:' + message")
        if m.group(2) != message.encode("gbk"):
            raise Failure(f"log message {m.group(2)!r} is not {message!r} in GBK")
        when = parse_stamp(m.group(1).decode("gbk"))
        if not (started - datetime.timedelta(seconds=1) <= when <= ended + datetime.timedelta(seconds=1)):
            raise Failure(f"stamp {when} lies outside the run ({started} .. {ended})")
        if previous is not None and when < previous:
            raise Failure("log lines are not in time order")
        previous = when
    log(f"log.txt: {data.decode('gbk')!r}")


def check_requests(store):
    stock = 0
    referer = f"Referer: http://{store.address}{STOCK_PATH}\r\n".encode()
    defaults = ACCEPT_LINE + referer + b"Accept-Language: zh-cn\r\n"
    for raw in store.records():
        head, _, body = raw.partition(b"\r\n\r\n")
        request_line = head.split(b"\r\n", 1)[0]
        if request_line == f"GET {STOCK_PATH} HTTP/1.1".encode():
            stock += 1
            block = head + b"\r\n"
            if defaults not in block:
                raise Failure(f"stock request without the three default header lines:\n{raw!r}")
            if AGENT_LINE not in block:
                raise Failure(f"stock request without the program's User-Agent:\n{raw!r}")
            if body:
                raise Failure(f"stock request with a body:\n{raw!r}")
        elif request_line != b"GET /site/login?ac=1 HTTP/1.1":  # the hidden browser's page
            raise Failure(f"unexpected request {request_line!r}")
    return stock


def run(args, processes):
    work_dir = os.path.abspath(args.work_dir)
    shutil.rmtree(work_dir, ignore_errors=True)
    app_dir = os.path.join(work_dir, "app")
    os.makedirs(app_dir)
    program = os.path.join(app_dir, "lumeno.exe")
    shutil.copy(args.program, program)

    store = Store(processes, find_demo_store(args), work_dir)
    display = Display(processes, work_dir)
    prefix = os.path.abspath(args.wineprefix)
    env = wine_env(display, prefix, store)
    # The prefix's wine server and its helpers (explorer, services) end with -k, before
    # the display they draw on goes away.
    processes.before_stop.append(([WINESERVER, "-k"], env))
    boot_prefix(env, prefix)

    try:
        started = datetime.datetime.now().replace(microsecond=0)
        # Started from the work folder, not the program's: log.txt must still land beside it.
        lumeno = processes.start("lumeno.exe", [WINE, program], cwd=work_dir, env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        notice = wait_for("the start-up notice", lambda: display.visible_windows(NOTICE_TITLE), 120)[0]
        if display.visible_windows(MAIN_TITLE):
            raise Failure("the main window shows before the notice is dismissed")
        log("notice shown before the main window; dismissing it with Enter")

        def dismissed():
            if not display.visible_windows(NOTICE_TITLE):
                return True
            display.xdotool("windowactivate", "--sync", notice, check=False)
            display.xdotool("key", "--clearmodifiers", "Return", check=False)
            time.sleep(0.5)
            return not display.visible_windows(NOTICE_TITLE)

        wait_for("the notice to close", dismissed, 30, interval=0.5)
        window = wait_for("the main window", lambda: display.visible_windows(MAIN_TITLE), 30)[0]
        if store.stock_requests() != 0:
            raise Failure("the program fetched stock before monitoring was started")

        log("clicking 按钮1 (start)")
        display.xdotool("mousemove", "--window", window, *map(str, START_BUTTON), "click", "1")
        store.wait_for_checks(0, "the first checks after the start")

        log("hezi opens")
        opened_at = store.switch("hezi", "open")
        store.wait_for_checks(opened_at, "the check that sees hezi open")
        shot = os.path.join(work_dir, "win32_e2e_window.png")
        display.screenshot(shot, window)
        log(f"screenshot: {shot}")

        log("hezi closes")
        closed_at = store.switch("hezi", "closed")
        store.wait_for_checks(closed_at, "the check that sees hezi closed")

        log("clicking 按钮1 (stop)")
        display.xdotool("mousemove", "--window", window, *map(str, START_BUTTON), "click", "1")
        # Stopped means no new request for three intervals; a Timer still running would
        # keep the count moving and time this wait out.
        quiet = {"count": -1, "since": time.monotonic()}

        def stopped():
            count = store.stock_requests()
            if count != quiet["count"]:
                quiet.update(count=count, since=time.monotonic())
            return time.monotonic() - quiet["since"] >= 3 * INTERVAL_S

        wait_for("monitoring to stop", stopped, 60, interval=0.2)
        requests_at_stop = quiet["count"]

        log("closing the window with Alt+F4")
        display.xdotool("windowactivate", "--sync", window, check=False)
        display.xdotool("key", "--clearmodifiers", "alt+F4")
        try:
            code = lumeno.wait(timeout=60)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after its window was closed")
        ended = datetime.datetime.now()
    except Failure:
        try:  # what the screen showed, for the diagnosis; the failure stays the result
            display.screenshot(os.path.join(work_dir, "win32_e2e_failure.png"))
        except (subprocess.SubprocessError, OSError) as error:
            log(f"no failure screenshot: {error}")
        raise

    if code != 0:
        raise Failure(f"exit code {code}, expected 0")
    log("exit code 0")
    if store.stock_requests() != requests_at_stop:
        raise Failure(f"stock requests after the stop: {requests_at_stop} -> {store.stock_requests()}")
    check_log(os.path.join(app_dir, "log.txt"), started, ended)
    stock = check_requests(store)
    if stock != requests_at_stop:
        raise Failure(f"the recording holds {stock} stock requests, the store counted {requests_at_stop}")
    log(f"{stock} stock requests, each with the three default header lines; none after the stop")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="lumeno.exe (x86-64 build)")
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--work-dir", required=True, help="emptied, then holds the run's files")
    parser.add_argument("--wineprefix", required=True)
    parser.add_argument("--demo-store", help="the native demo-store program")
    args = parser.parse_args()

    processes = Processes()
    began = time.monotonic()
    try:
        run(args, processes)
    except (Failure, subprocess.CalledProcessError, OSError) as error:
        log(f"FAILED: {error}")
        return 1
    finally:
        processes.stop_all()
        log(f"took {time.monotonic() - began:.1f} s")
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
