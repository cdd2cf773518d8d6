// The title screen, the controls screen and the game-start sequence.
#pragma once

// Title screens shown since the program started.
extern int titleScreensShown;

// Shows the title with its music and waits for Enter (a new game is set
// up), F3 (the controls) or Esc (the program closes). True when a game was
// set up or Esc pressed; false when a drawing step or the game start failed.
bool titleScreen();
// Shows the controls until F4, then the title again. False when a drawing
// step failed.
bool controlsScreen();
// Sets up every table, picture and sound of a new game, in order, stopping
// at the first failure.
bool startNewGame();
