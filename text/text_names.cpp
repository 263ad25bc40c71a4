// text_names.cpp - name cleaning, display names, name checks and player file names.
#include "text/text_names.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "text/code_pages.h"
#include "text/coded_text.h"
#include "text/language.h"
#include "text/text_strings.h"

// ---- [Cleaning] ----

char* CleanName(char* out, int outSize, const char* in, int fromDigit, int toDigit, int* flag) {
  int found = 0;
  if (outSize <= 0) {
    if (flag) *flag = 0;
    return out;
  }
  const int limit = outSize - 1;
  const unsigned char* text = reinterpret_cast<const unsigned char*>(in ? in : "");
  int page = 0;
  int o = 0;
  int i = 0;
  while (text[i]) {
    const unsigned char c = text[i];
    if (c == CARET) {
      unsigned char code = text[i + 1];
      if (code < '0' || code > 'z') {  // also a lone caret at the end
        i += code ? 2 : 1;
        continue;
      }
      if (fromDigit && code == fromDigit) code = static_cast<unsigned char>(toDigit);
      if (code == '8' || code == ':') {
        page = 0;
      } else {
        const int switched = CodePageIndexOfLetter(code);
        if (switched >= 0) page = switched;
      }
      if (o + 2 > limit) break;
      out[o++] = CARET;
      out[o++] = static_cast<char>(code);
      if (code == '\\') found = 1;
      i += 2;
      continue;
    }
    if (c < 32) {
      ++i;
      continue;
    }
    if (IsLeadByte(page, c)) {
      if (text[i + 1] < FIRST_TRAIL_BYTE) {
        ++i;  // a lone lead byte; what follows it is read on its own
        continue;
      }
      if (o + 2 > limit) break;
      out[o++] = static_cast<char>(c);
      out[o++] = static_cast<char>(text[i + 1]);
      found = 1;
      i += 2;
      continue;
    }
    if (o + 1 > limit) break;
    out[o++] = static_cast<char>(c);
    if (c == '\\' || c >= 128) found = 1;
    ++i;
  }
  // Spaces: no code and no trail byte ends in one, so the ends can be trimmed byte by byte.
  int start = 0;
  while (start < o && out[start] == ' ') ++start;
  while (o > start && out[o - 1] == ' ') --o;
  if (start > 0) std::memmove(out, out + start, static_cast<size_t>(o - start));
  o -= start;
  if (o == 0) {
    CopyStringN(out, UNNAMED, outSize);
    o = static_cast<int>(std::strlen(out));
  }
  out[o] = 0;
  if (flag) *flag = found;
  return out + o;
}

// ---- [Display] ----

namespace {

// MakeDisplayName's work into out, of size bytes (at most NAME_REFUSAL_SIZE).
void WriteDisplayName(char* out, int size, const char* name) {
  int flag = 0;
  char cleaned[NAME_REFUSAL_SIZE];
  CleanName(cleaned, size, name, '8', ':', &flag);
  if (CurrentCodePage != 0 && flag) {
    CutCodedText(cleaned, size - 3, 0);
    out[0] = CARET;
    out[1] = 'L';
    CopyStringN(out + 2, cleaned, size - 2);
  } else {
    CopyStringN(out, cleaned, size);
  }
}

}  // namespace

const char* MakeDisplayName(const char* name) {
  static char buffers[2][DISPLAY_NAME_SIZE];
  static int next = 0;
  char* out = buffers[next];
  next ^= 1;
  WriteDisplayName(out, DISPLAY_NAME_SIZE, name);
  return out;
}

int SetCodepagePrefixN(char* name, int size, int codePage) {
  if (size < 3 || codePage < 0 || codePage >= CODE_PAGE_COUNT) return 0;
  bool needed = false;
  for (int i = 0; i < size && name[i]; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '\\' || c > 127) {
      needed = true;
      break;
    }
  }
  if (!needed) return 0;
  name[size - 1] = 0;  // a field filled to its end is read as far as it goes
  const int length = CutCodedText(name, size - 3, codePage);
  std::memmove(name + 2, name, static_cast<size_t>(length) + 1);
  name[0] = CARET;
  name[1] = CODE_PAGE_LETTERS[codePage];
  return 1;
}

int SetCodepagePrefix(char* name, int codePage) { return SetCodepagePrefixN(name, PREFIXED_NAME_SIZE, codePage); }

// ---- [Checks] ----

bool IsPlainName(const char* text) {
  for (const char* p = text; *p; ++p) {
    const char c = *p;
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
                       c == '-' || c == '_' || c == ' ';
    if (!plain) return false;
  }
  return true;
}

int CheckUserName(const char* name) {
  if (!name || !name[0]) return 1;
  static const char REFUSED[] = "*,/:;<>?\\^`|";
  int length = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p, ++length) {
    const unsigned char c = *p;
    if (c < 32 || (c >= 34 && c <= 39) || (c >= 127 && c <= 191) || std::strchr(REFUSED, c)) return 2;
  }
  if (length < 3) return 1;
  if (name[0] == ' ' || name[length - 1] == ' ') return 3;
  return 0;
}

void FormatNameRefusal(char* out, int outSize, const char* text, const char* name, const char* fault) {
  char named[NAME_REFUSAL_SIZE];
  if (!name || !name[0]) {
    std::snprintf(named, sizeof named, "the name is empty");
  } else {
    char shown[NAME_REFUSAL_SIZE / 2];  // whole, as far as a message holds it: a cut name names another file
    WriteDisplayName(shown, sizeof shown, name);
    std::snprintf(named, sizeof named, "%s %s", shown, fault ? fault : "");
  }
  std::snprintf(out, static_cast<size_t>(outSize), LanguageTexts[TX_3h_s_coln_s], text, named);
}

int MakeUserFilePath(char* path, int pathSize, const char* pattern, const char* name, char* refusal) {
  const char* fault = FileNameFault(name, FILE_NAME_MAX);
  if (!fault && MakeNamedPath(path, pathSize, pattern, name)) return 1;
  if (pathSize > 0) path[0] = 0;
  FormatNameRefusal(refusal, NAME_REFUSAL_SIZE, LanguageTexts[TX_3h_invalidf], name,
                    fault ? fault : "is too long for its folder");
  return 0;
}

// ---- [Player files] ----

int MakeUniquePlayerFileName(char* pathOut, int pathSize, char* name, int nameSize) {
  if (FileNameFault(name, FILE_NAME_MAX) || pathSize <= 0) return 0;
  const int budget = nameSize - 1 < PLAYER_NAME_BUDGET ? nameSize - 1 : PLAYER_NAME_BUDGET;
  const int length = static_cast<int>(std::strlen(name));
  char fileName[64];
  char candidate[64];
  if (std::snprintf(candidate, sizeof candidate, "%s", name) >= static_cast<int>(sizeof candidate) - 4) return 0;
  int limit = 0;
  for (int number = 0;; ++number) {
    if (number > 0) {
      if (number == 1) {
        const int left = budget - length;
        if (left < 2) return 0;
        limit = left == 2 ? 9 : left == 3 ? 99 : 999;
      }
      if (number > limit) return 0;
      std::snprintf(candidate, sizeof candidate, "%s_%d", name, number);
    }
    if (std::snprintf(fileName, sizeof fileName, "%s.ply", candidate) >= static_cast<int>(sizeof fileName)) return 0;
    char path[FILE_PATH_SIZE];
    if (std::snprintf(path, sizeof path, "data\\misc\\%s", fileName) >= static_cast<int>(sizeof path)) return 0;
    if (FileExists(path)) continue;  // in any case of its name
    if (std::snprintf(pathOut, static_cast<size_t>(pathSize), "%s", path) >= pathSize) {
      pathOut[0] = 0;
      return 0;
    }
    CopyStringN(name, candidate, nameSize);
    return 1;
  }
}
