#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/NumberText.h"

namespace {

constexpr std::int64_t kNo = -999;  // refused

TEST(NumberText, EachFormTakesItsWritingAndNothingElse) {
  constexpr NumberForm kStored = NumberForm::Stored, kPlain = NumberForm::Plain, kId = NumberForm::WindowId;
  constexpr std::int64_t kMin = INT32_MIN, kMax = INT32_MAX, kWord = 0xFFFFFFFFll;
  // A form and a range, and texts with the number read.
  const std::tuple<NumberForm, std::int64_t, std::int64_t, std::vector<std::pair<const char*, std::int64_t>>> cases[] = {
      {kStored, kMin, kMax, {{" 7 ", 7}, {"\t-1", -1}, {"5 ", 5}, {"+2147483647", kMax}, {"-2147483648", kMin},
                             {"007", 7}, {"-2147483649", kNo}, {"2147483648", kNo}, {"99999999999999999999", kNo},
                             {"0x10", kNo}, {"12 3", kNo}, {"1.5", kNo}, {"", kNo}, {"-", kNo}, {"+-1", kNo}, {"- 1", kNo}}},
      {kStored, 1, 10, {{"10", 10}, {"3x", kNo}, {"11", kNo}, {"0", kNo}}},
      {kPlain, 1, 10, {{"10", 10}, {"0", kNo}, {"11", kNo}, {"03", kNo}, {"007", kNo}, {"+3", kNo}, {" 3", kNo},
                       {"3.5", kNo}, {"0x10", kNo}}},
      {kPlain, 0, kWord, {{"0", 0}, {"4294967295", kWord}, {"-1", kNo}, {"4294967296", kNo}}},
      {kId, 1, kWord, {{"0x2a00007", 44040199}, {"0XFFFFFFFF", kWord}, {"0x002A", 42}, {"44040199", 44040199},
                       {"0", kNo}, {"0x", kNo}, {"0x1g", kNo}, {"12abc", kNo}, {"-5", kNo}, {"4294967296", kNo},
                       {"0x100000000", kNo}, {" 0x10", kNo}}},
  };
  for (const auto& [form, low, high, texts] : cases) {
    for (const auto& [text, read] : texts) {
      std::int64_t value = kNo;
      EXPECT_EQ(ParseNumber(text, form, low, high, &value), read != kNo) << text;
      EXPECT_EQ(value, read) << text << ": a refused text leaves the value as it was";
    }
  }
}

}  // namespace
