// The page around the game: the canvas and where it lands, the keys, the
// touch controls and the gamepads, the clock, the sound, the pause while the
// player is away, the lines the page shows, the offline copy, and the
// game's end. The game itself (the wasm) asks for all of it through
// Module.qvPage.
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
// The touch controls' keys by their data-key: a bit as above, or a press of
// the pause key.
const kTouchKeyBits = {
    ENTER : 0,
    ESC : 1,
    F3 : 2,
    F4 : 3,
    LEFT : 4,
    RIGHT : 5,
    UP : 6,
    DOWN : 7,
    SPACE : 8,
    P : null,
};
// A stick pushed this far counts as the arrow.
const kStickThreshold = 0.5;
// Frames whose ticks the page keeps, for measurements.
const kPresentsKept = 4096;
// How long holding the sound fades it out.
const kFadeSeconds = 0.008;
const kSoundLatencySeconds = 0.023;
// The rate of all the game's sounds.
const kSoundRate = 22050;

const stage = document.getElementById('stage');
// Both canvases hand their pictures to the browser's display compositor
// themselves (desynchronized), as a canvas drawn from a worker does: a frame
// that changes only the canvas then costs the page no update of its own
// layers, which it would otherwise make (and the compositor thread take up)
// at every frame. The browser may show a picture while it is being put, but
// a frame's changes are a few small areas, put at once.
const kCanvasOptions = {
    alpha : false,
    desynchronized : true
};
const canvas = document.getElementById('screen');
const context = canvas.getContext('2d', kCanvasOptions);
// The smoothed picture, drawn by the game at its place's size and shown
// pixel for pixel.
const wide = document.getElementById('wide');
const wideContext = wide.getContext('2d', kCanvasOptions);
const pauseSignBox = document.getElementById('pause-sign');
const pauseSignBars = pauseSignBox.querySelectorAll('.bar');
const howTo = document.getElementById('how-to');
const touchControls = document.getElementById('touch');
const soundLine = document.getElementById('sound-line');
const errorLine = document.getElementById('error-line');
const ended = document.getElementById('ended');
const endedText = document.getElementById('ended-text');
const again = document.getElementById('again');
// The picture each canvas takes (the frame, the smoothed picture), read
// straight from the game's memory without a copy; each made again only when
// that memory moves (it grows) or the picture's size changes.
const pictures = new Map();
function pictureOver(target, rgba, width, height) {
    let picture = pictures.get(target);
    if (picture === undefined || picture.data.buffer !== rgba.buffer ||
        picture.data.byteOffset !== rgba.byteOffset || picture.width !== width ||
        picture.height !== height) {
        picture = new ImageData(new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length),
                                width, height);
        pictures.set(target, picture);
    }
    return picture;
}

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
// The last node before the speakers, where the test hook's meter listens.
let output = null;
let suspendTimer = 0;
const samples = new Map();
const voices = new Map();
let player = null;
const presentTicks = [];
let presents = 0;
// When the first picture reached the canvas, from the page's navigation on.
let firstPresentMs = null;
let finished = null;
// Where the picture lands, as the game's placement rule says, in device
// pixels: {x, y, w, h, scale, smooth}, and the pause sign inside it.
let placement = null;
let pauseSignPlace = null;
// Whether the page has touch, whether its controls show, and the keys the
// fingers on them hold, by touch identifier.
const hasTouch = navigator.maxTouchPoints > 0 || 'ontouchstart' in window;
let touchShown = false;
const fingers = new Map();
// The game's last wait: for a frame's deadline (in play) or for input.
let playing = false;

// --- the canvas, placed by the game's rule ---------------------------------
// The game's placement (the same as the desktop's) is asked for the stage's
// size in device pixels. At a whole scale the 640x480 canvas itself is shown,
// every game pixel an exact block; otherwise a canvas of the placed size,
// into which the game draws its smoothed picture, is shown pixel for pixel.
function placeStyle(element, rect, ratio) {
    element.style.left = rect.x / ratio + 'px';
    element.style.top = rect.y / ratio + 'px';
    element.style.width = rect.w / ratio + 'px';
    element.style.height = rect.h / ratio + 'px';
}

// Puts the whole of a picture the game keeps (at a pointer, 0 for none)
// onto a canvas.
function putWhole(target, at, width, height) {
    if (at !== 0 && Module['HEAPU8']) {
        const length = width * height * 4;
        const rgba = Module['HEAPU8'].subarray(at, at + length);
        target.putImageData(pictureOver(target, rgba, width, height), 0, 0);
    }
}

function layout() {
    const place = Module['_qv_place_frame'];
    if (!place || !Module['HEAP32']) {
        return;
    }
    const ratio = window.devicePixelRatio || 1;
    const width = Math.round(stage.clientWidth * ratio);
    const height = Math.round(stage.clientHeight * ratio);
    const at = place(width, height) >> 2;
    const values = Module['HEAP32'].slice(at, at + 20);
    const rect = (i) => ({x : values[i], y : values[i + 1], w : values[i + 2], h : values[i + 3]});
    placement = Object.assign(rect(0), {scale : values[4], smooth : values[5] !== 0});
    pauseSignPlace = {box : rect(6), bars : [ rect(10), rect(14) ]};
    // The canvas now shown gets the whole picture at once: only changes
    // reach it from one frame to the next, and the other canvas was left
    // as it was.
    const smooth = placement.smooth;
    if (smooth) {
        if (wide.width !== placement.w || wide.height !== placement.h) {
            wide.width = placement.w;
            wide.height = placement.h;
        }
        putWhole(wideContext, values[19] >>> 0, placement.w, placement.h);
    } else {
        putWhole(context, values[18] >>> 0, kWidth, kHeight);
    }
    canvas.hidden = smooth;
    wide.hidden = !smooth;
    placeStyle(smooth ? wide : canvas, placement, ratio);
    placeStyle(pauseSignBox, pauseSignPlace.box, ratio);
    pauseSignPlace.bars.forEach((bar, i) => placeStyle(pauseSignBars[i], {
                                    x : bar.x - pauseSignPlace.box.x,
                                    y : bar.y - pauseSignPlace.box.y,
                                    w : bar.w,
                                    h : bar.h
                                },
                                                       ratio));
    placeHowTo(ratio);
}

// How to play, in English (the game's own texts are French): one line below
// the picture where it fits there, else a column beside it where one fits,
// else nowhere, never over the picture. Beside the touch controls there is
// no room for it; their labels tell what they do.
const kHowToKeys = [
    'Arrows: turn, thrust', 'Space: fire', 'P: pause', 'Enter: start',
    'F3 / F4: controls screen, back', 'Esc: quit', 'Alt+Enter: full screen'
];
const kHowToTouch = [
    '\u25C0 \u25B6 turn, \u25B2 \u25BC thrust', 'Fire: fire', '\u275A\u275A: pause',
    'Start, Controls, Back, Quit on the screens'
];
const kHowToLineHeight = 28;
const kHowToColumnWidth = 90;

function placeHowTo(ratio) {
    const parts = touchShown ? kHowToTouch : kHowToKeys;
    const below = stage.getBoundingClientRect().top + (placement.y + placement.h) / ratio;
    const side = placement.x / ratio;
    howTo.classList.remove('beside');
    howTo.style.top = '';
    howTo.style.bottom = '';
    howTo.style.width = '';
    howTo.hidden = false;
    if (window.innerHeight - below >= kHowToLineHeight) {
        howTo.textContent = parts.join(' \u00B7 ');
        howTo.style.top = below + 'px';
        howTo.style.bottom = 'auto';
    } else if (side >= kHowToColumnWidth && !touchShown) {
        howTo.textContent = parts.join('\n');
        howTo.classList.add('beside');
        howTo.style.width = side - 12 + 'px';
    } else {
        howTo.hidden = true;
    }
}

// The touch controls show on a device with touch until a key or a gamepad
// is pressed, and come back at the next touch.
function showTouch(shown) {
    if (shown === touchShown) {
        return;
    }
    touchShown = shown;
    touchControls.hidden = !shown;
    document.body.classList.toggle('touch', shown);
    if (!shown) {
        fingers.clear();
        markHeldControls();
    }
    layout();
}

function notePlaying(inPlay) {
    if (inPlay !== playing) {
        playing = inPlay;
        document.body.classList.toggle('playing', inPlay);
    }
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
    // A wait for input is the screens' wait; paused or away, the game in
    // play waits the same way, and stays in play.
    if (!pauseSignShown && !page.away()) {
        notePlaying(false);
    }
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
    notePlaying(true);
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
    showTouch(false);
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
    for (const key of fingers.values()) {
        if (key !== null && kTouchKeyBits[key] !== null) {
            mask |= 1 << kTouchKeyBits[key];
        }
    }
    for (const code of held) {
        if (isEnter(code) && (altHeld || enterTaken.has(code))) {
            continue;
        }
        mask |= 1 << kKeyBits[code];
    }
    return mask;
}

// The gamepads as the browser saw them at this turn: the game asks for keys
// many times a frame, and a turn of the page sees one state of them anyway.
// A browser shows a page no gamepad before one has been used on it (and then
// says so with gamepadconnected), so until then there is nothing to look at.
let padsThisTurn = null;
let padsSeen = false;
function gamepads() {
    if (!padsSeen) {
        return [];
    }
    if (padsThisTurn === null) {
        padsThisTurn = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
        queueMicrotask(() => { padsThisTurn = null; });
    }
    return padsThisTurn;
}

// Gamepads in the browser's standard mapping: D-pad and left stick as the
// arrows, A as Space, Start as Enter, Back as Esc.
function gamepadMask() {
    let mask = 0;
    for (const pad of gamepads()) {
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

function gamepadsConnected() { return gamepads().some((pad) => pad && pad.mapping === 'standard'); }

// Presses of a gamepad's Start since the last look: it pauses a game in
// play as P does (and is Enter on the screens).
function gamepadStartPresses() {
    let presses = 0;
    for (const pad of gamepads()) {
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

// --- touch ------------------------------------------------------------------
// Each finger holds the key of the control under it (data-key), and moves to
// another as it slides; on the screens a finger on the picture is Enter.
// Several fingers hold several keys at once. A finger that comes onto the
// pause control, or onto Quit, presses it as the key would.
function keyUnder(touch) {
    const element = document.elementFromPoint(touch.clientX, touch.clientY);
    if (element === null) {
        return null;
    }
    const control = element.closest('[data-key]');
    if (control !== null && !control.closest('[hidden]')) {
        return control.dataset.key in kTouchKeyBits ? control.dataset.key : null;
    }
    return !playing && stage.contains(element) ? 'ENTER' : null;
}

function markHeldControls() {
    const keys = new Set(fingers.values());
    for (const control of touchControls.querySelectorAll('[data-key]')) {
        control.classList.toggle('held', keys.has(control.dataset.key));
    }
}

function onTouch(event) {
    if (finished !== null || event.target === again) {
        return;
    }
    event.preventDefault();
    blurred = false;
    allowSound();
    showTouch(true);
    const lifted = event.type === 'touchend' || event.type === 'touchcancel';
    if (event.type === 'touchstart') {
        // A touch lets a game held since the player came back go on.
        ++otherPresses;
    }
    for (const touch of event.changedTouches) {
        const before = fingers.has(touch.identifier) ? fingers.get(touch.identifier) : null;
        const key = lifted ? null : keyUnder(touch);
        if (lifted) {
            fingers.delete(touch.identifier);
        } else {
            fingers.set(touch.identifier, key);
        }
        if (key !== before && key === 'P') {
            ++pausePresses;
        }
        if (key !== before && key === 'ESC') {
            escapePressed = true;
        }
    }
    markHeldControls();
    wake();
}

// The pause sign over the picture, where the game's placement puts it.
function showPauseSign(shown) { pauseSignBox.hidden = !shown; }

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
    // The 640x480 frame, or the smoothed picture at its place's size: only
    // the areas (x, y, w, h) that changed since the last frame are drawn
    // again.
    displayPresent(rgba, width, height, tick, areas) {
        const target = width === kWidth && height === kHeight ? context : wideContext;
        const shown = pictureOver(target, rgba, width, height);
        for (let i = 0; i + 3 < areas.length; i += 4) {
            const [x, y, w, h] = areas.subarray(i, i + 4);
            target.putImageData(shown, 0, 0, x, y, w, h);
        }
        if (presents === 0) {
            firstPresentMs = performance.now();
        }
        presentTicks[presents % kPresentsKept] = tick;
        ++presents;
    },
    cursorShow(show) { document.body.style.cursor = show ? '' : 'none'; },
    keyMask() {
        const pads = gamepadMask();
        if (pads !== 0) {
            showTouch(false);
        }
        return keyboardMask() | pads;
    },
    gamepadsConnected,
    now() { return performance.now(); },
    away() { return document.hidden || blurred; },
    takePausePresses() {
        const starts = gamepadStartPresses();
        if (starts > 0) {
            showTouch(false);
        }
        const presses = pausePresses + starts;
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
            showPauseSign(shown);
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
        // Sound a little ahead, as the desktop's mixer does (512 frames at
        // 22,050 Hz, 23 ms): short enough for an effect to sound with its
        // hit, and fewer wake-ups of the page's sound thread than the
        // browser's shortest. The mix runs at the sounds' own rate, as the
        // desktop's does: nothing is resampled before the mix, and the
        // mix and its limiter do under half the work they would at the
        // device's rate. A browser that refuses that rate mixes at its own.
        try {
            audio = new Context({latencyHint : kSoundLatencySeconds, sampleRate : kSoundRate});
        } catch (error) {
            audio = new Context({latencyHint : kSoundLatencySeconds});
        }
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
        output = limiter;
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
            output = null;
            meter = null;
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
    // The rate the sound is mixed at, in Hz (0 without sound).
    soundRate() { return audio === null ? 0 : audio.sampleRate; },
    // How many effect voices play through WebAudio now.
    voicesSounding() { return voices.size; },
    // The loudest sample now reaching the speakers, 0 to 1.
    // The meter listens only once asked, so that a game nobody measures
    // does not pay for it.
    soundLevel() {
        if (output === null) {
            return 0;
        }
        if (meter === null) {
            meter = audio.createAnalyser();
            output.connect(meter);
        }
        const samples = new Float32Array(meter.fftSize);
        meter.getFloatTimeDomainData(samples);
        return samples.reduce((peak, value) => Math.max(peak, Math.abs(value)), 0);
    },
    finished() { return finished; },
    // Where the picture lands in device pixels, as the game's rule placed it.
    placement() { return placement; },
    pauseSignShown() { return pauseSignShown; },
    touchShown() { return touchShown; },
    // The keys the fingers hold now, as the game reads them.
    touchKeys() { return Array.from(new Set(fingers.values())).filter((key) => key !== null); },
};

window.addEventListener('keydown', onKeyDown);
window.addEventListener('keyup', onKeyUp);
window.addEventListener('mousedown', () => {
    blurred = false;
    allowSound();
    ++otherPresses;
    wake();
});
for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel']) {
    window.addEventListener(type, onTouch, {passive : false});
}
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
window.addEventListener('gamepadconnected', () => {
    padsSeen = true;
    wake();
});
window.addEventListener('gamepaddisconnected', wake);
window.addEventListener('resize', layout);
document.addEventListener('fullscreenchange', layout);
again.addEventListener('click', () => window.location.reload());

// The site's files kept by a service worker, so that the page reloads and
// plays without the network.
if ('serviceWorker' in navigator && window.isSecureContext) {
    window.addEventListener('load', () => {
        navigator.serviceWorker.register('sw.js').catch(
            (error) => console.warn('quorvelindaxtor: no offline copy: ' + error));
    });
}

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
showTouch(hasTouch);
})();
