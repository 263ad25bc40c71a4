// text_file.cpp - loading, cleaning and reading text files.
#include "text/text_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "core/log.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"

int TextFile::Open(const char* path) {
  if (buffer) {
    ShowMessage("ERROR: TextFile is already open", TextColours.error);
    Close();
  }
  std::string bytes;
  const int error = FileReadAll(path ? path : "", bytes, TEXT_FILE_MAX_BYTES);
  if (error == EFBIG) LogF("TextFile : %s is larger than %d bytes", path, TEXT_FILE_MAX_BYTES);
  if (error) return 0;
  buffer = new char[bytes.size() + 1];
  std::memcpy(buffer, bytes.data(), bytes.size());
  buffer[bytes.size()] = 0;
  owned = true;
  position = 0;
  length = static_cast<int>(bytes.size());
  Clean();
  if (length == 0) {
    Close();
    return 0;
  }
  return 1;
}

int TextFile::OpenBuffer(char* text) {
  if (buffer) Close();
  buffer = text;
  owned = false;
  position = 0;
  length = static_cast<int>(std::strlen(text));
  Clean();
  if (length == 0) {
    Reset();
    return 0;
  }
  return 1;
}

void TextFile::Clean() {
  int w = 0;
  for (int r = 0; r < length; ++r) {
    const char c = buffer[r];
    if (c == '\t')
      buffer[w++] = ' ';
    else if (static_cast<unsigned char>(c) >= 32 || c == '\n')
      buffer[w++] = c;
  }
  buffer[w] = 0;
  length = w;
}

int TextFile::ReadLine(char* field, int fieldSize) {
  if (fieldSize <= 0) return 0;
  std::memset(field, 0, static_cast<size_t>(fieldSize));
  if (!buffer || position >= length) return 0;
  int n = 0;
  while (position < length && buffer[position] != '\n') {
    if (n < fieldSize - 1) field[n++] = buffer[position];
    ++position;
  }
  if (position < length) ++position;  // the newline
  return 1;
}

int TextFile::ReadBlock(TextBlock& block, uint32_t tag) {
  block.tag = tag;
  block.text[0] = 0;
  if (!buffer || position >= length) return 0;
  int p = position;
  if (buffer[p] == '@') {  // one comment line
    while (p < length && buffer[p] != '\n') ++p;
    if (p < length) ++p;
  }
  while (p < length && buffer[p] == '\n') ++p;
  int n = 0;
  bool lineStart = true;
  while (p < length && n < TEXT_BLOCK_SIZE - 1) {
    const char c = buffer[p];
    if (c == '\\' && lineStart) {
      ++p;
      break;
    }
    block.text[n++] = c;
    lineStart = c == '\n';
    ++p;
  }
  while (n > 0 && block.text[n - 1] == '\n') --n;
  block.text[n] = 0;
  position = p;
  return 1;
}

void TextFile::Close() {
  if (owned) delete[] buffer;
  buffer = nullptr;
  owned = false;
  position = 0;
  length = 0;
}

void TextFile::Reset() { Close(); }
