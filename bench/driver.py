#!/usr/bin/env python3
"""Runs the game box, the bare engine view and Chromium side by side and
prints one table row per figure (medians, ratio, budget, ok or MISS).

    python3 bench/driver.py --build BUILD_DIR [--runs N] [--results FILE]

Needs a display (scripts/bench starts Xvfb), BUILD_DIR with the benchmark
targets built (among them orvanzev_probe, the program with the probe), and
chromium.

Every time is taken on CLOCK_MONOTONIC: the driver's spawn times, the arrival
of the pages' beacons at the driver's own server on 127.0.0.1 and the
probe's events all use it. Nothing leaves 127.0.0.1.
"""

import argparse
import importlib.util
import json
import os
import queue
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
GAMES = ("snake", "breakout", "memory")
MEMORY_TABS = 10
BIG_FILE_BYTES = 50 * 1024 * 1024
UPDATE_DELAY_S = 10.0
DOWNLOAD_OK = "该游戏下载成功！"
PLAY_TABS = 10
# The game box freezes a tab hidden for 5 s; the play figures are taken after that.
PLAY_SETTLE_S = 8.0
PLAY_MEASURE_S = 15.0
FRAMES_MEASURE_S = 8.0
# The page the CPU rows keep visible, with the other tabs from GAMES behind it.
VISIBLE_GAME = "snake"

ROW = "%-40s %-34s %12s %12s %8s %10s  %s"


def row(*fields):
    print(ROW % fields, flush=True)


def log(text):
    sys.stderr.write("bench: %s\n" % text)
    sys.stderr.flush()


# --- the server: the demo site, the benchmark's pages, beacons, a slow update check

def load_serve_module():
    found = importlib.util.spec_from_file_location("serve", os.path.join(SOURCE, "tools", "serve.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


serve = load_serve_module()


class Beacons:
    """Beacons received, as (arrival time, name, query)."""

    def __init__(self):
        self.cond = threading.Condition()
        self.items = []

    def add(self, name, query):
        with self.cond:
            self.items.append((time.monotonic(), name, query))
            self.cond.notify_all()

    def _wait(self, done, timeout, what):
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                result = done()
                if result is not None:
                    return result
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(what())
                self.cond.wait(left)

    def since(self, name, prefix, start, end=None):
        """(arrival, query) of the beacons called name whose query starts with
        prefix that arrived in [start, end]."""
        with self.cond:
            return [(t, q) for t, n, q in self.items
                    if n == name and q.startswith(prefix) and t >= start and (end is None or t <= end)]

    def _queries(self, name, prefix):
        return {q for _, n, q in self.items if n == name and q.startswith(prefix)}

    def wait(self, name, query, timeout):
        """The arrival time of the first beacon name?query."""
        def first():
            return next((t for t, n, q in self.items if n == name and q == query), None)
        return self._wait(first, timeout, lambda: "no beacon %s?%s" % (name, query))

    def wait_count(self, name, prefix, count, timeout):
        """Until beacons called name came from count pages whose query starts with prefix."""
        self._wait(lambda: True if len(self._queries(name, prefix)) >= count else None, timeout,
                   lambda: "only %d of %d %s beacons" % (len(self._queries(name, prefix)), count, name))


class BenchHandler(serve.Handler):
    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        if path.startswith("/beacon/"):
            self.beacon()
        elif path == "/update-check":
            # The update check's server: it answers, but only after a while.
            time.sleep(UPDATE_DELAY_S)
            self.answer(b"CurrentVersion=9.9.9.9;")
        else:
            super().do_GET()

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        if urllib.parse.urlsplit(self.path).path.startswith("/beacon/"):
            self.beacon()
        else:
            self.send_not_found(True)

    def beacon(self):
        parts = urllib.parse.urlsplit(self.path)
        self.server.beacons.add(parts.path[len("/beacon/"):], parts.query)
        self.answer(b"")

    def answer(self, body):
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)


def start_server(roots):
    server = serve.Server(("127.0.0.1", 0), BenchHandler)
    server.roots = [os.path.realpath(r) for r in roots]
    server.slow_rate = 100000
    server.verbose = False
    server.beacons = Beacons()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


# --- the pages served to all three

BEACON_ON_LOAD = """<script>
addEventListener("load", function () { navigator.sendBeacon("/beacon/start?" + location.search.slice(1)); });
</script>
"""

# The game page as Chromium and the bare view get it: they load the player
# themselves, with the settings the game box gives it, and say when the movie
# has loaded (the moment the game box's completion waits for).
RUFFLE_IN_PAGE = """<script>
window.RufflePlayer = { config: { publicPath: "/ruffle/", autoplay: "on", unmuteOverlay: "hidden",
  splashScreen: false, preloader: false, contextMenu: "off", letterbox: "on",
  warnOnUnsupportedContent: false, showSwfDownload: false, deviceFontRenderer: "canvas", logLevel: "error" } };
document.addEventListener("loadeddata", function () {
  console.log("bench:movie-ready");
  navigator.sendBeacon("/beacon/movie?" + location.search.slice(1));
}, true);
</script>
<script src="/ruffle/ruffle.js"></script>
"""

DOWNLOAD_PAGE = """<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>大游戏 - 演示游戏站</title>
<script>var n = "大游戏"; var f = "/swf/big50.swf";</script></head>
<body><embed id="movie" name="movie" src="/swf/tiny.swf" type="application/x-shockwave-flash" width="320" height="240">
</body></html>
"""


# The frame-rate movie's page: it passes the movie's reports on as beacons,
# with whether the page was visible when it reported.
FRAMES_PAGE = """<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>帧率 - 演示游戏站</title>
<script>
var tag = location.search.slice(1);
window.orvanzevFirstFrame = function () { navigator.sendBeacon("/beacon/first?" + tag); };
window.orvanzevFrameRate = function (rate, total) {
  navigator.sendBeacon("/beacon/frames?" + tag + "&" + document.visibilityState + "&" + rate + "&" + total);
};
</script></head>
<body style="margin:0;background:#222">
<embed id="movie" name="movie" src="/swf/frames.swf" type="application/x-shockwave-flash" width="480" height="360">
</body></html>
"""

# A page that is one big link to the frame-rate movie's page.
CLICK_PAGE = """<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>开始 - 演示游戏站</title></head>
<body style="margin:0">
<a id="go" href="" style="position:fixed;left:0;top:0;right:0;bottom:0;background:#2c3e50;color:#fff">开始游戏</a>
<script>
document.getElementById("go").href = "%s" + location.search;
addEventListener("load", function () { navigator.sendBeacon("/beacon/click-page?" + location.search.slice(1)); });
</script>
</body></html>
"""


def make_pages(folder, site, ruffle):
    os.makedirs(os.path.join(folder, "bench"))
    os.makedirs(os.path.join(folder, "games"))
    os.makedirs(os.path.join(folder, "swf"))
    with open(os.path.join(site, "index.html"), encoding="utf-8") as f:
        index = f.read()
    with open(os.path.join(folder, "bench", "start.html"), "w", encoding="utf-8") as f:
        f.write(index.replace("</head>", BEACON_ON_LOAD + "</head>", 1))
    for game in GAMES:
        with open(os.path.join(site, "games", game + ".html"), encoding="utf-8") as f:
            page = f.read()
        with open(os.path.join(folder, "games", game + "-ruffle.html"), "w", encoding="utf-8") as f:
            f.write(page.replace("</head>", RUFFLE_IN_PAGE + "</head>", 1))
    with open(os.path.join(folder, "bench", "download.html"), "w", encoding="utf-8") as f:
        f.write(DOWNLOAD_PAGE)
    with open(os.path.join(folder, "bench", "frames.html"), "w", encoding="utf-8") as f:
        f.write(FRAMES_PAGE)
    with open(os.path.join(folder, "bench", "frames-ruffle.html"), "w", encoding="utf-8") as f:
        f.write(FRAMES_PAGE.replace("</head>", RUFFLE_IN_PAGE + "</head>", 1))
    with open(os.path.join(folder, "bench", "click.html"), "w", encoding="utf-8") as f:
        f.write(CLICK_PAGE % "/bench/frames.html")
    with open(os.path.join(folder, "bench", "click-ruffle.html"), "w", encoding="utf-8") as f:
        f.write(CLICK_PAGE % "/bench/frames-ruffle.html")
    with open(os.path.join(folder, "swf", "big50.swf"), "wb") as f:
        f.write(os.urandom(BIG_FILE_BYTES))
    shutil.copytree(ruffle, os.path.join(folder, "ruffle"))


# --- processes

class Process:
    """A program started in a session of its own, its "probe" lines collected."""

    def __init__(self, argv, env, log_path, stdin=True):
        self.log = open(log_path, "wb")
        self.events = queue.Queue()
        self.started = time.monotonic()
        self.popen = subprocess.Popen(argv, env=env, stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=self.log, start_new_session=True)
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for raw in self.popen.stdout:
            line = raw.decode("utf-8", "replace").split()
            if len(line) >= 3 and line[0] == "probe":
                self.events.put((line[1], float(line[2]), line[3:]))

    def send(self, command):
        self.popen.stdin.write((command + "\n").encode("utf-8"))
        self.popen.stdin.flush()

    def wait_event(self, name, timeout, accept=lambda t, fields: True):
        """The next event called name that accept takes; others are dropped."""
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                self.log.flush()
                with open(self.log.name, "rb") as f:
                    tail = f.read()[-2000:].decode("utf-8", "replace")
                raise TimeoutError("no %s from %s (exit status %s); the end of its log:\n%s"
                                   % (name, self.popen.args[0], self.popen.poll(), tail))
            try:
                event, t, fields = self.events.get(timeout=left)
            except queue.Empty:
                continue
            if event == name and accept(t, fields):
                return t, fields

    def pss_mib(self):
        return pss_of_session(self.popen.pid) / 1024.0

    def stop(self, gently=True):
        if self.popen.poll() is None and gently and self.popen.stdin:
            try:
                self.popen.stdin.close()  # the probe closes the window
                self.popen.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                pass
        if self.popen.poll() is None:
            try:
                os.killpg(self.popen.pid, signal.SIGTERM)
                self.popen.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                pass
        try:
            os.killpg(self.popen.pid, signal.SIGKILL)  # whatever of its session is left
        except OSError:
            pass
        self.popen.wait()
        self.log.close()
        wait_session_gone(self.popen.pid)
        os.sync()  # and what it wrote is on disk, not being written back during the next start


def stat_fields(pid):
    """The fields of /proc/PID/stat after the command name (the first is the
    state), or None when the process has gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read()
    except OSError:
        return None
    return stat[stat.rindex(")") + 2:].split()


def processes():
    """pid -> (parent pid, session id) of every process."""
    table = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        fields = stat_fields(int(name))
        if fields:
            table[int(name)] = (int(fields[1]), int(fields[3]))
    return table


def family(root):
    """The root process, its descendants and every other process of its session."""
    table = processes()
    members = {root} | {pid for pid, (_, sid) in table.items() if sid == root}
    grew = True
    while grew:
        grew = False
        for pid, (ppid, _) in table.items():
            if ppid in members and pid not in members:
                members.add(pid)
                grew = True
    return members


def wait_session_gone(root, timeout=15.0):
    """Waits until every process of the session has exited, so that the next
    contender does not start while this one's processes are still tearing
    down their memory."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if not any(sid == root for _, sid in processes().values()):
            return
        time.sleep(0.02)
    log("processes of session %d still there after %.0f s" % (root, timeout))


def pss_of_session(root):
    total = 0
    for pid in family(root):
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
                        break
        except OSError:
            pass
    return total


def cpu_seconds(root):
    """Processor time used so far by the root's family, with what its members
    have collected from children that ended."""
    ticks = 0
    for pid in family(root):
        fields = stat_fields(pid)
        if fields:
            ticks += sum(int(v) for v in fields[11:15])  # utime, stime, cutime, cstime
    return ticks / os.sysconf("SC_CLK_TCK")


def settled_pss(process, settle):
    time.sleep(settle)
    samples = []
    for _ in range(3):
        samples.append(process.pss_mib())
        time.sleep(1.0)
    return statistics.median(samples)


# --- the three contenders

class Bench:
    def __init__(self, args, work):
        self.build = os.path.realpath(args.build)
        self.work = work
        self.runs = args.runs
        self.settle = args.settle
        pages = os.path.join(work, "pages")
        make_pages(pages, os.path.join(self.build, "demo_site"), os.path.join(self.build, "Ruffle"))
        self.server = start_server([pages, os.path.join(self.build, "demo_site")])
        self.port = self.server.server_address[1]
        self.samples = {}
        self.serial = 0
        self.scene_graph = "default"
        self.opengl = True

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def add(self, figure, value):
        self.samples.setdefault(figure, []).append(value)
        log("%s: %s" % (figure, value))

    def fresh(self, kind):
        self.serial += 1
        folder = os.path.join(self.work, "%s-%d" % (kind, self.serial))
        os.makedirs(folder)
        return folder

    def engine_env(self, home):
        env = dict(os.environ)
        if os.getuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        env["QTWEBENGINE_CHROMIUM_FLAGS"] = (env.get("QTWEBENGINE_CHROMIUM_FLAGS", "") + " --disable-gpu").strip()
        env["QT_QPA_PLATFORM"] = "xcb"
        for name, sub in (("HOME", ""), ("XDG_DATA_HOME", "data"), ("XDG_CACHE_HOME", "cache"),
                          ("XDG_CONFIG_HOME", "config")):
            env[name] = os.path.join(home, sub)
        return env

    # The game box in a program folder of its own, with a fresh engine profile.
    def start_box(self, run, home=None, watch_stalls=True):
        folder = self.fresh("box")
        program = os.path.join(folder, "orvanzev")
        try:
            os.link(os.path.join(self.build, "bench", "orvanzev_probe"), program)
        except OSError:
            shutil.copy2(os.path.join(self.build, "bench", "orvanzev_probe"), program)
        shutil.copytree(os.path.join(self.build, "Data"), os.path.join(folder, "Data"),
                        ignore=shutil.ignore_patterns("Config.dat", "Log.dat", "*.swf", "*.part"))
        os.symlink(os.path.join(self.build, "Ruffle"), os.path.join(folder, "Ruffle"))
        config = ("[System]\r\nSoftName=zev子\r\nUpdatePath=\r\nHomePage=%s\r\nReportURL=about:blank\r\n"
                  "CheckURL=%s\r\nSoftwareWebSit=about:blank\r\n") % (
                      home or self.url("/bench/start.html?box-%s" % run), self.url("/update-check"))
        with open(os.path.join(folder, "Data", "Config.dat"), "w", encoding="utf-8", newline="") as f:
            f.write(config)
        env = self.engine_env(os.path.join(folder, "home"))
        if not watch_stalls:
            env["BENCH_NO_STALL_WATCH"] = "1"
        return Process([program], env, os.path.join(folder, "log.txt"))

    def start_bare(self, run):
        folder = self.fresh("bare")
        env = self.engine_env(os.path.join(folder, "home"))
        # The renderer the game box chose on this machine.
        if self.scene_graph == "software":
            env["QT_QUICK_BACKEND"] = "software"
        if not self.opengl:
            env["QT_XCB_GL_INTEGRATION"] = "none"
        return Process([os.path.join(self.build, "bench", "bare_view"), self.url("/bench/start.html?bare-%s" % run)],
                       env, os.path.join(folder, "log.txt"))

    def start_chromium(self, urls):
        folder = self.fresh("chromium")
        argv = ["chromium", "--user-data-dir=" + os.path.join(folder, "profile"),
                "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--metrics-recording-only",
                "--disable-default-apps", "--disable-domain-reliability", "--disable-breakpad",
                "--disable-client-side-phishing-detection", "--no-pings", "--password-store=basic",
                "--no-proxy-server", "--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1",
                "--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication",
                "--autoplay-policy=no-user-gesture-required", "--disable-gpu",
                "--window-position=0,0", "--window-size=960,680"]
        if os.getuid() == 0:
            argv.append("--no-sandbox")
        env = self.engine_env(os.path.join(folder, "home"))
        return Process(argv + urls, env, os.path.join(folder, "log.txt"), stdin=False)

    # --- one run of every comparison

    def warm_up(self):
        """One start of each, unmeasured: the files they load are read from
        disk once, and the game box tells which renderer it chose."""
        box = self.start_box("warm-up")
        try:
            _, fields = box.wait_event("ready", 60)
            self.scene_graph = fields[0].split("=")[1]
            self.opengl = fields[1] == "opengl=1"
            box.wait_event("home-complete", 60)
        finally:
            box.stop()
        log("the game box draws with the %s scene graph, OpenGL %s; the bare view is given the same"
            % (self.scene_graph, "on" if self.opengl else "off"))
        bare = self.start_bare("warm-up")
        try:
            bare.wait_event("loaded", 60)
        finally:
            bare.stop()
        chromium = self.start_chromium([self.url("/bench/start.html?chromium-warm-up")])
        try:
            self.server.beacons.wait("start", "chromium-warm-up", 60)
        finally:
            chromium.stop(gently=False)

    def run(self, run):
        self.bare_run(run)
        self.chromium_start(run)
        self.box_session(run)
        self.chromium_memory(run)
        self.box_memory(run)
        self.play(run)
        self.click_to_frame(run)

    def play(self, run):
        """Processor time with one game tab and with ten, and the frame-rate
        movie's frames alone and with nine game tabs behind it."""
        for contender in ("box", "chromium"):
            for label, visible, hidden in (("cpu1", VISIBLE_GAME, 0), ("cpu10", VISIBLE_GAME, PLAY_TABS - 1),
                                           ("frames1", "frames", 0), ("frames10", "frames", PLAY_TABS - 1)):
                self.play_session(contender, run, label, visible, hidden)

    def play_pages(self, contender, tag, visible, hidden):
        """The hidden tabs' addresses and the visible tab's."""
        suffix = "-ruffle" if contender == "chromium" else ""
        games = [self.url("/games/%s%s.html?%s-%d" % (GAMES[(i + 1) % len(GAMES)], suffix, tag, i))
                 for i in range(hidden)]
        if visible == "frames":
            shown = self.url("/bench/frames%s.html?%s" % (suffix, tag))
        else:
            shown = self.url("/games/%s%s.html?%s-shown" % (visible, suffix, tag))
        return games, shown

    def play_session(self, contender, run, label, visible, hidden):
        tag = "%s-%s-%s" % (contender, label, run)
        games, shown = self.play_pages(contender, tag, visible, hidden)
        if contender == "box":
            process = self.start_box(tag, watch_stalls=False)
            process.wait_event("home-complete", 60)
            # The tab opened last is the one shown.
            for url in games + [shown]:
                process.send("open " + url)
            for _ in range(hidden + 1):
                process.wait_event("opened", 120)
        else:
            # Chromium shows the first of the pages it is given.
            process = self.start_chromium([shown] + games)
            self.server.beacons.wait_count("movie", tag, hidden + 1, 120)
        try:
            time.sleep(PLAY_SETTLE_S)
            measure = FRAMES_MEASURE_S if visible == "frames" else PLAY_MEASURE_S
            t0, c0 = time.monotonic(), cpu_seconds(process.popen.pid)
            time.sleep(measure)
            t1, c1 = time.monotonic(), cpu_seconds(process.popen.pid)
            if visible == "frames":
                rates = []
                for _, query in self.server.beacons.since("frames", tag + "&", t0, t1):
                    _, state, rate, _ = query.split("&")
                    if state != "visible":
                        raise RuntimeError("%s: the frame-rate movie reported from a hidden page" % tag)
                    rates.append(int(rate))
                if len(rates) < measure / 2:
                    raise RuntimeError("%s: the movie reported %d times in %.0f s" % (tag, len(rates), measure))
                self.add("%s_%s_fps" % (label, contender), statistics.mean(rates))
            else:
                self.add("%s_%s_cores" % (label, contender), (c1 - c0) / (t1 - t0))
        finally:
            process.stop(gently=contender == "box")

    def click_to_frame(self, run):
        """From a click on a link to the frame-rate movie's page to its first frame."""
        for contender in ("box", "chromium"):
            tag = "%s-click-%s" % (contender, run)
            page = self.url("/bench/click%s.html?%s" % ("-ruffle" if contender == "chromium" else "", tag))
            if contender == "box":
                process = self.start_box(tag, home=page, watch_stalls=False)
            else:
                process = self.start_chromium([page])
            try:
                self.server.beacons.wait("click-page", tag, 60)
                if contender == "box":
                    process.wait_event("home-complete", 60)
                time.sleep(1.0)
                if contender == "box":
                    process.send("locate-page")
                    _, fields = process.wait_event("located", 10)
                    if fields[1] == "-":
                        raise RuntimeError("the game box shows no page")
                    x, y = fields[1], fields[2]
                else:
                    x, y = "480", "400"
                subprocess.run(["xdotool", "mousemove", "--sync", x, y], check=True)
                clicked = time.monotonic()
                subprocess.run(["xdotool", "click", "1"], check=True)
                first = self.server.beacons.wait("first", tag, 60)
                self.add("click_%s_s" % contender, first - clicked)
            finally:
                process.stop(gently=contender == "box")

    def bare_run(self, run):
        bare = self.start_bare(run)
        try:
            loaded = self.server.beacons.wait("start", "bare-%s" % run, 60)
            self.add("startup_bare_s", loaded - bare.started)
            bare.wait_event("loaded", 30)
            for game in GAMES:
                bare.send("open " + self.url("/games/%s-ruffle.html?bare-%s" % (game, run)))
                t0, fields = bare.wait_event("opened", 60)
                self.add("newtab_bare_s", float(fields[0]) - t0)
        finally:
            bare.stop()

    def chromium_start(self, run):
        chromium = self.start_chromium([self.url("/bench/start.html?chromium-%s" % run)])
        try:
            loaded = self.server.beacons.wait("start", "chromium-%s" % run, 60)
            self.add("startup_chromium_s", loaded - chromium.started)
        finally:
            chromium.stop(gently=False)

    def box_session(self, run):
        box = self.start_box(run)
        try:
            beacon = self.server.beacons.wait("start", "box-%s" % run, 60)
            box.wait_event("home-complete", 60)
            try:
                written, _ = box.wait_event("toolbar-written", 5, lambda t, f: f == ["home=1"])
                self.add("startup_box_s", max(beacon, written) - box.started)
            except TimeoutError:
                # The toolbar page was still loading when the home page
                # completed; the program then leaves the page's own states.
                log("run %s: the toolbar page completed after the home page; no start-up sample" % run)
                self.add("startup_unwritten", 1)
            box.send("stall")
            _, fields = box.wait_event("stall", 10)
            self.add("stall_startup_ms", float(fields[0]))

            self.toolbar_clicks(box)

            for game in GAMES:
                box.send("open " + self.url("/games/%s.html?box-%s" % (game, run)))
                t0, fields = box.wait_event("opened", 60)
                self.add("newtab_box_s", float(fields[0]) - t0)

            box.send("open " + self.url("/bench/download.html?box-%s" % run))
            box.wait_event("opened", 60)
            box.send("download")
            t0, fields = box.wait_event("downloaded", 120)
            if fields[3] != DOWNLOAD_OK or fields[2] != "progress=1":
                raise RuntimeError("the download did not go through the dialogs: %s" % " ".join(fields))
            self.add("download_s", float(fields[0]) - t0)
            self.add("stall_download_ms", float(fields[1]))
        finally:
            box.stop()

    def toolbar_clicks(self, box, clicks=6):
        for _ in range(clicks):
            box.send("locate ShowLeftView")
            _, fields = box.wait_event("located", 10)
            if fields[1] == "-":
                raise RuntimeError("the toolbar has no ShowLeftView button")
            subprocess.run(["xdotool", "mousemove", "--sync", fields[1], fields[2], "click", "1"], check=True)
            _, fields = box.wait_event("click-reflected", 10)
            self.add("toolbar_ms", float(fields[0]))
            time.sleep(0.3)

    def memory_pages(self, run, kind):
        suffix = "-ruffle" if kind == "chromium" else ""
        return [self.url("/games/%s%s.html?%s-mem-%s-%d" % (GAMES[i % len(GAMES)], suffix, kind, run, i))
                for i in range(MEMORY_TABS)]

    def chromium_memory(self, run):
        chromium = self.start_chromium(self.memory_pages(run, "chromium"))
        try:
            self.server.beacons.wait_count("movie", "chromium-mem-%s-" % run, MEMORY_TABS, 120)
            self.add("memory_chromium_mib", settled_pss(chromium, self.settle))
        finally:
            chromium.stop(gently=False)

    def box_memory(self, run):
        """The update check first, on a window left alone, then the ten games."""
        box = self.start_box("mem-%s" % run)
        try:
            box.wait_event("home-complete", 60)
            t0, fields = box.wait_event("update-checked", 60)
            if fields[2] != "hint=1" or float(fields[0]) - t0 < UPDATE_DELAY_S - 1:
                raise RuntimeError("the update check did not wait for the slow server: %s" % " ".join(fields))
            self.add("stall_update_ms", float(fields[1]))
            for url in self.memory_pages(run, "box"):
                box.send("open " + url)
            for _ in range(MEMORY_TABS):
                box.wait_event("opened", 120)
            self.add("memory_box_mib", settled_pss(box, self.settle))
        finally:
            box.stop()

    # --- the table

    def report(self):
        m = {k: statistics.median(v) for k, v in self.samples.items()}

        def ratio_row(figure, compared, box, base, budget_text, ok, scale=1.0, digits=3):
            if box not in m or base not in m:
                row(figure, compared, "-", "-", "-", budget_text, "MISS (no samples)")
                return
            value, baseline = m[box], m[base]
            ratio = value / baseline
            row(figure, compared, "%.*f" % (digits, value * scale), "%.*f" % (digits, baseline * scale),
                "%.2fx" % ratio, budget_text, "-" if ok is None else "ok" if ok(ratio) else "MISS")

        ratio_row("start-up to home page + toolbar (s)", "bare QWebEngineView, same page", "startup_box_s",
                  "startup_bare_s", "<= 1.25x", lambda r: r <= 1.25)
        ratio_row("start-up to home page + toolbar (s)", "Chromium, fresh profile", "startup_box_s",
                  "startup_chromium_s", "< 1x", lambda r: r < 1.0)
        if "startup_unwritten" in self.samples:
            print("  (start-up: %d run(s) without a toolbar write, left out)" % len(self.samples["startup_unwritten"]),
                  flush=True)
        ratio_row("PSS, 10 game tabs playing (MiB)", "Chromium, same 10 pages", "memory_box_mib",
                  "memory_chromium_mib", "<= 0.7x", lambda r: r <= 0.7, digits=0)
        ratio_row("new tab: OpenPage to completion (s)", "bare QWebEngineView, new tab", "newtab_box_s",
                  "newtab_bare_s", "<= 1.2x", lambda r: r <= 1.2)
        ratio_row("CPU, 1 game tab shown (cores)", "Chromium, same page", "cpu1_box_cores", "cpu1_chromium_cores",
                  "-", None)
        ratio_row("CPU, 10 game tabs, 1 shown (cores)", "the game box, that 1 tab alone", "cpu10_box_cores",
                  "cpu1_box_cores", "<= 1.2x", lambda r: r <= 1.2)
        ratio_row("CPU, 10 game tabs, 1 shown (cores)", "Chromium, same 10 pages", "cpu10_box_cores",
                  "cpu10_chromium_cores", "<= 0.6x", lambda r: r <= 0.6)
        ratio_row("frames/s, 60 fps movie alone", "Chromium, same movie", "frames1_box_fps", "frames1_chromium_fps",
                  ">= 0.95x", lambda r: r >= 0.95, digits=1)
        ratio_row("frames/s, movie + 9 hidden game tabs", "the game box, the movie alone", "frames10_box_fps",
                  "frames1_box_fps", ">= 0.95x", lambda r: r >= 0.95, digits=1)
        ratio_row("frames/s, movie + 9 hidden game tabs", "Chromium, same 10 pages", "frames10_box_fps",
                  "frames10_chromium_fps", ">= 0.95x", lambda r: r >= 0.95, digits=1)
        ratio_row("click on a game link to first frame (s)", "Chromium, same pages", "click_box_s",
                  "click_chromium_s", "<= 1x", lambda r: r <= 1.0)
        clicks = m["toolbar_ms"]
        row("toolbar click to states written (ms)", "-", "%.1f" % clicks, "-", "-", "< 16 ms",
            "ok" if clicks < 16 else "MISS")
        for phase, label, what in (("startup", "start-up", ""), ("download", "50 MB download", ""),
                                   ("update", "update check", "10 s server; ")):
            key = "stall_%s_ms" % phase
            value = m[key]
            row("longest UI stall: %s (ms)" % label, "%sworst run %.1f" % (what, max(self.samples[key])),
                "%.1f" % value, "-", "-", "< 50 ms", "ok" if value < 50 else "MISS")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="the benchmark build folder")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--settle", type=float, default=5.0,
                        help="seconds the games play before memory is taken")
    parser.add_argument("--results", help="write every sample to this JSON file")
    parser.add_argument("--only", choices=("bare", "chromium-start", "box", "chromium-memory", "box-memory", "play",
                                           "click"),
                        help="run one part only, printing its samples (for looking into a figure)")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        parser.error("no display")
    work = tempfile.mkdtemp(prefix="orvanzev-bench-")
    try:
        bench = Bench(args, work)
        bench.warm_up()
        for run in range(1, args.runs + 1):
            log("run %d of %d" % (run, args.runs))
            if args.only:
                {"bare": bench.bare_run, "chromium-start": bench.chromium_start, "box": bench.box_session,
                 "chromium-memory": bench.chromium_memory, "box-memory": bench.box_memory, "play": bench.play,
                 "click": bench.click_to_frame}[args.only](run)
            else:
                bench.run(run)
        if args.results:
            with open(args.results, "w") as f:
                json.dump(bench.samples, f, indent=1, sort_keys=True)
        if not args.only:
            bench.report()
    finally:
        if os.environ.get("BENCH_KEEP"):
            log("kept %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
