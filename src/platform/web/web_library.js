// The page's side of the web backend: each import forwards to the page
// (page.js, Module.qvPage), which owns the canvas, the keys, the gamepads,
// the clock and WebAudio. The two waits hand the browser its turn through
// Asyncify and come back when the page wakes them.
mergeInto(LibraryManager.library, {
    qv_display_open : function() { return Module['qvPage'].displayOpen() ? 1 : 0; },
    qv_display_close : function() { Module['qvPage'].displayClose(); },
    qv_display_present : function(rgba, width, height, tick, areas, count) {
        Module['qvPage'].displayPresent(HEAPU8.subarray(rgba, rgba + width * height * 4), width,
                                        height, tick >>> 0,
                                        HEAP32.subarray(areas >> 2, (areas >> 2) + count * 4));
    },
    qv_cursor_show : function(show) { Module['qvPage'].cursorShow(show !== 0); },
    qv_key_mask : function() { return Module['qvPage'].keyMask() >>> 0; },
    qv_gamepads_connected : function() { return Module['qvPage'].gamepadsConnected() ? 1 : 0; },
    qv_now : function() { return Module['qvPage'].now(); },
    qv_away : function() { return Module['qvPage'].away() ? 1 : 0; },
    qv_take_pause_presses : function() { return Module['qvPage'].takePausePresses(); },
    qv_take_escape_press : function() { return Module['qvPage'].takeEscapePress() ? 1 : 0; },
    qv_take_other_presses : function() { return Module['qvPage'].takeOtherPresses(); },
    qv_pause_sign : function(shown) { Module['qvPage'].pauseSign(shown !== 0); },
    qv_wait : function(timeoutMs) {
        return Asyncify.handleSleep(function(
            wakeUp) { Module['qvPage'].waitForEvent(timeoutMs, wakeUp); });
    },
    qv_sleep : function(ms) {
        return Asyncify.handleSleep(function(wakeUp) { Module['qvPage'].sleep(ms, wakeUp); });
    },
    qv_audio_open : function() { return Module['qvPage'].audioOpen() ? 1 : 0; },
    qv_audio_close : function() { Module['qvPage'].audioClose(); },
    qv_audio_pause : function(paused) { Module['qvPage'].audioPause(paused !== 0); },
    qv_samples_define : function(id, bytes, length, channels, bits, rate) {
        Module['qvPage'].samplesDefine(id, HEAPU8.slice(bytes, bytes + length), channels, bits,
                                       rate >>> 0);
    },
    qv_samples_forget : function(id) { Module['qvPage'].samplesForget(id); },
    qv_voice_start : function(voice, samples) { Module['qvPage'].voiceStart(voice, samples); },
    qv_voice_stop : function(voice) { Module['qvPage'].voiceStop(voice); },
    qv_player_start : function(samples,
                               loop) { Module['qvPage'].playerStart(samples, loop !== 0); },
    qv_player_stop : function() { Module['qvPage'].playerStop(); },
    qv_error_line : function(line) { Module['qvPage'].errorLine(UTF8ToString(line)); },
});
