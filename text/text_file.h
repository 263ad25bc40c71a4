// text_file.h - a text file in memory, read by lines or by blocks.
//
// Language, help, lesson and server-message readers load a file, clean it (tabs become
// spaces, every other byte below 32 except the newline goes, so carriage returns vanish) and
// read it line by line or block by block.  Each reader has its own TextFile, so a second
// file opened elsewhere never frees the buffer a first reader is still reading.
#pragma once
#include <cstdint>

constexpr int TEXT_LINE_SIZE = 48;    // the usual line field: 47 characters kept
constexpr int TEXT_BLOCK_SIZE = 2048; // a block's text: 2047 characters kept
constexpr int TEXT_FILE_MAX_BYTES = 64 * 1024 * 1024;  // larger files are refused

// One block: a tag the caller gives (help texts and server messages give it a meaning; the
// reader only stores it) and its text.
struct TextBlock {
  uint32_t tag;
  char text[TEXT_BLOCK_SIZE];
};

struct TextFile {
  char* buffer = nullptr;  // zero-terminated
  bool owned = false;      // false: the caller's buffer, never freed here
  int position = 0;        // the next byte to read
  int length = 0;          // bytes after cleaning

  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  ~TextFile() { Close(); }

  // Loads the whole file (a path as the data names it, "data\language\x.txt") and cleans it.
  // Returns 1, or 0 with no buffer kept for a file that is missing, unreadable, too large or
  // empty after cleaning.  A file still open here is dropped first, with an error message.
  int Open(const char* path);
  // Uses the caller's zero-terminated text, cleaned in place.  Returns 0 when it is empty
  // after cleaning.
  int OpenBuffer(char* text);
  // Cleans the first length bytes of the buffer in place and sets the new length.
  void Clean();

  // Clears field (fieldSize bytes) and copies the next line into it without its newline; a
  // longer line is cut to fieldSize - 1 characters and the rest of it is skipped.  Returns
  // 1, or 0 when no line is left.
  int ReadLine(char* field, int fieldSize = TEXT_LINE_SIZE);
  // Stores tag and reads one block: one line beginning with "@" is skipped, then empty
  // lines; then characters are copied until a "\" at the start of a line (or of the block),
  // which is consumed, or the end of the buffer, or 2047 characters; trailing newlines are
  // removed.  Returns 1, or 0 (with an empty text) when nothing was left to read.
  int ReadBlock(TextBlock& block, uint32_t tag);

  void Close();  // frees an owned buffer and starts afresh
  void Reset();  // forgets a caller's buffer without freeing it (an owned one is freed)
};
