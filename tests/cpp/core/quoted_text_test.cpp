#include "core/quoted_text.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace velkor {
namespace {

struct QuoteCase {
    const char* name;
    friend void PrintTo(const QuoteCase& c, std::ostream* os) { *os << c.name; }
    std::string text;
    std::string quoted;
};

class QuotedText : public testing::TestWithParam<QuoteCase> {};

TEST_P(QuotedText, EscapesWhatWouldBreakTheLine) {
    EXPECT_EQ(quoted_text(GetParam().text), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuotedText,
    testing::Values(
        QuoteCase{"plain", "Asset(USD)", R"q("Asset(USD)")q"},
        QuoteCase{"empty", "", R"q("")q"},
        QuoteCase{"quote_and_backslash", R"q(a"b\c)q", R"q("a\"b\\c")q"},
        QuoteCase{"single_quote_kept", "it's", R"q("it's")q"},
        QuoteCase{"named_escapes", "\t\r\n", R"q("\t\r\n")q"},
        QuoteCase{"nul", std::string("a\0b", 3), R"q("a\0b")q"},
        QuoteCase{"other_controls_as_unicode_escapes", "\x01\x1b\x7f", R"q("\u{1}\u{1b}\u{7f}")q"},
        QuoteCase{"c1_control", "a\xc2\x85z", R"q("a\u{85}z")q"},
        QuoteCase{"printable_unicode_kept", "\xc3\xa9\xe2\x82\xac", "\"\xc3\xa9\xe2\x82\xac\""},
        QuoteCase{"invalid_utf8_escaped_as_bytes", "a\xff\xc3", R"q("a\x{ff}\x{c3}")q"},
        QuoteCase{"surrogate_is_not_text", "\xed\xa0\x80", R"q("\x{ed}\x{a0}\x{80}")q"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velkor
