// text_file_test.cpp - loading, cleaning, lines and blocks of text files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_file.h"

namespace {

const char* Write(const std::string& name, const std::string& bytes) {
  static std::string path;
  std::filesystem::create_directories("textfile");
  path = "textfile/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path.c_str();
}

}  // namespace

TEST(TextFileOpen, CleansTabsAndControlBytesAndRefusesEmptyFiles) {
  TextFile file;
  EXPECT_EQ(file.Open(Write("tabs.txt", "\t\r\t\r")), 1);
  EXPECT_STREQ(file.buffer, "  ");
  EXPECT_EQ(file.length, 2);
  file.Close();

  EXPECT_EQ(file.Open(Write("returns.txt", "\r\r\r")), 0);
  EXPECT_EQ(file.buffer, nullptr);
  EXPECT_EQ(file.Open(Write("empty.txt", "")), 0);
  EXPECT_EQ(file.Open("textfile/missing.txt"), 0);

  // Zero bytes inside a file go like every other control byte.
  EXPECT_EQ(file.Open(Write("zeros.txt", std::string("a\0b\r\nc\x01", 7))), 1);
  EXPECT_STREQ(file.buffer, "ab\nc");
  EXPECT_EQ(file.length, 4);
}

TEST(TextFileOpen, TakesPathsWithBackslashes) {
  Write("slashed.txt", "hello");
  TextFile file;
  EXPECT_EQ(file.Open("textfile\\slashed.txt"), 1);
  EXPECT_STREQ(file.buffer, "hello");
}

TEST(TextFileOpen, OpeningAgainDropsTheOldFileAndSaysSo) {
  ResetMessages();
  SetDefaultTextColours();
  TextFile file;
  ASSERT_EQ(file.Open(Write("first.txt", "first")), 1);
  EXPECT_EQ(MessageLineCount, 0);
  ASSERT_EQ(file.Open(Write("second.txt", "second")), 1);  // the first buffer is freed, not leaked
  EXPECT_STREQ(file.buffer, "second");
  EXPECT_EQ(file.position, 0);
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "ERROR: TextFile is already open");
  EXPECT_EQ(MessageLines[0].colour, TextColours.error);
  ResetMessages();
}

TEST(TextFileOpen, ACallersBufferIsCleanedInPlaceAndNeverFreed) {
  char text[] = "one\r\ntwo\tthree";
  TextFile file;
  ASSERT_EQ(file.OpenBuffer(text), 1);
  EXPECT_EQ(file.buffer, text);
  EXPECT_STREQ(text, "one\ntwo three");
  file.Reset();
  EXPECT_EQ(file.buffer, nullptr);
  EXPECT_STREQ(text, "one\ntwo three");  // still the caller's
  char blank[] = "\r\r";
  EXPECT_EQ(file.OpenBuffer(blank), 0);
  EXPECT_EQ(file.buffer, nullptr);
}

TEST(TextFileLines, LongLinesAreCutAndTheRestSkipped) {
  const std::string fifty(50, 'x');
  TextFile file;
  ASSERT_EQ(file.Open(Write("lines.txt", fifty + "\r\nnext\n\nlast")), 1);
  char field[TEXT_LINE_SIZE];
  std::memset(field, 'z', sizeof field);
  EXPECT_EQ(file.ReadLine(field), 1);
  EXPECT_EQ(std::string(field), std::string(47, 'x'));
  EXPECT_EQ(field[47], 0);
  EXPECT_EQ(file.ReadLine(field), 1);
  EXPECT_STREQ(field, "next");
  EXPECT_EQ(file.ReadLine(field), 1);
  EXPECT_STREQ(field, "");
  EXPECT_EQ(file.ReadLine(field), 1);
  EXPECT_STREQ(field, "last");
  EXPECT_EQ(file.ReadLine(field), 0);
  EXPECT_STREQ(field, "");

  // A larger field keeps more of a line.
  ASSERT_EQ(file.Open(Write("long.txt", fifty)), 1);
  char wide[128];
  EXPECT_EQ(file.ReadLine(wide, sizeof wide), 1);
  EXPECT_EQ(std::string(wide), fifty);

  // A field of one byte keeps only the terminating zero, yet the line is still skipped.
  ASSERT_EQ(file.Open(Write("skip.txt", "ab\ncd")), 1);
  char one = 'z';
  EXPECT_EQ(file.ReadLine(&one, 1), 1);
  EXPECT_EQ(one, 0);
  EXPECT_EQ(file.ReadLine(field), 1);
  EXPECT_STREQ(field, "cd");
  one = 'z';
  EXPECT_EQ(file.ReadLine(&one, 1), 0) << "nothing is left";
  EXPECT_EQ(one, 0);
}

// A last line without a newline is read to the file's end (2 bytes) and no further.
TEST(TextFileLines, ALastLineWithoutANewlineEndsAtTheFileEnd) {
  TextFile file;
  ASSERT_EQ(file.Open(Write("no_newline.txt", "ab")), 1);
  ASSERT_EQ(file.length, 2);
  char field[TEXT_LINE_SIZE];
  EXPECT_EQ(file.ReadLine(field), 1);
  EXPECT_STREQ(field, "ab");
  EXPECT_EQ(file.position, 2);
  EXPECT_EQ(file.ReadLine(field), 0);
}

TEST(TextFileBlocks, CommentsEmptyLinesAndBackslashesAtLineStarts) {
  TextFile file;
  ASSERT_EQ(file.Open(Write("blocks.txt",
                            "@ a comment\r\n\r\n\r\nfirst line\nback\\slash inside\n\n\\key2\nsecond\n@not a comment "
                            "here\n\\\n\\key3\nthird\n\n")),
            1);
  TextBlock block;
  EXPECT_EQ(file.ReadBlock(block, 7), 1);
  EXPECT_EQ(block.tag, 7u);
  EXPECT_STREQ(block.text, "first line\nback\\slash inside");
  EXPECT_EQ(file.ReadBlock(block, 8), 1);
  EXPECT_STREQ(block.text, "key2\nsecond\n@not a comment here");
  EXPECT_EQ(file.ReadBlock(block, 9), 1);  // a block that ends as it starts is empty
  EXPECT_STREQ(block.text, "");
  EXPECT_EQ(file.ReadBlock(block, 10), 1);
  EXPECT_STREQ(block.text, "key3\nthird");
  EXPECT_EQ(file.ReadBlock(block, 11), 0);
  EXPECT_STREQ(block.text, "");
  EXPECT_EQ(block.tag, 11u);
}

TEST(TextFileBlocks, OnlyOneCommentLineIsSkipped) {
  TextFile file;
  ASSERT_EQ(file.Open(Write("comments.txt", "@one\n@two\ntext")), 1);
  TextBlock block;
  file.ReadBlock(block, 0);
  EXPECT_STREQ(block.text, "@two\ntext");
}

// A file that is one comment line with no newline: the block is empty and reading stops at
// the file's end (5 bytes), not a byte past it.
TEST(TextFileBlocks, ACommentLineWithoutANewlineEndsAtTheFileEnd) {
  TextFile file;
  ASSERT_EQ(file.Open(Write("only_comment.txt", "@note")), 1);
  ASSERT_EQ(file.length, 5);
  TextBlock block;
  EXPECT_EQ(file.ReadBlock(block, 3), 1);
  EXPECT_STREQ(block.text, "");
  EXPECT_EQ(file.position, 5);
  EXPECT_EQ(file.ReadBlock(block, 4), 0) << "nothing is left";
}

TEST(TextFileBlocks, ABlockOf2047CharactersEndsThere) {
  std::string text(2047, 'a');
  text += "bcd\\next";
  TextFile file;
  ASSERT_EQ(file.Open(Write("big.txt", text)), 1);
  TextBlock block;
  ASSERT_EQ(file.ReadBlock(block, 0), 1);
  EXPECT_EQ(std::strlen(block.text), 2047u);
  EXPECT_EQ(file.ReadBlock(block, 0), 1);  // begins with the 2048th character
  EXPECT_STREQ(block.text, "bcd\\next");
}
