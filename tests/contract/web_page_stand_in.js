// A stand-in for the page (page.js) under node, for the web backend's
// contract program: a clock that moves only when told, keys held by mask,
// the last presented picture kept, and the front-end player's sound timed
// from its samples. Waits return at once with the clock moved by their length,
// so the program never has to hand node its turn.
Module['qvPage'] = (function() {
    const kWaitMs = 1;
    const kTurnMs = 0.25;
    let clock = 5000.25;
    let keys = 0;
    // The window's state and the presses since the backend last asked, and
    // what is to happen to them when the clock reaches it.
    let away = false;
    let pausePresses = 0;
    let escapePressed = false;
    let otherPresses = 0;
    let soundHeld = false;
    let signShown = false;
    let pending = [];
    const seen = new Map();
    let nextId = 1;
    function happenDue() {
        const due = pending.filter(p => p.at <= clock);
        pending = pending.filter(p => p.at > clock);
        for (const p of due) {
            if (p.what === 0) {
                away = true;
            } else if (p.what === 1) {
                away = false;
            } else if (p.what === 2) {
                ++pausePresses;
            } else if (p.what === 3) {
                escapePressed = true;
            } else {
                ++otherPresses;
            }
            seen.set(p.id, 1 | (soundHeld ? 2 : 0) | (signShown ? 4 : 0));
        }
    }
    function move(ms) {
        clock += ms;
        happenDue();
    }
    let shown = null;
    let player = null;
    // The samples' lengths in milliseconds, by the backend's id.
    const lengths = new Map();

    return {
        // What the driver does.
        standIn : {
            passTime(ms) { move(ms); },
            // what: 0 away, 1 back, 2 a pause key, 3 Esc, 4 another key.
            later(ms, what) {
                const id = nextId++;
                pending.push({at : clock + ms, what : what, id : id});
                return id;
            },
            // 1 once it happened, with 2 if the sound was held then and 4 if
            // the sign was shown.
            seen(id) { return seen.get(id) || 0; },
            reset() {
                away = false;
                pausePresses = 0;
                escapePressed = false;
                otherPresses = 0;
                pending = [];
                seen.clear();
            },
            setKeys(mask) { keys = mask; },
            shown() { return shown; },
            playerSounding() {
                return player !== null && (player.loop || clock - player.start < player.ms);
            },
        },
        displayOpen() { return true; },
        displayClose() {},
        displayPresent(rgba) { shown = rgba.slice(); },
        cursorShow() {},
        keyMask() { return keys; },
        gamepadsConnected() { return false; },
        now() { return clock; },
        away() { return away; },
        takePausePresses() {
            const presses = pausePresses;
            pausePresses = 0;
            return presses;
        },
        takeEscapePress() {
            const pressed = escapePressed;
            escapePressed = false;
            return pressed;
        },
        takeOtherPresses() {
            const presses = otherPresses;
            otherPresses = 0;
            return presses;
        },
        pauseSign(shown) { signShown = shown; },
        waitForEvent(timeoutMs, resume) {
            move(Math.min(timeoutMs, kWaitMs));
            resume();
        },
        // A sleep of 0 is one turn of the browser, which takes a moment.
        sleep(ms, resume) {
            move(Math.max(ms, kTurnMs));
            resume();
        },
        audioOpen() { return true; },
        audioClose() { player = null; },
        audioPause(paused) { soundHeld = paused; },
        samplesDefine(
            id, bytes, channels, bits,
            rate) { lengths.set(id, (bytes.length * 1000) / (channels * (bits / 8) * rate)); },
        samplesForget(id) { lengths.delete(id); },
        voiceStart() {},
        voiceStop() {},
        playerStart(id, loop) { player = {start : clock, ms : lengths.get(id) || 0, loop : loop}; },
        playerStop() { player = null; },
        errorLine(line) { console.error(line); },
    };
})();
