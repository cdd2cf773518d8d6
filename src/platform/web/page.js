// The page around the game: the canvas and its scale, the keys and the
// gamepads, the clock, the sound, the pause while the player is away, the
// lines the page shows, and the game's end. The game itself (the wasm) asks
// for all of it through Module.qvPage.
'use strict';

(function() {
const kWidth = 640;
const kHeight = 480;
// The game's keys by their place on the keyboard, as bits in its order:
// Enter, Esc, F3, F4, Left, Right, Up, Down, Space.
const kKeyBits = {
    Enter : 0,
    NumpadEnter : 0,
    Escape : 1,
    F3 : 2,
    F4 : 3,
    ArrowLeft : 4,
    ArrowRight : 5,
    ArrowUp : 6,
    ArrowDown : 7,
    Space : 8,
};
const kEnterBit = 1 << 0;
// A stick pushed this far counts as the arrow.
const kStickThreshold = 0.5;
// Frames whose ticks the page keeps, for measurements.
const kPresentsKept = 4096;
// How long holding the sound fades it out.
const kFadeSeconds = 0.008;

const stage = document.getElementById('stage');
const canvas = document.getElementById('screen');
const context = canvas.getContext('2d', {alpha : false});
const soundLine = document.getElementById('sound-line');
const errorLine = document.getElementById('error-line');
const ended = document.getElementById('ended');
const endedText = document.getElementById('ended-text');
const again = document.getElementById('again');
const picture = context.createImageData(kWidth, kHeight);

// Keys held, by code; Enter pressed with Alt belongs to the browser (full
// screen) until it is released.
const held = new Set();
const enterTaken = new Set();
let altHeld = false;
// Presses of the pause keys and of Esc not yet read by the game, the
// gamepads' Start buttons as last seen, and whether the pause sign shows.
let pausePresses = 0;
let escapePressed = false;
// Presses of any other key since the game last asked: one lets a game held
// since the player came back go on.
let otherPresses = 0;
const startHeld = new Map();
let pauseSignShown = false;
// The page lost the keyboard (blurred) and has not had it back yet.
let blurred = false;
// The waits for an event on the page, woken together.
let waiting = [];
let audio = null;
let soundAllowed = false;
let soundHeld = false;
let mix = null;
let meter = null;
let suspendTimer = 0;
const samples = new Map();
const voices = new Map();
let player = null;
const presentTicks = [];
let presents = 0;
// When the first picture reached the canvas, from the page's navigation on.
let firstPresentMs = null;
let finished = null;

// --- the canvas, crisp at whole scales ------------------------------------
// The picture takes the largest whole scale of its device pixels that fits
// the page, centred on black; a page smaller than the picture shrinks it
// with the nearest pixel, never blurred.
function layout() {
    const ratio = window.devicePixelRatio || 1;
    const width = stage.clientWidth * ratio;
    const height = stage.clientHeight * ratio;
    const fit = Math.min(width / kWidth, height / kHeight);
    const scale = fit >= 1 ? Math.floor(fit) : fit;
    canvas.style.width = (kWidth * scale) / ratio + 'px';
    canvas.style.height = (kHeight * scale) / ratio + 'px';
}

function toggleFullscreen() {
    if (document.fullscreenElement) {
        document.exitFullscreen().catch(() => {});
    } else if (stage.requestFullscreen) {
        stage.requestFullscreen().catch(() => {});
    }
}

// --- waits ------------------------------------------------------------------
function wake() {
    const woken = waiting;
    waiting = [];
    for (const resume of woken) {
        resume();
    }
}

function waitForEvent(timeoutMs, resume) {
    let done = false;
    const once = () => {
        if (!done) {
            done = true;
            clearTimeout(timer);
            resume();
        }
    };
    const timer = setTimeout(once, timeoutMs);
    waiting.push(once);
}

// A sleep of 0 hands the browser its turn and comes back right after it:
// a message to the page's own channel, which no timer's minimum delay holds
// back.
const turns = new MessageChannel();
let afterTurn = [];
turns.port1.onmessage = () => {
    const resumed = afterTurn;
    afterTurn = [];
    for (const resume of resumed) {
        resume();
    }
};

function sleep(ms, resume) {
    if (ms > 0) {
        setTimeout(resume, ms);
    } else {
        afterTurn.push(resume);
        turns.port2.postMessage(0);
    }
}

// --- keys and gamepads ----------------------------------------------------
function allowSound() {
    if (audio === null || soundAllowed) {
        return;
    }
    audio.resume().then(() => {
        soundAllowed = true;
        soundLine.hidden = true;
        if (soundHeld) {
            audio.suspend();
        }
    }, () => {});
}

function isEnter(code) { return code === 'Enter' || code === 'NumpadEnter'; }

function onKeyDown(event) {
    if (finished !== null) {
        return;
    }
    blurred = false;
    allowSound();
    if (event.code === 'AltLeft' || event.code === 'AltRight') {
        altHeld = true;
    }
    if (event.code === 'F11' || (isEnter(event.code) && event.altKey)) {
        event.preventDefault();
        if (isEnter(event.code)) {
            enterTaken.add(event.code);
        }
        if (!event.repeat) {
            toggleFullscreen();
        }
        wake();
        return;
    }
    if (event.code === 'KeyP' || event.code === 'Pause') {
        event.preventDefault();
        if (!event.repeat) {
            ++pausePresses;
            wake();
        }
        return;
    }
    if (event.code === 'Escape' && !event.repeat) {
        escapePressed = true;
    } else if (!event.repeat) {
        ++otherPresses;
        wake();
    }
    if (event.code in kKeyBits) {
        event.preventDefault();
        held.add(event.code);
        wake();
    }
}

function onKeyUp(event) {
    if (event.code === 'AltLeft' || event.code === 'AltRight') {
        altHeld = false;
    }
    held.delete(event.code);
    enterTaken.delete(event.code);
    if (event.code in kKeyBits) {
        event.preventDefault();
    }
    wake();
}

function keyboardMask() {
    let mask = 0;
    for (const code of held) {
        if (isEnter(code) && (altHeld || enterTaken.has(code))) {
            continue;
        }
        mask |= 1 << kKeyBits[code];
    }
    return mask;
}

// Gamepads in the browser's standard mapping: D-pad and left stick as the
// arrows, A as Space, Start as Enter, Back as Esc.
function gamepadMask() {
    if (!navigator.getGamepads) {
        return 0;
    }
    let mask = 0;
    for (const pad of navigator.getGamepads()) {
        if (!pad || pad.mapping !== 'standard') {
            continue;
        }
        const button = (i) => i < pad.buttons.length && pad.buttons[i].pressed;
        const axis = (i) => (i < pad.axes.length ? pad.axes[i] : 0);
        if (button(9))
            mask |= 1 << 0;
        if (button(8))
            mask |= 1 << 1;
        if (button(14) || axis(0) <= -kStickThreshold)
            mask |= 1 << 4;
        if (button(15) || axis(0) >= kStickThreshold)
            mask |= 1 << 5;
        if (button(12) || axis(1) <= -kStickThreshold)
            mask |= 1 << 6;
        if (button(13) || axis(1) >= kStickThreshold)
            mask |= 1 << 7;
        if (button(0))
            mask |= 1 << 8;
    }
    return mask;
}

function gamepadsConnected() {
    if (!navigator.getGamepads) {
        return false;
    }
    return Array.from(navigator.getGamepads()).some((pad) => pad && pad.mapping === 'standard');
}

// Presses of a gamepad's Start since the last look: it pauses a game in
// play as P does (and is Enter on the screens).
function gamepadStartPresses() {
    if (!navigator.getGamepads) {
        return 0;
    }
    let presses = 0;
    for (const pad of navigator.getGamepads()) {
        if (!pad || pad.mapping !== 'standard') {
            continue;
        }
        const down = pad.buttons.length > 9 && pad.buttons[9].pressed;
        if (down && !startHeld.get(pad.index)) {
            ++presses;
        }
        startHeld.set(pad.index, down);
    }
    return presses;
}

// The pause sign over the picture: a dark box with two light bars, 48 game
// pixels across, centred a quarter of the way down, clear of the counters
// and of where the ship starts.
function drawPauseSign() {
    const size = 48;
    const left = (kWidth - size) / 2;
    const top = kHeight / 4 - size / 2;
    context.fillStyle = 'rgb(24, 24, 32)';
    context.fillRect(left, top, size, size);
    context.fillStyle = 'rgb(240, 240, 240)';
    const barLeft = left + (size - 2 * 10 - 8) / 2;
    const barTop = top + (size - 28) / 2;
    context.fillRect(barLeft, barTop, 10, 28);
    context.fillRect(barLeft + 18, barTop, 10, 28);
}

// --- sound ------------------------------------------------------------------
// PCM as a WAVE file holds it (8-bit unsigned or 16-bit signed little-
// endian, channels interleaved) into a WebAudio buffer.
function audioBufferOf(bytes, channels, bits, rate) {
    const frameBytes = (bits / 8) * channels;
    const frames = Math.floor(bytes.length / frameBytes);
    if (frames === 0) {
        return null;
    }
    const buffer = audio.createBuffer(channels, frames, rate);
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    for (let c = 0; c < channels; ++c) {
        const out = buffer.getChannelData(c);
        for (let i = 0; i < frames; ++i) {
            const at = i * frameBytes + c * (bits / 8);
            out[i] = bits === 8 ? (view.getUint8(at) - 128) / 128 : view.getInt16(at, true) / 32768;
        }
    }
    return buffer;
}

function stopSource(source) {
    try {
        source.stop();
    } catch (error) {
        // Already played out.
    }
    source.disconnect();
}

function playerStop() {
    if (player !== null) {
        stopSource(player);
        player = null;
    }
}

// --- the game's end -----------------------------------------------------------
function finish(status) {
    if (finished !== null) {
        return;
    }
    finished = status;
    held.clear();
    playerStop();
    for (const source of voices.values()) {
        stopSource(source);
    }
    voices.clear();
    document.body.style.cursor = '';
    endedText.textContent =
        status === 0 ? 'The game has ended.' : 'The game has stopped (exit status ' + status + ').';
    ended.hidden = false;
    again.focus();
}

function showError(line) {
    console.error(line);
    errorLine.textContent = line;
    errorLine.hidden = false;
}

const page = {
    displayOpen() {
        layout();
        return true;
    },
    displayClose() {},
    displayPresent(rgba, tick) {
        picture.data.set(rgba);
        context.putImageData(picture, 0, 0);
        if (presents === 0) {
            firstPresentMs = performance.now();
        }
        presentTicks[presents % kPresentsKept] = tick;
        ++presents;
    },
    cursorShow(show) { document.body.style.cursor = show ? '' : 'none'; },
    keyMask() { return keyboardMask() | gamepadMask(); },
    gamepadsConnected,
    now() { return performance.now(); },
    away() { return document.hidden || blurred; },
    takePausePresses() {
        const presses = pausePresses + gamepadStartPresses();
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
    pauseSign(shown) {
        if (shown !== pauseSignShown) {
            pauseSignShown = shown;
            context.putImageData(picture, 0, 0);
            if (shown) {
                drawPauseSign();
            }
        }
    },
    waitForEvent,
    sleep,
    audioOpen() {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) {
            soundLine.hidden = true;
            return false;
        }
        audio = new Context();
        // Every voice and the player meet in one mix (WebAudio sums them
        // without clipping) that a limiter holds 1 dB below full scale, so
        // that many sounds at once are held down instead of cut off; the
        // mix's gain fades the sound when it is held.
        mix = audio.createGain();
        const limiter = audio.createDynamicsCompressor();
        limiter.threshold.value = -1;
        limiter.knee.value = 0;
        limiter.ratio.value = 20;
        limiter.attack.value = 0.001;
        limiter.release.value = 0.1;
        mix.connect(limiter);
        limiter.connect(audio.destination);
        // What reaches the speakers, for the test hook's level.
        meter = audio.createAnalyser();
        limiter.connect(meter);
        soundAllowed = audio.state === 'running';
        soundLine.hidden = soundAllowed;
        return true;
    },
    audioClose() {
        playerStop();
        samples.clear();
        voices.clear();
        if (audio !== null) {
            audio.close().catch(() => {});
            audio = null;
        }
    },
    // Holding fades the sound out over a few milliseconds before the
    // context stops where it is; letting go starts it and fades back in.
    audioPause(paused) {
        soundHeld = paused;
        if (audio === null || !soundAllowed) {
            return;
        }
        clearTimeout(suspendTimer);
        mix.gain.setTargetAtTime(paused ? 0 : 1, audio.currentTime, kFadeSeconds / 3);
        if (paused) {
            suspendTimer = setTimeout(() => audio !== null && audio.suspend().catch(() => {}),
                                      kFadeSeconds * 4000);
        } else {
            audio.resume().catch(() => {});
        }
    },
    samplesDefine(id, bytes, channels, bits, rate) {
        if (audio !== null) {
            samples.set(id, audioBufferOf(bytes, channels, bits, rate));
        }
    },
    samplesForget(id) { samples.delete(id); },
    voiceStart(id, samplesId) {
        const buffer = samples.get(samplesId);
        page.voiceStop(id);
        if (audio === null || !buffer) {
            return;
        }
        const source = audio.createBufferSource();
        source.buffer = buffer;
        source.connect(mix);
        source.onended = () => {
            if (voices.get(id) === source) {
                voices.delete(id);
            }
        };
        voices.set(id, source);
        source.start();
    },
    voiceStop(id) {
        const source = voices.get(id);
        if (source) {
            voices.delete(id);
            stopSource(source);
        }
    },
    playerStart(id, loop) {
        playerStop();
        const buffer = samples.get(id);
        if (audio === null || !buffer) {
            return;
        }
        const source = audio.createBufferSource();
        source.buffer = buffer;
        source.loop = loop;
        source.connect(mix);
        player = source;
        source.start();
    },
    playerStop,
    errorLine : showError,
};

// The read-only hook the browser test reads: the game's state line, the
// ticks of the frames shown, and how the game ended.
window.quorvelindaxtor = {
    state() {
        const line = Module['_qv_state_line'];
        return line ? JSON.parse(Module['UTF8ToString'](line())) : null;
    },
    presentTicks() {
        const count = Math.min(presents, kPresentsKept);
        const ticks = [];
        for (let i = presents - count; i < presents; ++i) {
            ticks.push(presentTicks[i % kPresentsKept]);
        }
        return ticks;
    },
    presents() { return presents; },
    firstPresentMs() { return firstPresentMs; },
    soundAllowed() { return soundAllowed; },
    // How many effect voices play through WebAudio now.
    voicesSounding() { return voices.size; },
    // The loudest sample now reaching the speakers, 0 to 1.
    soundLevel() {
        if (meter === null) {
            return 0;
        }
        const samples = new Float32Array(meter.fftSize);
        meter.getFloatTimeDomainData(samples);
        return samples.reduce((peak, value) => Math.max(peak, Math.abs(value)), 0);
    },
    finished() { return finished; },
};

window.addEventListener('keydown', onKeyDown);
window.addEventListener('keyup', onKeyUp);
window.addEventListener('mousedown', () => {
    blurred = false;
    allowSound();
    wake();
});
window.addEventListener('touchstart', allowSound, {passive : true});
window.addEventListener('blur', () => {
    // Keys released elsewhere never come back as key-ups.
    blurred = true;
    held.clear();
    enterTaken.clear();
    altHeld = false;
    wake();
});
window.addEventListener('focus', () => {
    blurred = false;
    wake();
});
document.addEventListener('visibilitychange', wake);
window.addEventListener('gamepadconnected', wake);
window.addEventListener('gamepaddisconnected', wake);
window.addEventListener('resize', layout);
document.addEventListener('fullscreenchange', layout);
again.addEventListener('click', () => window.location.reload());
layout();

window.Module = {
    qvPage : page,
    canvas,
    arguments : [],
    print : (text) => console.log(text),
    printErr : (text) => console.warn(text),
    // The game's loops wait inside the program, so main hands control back
    // to the page at its first wait; called asynchronously, it resolves with
    // the exit status once it has really returned.
    noInitialRun : true,
    onRuntimeInitialized : () => {
        Module['ccall']('main', 'number', [], [], {async : true}).then(finish, (error) => {
            showError('quorvelindaxtor: ' + error);
            finish(1);
        });
    },
    onAbort : (what) => {
        showError('quorvelindaxtor: ' + what);
        finish(1);
    },
};
})();
