#!/usr/bin/python3
"""The game's page in a real browser: Debian's Chromium, headless, driven by
Selenium, loading the page from a local server. Each check prints one line;
the exit status is the number of checks that failed.

    browser_test.py PAGE_DIR TITLE_PNG [--screenshots DIR]

TITLE_PNG is the native simulator's picture of the title screen; the canvas
must equal it pixel for pixel."""

import argparse
import functools
import http.server
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


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript"})

    def log_message(self, *args):
        pass


class Page:
    def __init__(self, directory, window="1400,1100"):
        handler = functools.partial(QuietHandler, directory=directory)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
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

    def close(self):
        try:
            self.driver.quit()
        finally:
            self.server.shutdown()
            self.server.server_close()
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


def check_damaged_data(page_dir, checks):
    """The page with a damaged sprite sheet in its data: the game stops at
    once with its one line, on the page and in the console."""
    with tempfile.TemporaryDirectory(prefix="qv-page-") as copy:
        for name in os.listdir(page_dir):
            if os.path.isfile(os.path.join(page_dir, name)):
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
        shown = page.canvas_rgb()
        differing = sum(1 for i in range(0, len(expected), 3) if expected[i:i + 3] != shown[i:i + 3])
        checks.check("the canvas equals the native title picture pixel for pixel",
                     (width, height) == (640, 480) and differing == 0,
                     "%d of %d pixels differ" % (differing, width * height))
        checks.check("the page offers to turn the sound on",
                     page.run("return !document.getElementById('sound-line').hidden"))
        page.screenshot(args.screenshots, "title.png")

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
        level = max(page.run("return window.quorvelindaxtor.soundLevel()") for _ in range(5))
        checks.check("a key turns the sound on: its line goes, the title music sounds",
                     page.run("return window.quorvelindaxtor.soundAllowed()") and
                     page.run("return document.getElementById('sound-line').hidden") and
                     level > 0.01, "level %.3f" % level)

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
        sign = page.run("return Array.from(document.getElementById('screen').getContext('2d')"
                        ".getImageData(307, 107, 1, 1).data.slice(0, 3))")
        page.tap("p", hold=0.05)
        time.sleep(0.3)
        resumed = page.state()["tick"]
        checks.check("P pauses the game with its sign, and P resumes it",
                     still - paused_at <= 1 and sign == [240, 240, 240] and resumed > still + 100,
                     "ticks %d, %d, %d; sign pixel %s" % (paused_at, still, resumed, sign))

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
    check_damaged_data(args.page_dir, checks)
    print("%d checks failed" % checks.failed)
    return min(checks.failed, 100)


if __name__ == "__main__":
    sys.exit(main())
