// A stand-in for the page (page.js) under node, for the web backend's
// contract program: a clock that moves only when told, keys held by mask,
// the last presented picture kept, and the front-end player's request timed
// from its file. Waits return at once with the clock moved by their length,
// so the program never has to hand node its turn.
Module['qvPage'] = (function() {
    const kWaitMs = 1;
    const kTurnMs = 0.25;
    let clock = 5000.25;
    let keys = 0;
    let shown = null;
    let player = null;

    // How long a WAVE file's samples last, in milliseconds: its "data"
    // chunk over the byte rate of its "fmt " chunk.
    function waveMs(file) {
        const view = new DataView(file.buffer, file.byteOffset, file.byteLength);
        let bytesPerSecond = 0;
        for (let at = 12; at + 8 <= file.length;) {
            const id = String.fromCharCode(file[at], file[at + 1], file[at + 2], file[at + 3]);
            const size = view.getUint32(at + 4, true);
            if (id === 'fmt ' && size >= 16) {
                bytesPerSecond = view.getUint32(at + 16, true);
            } else if (id === 'data') {
                return bytesPerSecond === 0 ? 0 : (size * 1000) / bytesPerSecond;
            }
            at += 8 + size + (size & 1);
        }
        return 0;
    }

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
        samplesDefine() {},
        samplesForget() {},
        voiceStart() {},
        voiceStop() {},
        playerPlay(file, loop) { player = {start : clock, ms : waveMs(file), loop : loop}; },
        playerStop() { player = null; },
        errorLine(line) { console.error(line); },
    };
})();
