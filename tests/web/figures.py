#!/usr/bin/python3
"""Figures of the game's page in headless Chromium, and its screenshots:

    figures.py PAGE_DIR SCREENSHOT_DIR

navigation to the title on the canvas; the renderer's CPU over 20 s of play
and the frame periods by the game's own tick counter; then the game left to
itself until plants grow among the falling spores and the game is lost; and
the ended game's page. Screenshots: title.png, play.png, game-over.png,
ended.png."""

import os
import sys
import time

from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser_test import Page  # noqa: E402

SHIP_GAME_OVER = 0


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def renderer_cpu_seconds():
    """CPU time of Chromium's renderer processes so far, from /proc."""
    ticks = os.sysconf("SC_CLK_TCK")
    total = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            # Chromium rewrites its children's command lines as one string.
            with open("/proc/%s/cmdline" % pid, "rb") as file:
                command = file.read()
            if b"chromium" not in command or b"--type=renderer" not in command:
                continue
            with open("/proc/%s/stat" % pid) as file:
                fields = file.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            continue
    return total / ticks


def plants_among_spores(state):
    """Three plants or more, two spores or more in flight, the ship flying."""
    plants = sum(1 for plant in state["plants"] if plant["active"])
    spores = sum(1 for spore in state["spores"] if spore["active"])
    return plants >= 3 and spores >= 2 and state["ship"]["state"] == 1


def main():
    page_dir, shots = sys.argv[1], sys.argv[2]
    # A small window: the page shows the picture at 1x with its lines.
    page = Page(page_dir, window="820,760")
    try:
        page.driver.get(page.url)
        page.wait_for("the title", lambda: page.run("return window.quorvelindaxtor.presents() > 0"))
        first = page.run("return window.quorvelindaxtor.firstPresentMs()")
        print("navigation to the title on the canvas: %.0f ms" % first)
        time.sleep(0.5)
        page.screenshot(shots, "title.png")

        page.tap(Keys.RETURN)
        page.wait_for("play", lambda: page.state()["ship"]["state"] == 1)
        # 20 s of play: the ship fires all along, up at the spores (a ship
        # that turns would soon shoot its own base down).
        page.keys().key_down(Keys.SPACE).perform()
        presents = page.run("return window.quorvelindaxtor.presents()")
        cpu = renderer_cpu_seconds()
        started = time.monotonic()
        time.sleep(20)
        cpu = renderer_cpu_seconds() - cpu
        wall = time.monotonic() - started
        shown = page.run("return window.quorvelindaxtor.presents()") - presents
        ticks = page.run("return window.quorvelindaxtor.presentTicks()")[-shown:]
        page.keys().key_up(Keys.SPACE).perform()
        periods = [(b - a) & 0xFFFFFFFF for a, b in zip(ticks, ticks[1:])]
        print("renderer CPU over %.0f s of play: %.2f s (%.1f %% of one core)" %
              (wall, cpu, 100 * cpu / wall))
        print("frame periods over %d frames: median %d ms, p99 %d ms, max %d ms" %
              (len(periods), percentile(periods, 0.5), percentile(periods, 0.99), max(periods)))

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
