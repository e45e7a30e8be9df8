#!/usr/bin/env python3
"""Checks of the built demo site: the movies, the pages and tools/serve.py.

    python3 tools/tests/test_demo_site.py --site BUILD/demo_site [--built-in BUILD/Site] [-v]

ctest runs it as tools_demo_site once the site is built.
"""

import html.parser
import http.client
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.dirname(HERE)
SERVE_PY = os.path.join(TOOLS, "serve.py")
sys.path.insert(0, HERE)
import swfinfo  # noqa: E402

SITE = None  # set from --site
BUILT_IN = None  # set from --built-in
GAMES = ["snake", "breakout", "memory", "twenty48", "moles", "blocks"]
MOVIES = GAMES + ["tiny", "big"]


def read_swf(name):
    with open(os.path.join(SITE, "swf", name + ".swf"), "rb") as fh:
        return fh.read()


class MovieTests(unittest.TestCase):
    def test_every_movie_is_a_complete_as3_movie(self):
        for name in MOVIES:
            with self.subTest(movie=name):
                info = swfinfo.parse(read_swf(name))
                self.assertEqual(swfinfo.check_playable(info), [])
                self.assertEqual((info.width, info.height), (480, 360))
                self.assertEqual(info.frame_rate, 30)
                self.assertGreaterEqual(info.version, 10)
        # The frame rate probe asks for twice that.
        frames = swfinfo.parse(read_swf("frames"))
        self.assertEqual(swfinfo.check_playable(frames), [])
        self.assertEqual(frames.frame_rate, 60)

    def test_big_movie_is_large_because_of_embedded_data(self):
        data = read_swf("big")
        self.assertGreater(len(data), 3_000_000)
        self.assertLess(len(data), 4_000_000)
        info = swfinfo.parse(data)
        binary = [length for code, length in info.tags if code == 87]
        self.assertEqual(len(binary), 1)
        self.assertGreaterEqual(binary[0], 3 * 1024 * 1024)
        # Random data must not shrink under the SWF's own compression.
        self.assertGreater(len(data), 0.99 * info.file_length)

    def test_tiny_movie_is_the_smallest(self):
        sizes = {name: len(read_swf(name)) for name in MOVIES}
        self.assertEqual(min(sizes, key=sizes.get), "tiny")
        self.assertLess(sizes["tiny"], 10_000)

    def test_parser_rejects_broken_movies(self):
        good = read_swf("tiny")
        with self.assertRaises(swfinfo.SwfError):
            swfinfo.parse(good[: len(good) // 2])  # cut short
        with self.assertRaises(swfinfo.SwfError):
            swfinfo.parse(b"XWS" + good[3:])  # bad signature
        import zlib
        body = zlib.decompress(good[8:])
        no_end = b"FWS" + good[3:4] + (len(body) + 6).to_bytes(4, "little") + body[:-2]
        with self.assertRaises(swfinfo.SwfError):
            swfinfo.parse(no_end)


class GameTextTests(unittest.TestCase):
    # A phrase each game shows, and English a player should no longer see.
    PHRASES = {"snake": "按方向键开始", "breakout": "发球", "memory": "配对", "twenty48": "得分",
               "moles": "打地鼠", "blocks": "俄罗斯方块"}
    ENGLISH = [b"Press ", b"Click ", b"Score ", b"GAME OVER", b"SPACE", b"Moves ", b"Lives ", b"YOU WIN"]

    def test_every_game_speaks_chinese(self):
        self.assertEqual(sorted(self.PHRASES), sorted(GAMES))
        for name in GAMES:
            with self.subTest(game=name):
                data = read_swf(name)
                body = zlib.decompress(data[8:]) if data[:3] == b"CWS" else data[8:]
                self.assertTrue(self.PHRASES[name].encode("utf-8") in body, "no Chinese text")
                for word in self.ENGLISH:
                    self.assertFalse(word in body, "shows %r" % word)

    def test_every_game_carries_the_glyphs_of_its_texts(self):
        # Text in the computer's fonts costs the player a page drawing call
        # per glyph and frame; the games draw theirs from a font of their own.
        movies = {name: os.path.join(TOOLS, "games", name, "Main.hx") for name in GAMES}
        movies["frames"] = os.path.join(TOOLS, "test_movies", "frames", "Main.hx")
        for name, source in movies.items():
            with self.subTest(movie=name):
                with open(source, encoding="utf-8") as fh:
                    text = fh.read()
                self.assertNotIn('"_sans"', text)
                wanted = {c for c in text if ord(c) > 0x7F and c.isprintable()} | set("0123456789")
                self.assertLessEqual(set(self.PHRASES.get(name, "每秒")), wanted)
                info = swfinfo.parse(read_swf(name))
                self.assertEqual(wanted - info.font_characters, set())


class BuiltInSiteTests(unittest.TestCase):
    """The site the program serves itself: the demo site's pages and games,
    none of the test movies."""

    def test_holds_the_pages_and_the_games_only(self):
        if not BUILT_IN:
            self.skipTest("no --built-in folder given")
        def files(root, skip_swf):
            found = set()
            for folder, _, names in os.walk(root):
                for fn in names:
                    rel = os.path.relpath(os.path.join(folder, fn), root)
                    if not (skip_swf and rel.startswith("swf" + os.sep)):
                        found.add(rel)
            return found
        movies = {os.path.join("swf", name + ".swf") for name in GAMES}
        self.assertEqual(files(BUILT_IN, False), files(SITE, True) | movies)
        for rel in files(BUILT_IN, False):
            with open(os.path.join(BUILT_IN, rel), "rb") as a, open(os.path.join(SITE, rel), "rb") as b:
                self.assertEqual(a.read(), b.read(), rel)


class PageParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.title = ""
        self.in_title = False
        self.in_script = False
        self.inline_scripts = []
        self.script_srcs = []
        self.embeds = []
        self.urls = []  # every href/src
        self.text = []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for key in ("href", "src"):
            if a.get(key):
                self.urls.append(a[key])
        if tag == "title":
            self.in_title = True
        elif tag == "script":
            if "src" in a:
                self.script_srcs.append(a["src"])
            else:
                self.in_script = True
                self.inline_scripts.append("")
        elif tag == "embed":
            self.embeds.append(a)

    def handle_endtag(self, tag):
        if tag == "title":
            self.in_title = False
        elif tag == "script":
            self.in_script = False

    def handle_data(self, data):
        if self.in_title:
            self.title += data
        elif self.in_script:
            self.inline_scripts[-1] += data
        else:
            self.text.append(data)


def parse_page(rel):
    with open(os.path.join(SITE, rel), encoding="utf-8") as fh:
        source = fh.read()
    p = PageParser()
    p.feed(source)
    p.source = source
    return p


class PageTests(unittest.TestCase):
    def assert_links_stay_on_site(self, rel, page):
        for url in page.urls:
            self.assertNotRegex(url, r"^(https?:)?//", "%s links off the site: %s" % (rel, url))
            path = url.split("#")[0]
            if not path:
                continue
            if path.startswith("/"):
                target = os.path.join(SITE, path.lstrip("/"))
            else:
                target = os.path.join(SITE, os.path.dirname(rel), path)
            if os.path.isdir(target):
                target = os.path.join(target, "index.html")
            self.assertTrue(os.path.isfile(target), "%s: broken link %s" % (rel, url))

    def test_game_pages_follow_the_host_contract(self):
        for name in GAMES:
            rel = "games/%s.html" % name
            with self.subTest(page=rel):
                page = parse_page(rel)
                self.assertIn('<meta charset="utf-8">', page.source)
                script = "\n".join(page.inline_scripts)
                m_n = re.search(r'^\s*var n = "([^"]+)";', script, re.M)
                m_f = re.search(r'^\s*var f = "([^"]+)";', script, re.M)
                self.assertIsNotNone(m_n, "no var n")
                self.assertIsNotNone(m_f, "no var f")
                game_name, swf = m_n.group(1), m_f.group(1)
                self.assertRegex(game_name, r"[\u4e00-\u9fff]", "name should be Chinese")
                self.assertIn(game_name, page.title)
                self.assertEqual(swf, "/swf/%s.swf" % name)
                self.assertTrue(os.path.isfile(os.path.join(SITE, swf.lstrip("/"))))
                self.assertEqual(len(page.embeds), 1)
                e = page.embeds[0]
                self.assertEqual(e.get("id"), "movie")
                self.assertEqual(e.get("name"), "movie")
                self.assertEqual(e.get("src"), swf)
                self.assertEqual(e.get("type"), "application/x-shockwave-flash")
                self.assertEqual((e.get("width"), e.get("height")), ("480", "360"))
                self.assertEqual(page.script_srcs, [], "the page must not load a player")
                self.assertNotIn("ruffle", page.source.lower())
                self.assertIn("操作说明", "".join(page.text))
                self.assertIn("/", page.urls, "no link back to the home page")
                self.assert_links_stay_on_site(rel, page)

    def test_home_page_lists_categories_and_games(self):
        page = parse_page("index.html")
        self.assertIn("演示游戏站", page.title)
        text = "".join(page.text)
        for word in ("演示游戏站", "益智游戏", "动作游戏", "经典游戏"):
            self.assertIn(word, text)
        for name in GAMES:
            self.assertIn("/games/%s.html" % name, page.urls)
        self.assertEqual(page.script_srcs, [])
        self.assert_links_stay_on_site("index.html", page)

    def test_every_page_links_only_to_existing_site_files(self):
        for folder, _, files in os.walk(SITE):
            for fn in files:
                if fn.endswith(".html"):
                    rel = os.path.relpath(os.path.join(folder, fn), SITE)
                    with self.subTest(page=rel):
                        self.assert_links_stay_on_site(rel, parse_page(rel))


class Server:
    """serve.py running in the background for one test."""

    def __init__(self, *args):
        self.proc = subprocess.Popen(
            [sys.executable, SERVE_PY] + list(args),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        m = re.fullmatch(r"PORT (\d+)\n", line)
        if not m:
            self.stop()
            raise AssertionError("serve.py printed %r first" % line)
        self.port = int(m.group(1))

    def request(self, path, method="GET"):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            conn.request(method, path)
            r = conn.getresponse()
            return r.status, r.getheader("Content-Type"), r.getheader("Content-Length"), r.read()
        finally:
            conn.close()

    def get(self, path, headers=None):
        """GET with request headers: the status and the response's headers."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            conn.request("GET", path, headers=headers or {})
            r = conn.getresponse()
            r.read()
            return r.status, r.headers
        finally:
            conn.close()

    def stop(self):
        self.proc.terminate()
        try:
            _, err = self.proc.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            _, err = self.proc.communicate()
        return err


class ServerTests(unittest.TestCase):
    def setUp(self):
        self.fixtures = tempfile.mkdtemp(prefix="serve_fixtures_")
        with open(os.path.join(self.fixtures, "extra.html"), "w", encoding="utf-8") as fh:
            fh.write("<p>额外</p>")
        os.makedirs(os.path.join(self.fixtures, "swf"))
        with open(os.path.join(self.fixtures, "swf", "tiny.swf"), "wb") as fh:
            fh.write(b"OVERRIDE")
        with open(os.path.join(self.fixtures, "blob.bin"), "wb") as fh:
            fh.write(os.urandom(120_000))
        os.makedirs(os.path.join(self.fixtures, "emptydir"))
        self.server = Server("--root", self.fixtures, "--root", SITE, "--slow-rate", "200000")

    def tearDown(self):
        err = self.server.stop()
        shutil.rmtree(self.fixtures)
        self.assertEqual(err, "", "serve.py should be quiet")

    def test_content_types(self):
        expected = {
            "/": "text/html; charset=utf-8",
            "/games/snake.html": "text/html; charset=utf-8",
            "/swf/snake.swf": "application/x-shockwave-flash",
            "/css/site.css": "text/css; charset=utf-8",
            "/img/snake.svg": "image/svg+xml",
        }
        for path, ctype in expected.items():
            with self.subTest(path=path):
                status, got, length, body = self.server.request(path)
                self.assertEqual(status, 200)
                self.assertEqual(got, ctype)
                self.assertEqual(int(length), len(body))
        status, _, _, body = self.server.request("/swf/snake.swf")
        self.assertEqual(body, read_swf("snake"))
        status, _, _, body = self.server.request("/games/snake.html?from=test")
        self.assertEqual(status, 200)
        self.assertIn("贪吃蛇".encode("utf-8"), body)

    def test_head_sends_length_without_body(self):
        status, ctype, length, body = self.server.request("/swf/big.swf", "HEAD")
        self.assertEqual((status, ctype, body), (200, "application/x-shockwave-flash", b""))
        self.assertEqual(int(length), len(read_swf("big")))

    def test_roots_are_searched_in_order(self):
        self.assertEqual(self.server.request("/swf/tiny.swf")[3], b"OVERRIDE")
        self.assertEqual(self.server.request("/extra.html")[0], 200)
        self.assertEqual(self.server.request("/swf/snake.swf")[0], 200)  # from the site

    def test_no_listings_and_no_escape(self):
        bad = ["/emptydir/", "/emptydir", "/swf/", "/nothing.html",
               "/../serve.py", "/swf/../../serve.py", "/%2e%2e/serve.py",
               "/swf/%2E%2E/%2e%2e/serve.py", "/..%2fserve.py", "/%2e%2e%2f%2e%2e%2fetc/passwd",
               "/slow/../serve.py", "/slow/%2e%2e/serve.py", "/swf%5c..%5c..%5cserve.py",
               "//etc/passwd", "/%ff%fe", "/index.html%00.swf"]
        # A file right next to a root must be out of reach too.
        outside = os.path.join(os.path.dirname(self.fixtures), "serve_outside_%d.txt" % os.getpid())
        with open(outside, "w") as fh:
            fh.write("secret")
        try:
            bad.append("/../" + os.path.basename(outside))
            bad.append("/%2e%2e/" + os.path.basename(outside))
            for path in bad:
                with self.subTest(path=path):
                    status, _, _, body = self.server.request(path)
                    self.assertEqual(status, 404)
                    self.assertNotIn(b"secret", body)
        finally:
            os.remove(outside)

    def test_guarded_files_go_only_to_a_visit(self):
        self.assertEqual(self.server.get("/guarded/swf/snake.swf")[0], 403)
        status, headers = self.server.get("/cookie/games/snake.html", {"User-Agent": "agent"})
        self.assertEqual(status, 200)
        cookie = headers["Set-Cookie"]
        self.assertRegex(cookie, r"^visit=[0-9a-f]{32}; Path=/; HttpOnly$")
        visit = {"Cookie": cookie.split(";")[0], "User-Agent": "agent",
                 "Referer": "http://127.0.0.1:%d/games/snake.html" % self.server.port}
        self.assertEqual(self.server.get("/guarded/swf/snake.swf", visit)[0], 200)
        for name, value in [("Cookie", "visit=0"), ("User-Agent", "other"), ("Referer", ""),
                            ("Referer", "http://localhost:%d/" % self.server.port)]:
            with self.subTest(header=name, value=value):
                self.assertEqual(self.server.get("/guarded/swf/snake.swf", dict(visit, **{name: value}))[0], 403)

    def test_redirect_goes_where_it_is_told(self):
        status, headers = self.server.get("/redirect?to=https%3A%2F%2F127.0.0.1%3A9%2Fswf%2Ftiny.swf")
        self.assertEqual((status, headers["Location"]), (302, "https://127.0.0.1:9/swf/tiny.swf"))

    def test_slow_path_keeps_to_the_rate(self):
        # 120 000 bytes at 200 000 B/s: about 0.6 s.
        start = time.monotonic()
        status, ctype, length, body = self.server.request("/slow/blob.bin")
        took = time.monotonic() - start
        self.assertEqual(status, 200)
        self.assertEqual(int(length), 120_000)
        with open(os.path.join(self.fixtures, "blob.bin"), "rb") as fh:
            self.assertEqual(body, fh.read())
        self.assertGreater(took, 0.5)
        self.assertLess(took, 3.0)
        self.assertEqual(self.server.request("/slow/swf/snake.swf")[1], "application/x-shockwave-flash")
        self.assertEqual(self.server.request("/slow/nothing.swf")[0], 404)

    def test_broken_path_sends_half_and_resets(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=30)
        conn.request("GET", "/broken/blob.bin")
        response = conn.getresponse()
        self.assertEqual(response.status, 200)
        self.assertEqual(response.getheader("Content-Length"), "120000")
        with self.assertRaises((http.client.IncompleteRead, ConnectionResetError)):
            response.read()
        conn.close()
        self.assertEqual(self.server.request("/")[0], 200)

    def test_slow_download_does_not_block_others(self):
        done = threading.Event()

        def slow():
            conn = socket.create_connection(("127.0.0.1", self.server.port))
            conn.sendall(b"GET /slow/swf/big.swf HTTP/1.1\r\nHost: x\r\n\r\n")
            conn.recv(4096)  # first bytes are flowing
            done.set()
            time.sleep(3.0)
            conn.close()  # hang up in the middle: the server must shrug

        t = threading.Thread(target=slow)
        t.start()
        self.assertTrue(done.wait(10))
        start = time.monotonic()
        status = self.server.request("/swf/big.swf")[0]
        self.assertEqual(status, 200)
        self.assertLess(time.monotonic() - start, 1.0)
        t.join()
        time.sleep(0.5)  # let the server notice the hang-up
        self.assertEqual(self.server.request("/")[0], 200)
        self.assertIsNone(self.server.proc.poll())


class ServerOptionTests(unittest.TestCase):
    def test_refuses_other_hosts(self):
        for host in ("0.0.0.0", "192.0.2.1", "::"):
            with self.subTest(host=host):
                r = subprocess.run([sys.executable, SERVE_PY, "--root", SITE, "--host", host],
                                   capture_output=True, text=True, timeout=10)
                self.assertNotEqual(r.returncode, 0)
                self.assertEqual(r.stdout, "")

    def test_fixed_port(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        server = Server("--root", SITE, "--port", str(port))
        try:
            self.assertEqual(server.port, port)
            self.assertEqual(server.request("/")[0], 200)
        finally:
            server.stop()

    def test_verbose_logs_requests(self):
        server = Server("--root", SITE, "--verbose")
        server.request("/games/memory.html")
        err = server.stop()
        self.assertIn("/games/memory.html", err)


def main():
    global SITE, BUILT_IN
    args = sys.argv[1:]
    if "--built-in" in args and args.index("--built-in") + 1 < len(args):
        i = args.index("--built-in")
        BUILT_IN = os.path.abspath(args[i + 1])
        del args[i:i + 2]
    if "--site" not in args or args.index("--site") + 1 >= len(args):
        print("usage: test_demo_site.py --site BUILD/demo_site [unittest options]", file=sys.stderr)
        return 2
    i = args.index("--site")
    SITE = os.path.abspath(args[i + 1])
    del args[i:i + 2]
    if not os.path.isfile(os.path.join(SITE, "index.html")):
        print("no built site at %s (build the demo_site target first)" % SITE, file=sys.stderr)
        return 1
    prog = unittest.main(argv=[sys.argv[0]] + args, exit=False, verbosity=2)
    r = prog.result
    failed = len(r.failures) + len(r.errors)
    print("%d passed, %d failed" % (r.testsRun - failed, failed))
    return 0 if r.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
