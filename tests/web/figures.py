#!/usr/bin/python3
"""Figures of the game's page in headless Chromium, and its screenshots:

    figures.py PAGE_DIR SCREENSHOT_DIR [--cpu-only]

navigation to the title on the canvas; the renderer's CPU over 20 s of play
against a floor page's over the same 20 s, in a window where the picture lands
at a whole scale and in one where it is smoothed, with the frame periods by
the game's own tick counter; then the game left to itself until plants grow
among the falling spores and the game is lost; and the ended game's page.
Screenshots: title.png, play.png, game-over.png, ended.png.

The floor page is the least a port of an 8-bit game must do: a 640x480
canvas shown at the picture's CSS size, given a fresh 640x480 picture every
28 ms and doing nothing else."""

import os
import shutil
import sys
import tempfile
import time

from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser_test import Page  # noqa: E402

SHIP_GAME_OVER = 0
# Seconds of play before the renderer's CPU is measured.
SETTLE_SECONDS = 5


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def renderer_cpu_seconds(profiles):
    """CPU time of Chromium's renderer processes so far, from /proc, by the
    browser they belong to: the one started with each profile folder."""
    ticks = os.sysconf("SC_CLK_TCK")
    processes = {}
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            # Chromium rewrites its children's command lines as one string.
            with open("/proc/%s/cmdline" % pid, "rb") as file:
                command = file.read()
            with open("/proc/%s/stat" % pid) as file:
                fields = file.read().rsplit(")", 1)[1].split()
            processes[int(pid)] = (command, int(fields[1]), int(fields[11]) + int(fields[12]))
        except OSError:
            continue
    totals = [0] * len(profiles)
    for command, parent, used in processes.values():
        if b"chromium" not in command or b"--type=renderer" not in command:
            continue
        while parent in processes:
            owner = [i for i, profile in enumerate(profiles) if profile in processes[parent][0]]
            if owner:
                totals[owner[0]] += used
                break
            parent = processes[parent][1]
    return [total / ticks for total in totals]


FLOOR_PAGE = """<!doctype html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; height: 100%%; overflow: hidden; background: #000; }
canvas { position: absolute; left: %(left)fpx; top: %(top)fpx; width: %(width)fpx;
         height: %(height)fpx; image-rendering: pixelated; }
</style></head><body><canvas width="640" height="480"></canvas><script>
const context = document.querySelector('canvas').getContext('2d', {alpha: false});
// Four pictures made beforehand, so that each frame only hands one over.
const pictures = [];
for (let p = 0; p < 4; ++p) {
    const picture = context.createImageData(640, 480);
    const words = new Uint32Array(picture.data.buffer);
    for (let i = 0; i < words.length; ++i) {
        words[i] = 0xFF000000 | Math.imul(i + p * 7919, 2654435761) >>> 8;
    }
    pictures.push(picture);
}
let frame = 0;
setInterval(() => context.putImageData(pictures[frame++ %% 4], 0, 0), 28);
</script></body></html>
"""

# Where the shown picture lies, in CSS pixels.
PICTURE_RECT = """
    const shown = ['wide', 'screen'].map((id) => document.getElementById(id))
        .find((c) => c && !c.hidden);
    const r = shown.getBoundingClientRect();
    return [r.left, r.top, r.width, r.height];"""


def play_and_floor(page_dir, window, seconds):
    """The renderer's CPU over some seconds of play and the floor page's over
    the same seconds, side by side in two browsers, so that the host's load,
    which changes from moment to moment, weighs on both alike; the seconds
    they took, the picture's CSS rectangle and the frame periods."""
    page = Page(page_dir)
    floor = None
    folder = tempfile.mkdtemp(prefix="qv-floor-")
    try:
        page.emulate(*window)
        page.driver.get(page.url)
        page.wait_for("the title", lambda: page.run("return window.quorvelindaxtor.presents() > 0"))
        time.sleep(0.5)
        page.tap(Keys.RETURN)
        page.wait_for("play", lambda: page.state()["ship"]["state"] == 1)
        page.keys().key_down(Keys.SPACE).perform()
        rect = page.run(PICTURE_RECT)
        with open(os.path.join(folder, "index.html"), "w") as file:
            file.write(FLOOR_PAGE % dict(left=rect[0], top=rect[1], width=rect[2],
                                         height=rect[3]))
        floor = Page(folder)
        floor.emulate(*window)
        floor.driver.get(floor.url)
        # Measured once play has settled: the first seconds of play also
        # compile the game's hot code again, optimised, on other threads.
        time.sleep(SETTLE_SECONDS)
        profiles = [page.profile.encode(), floor.profile.encode()]
        presents = page.run("return window.quorvelindaxtor.presents()")
        before = renderer_cpu_seconds(profiles)
        started = time.monotonic()
        time.sleep(seconds)
        after = renderer_cpu_seconds(profiles)
        wall = time.monotonic() - started
        shown = page.run("return window.quorvelindaxtor.presents()") - presents
        ticks = page.run("return window.quorvelindaxtor.presentTicks()")[-shown:]
        page.keys().key_up(Keys.SPACE).perform()
        return (after[0] - before[0], after[1] - before[1], wall, rect,
                [(b - a) & 0xFFFFFFFF for a, b in zip(ticks, ticks[1:])])
    finally:
        if floor is not None:
            floor.close()
        page.close()
        shutil.rmtree(folder, ignore_errors=True)


def renderer_figures(page_dir, seconds=20):
    for window, kind in (((1920, 969), "a whole scale"), ((1280, 817), "smoothed")):
        cpu, floor, wall, rect, periods = play_and_floor(page_dir, window, seconds)
        game_share, floor_share = 100 * cpu / wall, 100 * floor / wall
        print("window %s, picture %.0fx%.0f CSS px (%s): renderer CPU in play %.1f %% of a "
              "core, floor page %.1f %%, ratio %.2f" %
              ("%dx%d" % window, rect[2], rect[3], kind, game_share, floor_share,
               game_share / floor_share))
        print("  frame periods over %d frames: median %d ms, p99 %d ms, max %d ms, "
              "%.1f %% exactly 28 ms" %
              (len(periods), percentile(periods, 0.5), percentile(periods, 0.99), max(periods),
               100 * periods.count(28) / len(periods)), flush=True)


def plants_among_spores(state):
    """Three plants or more, two spores or more in flight, the ship flying."""
    plants = sum(1 for plant in state["plants"] if plant["active"])
    spores = sum(1 for spore in state["spores"] if spore["active"])
    return plants >= 3 and spores >= 2 and state["ship"]["state"] == 1


def main():
    page_dir, shots = sys.argv[1], sys.argv[2]
    # 20 s of play in each window: the ship fires all along, up at the
    # spores (a ship that turns would soon shoot its own base down).
    renderer_figures(page_dir)
    if "--cpu-only" in sys.argv[3:]:
        return
    page = Page(page_dir, window="1280,817")
    try:
        page.driver.get(page.url)
        page.wait_for("the title", lambda: page.run("return window.quorvelindaxtor.presents() > 0"))
        first = page.run("return window.quorvelindaxtor.firstPresentMs()")
        print("navigation to the title on the canvas: %.0f ms" % first)
        time.sleep(0.5)
        page.screenshot(shots, "title.png")

        page.tap(Keys.RETURN)
        page.wait_for("play", lambda: page.state()["ship"]["state"] == 1)

        # Left alone, the ship is hit by the spores; plants take root.
        page.wait_for("plants among the spores", lambda: plants_among_spores(page.state()),
                      timeout=240)
        page.screenshot(shots, "play.png")
        page.wait_for("the game's loss", lambda: page.state()["ship"]["state"] == SHIP_GAME_OVER,
                      timeout=400)
        time.sleep(0.5)
        page.screenshot(shots, "game-over.png")

        page.tap(Keys.ESCAPE)
        page.wait_for("the end", lambda: page.run(
            "return window.quorvelindaxtor.finished() !== null"))
        time.sleep(0.3)
        page.screenshot(shots, "ended.png")
    finally:
        page.close()


if __name__ == "__main__":
    main()
