#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "plug/IParam.h"

namespace {

std::string Format(const IParam& p, double x, bool normalized) {
  char out[IParam::kFormatBufferSize];
  p.FormatForHost(x, normalized, out, sizeof(out));
  return out;
}

void DefineRateList(IParam& p) {
  p.DefineEnum("Delay Rate", 12, 25, "");
  for (int i = 0; i < 25; ++i) p.AddDisplayText(i, ("r" + std::to_string(i)).c_str());
}

TEST(IParamTest, DefinitionSetsKindRangeAndDecimals) {
  IParam p;
  p.DefineInt("Feedback", 50, 0, 99, "%");
  EXPECT_EQ(p.Kind(), KindInt);
  EXPECT_EQ(p.current, 50.0);
  EXPECT_STREQ(p.ParamName(), "Feedback");
  EXPECT_STREQ(p.UnitLabel(), "%");

  IParam narrow;  // max below min + 1 is raised to min + 1
  narrow.DefineInt("n", 0, 5, 3);
  double lo = 0, hi = 0;
  narrow.Bounds(&lo, &hi);
  EXPECT_EQ(lo, 5.0);
  EXPECT_EQ(hi, 6.0);

  IParam outside;  // the default is stored unchanged until the first normalized set
  outside.DefineDouble("d", 7.5, 0.0, 1.0, 0.1, "");
  EXPECT_EQ(outside.current, 7.5);

  // 0.07 scaled by ten is not exactly 7: rounding noise must not count as a fraction.
  const double steps[] = {1.0, 0.1, 0.25, 0.001, 1e-9, 0.07};
  const int expected[] = {0, 1, 2, 3, 6, 2};
  for (int i = 0; i < 6; ++i) {
    IParam d;
    d.DefineDouble("d", 0, 0, 10, steps[i], "");
    EXPECT_EQ(d.Decimals(), expected[i]) << "step " << steps[i];
  }

  IParam longName;  // texts are cut at 31 characters
  const std::string forty(40, 'x');
  longName.DefineInt(forty.c_str(), 0, 0, 1, forty.c_str());
  longName.AddDisplayText(0, forty.c_str());
  EXPECT_EQ(std::string(longName.ParamName()), forty.substr(0, 31));
  EXPECT_EQ(std::string(longName.UnitLabel()), forty.substr(0, 31));
  EXPECT_EQ(std::string(longName.DisplayTextFor(0)), forty.substr(0, 31));
}

TEST(IParamTest, NormalizationRoundsToStepAndClamps) {
  IParam p;
  p.DefineInt("Feedback", 50, 0, 99, "%");
  p.SetFromNormalized(0.5);
  EXPECT_EQ(p.current, 50.0);  // 49.5 rounds half up
  p.SetFromNormalized(1.0);
  EXPECT_EQ(p.current, 99.0);
  p.SetFromNormalized(0.0);
  EXPECT_EQ(p.current, 0.0);
  p.SetFromNormalized(3.0);
  EXPECT_EQ(p.current, 99.0);
  p.SetFromNormalized(-2.0);  // hosts outside 0 ... 1 never leave the range
  EXPECT_EQ(p.current, 0.0);

  p.current = 40;
  p.SetFromNormalized(std::nan(""));
  p.SetFromNormalized(std::numeric_limits<double>::infinity());
  p.SetFromNormalized(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(p.current, 40.0);

  IParam rate;
  DefineRateList(rate);
  rate.SetFromNormalized(0.5);
  EXPECT_EQ(rate.current, 12.0);
  EXPECT_DOUBLE_EQ(rate.NormalizedValue(), 0.5);

  EXPECT_EQ(p.ToNormalized(500.0), 1.0);
  EXPECT_EQ(p.ToNormalized(-5.0), 0.0);
  EXPECT_EQ(p.ToNormalized(std::nan("")), 0.0);
  EXPECT_DOUBLE_EQ(p.ToNormalized(33.0), 33.0 / 99.0);

  p.SetClamped(std::nan(""));
  EXPECT_EQ(p.current, 0.0);
  p.SetClamped(1e9);
  EXPECT_EQ(p.current, 99.0);
}

TEST(IParamTest, FormatForHostUsesTextsThenNumbers) {
  IParam rate;
  DefineRateList(rate);
  EXPECT_EQ(Format(rate, 12, false), "r12");
  EXPECT_EQ(Format(rate, 0.999, true), "r23");  // 23.976 truncates to 23 for the lookup
  EXPECT_EQ(Format(rate, 30, false), "30");     // no entry: the number

  IParam gap;  // a first matching entry with an empty text ends the search
  gap.DefineEnum("g", 0, 3, "");
  gap.AddDisplayText(1, "");
  gap.AddDisplayText(1, "one");
  EXPECT_EQ(Format(gap, 1, false), "1");

  IParam width;
  width.DefineInt("Width", 100, 0, 100, "%");
  EXPECT_EQ(Format(width, 90, false), "90");
  EXPECT_EQ(Format(width, 0.5, true), "50");

  IParam fine;
  fine.DefineDouble("fine", 0, -1, 1, 0.01, "");
  EXPECT_EQ(Format(fine, 0.5, false), "0.50");
  EXPECT_EQ(Format(fine, 0.0, false), "0");
  EXPECT_EQ(Format(fine, -0.0, false), "0");
  EXPECT_EQ(Format(fine, -0.25, false), "-0.25");

  // Values no int can hold are printed, never converted.
  EXPECT_EQ(Format(width, 5e9, false), "5000000000");
  EXPECT_EQ(Format(width, -5e9, false), "-5000000000");
  EXPECT_EQ(Format(width, std::nan(""), false).find("nan") != std::string::npos, true);
  char small[4];
  width.FormatForHost(1e300, false, small, sizeof(small));
  EXPECT_EQ(std::string(small), "100");  // cut to the caller's buffer
  width.FormatForHost(1.0, false, nullptr, 10);  // no buffer: nothing written
}

TEST(IParamTest, TextLookupIsExactAndCaseSensitive) {
  IParam pos;
  pos.DefineEnum("Position", 0, 4, "");
  const char* texts[] = {"left", "right", "ping pong", "inv pong"};
  for (int i = 0; i < 4; ++i) pos.AddDisplayText(i, texts[i]);
  EXPECT_EQ(pos.DisplayTextCount(), 4);
  EXPECT_STREQ(pos.DisplayTextFor(2), "ping pong");
  EXPECT_STREQ(pos.DisplayTextFor(9), "");

  int value = -1;
  EXPECT_TRUE(pos.ValueForDisplayText("inv pong", &value));
  EXPECT_EQ(value, 3);
  EXPECT_FALSE(pos.ValueForDisplayText("Ping Pong", &value));
  EXPECT_FALSE(pos.ValueForDisplayText(nullptr, &value));

  EXPECT_EQ(pos.ValueFromText("ping pong"), 2.0);
  EXPECT_EQ(pos.ValueFromText("1.5xyz"), 1.5);
  EXPECT_EQ(pos.ValueFromText("PING"), 0.0);
  EXPECT_EQ(pos.ValueFromText("nan"), 0.0);
  EXPECT_EQ(pos.ValueFromText(nullptr), 0.0);

  IParam plain;
  plain.DefineInt("p", 0, 0, 10);
  EXPECT_FALSE(plain.ValueForDisplayText("", &value));
  EXPECT_EQ(plain.ValueFromText("  -7"), -7.0);
}

}  // namespace
