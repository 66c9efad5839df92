#include "tracked/TrackedMatch.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(WildcardMatch, Examples) {
  struct Case {
    const char* Pattern;
    const char* Text;
    bool Match;
  } cases[] = {
      {"The file [*] is a system file.", "The file Thumbs.db is a system file.", true},
      {"The file [*] is a system file.", "The file a.txt is a system file. Continue?", true},
      {"The file [*] is a system file.", "The file a.txt is not a system file.", false},
      {"abc", "abc", true},
      {"abc", "abcd", false},
      {"abc", "ABC", false},
      {"abc[*]", "abcd", true},
      {"abc[*]", "abc", true},
      {"abc[*]", "xabc", false},
      {"[*]abc", "xxabcyy", true},
      {"[*]", "", true},
      {"[*]", "anything", true},
      {"[*][*]", "", true},
      {"[*][*][*]x", "yyx", true},
      {"a[*]b[*]c", "acb", false},
      {"a[*]b[*]c", "a-b-c", true},
      {"a[*]b[*]c", "aBc", false},
      {"a[*]b", "abab", true},  // the first b, and the rest is not examined
      // Each literal is searched after the previous one's end, never inside it.
      {"[*]ab[*]ab", "xab", false},
      {"[*]ab[*]ab", "xabab", true},
      {"", "", true},
      {"", "x", false},
      {"[*]x150", "400x150", true},  // as a text pattern; sizes are compared without wildcards
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.Pattern, c.Text), c.Match) << "'" << c.Pattern << "' on '" << c.Text << "'";
}

TEST(NormalizeCaption, MnemonicsAndLineBreaks) {
  struct Case {
    std::string In;
    std::string Out;
  } cases[] = {
      {"&File", "File"},
      {"Save && Exit", "Save & Exit"},
      {"one\r\ntwo", "one two"},
      {"end. \r\nNext", "end. Next"},
      {"\r\n\r\nstart", " start"},
      {"a\n\n\rb\rc", "a b c"},
      {"&\r\nx", "\r x"},  // the character after "&" is kept unexamined; the LF run after it is a blank
      {"trailing&", "trailing"},
      {"", ""},
  };
  for (Case& c : cases) {
    std::string text = c.In;
    NormalizeCaption(text);
    EXPECT_EQ(text, c.Out) << "from '" << c.In << "'";
  }
}

}  // namespace
}  // namespace pelorin
