#!/usr/bin/python3
"""The game's page in a real browser: Debian's Chromium, headless, driven by
Selenium, loading the site folder from a local server that sends gzip as a
host would (tools/web/serve.py). Each check prints one line; the exit
status is the number of checks that failed.

    browser_test.py SITE_DIR TITLE_PNG [--screenshots DIR]

TITLE_PNG is the native simulator's picture of the title screen; the canvas
must equal it pixel for pixel."""

import argparse
import gzip
import http.client
import json
import os
import shutil
import struct
import sys
import tempfile
import threading
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                                "web"))
import serve  # noqa: E402

# Chromium as root, without a network beyond this machine: no sandbox, no
# GPU, and none of the background traffic that would stall its start.
CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-dev-shm-usage",
]
SHIP_FLYING = 1


def read_indexed_png(path):
    """The RGB bytes of an 8-bit palette PNG whose rows use no filter, as the
    simulator writes them."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + " is not a PNG")
    at, palette, idat, width, height = 8, None, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour != 3:
                raise ValueError(path + " is not an 8-bit palette PNG")
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    rows = zlib.decompress(idat)
    rgb = bytearray()
    for y in range(height):
        row = rows[y * (width + 1):(y + 1) * (width + 1)]
        if row[0] != 0:
            raise ValueError(path + " uses a row filter")
        for index in row[1:]:
            rgb += palette[3 * index:3 * index + 3]
    return width, height, bytes(rgb)


class Page:
    def __init__(self, directory, window="1400,1100"):
        self.served = []
        self.server = serve.server(directory, served=self.served)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        self.profile = tempfile.mkdtemp(prefix="qv-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS + ["--window-size=" + window,
                                      "--user-data-dir=" + self.profile]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(30)

    def emulate(self, width, height, ratio=1, touch=False):
        """A viewport of exactly width x height CSS pixels at that device
        pixel ratio, a phone's or tablet's touch screen with touch; set
        before the page loads, since the page looks for touch as it loads."""
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": touch})
        self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                                    {"enabled": touch, "maxTouchPoints": 5} if touch else
                                    {"enabled": False})

    def stop_server(self):
        if self.server is not None:
            self.server.shutdown()
            self.server.server_close()
            self.server = None

    def close(self):
        try:
            self.driver.quit()
        finally:
            self.stop_server()
            shutil.rmtree(self.profile, ignore_errors=True)

    def run(self, script, *args):
        return self.driver.execute_script(script, *args)

    def state(self):
        return self.run("return window.quorvelindaxtor.state()")

    def wait_for(self, what, predicate, timeout=10.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            value = predicate()
            if value:
                return value
            time.sleep(0.02)
        raise TimeoutError("waited %.0f s for %s" % (timeout, what))

    def keys(self):
        return ActionChains(self.driver)

    def tap(self, key, hold=0.15):
        self.keys().key_down(key).perform()
        time.sleep(hold)
        self.keys().key_up(key).perform()

    def canvas_rgb(self):
        """The canvas's own 640x480 pixels, read back, as RGB bytes."""
        encoded = self.run("""
            const canvas = document.getElementById('screen');
            const data = canvas.getContext('2d').getImageData(0, 0, 640, 480).data;
            let text = '';
            for (let i = 0; i < data.length; i += 4) {
                text += String.fromCharCode(data[i], data[i + 1], data[i + 2]);
            }
            return btoa(text);""")
        import base64
        return base64.b64decode(encoded)

    def fingers(self, kind, points):
        """A touch event through the DevTools protocol: kind is touchStart,
        touchMove or touchEnd; points are the (x, y) of every finger still on
        the screen, by identifier."""
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
            "type": kind,
            "touchPoints": [{"x": x, "y": y, "id": finger} for finger, (x, y) in points.items()]})

    def centre_of(self, selector):
        return self.run("""const r = document.querySelector(arguments[0]).getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2];""", selector)

    def picture_rect(self):
        """The shown picture's place in CSS pixels, and whether it is smoothed."""
        return self.run("""
            const shown = ['wide', 'screen'].map((id) => document.getElementById(id))
                .find((c) => !c.hidden);
            const r = shown.getBoundingClientRect();
            return [r.left, r.top, r.width, r.height, shown.id === 'wide'];""")

    def screenshot(self, directory, name):
        if directory:
            os.makedirs(directory, exist_ok=True)
            self.driver.save_screenshot(os.path.join(directory, name))


class Checks:
    def __init__(self):
        self.failed = 0

    def check(self, name, ok, detail=""):
        print("%s  %s%s" % ("ok  " if ok else "FAIL", name, (": " + detail) if detail else ""))
        if not ok:
            self.failed += 1
        return ok


# The pause sign's box and the picture, in CSS pixels, while it shows.
SIGN_PLACE = """
    const sign = document.getElementById('pause-sign');
    if (sign.hidden) return null;
    const box = sign.getBoundingClientRect();
    const bar = sign.querySelector('.bar').getBoundingClientRect();
    const shown = ['wide', 'screen'].map((id) => document.getElementById(id)).find((c) => !c.hidden);
    const picture = shown.getBoundingClientRect();
    const colour = (e) => getComputedStyle(e).backgroundColor;
    return {box: [box.left, box.top, box.width, box.height],
            bar: [bar.left, bar.top, bar.width, bar.height],
            picture: [picture.left, picture.top, picture.width, picture.height],
            colours: [colour(sign), colour(sign.querySelector('.bar'))]};"""


def sign_in_picture(sign):
    """The sign shows in the picture's upper half, centred across it, with a
    light bar inside its dark box."""
    if not sign:
        return False
    (bx, by, bw, bh), (px, py, pw, ph) = sign["box"], sign["picture"]
    lx, ly, lw, lh = sign["bar"]
    return (bw > 0 and abs(bx + bw / 2 - (px + pw / 2)) <= 1 and py <= by and
            by + bh <= py + ph / 2 and bx <= lx and lx + lw <= bx + bw and by <= ly and
            ly + lh <= by + bh and sign["colours"] == ["rgb(24, 24, 32)", "rgb(240, 240, 240)"])


def check_damaged_data(page_dir, checks):
    """The page with a damaged sprite sheet in its data: the game stops at
    once with its one line, on the page and in the console."""
    with tempfile.TemporaryDirectory(prefix="qv-page-") as copy:
        for name in os.listdir(page_dir):
            # The gzipped copies would carry the good data.
            if os.path.isfile(os.path.join(page_dir, name)) and not name.endswith(".gz"):
                shutil.copy(os.path.join(page_dir, name), copy)
        with open(os.path.join(copy, "quorvelindaxtor.js")) as file:
            script = file.read()
        marker = '"filename":"/images/images.bmp","start":'
        start = int(script[script.index(marker) + len(marker):].split(",")[0])
        with open(os.path.join(copy, "quorvelindaxtor.data"), "r+b") as data:
            data.seek(start)
            data.write(b"XX")
        page = Page(copy)
        try:
            page.driver.get(page.url)
            page.wait_for("the game's end", lambda: page.run(
                "return window.quorvelindaxtor.finished() !== null"))
            line = page.run("return document.getElementById('error-line').textContent")
            console = [entry["message"] for entry in page.driver.get_log("browser")
                       if entry["level"] == "SEVERE"]
            checks.check("damaged data: the game's line on the page and in the console",
                         "images.bmp" in line and any(line in entry.replace('\\"', '"')
                                                      for entry in console),
                         "%r; console %r" % (line, console))
            checks.check("damaged data: exit status 1 and the restart offer",
                         page.run("return window.quorvelindaxtor.finished()") == 1 and
                         page.run("return !document.getElementById('ended').hidden"))
        finally:
            page.close()


# Viewports in CSS pixels and their device pixel ratio; the picture's CSS
# size and whether it is smoothed there, as the placement rule gives; and
# whether the line on how to play finds room beside or below it.
SIZES = [
    ((1280, 817, 1), (1089, 817), True, True),
    ((1024, 768, 1), (1024, 768), True, False),
    ((1920, 969, 1), (1280, 960), False, True),
    ((1280, 817, 1.25), (1024, 768), False, True),
    ((844, 390, 3), (520, 390), True, True),
    ((640, 480, 1), (640, 480), False, False),
]

HOW_TO = """const line = document.getElementById('how-to');
    if (line.hidden) return null;
    const r = line.getBoundingClientRect();
    return [r.left, r.top, r.width, r.height, line.textContent];"""


def overlaps(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


def check_sizes(page, checks):
    """The picture at each viewport, resized on the loaded page, with no
    scroll bar."""
    for (width, height, ratio), (want_w, want_h), smooth, told in SIZES:
        page.emulate(width, height, ratio)
        time.sleep(0.3)
        x, y, w, h, smoothed = page.picture_rect()
        how_to = page.run(HOW_TO)
        checks.check("viewport %dx%d at %g: how to play %s" %
                     (width, height, ratio, "at %.0f, %.0f, %.0fx%.0f" % tuple(how_to[:4])
                      if how_to else "not shown"),
                     (how_to is not None) == told and
                     (how_to is None or (not overlaps(how_to, (x, y, w, h)) and
                                         "Space: fire" in how_to[4])))
        scrolls = page.run("""const e = document.documentElement;
            return e.scrollWidth > innerWidth || e.scrollHeight > innerHeight;""")
        checks.check("viewport %dx%d at %g: picture %.0fx%.0f at (%.0f, %.0f)%s" %
                     (width, height, ratio, w, h, x, y, ", smoothed" if smoothed else ""),
                     abs(w - want_w) <= 1 and abs(h - want_h) <= 1 and smoothed == smooth and
                     abs(x - (width - w) / 2) <= 1 and not scrolls,
                     "want %dx%d%s" % (want_w, want_h, ", smoothed" if smooth else ""))
    page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def check_smoothed(page, checks, expected):
    """Where the picture is smoothed, the game draws it at the picture's own
    size in device pixels: wherever the title has one colour all around a
    game pixel, the device pixel at that game pixel's centre has it too."""
    page.emulate(1280, 817)
    time.sleep(0.3)
    size = page.run("const c = document.getElementById('wide'); return [c.width, c.height];")
    _, _, w, h, _ = page.picture_rect()
    colour = lambda x, y: expected[3 * (y * 640 + x):3 * (y * 640 + x) + 3]
    samples = [(x, y) for y in range(1, 479, 2) for x in range(1, 639, 2)
               if all(colour(x + dx, y + dy) == colour(x, y) for dx in (-1, 0, 1) for dy in (-1, 0, 1))]
    points = [(int((x + 0.5) * size[0] / 640), int((y + 0.5) * size[1] / 480)) for x, y in samples]
    shown = page.run("""const c = document.getElementById('wide');
        const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        return arguments[0].map(([x, y]) => Array.from(data.subarray(4 * (y * c.width + x),
                                                                      4 * (y * c.width + x) + 3)));""",
                     points)
    differing = sum(1 for (x, y), got in zip(samples, shown) if bytes(got) != colour(x, y))
    coloured = sum(1 for x, y in samples if colour(x, y) != b"\0\0\0")
    checks.check("smoothed, the picture is drawn %dx%d for a place of %.0fx%.0f, its plain parts "
                 "as the title's" % (size[0], size[1], w, h),
                 size == [round(w), round(h)] and coloured > 500 and differing == 0,
                 "%d of %d samples (%d not black) differ" % (differing, len(samples), coloured))


def check_phone(site_dir, checks, shots):
    """A phone in landscape (pixel ratio 3, touch): fingers on the controls
    start a game, turn the ship while firing, and pause it."""
    page = Page(site_dir)
    try:
        page.emulate(844, 390, 3, touch=True)
        page.driver.get(page.url)
        page.wait_for("the title", lambda: page.run("return window.quorvelindaxtor.presents() > 0"))
        hook = "return window.quorvelindaxtor."
        checks.check("phone: the touch controls show", page.run(hook + "touchShown()"))
        page.screenshot(shots, "phone-landscape-title.png")

        def line(step):
            state = page.state()
            shots_active = sum(1 for shot in state["shots"] if shot["active"])
            print("state   %-28s tick %d, ship state %d, angle %s, shots %d, keys %s" %
                  (step, state["tick"], state["ship"]["state"], state["ship"]["angle"],
                   shots_active, page.run(hook + "touchKeys()")), flush=True)
            return state

        start = page.centre_of('[data-key="ENTER"]')
        page.fingers("touchStart", {1: start})
        time.sleep(0.15)
        line("finger on Start")
        page.fingers("touchEnd", {})
        flying = page.wait_for("the game to start", lambda: (
            lambda s: s if s["ship"]["state"] == SHIP_FLYING else None)(page.state()))
        before = line("Start lifted: in play")
        time.sleep(0.3)
        page.screenshot(shots, "phone-landscape-play.png")
        right, fire = page.centre_of('[data-key="RIGHT"]'), page.centre_of('[data-key="SPACE"]')
        page.state()  # forget the effects so far
        page.fingers("touchStart", {1: right})
        page.fingers("touchStart", {1: right, 2: fire})
        time.sleep(0.5)
        held = line("fingers on Right and Fire")
        page.fingers("touchEnd", {1: right})
        page.fingers("touchEnd", {})
        after = line("both lifted")
        fired = any(shot["active"] for shot in held["shots"]) or 0 in held["effects"]
        checks.check("phone: two fingers turn the ship and fire together",
                     flying and held["ship"]["angle"] != before["ship"]["angle"] and fired,
                     "angle %s -> %s" % (before["ship"]["angle"], held["ship"]["angle"]))
        time.sleep(0.2)
        pause = page.centre_of('[data-key="P"]')
        page.fingers("touchStart", {1: pause})
        page.fingers("touchEnd", {})
        time.sleep(0.3)
        paused = line("Pause tapped")
        time.sleep(0.6)
        still = line("0.6 s later")
        page.screenshot(shots, "phone-landscape-paused.png")
        page.fingers("touchStart", {1: pause})
        page.fingers("touchEnd", {})
        time.sleep(0.4)
        resumed = line("Pause tapped again")
        checks.check("phone: the pause control pauses, with its sign, and resumes",
                     still["tick"] - paused["tick"] <= 1 and resumed["tick"] > still["tick"] + 100
                     and not page.run(hook + "pauseSignShown()"),
                     "ticks %d, %d, %d" % (paused["tick"], still["tick"], resumed["tick"]))
        checks.check("phone: the page does not scroll or zoom", page.run(
            "return scrollX === 0 && scrollY === 0 && visualViewport.scale === 1"))
        page.tap(Keys.ARROW_LEFT, hold=0.05)
        hidden = not page.run(hook + "touchShown()")
        page.fingers("touchStart", {1: (420, 200)})
        page.fingers("touchEnd", {})
        checks.check("phone: a key hides the controls and a touch brings them back",
                     hidden and page.run(hook + "touchShown()"))
        page.emulate(390, 844, 3, touch=True)
        time.sleep(0.4)
        x, y, w, h, _ = page.picture_rect()
        below = page.run("""const r = document.querySelector('#pad-move').getBoundingClientRect();
            return r.top;""")
        checks.check("phone in portrait: the picture takes the width, the controls are below",
                     abs(w - 390) <= 1 and y + h <= below, "picture %.0fx%.0f at y %.0f, "
                     "controls from y %.0f" % (w, h, y, below))
        page.screenshot(shots, "phone-portrait-play.png")
    finally:
        page.close()


def screenshot_tablet(site_dir, shots):
    if not shots:
        return
    page = Page(site_dir)
    try:
        page.emulate(1024, 768, 2, touch=True)
        page.driver.get(page.url)
        page.wait_for("the title", lambda: page.run("return window.quorvelindaxtor.presents() > 0"))
        time.sleep(0.3)
        page.screenshot(shots, "tablet-title.png")
    finally:
        page.close()


def check_offline(site_dir, checks):
    """The page loads, its service worker keeps the site; the server goes
    away and a reload plays. Prints the manifest as the browser reads it."""
    page = Page(site_dir)
    try:
        page.driver.get(page.url)
        page.wait_for("the offline copy", lambda: page.run(
            "return navigator.serviceWorker.controller !== null"), timeout=20)
        manifest = page.driver.execute_cdp_cmd("Page.getAppManifest", {})
        errors = page.driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})
        print("figure  manifest %s: errors %s, installability errors %s" % (
            manifest.get("url"), manifest.get("errors"), errors.get("installabilityErrors")))
        print("figure  manifest as read: %s" % json.dumps(json.loads(manifest["data"]),
                                                          separators=(",", ":")))
        checks.check("the manifest reads without errors and the page is installable",
                     not manifest.get("errors") and not errors.get("installabilityErrors"))
        page.stop_server()
        page.driver.execute_cdp_cmd("Network.enable", {})
        page.driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
            "offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        page.driver.refresh()
        page.wait_for("the title offline",
                      lambda: page.run("return window.quorvelindaxtor.presents() > 0"))
        page.tap(Keys.RETURN)
        flying = page.wait_for("play offline", lambda: page.state()["ship"]["state"] == SHIP_FLYING)
        checks.check("with the network gone, a reload plays", flying)
    finally:
        page.close()


# What a host serves; each may have a .gz beside it.
SITE_FILES = {"index.html", "page.js", "page.css", "manifest.webmanifest", "sw.js",
              "quorvelindaxtor.js", "quorvelindaxtor.wasm", "quorvelindaxtor.data",
              "favicon.png", "icon-192.png", "icon-512.png"}


def check_site(site_dir, checks):
    """The site folder holds only the site, each .gz the same bytes as its
    file, and the server sends gzip only to a browser that accepts it."""
    names = set(os.listdir(site_dir))
    strays = sorted(name for name in names
                    if name not in SITE_FILES and not (name.endswith(".gz") and
                                                       name[:-3] in SITE_FILES))
    checks.check("the site folder holds only the site", not strays and SITE_FILES <= names,
                 "strays %s, missing %s" % (strays, sorted(SITE_FILES - names)))
    for name in sorted(names):
        if name.endswith(".gz"):
            with open(os.path.join(site_dir, name), "rb") as packed, \
                    open(os.path.join(site_dir, name[:-3]), "rb") as plain:
                checks.check("%s unpacks to %s" % (name, name[:-3]),
                             gzip.decompress(packed.read()) == plain.read())
    site = serve.server(site_dir)
    threading.Thread(target=site.serve_forever, daemon=True).start()
    try:
        for accept, want in (("gzip, deflate, br", "gzip"), ("", None), ("gzip;q=0", None)):
            connection = http.client.HTTPConnection("127.0.0.1", site.server_address[1])
            connection.request("GET", "/quorvelindaxtor.wasm", headers={"Accept-Encoding": accept})
            response = connection.getresponse()
            body = response.read()
            encoding = response.getheader("Content-Encoding")
            if encoding == "gzip":
                body = gzip.decompress(body)
            with open(os.path.join(site_dir, "quorvelindaxtor.wasm"), "rb") as file:
                same = body == file.read()
            checks.check("Accept-Encoding %r: sent as %s" % (accept, encoding or "it is"),
                         encoding == want and same and
                         response.getheader("Content-Type") == "application/wasm")
            connection.close()
    finally:
        site.shutdown()
        site.server_close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page_dir")
    parser.add_argument("title_png")
    parser.add_argument("--screenshots", default="")
    args = parser.parse_args()

    checks = Checks()
    page = Page(args.page_dir)
    try:
        page.driver.get(page.url)
        page.wait_for("the title on the canvas",
                      lambda: page.run("return window.quorvelindaxtor.presents() > 0"))
        to_title = page.run("return window.quorvelindaxtor.firstPresentMs()") / 1000
        print("figure  navigation to the title on the canvas: %.2f s" % to_title, flush=True)

        width, height, expected = read_indexed_png(args.title_png)
        # The window opens smoothed; at a whole scale the page shows the
        # 640x480 canvas again, given the whole frame as it stands.
        page.emulate(1920, 969)
        time.sleep(0.3)
        shown = page.canvas_rgb()
        differing = sum(1 for i in range(0, len(expected), 3) if expected[i:i + 3] != shown[i:i + 3])
        checks.check("the canvas equals the native title picture pixel for pixel",
                     (width, height) == (640, 480) and differing == 0,
                     "%d of %d pixels differ" % (differing, width * height))
        # Drawn into without a desynchronized context, a canvas has the page
        # update its layers at every frame, which costs the renderer more
        # than the picture itself.
        unsynced = page.run("""return ['screen', 'wide'].filter((id) => !document
            .getElementById(id).getContext('2d').getContextAttributes().desynchronized);""")
        checks.check("both canvases hand their pictures to the compositor themselves",
                     unsynced == [], "not desynchronized: %s" % unsynced)
        checks.check("the page offers to turn the sound on",
                     page.run("return !document.getElementById('sound-line').hidden"))
        checks.check("without touch the page shows no touch controls",
                     not page.run("return window.quorvelindaxtor.touchShown()"))
        page.screenshot(args.screenshots, "title.png")
        check_sizes(page, checks)
        check_smoothed(page, checks, expected)
        page.emulate(1280, 817)
        time.sleep(0.3)
        page.screenshot(args.screenshots, "laptop-title.png")
        page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

        before = page.state()
        page.keys().key_down(Keys.ALT).key_down(Keys.RETURN).perform()
        time.sleep(0.4)
        page.keys().key_up(Keys.RETURN).key_up(Keys.ALT).perform()
        time.sleep(0.3)
        after = page.state()
        checks.check("Alt+Enter does not start a game", after["titles"] == before["titles"] and
                     after["ship"]["state"] != SHIP_FLYING, json.dumps(after["ship"]))
        page.run("if (document.fullscreenElement) document.exitFullscreen();")

        page.tap(Keys.RETURN)
        flying = page.wait_for("the game to start",
                               lambda: (lambda s: s if s["ship"]["state"] == SHIP_FLYING else None)(
                                   page.state()))
        checks.check("Enter starts a game", flying["ship"]["state"] == SHIP_FLYING)
        time.sleep(0.2)
        # The page's meter starts listening at the first question.
        level = 0
        for _ in range(25):
            level = max(level, page.run("return window.quorvelindaxtor.soundLevel()"))
            time.sleep(0.01)
        rate = page.run("return window.quorvelindaxtor.soundRate()")
        checks.check("a key turns the sound on: its line goes, the title music sounds, mixed "
                     "at the sounds' own 22,050 Hz",
                     page.run("return window.quorvelindaxtor.soundAllowed()") and
                     page.run("return document.getElementById('sound-line').hidden") and
                     level > 0.01 and rate == 22050, "level %.3f, rate %d" % (level, rate))

        # A listener after the page's own sees whether the page kept the
        # keys from the browser (which would scroll with them).
        page.run("""window.qvKept = [];
            window.addEventListener('keydown', (e) => qvKept.push(e.code + ':' + e.defaultPrevented));""")
        angle = page.state()["ship"]["angle"]
        page.tap(Keys.ARROW_RIGHT, hold=0.5)
        turned = page.state()["ship"]["angle"]
        checks.check("held Right turns the ship", turned != angle, "%s -> %s" % (angle, turned))

        page.state()  # forget the effects so far
        page.keys().key_down(Keys.SPACE).perform()
        sounding = 0
        for _ in range(5):
            time.sleep(0.02)
            sounding = max(sounding, page.run("return window.quorvelindaxtor.voicesSounding()"))
        page.keys().key_up(Keys.SPACE).perform()
        effects = page.state()["effects"]
        checks.check("Space fires: a laser voice starts and plays through WebAudio",
                     0 in effects and sounding > 0, "effects %s, voices %d" % (effects, sounding))
        kept = page.run("return window.qvKept")
        checks.check("Right and Space are kept from the page, which does not scroll",
                     kept and all(entry.endswith(":true") for entry in kept) and
                     page.run("return window.scrollY === 0"), ", ".join(kept))

        # P pauses the game in play, with its sign over the picture, and P
        # again resumes it.
        page.tap("p", hold=0.05)
        time.sleep(0.3)
        paused_at = page.state()["tick"]
        time.sleep(1.0)
        still = page.state()["tick"]
        sign = page.run(SIGN_PLACE)
        page.tap("p", hold=0.05)
        time.sleep(0.3)
        resumed = page.state()["tick"]
        checks.check("P pauses the game with its sign, and P resumes it",
                     still - paused_at <= 1 and sign_in_picture(sign) and resumed > still + 100 and
                     page.run("return document.getElementById('pause-sign').hidden"),
                     "ticks %d, %d, %d; sign %s" % (paused_at, still, resumed, sign))

        # A page in a background tab is hidden: the game stops, and its tick
        # counter with it, until the page is shown again.
        game_tab = page.driver.current_window_handle
        tick_before = page.state()["tick"]
        hidden_at = time.monotonic()
        page.driver.switch_to.new_window("tab")
        hidden_seen = True
        time.sleep(2.0)
        page.driver.close()
        page.driver.switch_to.window(game_tab)
        tick_after = page.state()["tick"]
        wall_ms = (time.monotonic() - hidden_at) * 1000
        checks.check("a hidden page stops the tick counter",
                     hidden_seen and tick_after - tick_before < wall_ms - 1500,
                     "ticks %d in %.0f ms" % (tick_after - tick_before, wall_ms))
        page.run("window.focus()")
        # Back from away, the game in play waits with its sign for a key.
        time.sleep(0.5)
        held_tick = page.state()["tick"]
        sign = page.run(SIGN_PLACE)
        page.tap(Keys.ARROW_LEFT, hold=0.05)
        time.sleep(0.4)
        went_on = page.state()["tick"]
        checks.check("back from a hidden page: the pause sign, and a key goes on",
                     sign_in_picture(sign) and went_on > held_tick + 200,
                     "ticks %d, %d; sign %s" % (held_tick, went_on, sign))

        page.tap(Keys.ESCAPE)
        page.wait_for("the game's end", lambda: page.run(
            "return window.quorvelindaxtor.finished() !== null"))
        checks.check("Esc ends the game with exit status 0",
                     page.run("return window.quorvelindaxtor.finished()") == 0)
        checks.check("the page offers to start it again", page.run(
            "return !document.getElementById('ended').hidden && "
            "document.getElementById('again').offsetParent !== null"))
        page.screenshot(args.screenshots, "ended.png")
        errors = [entry["message"] for entry in page.driver.get_log("browser")
                  if entry["level"] == "SEVERE"]
        checks.check("no error in the console", not errors, "; ".join(errors))
    finally:
        page.close()
    check_site(args.page_dir, checks)
    check_phone(args.page_dir, checks, args.screenshots)
    screenshot_tablet(args.page_dir, args.screenshots)
    check_offline(args.page_dir, checks)
    check_damaged_data(args.page_dir, checks)
    print("%d checks failed" % checks.failed)
    return min(checks.failed, 100)


if __name__ == "__main__":
    sys.exit(main())
