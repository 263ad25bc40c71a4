// game_code.h - the game-code section: the lock the simulation, the race and the world's staged
// loading run under, with its nesting count.
//
// The section is re-entrant (a thread that holds it may enter again), but entering twice is a
// fault of the caller and is reported; leaving when not inside, or leaving while entered more
// than once, is reported too.  Reports are message boxes of two texts (core/report.h).
#pragma once

// Enters the section and counts the nesting; entering again before leaving reports
// "EnterGameCode" "already entered" (the nesting is still counted).
void EnterGameCode();
// Leaves the section.  Not inside: reports "LeaveGameCode" "not in game code" and does
// nothing else.  Entered more than once: reports "LeaveGameCode" "not fully exited", then
// leaves one level.
void LeaveGameCode();
// The nesting count (0 outside the section).
int GameCodeNesting();
