// What the files of the web backend share: the page's side of the backend,
// written in JavaScript (web_library.js), and the pause while the player is
// away from the page.
#pragma once

#include <cstdint>

extern "C" {
// The display: a canvas on the page.
int qv_display_open();
void qv_display_close();
// rgba is the picture the page shows, width x height pixels of four bytes,
// row by row: the 640x480 frame, or where the picture is smoothed, the
// smoothed picture at its place's size. tick is the tick counter as the
// frame is shown; areas are count rectangles (x, y, w, h) of that picture
// outside which it is the one presented before.
void qv_display_present(const uint8_t* rgba, int width, int height, uint32_t tick,
                        const int32_t* areas, int count);
void qv_cursor_show(int show);

// The keys and buttons held, a bit per key (plat::Key's order).
uint32_t qv_key_mask();
int qv_gamepads_connected();
// The browser's monotonic clock in milliseconds, with its fraction.
double qv_now();
// Whether the page is hidden or has lost the keyboard.
int qv_away();
// Presses of P, Pause and a gamepad's Start since the last call; whether Esc
// was pressed since the last call.
int qv_take_pause_presses();
int qv_take_escape_press();
// Presses of any other key (or touches) since the last call.
int qv_take_other_presses();
// Shows or hides the pause sign over the picture.
void qv_pause_sign(int shown);

// Hands the browser its turn: qv_wait until something happens on the page
// (a key, a button, focus or visibility) or timeoutMs pass; qv_sleep for ms
// whatever happens, or with 0 only as long as the browser's turn takes.
void qv_wait(int timeoutMs);
void qv_sleep(int ms);

// Sound through WebAudio. Samples are PCM as a WAVE file holds them.
int qv_audio_open();
void qv_audio_close();
void qv_audio_pause(int paused);
void qv_samples_define(int id, const uint8_t* bytes, uint32_t length, int channels, int bits,
                       uint32_t rate);
void qv_samples_forget(int id);
void qv_voice_start(int voice, int samples);
void qv_voice_stop(int voice);
// The front-end player: samples defined as for a voice, looping or once;
// stop silences it.
void qv_player_start(int samples, int loop);
void qv_player_stop();

// One line for the player, on the page and in the console.
void qv_error_line(const char* line);
}

namespace plat::web {

// Holds or lets go the effect voices and the front-end player.
void pauseSound(bool paused);

namespace testing {
// The buffers whose voices started since the last call, in order.
const void* const* takeVoiceStarts(int* count);
} // namespace testing

} // namespace plat::web
