// text_input.h - text input over SDL2: the IME's open state and the composition it shows.
//
// SDL delivers a confirmed composition as ordinary text input (character messages) and the
// text being composed as editing events; the window's event translation stores the latest
// composition here and posts MSG_IME_COMPOSITION.  Candidate lists, guide lines and the
// conversion mode are not given by SDL: those calls report "not available".  Main thread only.
//
// Implemented: [X] open state [X] composition text and cursor [X] candidate window position
// Not: [ ] attributes [ ] candidate list [ ] guide line [ ] conversion mode
#pragma once

// Flags of MSG_IME_COMPOSITION's wParam: what the message carries.
constexpr unsigned IME_COMPOSITION_STRING = 0x8;
constexpr unsigned IME_COMPOSITION_ATTRIBUTES = 0x10;
constexpr unsigned IME_COMPOSITION_CURSOR = 0x80;
constexpr unsigned IME_COMPOSITION_RESULT = 0x800;

constexpr int IME_COMPOSITION_BYTES = 256;  // UTF-8, with the zero

// Text input stays on while the window exists, so characters keep arriving; the open state
// says whether the IME may compose.  Closing drops a composition in progress.
void PlatformSetImeOpen(int open);
int PlatformImeOpen();
// Where the candidate window should appear: client pixels of the text cursor.
void PlatformSetImeRect(int x, int y, int width, int height);

// The composition as the last editing event left it: UTF-8 and the cursor in characters.
// Returns the bytes copied (0: nothing is being composed).
int PlatformImeComposition(char* out, int outSize, int* cursorCharacters);
// Called by the event translation.
void PlatformNoteComposition(const char* utf8, int cursorCharacters);
// Empties the stored composition (between tests).
void PlatformResetIme();

// Candidates, guide line and conversion mode: 0, nothing available on this platform.
int PlatformImeCandidates(char (*out)[16], int maxCount, int* selected);
int PlatformImeGuideLine();
int PlatformImeNativeMode();
