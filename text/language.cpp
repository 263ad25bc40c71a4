// language.cpp - language texts, language files and help texts.
#include "text/language.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "text/text_colours.h"

const char* LanguageTexts[LANGUAGE_TEXT_COUNT];
char LanguageName[32];
char RelatedLanguage[16];

const LanguageNameRow LanguageNameTable[LANGUAGE_NAME_COUNT] = {
    {"English", -1},     {"Deutsch", -1},     {"Portuguese", 20},   {"French", -1},
    {"Suomi", -1},       {"Norsk", -1},       {"Nederlands", -1},   {"Catalan", -1},
    {"Turkish", -1},     {"Castellano", 33},  {"Italiano", -1},     {"Dansk", -1},
    {"Czech", -1},       {"Russian", -1},     {"Estonian", -1},     {"Serbian", 18},
    {"Greek", -1},       {"Polski", -1},      {"Croatian", 15},     {"Hungarian", -1},
    {"Brazilian", 2},    {"Swedish", -1},     {"Slovak", -1},       {"Galego", -1},
    {"Slovenski", -1},   {"Belarussian", -1}, {"Latvian", -1},      {"Lithuanian", -1},
    {"Traditional_Chinese", -1}, {"Simplified_Chinese", -1}, {"Japanese", -1}, {"Korean", -1},
    {"Bulgarian", -1},   {"Latino", 9},       {"Ukrainian", -1},    {"Indonesian", -1},
    {"Romanian", -1},
};

namespace {

// A language file is a few hundred kilobytes; anything far beyond is not one.
constexpr long LANGUAGE_FILE_MAX_BYTES = 4 << 20;
constexpr const char LANGUAGE_FILE_PATTERN[] = "data\\language\\%s.txt";
constexpr const char HELP_FILE_PATTERN[] = "data\\language\\help_%s.txt";
constexpr const char COMMON_HELP_FILE[] = "data\\language\\help.txt";

// Every translation read since start-up.  Slots and screens may point into any of them, so
// none is freed before shut-down; reading the same file again reuses its buffer.
struct TranslationBuffer {
  std::unique_ptr<char[]> bytes;
  size_t size;  // without the terminating zero added after the file's bytes
};
std::vector<TranslationBuffer> g_translations;

int g_replyEntry[REPLY_CODE_COUNT];

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  return *a == *b;
}

void CopyText(char* out, size_t outSize, const char* text) {
  if (outSize == 0) return;
  std::snprintf(out, outSize, "%s", text);
}

void BuildReplyEntries() {
  for (int& entry : g_replyEntry) entry = -1;
  for (int i = FIRST_REPLY_TEXT; i < LANGUAGE_TEXT_COUNT; ++i) g_replyEntry[LanguageTextTable[i].replyCode] = i;
}

const std::unordered_map<std::string_view, int>& KeyIndex() {
  static const std::unordered_map<std::string_view, int> index = [] {
    std::unordered_map<std::string_view, int> map;
    map.reserve(LANGUAGE_TEXT_COUNT);
    for (int i = 0; i < LANGUAGE_TEXT_COUNT; ++i) map.emplace(LanguageTextTable[i].key, i);  // keys are unique
    return map;
  }();
  return index;
}

// The texts are English before any code runs, so a slot is never null.
struct InitialTexts {
  InitialTexts() { ResetLanguageTexts(); }
} g_initialTexts;

// A language name becomes part of a path and the current language: a plain name that fits.
bool IsUsableLanguageName(const char* name) {
  return !FileNameFault(name, int(sizeof LanguageName) - 1);
}

// Reads a whole file, found without regard to case, with a terminating
// zero after its bytes.  False when it is missing, unreadable or far too large to be ours.
bool ReadTextFile(const char* path, std::unique_ptr<char[]>& bytes, size_t& size) {
  std::string read;
  if (FileReadAll(path, read, LANGUAGE_FILE_MAX_BYTES) != 0) return false;
  // Slots point into the buffer for the rest of the run: it must never move.
  size = read.size();
  bytes.reset(new char[size + 1]);
  std::memcpy(bytes.get(), read.data(), size);
  bytes[size] = 0;
  return true;
}

// "data\language\<pattern with name>"; false for a name that must not reach a path.
bool LanguagePath(char* path, int pathSize, const char* pattern, const char* name) {
  return IsUsableLanguageName(name) && MakeNamedPath(path, pathSize, pattern, name);
}

// The path is shown as the program names it, whatever the name held.
void ShowFileMissing(const char* name) {
  char line[160];
  std::snprintf(line, sizeof line, "%s : ^Ldata\\language\\%s.txt", LanguageTexts[TX_3g_cnotfind], name);
  ShowMessage(line, TextColours.error);
}

// Calls take(key, text) for every line of a language file that is long enough to carry a text,
// after cutting the line to its first LANGUAGE_LINE_MAX characters and terminating it in place.
// The key is the line's first 11 characters (not terminated); the text starts after the
// separator that follows them.
template <typename Take>
void ForEachLanguageLine(char* bytes, size_t size, Take take) {
  char* p = bytes;
  char* const end = bytes + size;
  while (p < end) {
    if (*p == '\r' || *p == '\n') {
      ++p;
      continue;
    }
    char* const line = p;
    while (p < end && *p != '\r' && *p != '\n') ++p;
    size_t length = static_cast<size_t>(p - line);
    if (p < end) *p++ = 0;
    if (length > LANGUAGE_LINE_MAX) {
      line[LANGUAGE_LINE_MAX] = 0;
      length = LANGUAGE_LINE_MAX;
    }
    if (length <= LANGUAGE_KEY_LENGTH) continue;
    if (std::memchr(line, 0, LANGUAGE_KEY_LENGTH)) continue;  // a zero byte inside the key: no key of ours
    take(line, line + LANGUAGE_KEY_LENGTH + 1);
  }
}

void ShowRefusal(const char* format, const char* key, int amount) {
  char keyText[LANGUAGE_KEY_LENGTH + 1];
  std::memcpy(keyText, key, LANGUAGE_KEY_LENGTH);
  keyText[LANGUAGE_KEY_LENGTH] = 0;
  char line[96];
  std::snprintf(line, sizeof line, format, keyText, amount);
  ShowMessage(line, TextColours.error);
}

// Points the slots at the texts of a translation held in bytes (already terminated).
void ApplyTranslation(char* bytes, size_t size) {
  const auto& index = KeyIndex();
  ForEachLanguageLine(bytes, size, [&](char* key, char* text) {
    const auto found = index.find(std::string_view(key, LANGUAGE_KEY_LENGTH));
    if (found == index.end()) return;
    const LanguageTextEntry& entry = LanguageTextTable[found->second];
    if (entry.english[0] == ' ' && text[0] != ' ') *--text = ' ';  // over the separator
    const size_t length = std::strlen(text);
    if (length >= entry.maxLength) {
      ShowRefusal("Too long : %s (by %d)", key, static_cast<int>(length) - entry.maxLength + 1);
      return;
    }
    // The program passes the English text's arguments: any other conversion would read or
    // write memory it was never given.
    char english[32];
    char translated[32];
    const int englishCount = PrintfConversions(entry.english, english, sizeof english);
    const int translatedCount = PrintfConversions(text, translated, sizeof translated);
    if (translatedCount != englishCount || std::strcmp(english, translated) != 0) {
      ShowRefusal("Wrong format : %s", key, 0);
      return;
    }
    LanguageTexts[found->second] = text;
  });
}

// Keeps the translation's bytes for the rest of the run.  When the same text was read before,
// the slots are moved to the earlier copy and the new one is dropped.
void KeepTranslation(std::unique_ptr<char[]> bytes, size_t size) {
  for (const TranslationBuffer& kept : g_translations) {
    if (kept.size != size || std::memcmp(kept.bytes.get(), bytes.get(), size + 1) != 0) continue;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(bytes.get());
    for (const char*& slot : LanguageTexts) {
      const uintptr_t at = reinterpret_cast<uintptr_t>(slot);
      if (at >= begin && at <= begin + size) slot = kept.bytes.get() + (at - begin);
    }
    return;
  }
  g_translations.push_back({std::move(bytes), size});
}

void SetRelatedLanguage(const char* name) {
  RelatedLanguage[0] = 0;
  const int row = GetLanguageIndex(name);
  if (row > 0 && LanguageNameTable[row].related >= 0)
    CopyText(RelatedLanguage, sizeof RelatedLanguage, LanguageNameTable[LanguageNameTable[row].related].name);
}

int NumberOf(const char* text) { return static_cast<int>(std::strtol(text, nullptr, 10)); }

// Help files ------------------------------------------------------------------------------

// Tabs become blanks and every other control byte but the newline goes, so carriage returns
// vanish.  Returns the new length.
size_t CleanHelpText(char* bytes, size_t size) {
  size_t out = 0;
  for (size_t in = 0; in < size; ++in) {
    const unsigned char c = static_cast<unsigned char>(bytes[in]);
    if (c == '\t')
      bytes[out++] = ' ';
    else if (c >= 32 || c == '\n')
      bytes[out++] = static_cast<char>(c);
  }
  bytes[out] = 0;
  return out;
}

// Copies the block that starts at text (just after its key) into out: an "@" comment up to the
// end of its line is skipped, then empty lines; the block runs to the next "\" at the start of
// a line, without its trailing newlines.
void ReadHelpBlock(const char* text, char* out, size_t outSize) {
  const char* p = text;
  if (*p == '@') {
    while (*p && *p != '\n') ++p;
    if (*p) ++p;
  }
  while (*p == '\n') ++p;
  size_t length = 0;
  for (; *p && length + 1 < outSize; ++p) {
    if (*p == '\\' && (p == text || p[-1] == '\n')) break;
    out[length++] = *p;
  }
  while (length > 0 && out[length - 1] == '\n') --length;
  out[length] = 0;
}

// Looks for key in one help file; true when the block was found.
bool FindHelpInFile(const char* path, const char* key, HelpText& out) {
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
  if (!ReadTextFile(path, bytes, size)) return false;
  size = CleanHelpText(bytes.get(), size);
  const size_t keyLength = std::strlen(key);
  // Every backslash is a candidate, wherever it stands; the first whose key matches wins.
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] != '\\') continue;
    if (std::strncmp(bytes.get() + i + 1, key, keyLength) != 0) continue;
    ReadHelpBlock(bytes.get() + i + 1 + keyLength, out.text, sizeof out.text);
    return true;
  }
  return false;
}

}  // namespace

// ---- [Texts] ----

int FindLanguageText(const char* key) {
  if (std::strlen(key) != LANGUAGE_KEY_LENGTH) return -1;
  const auto& index = KeyIndex();
  const auto found = index.find(std::string_view(key, LANGUAGE_KEY_LENGTH));
  return found == index.end() ? -1 : found->second;
}

int ReplyTextEntry(int code) {
  if (code < 0 || code >= REPLY_CODE_COUNT) return -1;
  return g_replyEntry[code];
}

const char* ReplyText(int code) {
  const int entry = ReplyTextEntry(code);
  return LanguageTexts[entry >= 0 ? entry : ReplyTextEntry(REPLY_UNKNOWN_ERROR)];
}

int PrintfConversions(const char* text, char* out, int outSize) {
  int count = 0;
  auto add = [&](char kind) {
    if (count + 1 < outSize) out[count] = kind;
    ++count;
  };
  for (const char* p = text; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p && std::strchr("-+ #0'", *p)) ++p;
    if (*p == '*') {
      add('i');
      ++p;
    }
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '$') return -1;  // positional arguments
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        add('i');
        ++p;
      }
      while (*p >= '0' && *p <= '9') ++p;
    }
    char size = 0;  // 'h', 'l', 'q' (ll), 'L', 'z'
    if (*p == 'h') {
      size = 'h';
      ++p;
      if (*p == 'h') ++p;
    } else if (*p == 'l') {
      size = 'l';
      ++p;
      if (*p == 'l') {
        size = 'q';
        ++p;
      }
    } else if (*p == 'L' || *p == 'q') {
      size = *p == 'L' ? 'L' : 'q';
      ++p;
    } else if (*p == 'z' || *p == 'j' || *p == 't') {
      size = 'z';
      ++p;
    }
    if (!*p) return -1;
    if (std::strchr("diouxX", *p)) {
      add(size == 'l' ? 'l' : size == 'q' || size == 'L' ? 'q' : size == 'z' ? 'z' : 'i');
    } else if (std::strchr("eEfFgGaA", *p)) {
      if (size && size != 'l' && size != 'L') return -1;
      add(size == 'L' ? 'D' : 'f');
    } else if (*p == 'c' && !size) {
      add('i');
    } else if (*p == 's' && !size) {
      add('s');
    } else if (*p == 'p' && !size) {
      add('p');
    } else {
      return -1;  // "%n", wide characters and strings, anything unknown
    }
  }
  if (outSize > 0) out[count < outSize ? count : outSize - 1] = 0;
  return count;
}

// ---- [Languages] ----

void ResetLanguageTexts() {
  static const bool repliesBuilt = (BuildReplyEntries(), true);
  (void)repliesBuilt;
  for (int i = 0; i < LANGUAGE_TEXT_COUNT; ++i) LanguageTexts[i] = LanguageTextTable[i].english;
}

void FreeLanguages() {
  ResetLanguageTexts();
  g_translations.clear();
  g_translations.shrink_to_fit();
}

int LoadLanguage(const char* name, int report) {
  if (!name[0] || EqualNoCase(name, "English")) return 1;
  ResetLanguageTexts();
  SetRelatedLanguage(name);

  char path[FILE_PATH_SIZE];
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
  if (!LanguagePath(path, sizeof path, LANGUAGE_FILE_PATTERN, name) || !ReadTextFile(path, bytes, size)) {
    LanguageName[0] = 0;
    if (report) ShowFileMissing(name);
    return 0;
  }
  ApplyTranslation(bytes.get(), size);
  KeepTranslation(std::move(bytes), size);

  const int codePage = FindCodePageByNumber(NumberOf(LanguageTexts[TX_tx_codepage]));
  if (codePage >= 0 && !CodePageHasFont(codePage)) {
    if (report) {
      char line[96];
      std::snprintf(line, sizeof line, "%s %s", name, "is not available on your computer");
      ShowMessage(line, TextColours.error);
    }
    ResetLanguageTexts();
    LanguageName[0] = 0;
    return 0;
  }
  return 1;
}

int SetLanguage(const char* name) {
  ResetLanguageTexts();
  if (!name[0] || EqualNoCase(name, "English")) {
    LanguageName[0] = 0;
    RelatedLanguage[0] = 0;
    return 1;
  }
  if (!LoadLanguage(name, 1)) return 0;
  CopyText(LanguageName, sizeof LanguageName, name);
  return 1;
}

int ListLanguages(const char* name, char* displayName, int displaySize) {
  CopyText(displayName, static_cast<size_t>(displaySize), name);
  char path[FILE_PATH_SIZE];
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
  if (!LanguagePath(path, sizeof path, LANGUAGE_FILE_PATTERN, name) || !ReadTextFile(path, bytes, size)) {
    ShowFileMissing(name);
    return 0;
  }
  const char* codePageText = LanguageTextTable[TX_tx_codepage].english;
  const char* ownName = nullptr;
  // The same rules as loading: a text too long for its slot is not taken.
  ForEachLanguageLine(bytes.get(), size, [&](char* key, char* text) {
    for (const int id : {TX_tx_codepage, TX_tx_langname}) {
      const LanguageTextEntry& entry = LanguageTextTable[id];
      if (std::memcmp(key, entry.key, LANGUAGE_KEY_LENGTH) != 0 || std::strlen(text) >= entry.maxLength) continue;
      (id == TX_tx_codepage ? codePageText : ownName) = text;
    }
  });
  const int codePage = FindCodePageByNumber(NumberOf(codePageText));
  if (!ownName || !ownName[0] || (codePage >= 0 && !CodePageHasFont(codePage))) return 1;
  char shown[LANGUAGE_LINE_MAX + 4];
  if (codePage >= 1)
    std::snprintf(shown, sizeof shown, "^%c%s", CODE_PAGE_LETTERS[codePage], ownName);
  else
    CopyText(shown, sizeof shown, ownName);
  CopyText(displayName, static_cast<size_t>(displaySize), shown);
  return 1;
}

int GetLanguageIndex(const char* name) {
  if (!name[0]) return 0;
  for (int i = 0; i < LANGUAGE_NAME_COUNT; ++i)
    if (EqualNoCase(name, LanguageNameTable[i].name)) return i;
  return -1;
}

// ---- [Help] ----

int FindHelpText(const char* key, HelpText& out) {
  out.codePage = 0;
  out.text[0] = 0;
  char path[FILE_PATH_SIZE];
  const char* languages[2] = {EqualNoCase(LanguageName, "English") ? "" : LanguageName, RelatedLanguage};
  bool found = false;
  for (const char* language : languages)
    if (!found && LanguagePath(path, sizeof path, HELP_FILE_PATTERN, language)) found = FindHelpInFile(path, key, out);
  if (!found && !FindHelpInFile(COMMON_HELP_FILE, key, out)) return 0;
  // The block is in the code page of the translation in effect.
  const int codePage = FindCodePageByNumber(NumberOf(LanguageTexts[TX_tx_codepage]));
  out.codePage = codePage >= 0 ? codePage : 0;
  return 1;
}
