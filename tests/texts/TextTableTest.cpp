// The text table loader, GetText and the number reading rule with its 16-bit rounding.

#include <gtest/gtest.h>

#include "texts/StoredTexts.h"
#include "texts/TextTable.h"

namespace tav {
namespace {

TEST(ReadNumberTest, ReadsTheNumericPrefix) {
  EXPECT_EQ(ReadNumber("12"), 12);
  EXPECT_EQ(ReadNumber("12abc"), 12);
  EXPECT_EQ(ReadNumber("-7"), -7);
  EXPECT_EQ(ReadNumber("+7"), 7);
  EXPECT_EQ(ReadNumber("2.5"), 2.5);
  EXPECT_EQ(ReadNumber(".5"), 0.5);
  EXPECT_EQ(ReadNumber("1.2.3"), 1.2);
  EXPECT_EQ(ReadNumber("1e3"), 1000);
  EXPECT_EQ(ReadNumber("1D2"), 100);
  EXPECT_EQ(ReadNumber("25E-1"), 2.5);
  EXPECT_EQ(ReadNumber("3e"), 3);  // an exponent without digits is no exponent
  EXPECT_EQ(ReadNumber("3e+x"), 3);
}

TEST(ReadNumberTest, IgnoresSpacesTabsAndLineFeedsAnywhere) {
  EXPECT_EQ(ReadNumber("  42"), 42);
  EXPECT_EQ(ReadNumber("1 2\t3\n4"), 1234);
  EXPECT_EQ(ReadNumber("- 5"), -5);
  EXPECT_EQ(ReadNumber("1 e 2"), 100);
  // A carriage return is not a blank: it ends the number.
  EXPECT_EQ(ReadNumber("1\r2"), 1);
}

TEST(ReadNumberTest, TextWithoutANumberReadsAsZero) {
  EXPECT_EQ(ReadNumber(""), 0);
  EXPECT_EQ(ReadNumber("abc"), 0);
  EXPECT_EQ(ReadNumber("-"), 0);
  EXPECT_EQ(ReadNumber("."), 0);
  EXPECT_EQ(ReadNumber("--5"), 0);
  EXPECT_EQ(ReadNumber("&"), 0);
  EXPECT_EQ(ReadNumber("&X10"), 0);
}

TEST(ReadNumberTest, HexAndOctalPrefixes) {
  EXPECT_EQ(ReadNumber("&H1F"), 31);
  EXPECT_EQ(ReadNumber("&h1fz"), 31);
  EXPECT_EQ(ReadNumber("&O17"), 15);
  EXPECT_EQ(ReadNumber("&o78"), 7);
  // Up to four hex digits the value is a signed 16-bit one, up to eight a signed 32-bit one.
  EXPECT_EQ(ReadNumber("&HFFFF"), -1);
  EXPECT_EQ(ReadNumber("&H8000"), -32768);
  EXPECT_EQ(ReadNumber("&H10000"), 65536);
  EXPECT_EQ(ReadNumber("&HFFFFFFFF"), -1);
}

TEST(RoundToInt16Test, HalvesGoToTheEvenNeighbourAndOverflowIsRefused) {
  EXPECT_EQ(RoundToInt16(2.5), 2);
  EXPECT_EQ(RoundToInt16(3.5), 4);
  EXPECT_EQ(RoundToInt16(0.5), 0);
  EXPECT_EQ(RoundToInt16(-2.5), -2);
  EXPECT_EQ(RoundToInt16(2.6), 3);
  EXPECT_EQ(RoundToInt16(32767), 32767);
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(RoundToInt16(32767.5), std::nullopt);
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
  EXPECT_EQ(RoundToInt16(-32768.6), std::nullopt);
  EXPECT_EQ(RoundToInt16(ReadNumber("1e400")), std::nullopt);
}

TEST(LoadTextsTest, StoredBlockHasTheEntriesAndBoundsOfTheProgram) {
  const std::string_view block = StoredTexts();
  ASSERT_GE(block.size(), 2u);
  EXPECT_EQ(block.substr(block.size() - 2), "\r\n");
  LoadTexts();
  EXPECT_EQ(GetText(2), "OK");
  EXPECT_EQ(GetText(3), "Abort");
  EXPECT_EQ(GetText(21), "Type password (a-z, 0-9)");
  EXPECT_EQ(
      GetText(102),
      "Please shut down Tavimer if it is still running and press \"Start Maintenance\" button to continue "
      "(it is advised that you backup your database files before going further)");
  EXPECT_EQ(GetText(104), "Which Tavimer version do you need to fix?");
  for (int16_t missing : {0, 1, 6, 9, 58, 99, 105, -1, -32768, 32767})
    EXPECT_EQ(GetText(missing), "") << missing;
  // 105 slots, 0 to 104: the numbers without an entry inside them are empty slots.
  EXPECT_EQ(TextSlot(0), "");
  EXPECT_EQ(TextSlot(99), "");
  EXPECT_EQ(TextSlot(105), std::nullopt);
  EXPECT_EQ(TextSlot(-1), std::nullopt);
  int entries = 0;
  for (int16_t n = 0; n <= 104; ++n) entries += GetText(n).empty() ? 0 : 1;
  EXPECT_EQ(entries, 22);
}

TEST(LoadTextsTest, LinesWithoutAUsableNumberAreIgnored) {
  LoadTextsFrom(
      "7\r\n"           // no space
      " 8 leading\r\n"  // empty number field
      "0 zero\r\n"
      "-3 negative\r\n"
      "abc letters\r\n"
      "40000 too big\r\n"
      "32767.5 rounds too big\r\n"
      "\r\n"
      "12abc digits then letters\r\n"
      "5 \r\n");
  EXPECT_EQ(GetText(7), "");
  EXPECT_EQ(GetText(8), "");
  EXPECT_EQ(GetText(0), "");
  EXPECT_EQ(GetText(12), "digits then letters");
  EXPECT_EQ(TextSlot(5), "");             // loaded, empty
  EXPECT_EQ(TextSlot(11), "");            // below the highest number, no entry
  EXPECT_EQ(TextSlot(13), std::nullopt);  // the table ends at the highest number loaded
  EXPECT_EQ(TextSlot(32767), std::nullopt) << "the ignored numbers grew the table";
}

TEST(LoadTextsTest, SpacesAreTrimmedAndLineBreakMarksExpanded) {
  LoadTextsFrom("3    several spaces   \r\n4 one\\ntwo\\n\r\n5 back\\slash N\\N\r\n6\t tab\r\n");
  EXPECT_EQ(GetText(3), "several spaces");
  EXPECT_EQ(GetText(4), "one\r\ntwo\r\n");
  EXPECT_EQ(GetText(5), "back\\slash N\\N");
  EXPECT_EQ(GetText(6), "tab");  // the number field "6\t" reads as 6: tabs are blanks
  EXPECT_EQ(GetText(7), "");
}

TEST(LoadTextsTest, RoundingDuplicatesAndOrder) {
  LoadTextsFrom("2.5 two\r\n3.5 four\r\n0.5 zero\r\n9 first\r\n9 second\r\n");
  EXPECT_EQ(GetText(2), "two");
  EXPECT_EQ(GetText(4), "four");
  EXPECT_EQ(GetText(3), "");
  EXPECT_EQ(GetText(0), "zero");
  EXPECT_EQ(GetText(9), "second");

  LoadTextsFrom("9 nine\r\n2 two\r\n");
  EXPECT_EQ(GetText(9), "nine");
  EXPECT_EQ(GetText(2), "two");
  EXPECT_EQ(GetText(0), "");  // reloading starts from an empty table
}

TEST(LoadTextsTest, LineFeedAloneDoesNotSplitLines) {
  LoadTextsFrom("2 a\nb\r\n3 c\n4 d");
  EXPECT_EQ(GetText(2), "a\nb");
  EXPECT_EQ(GetText(3), "c\n4 d");
  EXPECT_EQ(GetText(4), "");
}

TEST(LoadTextsTest, EmptyBlockAndTheLargestNumber) {
  LoadTextsFrom("");
  EXPECT_EQ(TextSlot(0), "");
  EXPECT_EQ(TextSlot(1), std::nullopt);
  LoadTextsFrom("32767 last");
  EXPECT_EQ(GetText(32767), "last");
  EXPECT_EQ(TextSlot(32766), "");
}

}  // namespace
}  // namespace tav
