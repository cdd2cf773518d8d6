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
    let shown = null;
    let player = null;
    // The samples' lengths in milliseconds, by the backend's id.
    const lengths = new Map();

    return {
        // What the driver does.
        standIn : {
            passTime(ms) { clock += ms; },
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
        away() { return false; },
        takePausePresses() { return 0; },
        takeEscapePress() { return false; },
        takeOtherPresses() { return 0; },
        pauseSign() {},
        waitForEvent(timeoutMs, resume) {
            clock += Math.min(timeoutMs, kWaitMs);
            resume();
        },
        // A sleep of 0 is one turn of the browser, which takes a moment.
        sleep(ms, resume) {
            clock += Math.max(ms, kTurnMs);
            resume();
        },
        audioOpen() { return true; },
        audioClose() { player = null; },
        audioPause() {},
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
