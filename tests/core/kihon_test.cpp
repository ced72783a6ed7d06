#include "core/kihon.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <vector>

using kihon::VirtualClock;
using kihon::Waits;

TEST(WaitUntil, NonPositiveSetsTheReferenceOnly) {
  VirtualClock clock;
  clock.Set(1234);
  std::int16_t stop = 0;
  Waits waits(clock, stop);
  EXPECT_EQ(waits.WaitUntil(-100), 0);
  EXPECT_EQ(waits.WaitReference(), 1234);
  EXPECT_EQ(clock.NowMs(), 1234);
}

TEST(WaitUntil, StopRequestedReturnsAtOnceWithoutMovingTheReference) {
  VirtualClock clock;
  std::int16_t stop = -1;
  Waits waits(clock, stop);
  waits.WaitUntil(-100);
  EXPECT_EQ(waits.WaitUntil(500), -1);
  EXPECT_EQ(clock.NowMs(), 0);
  EXPECT_EQ(waits.WaitReference(), 0);
}

TEST(WaitUntil, StopDuringTheWaitEndsIt) {
  VirtualClock clock;
  std::int16_t stop = 0;
  Waits waits(clock, stop);
  waits.WaitUntil(-100);
  clock.whileWaiting = [&](VirtualClock& c) {
    c.Advance(120);
    stop = -1;  // a stop button handled while waiting
  };
  EXPECT_EQ(waits.WaitUntil(500), -1);
  EXPECT_EQ(clock.NowMs(), 120);
  EXPECT_EQ(waits.WaitReference(), 0);
}

TEST(WaitUntil, IsDriftFreeWhenOneStepIsLate) {
  VirtualClock clock;
  clock.Set(10000);
  std::int16_t stop = 0;
  Waits waits(clock, stop);
  waits.WaitUntil(-100);
  // Message handling holds the first wait 100 ms past its deadline.
  int call = 0;
  clock.whileWaiting = [&](VirtualClock& c) {
    if (call++ == 0) c.Advance(600);
  };
  std::vector<std::int64_t> ends;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(waits.WaitUntil(500), 0);
    ends.push_back(clock.NowMs() - 10000);
    EXPECT_EQ(waits.WaitReference() - 10000, 500 * (i + 1));
  }
  EXPECT_EQ(ends, (std::vector<std::int64_t>{600, 1000, 1500}));
}

TEST(WaitMs, IgnoresTheStopRequest) {
  VirtualClock clock;
  std::int16_t stop = -1;
  Waits waits(clock, stop);
  waits.WaitMs(300);
  EXPECT_EQ(clock.NowMs(), 300);
}

TEST(SteadyClock, WaitEndsWhenAStopArrivesFromTheEventLoop) {
  kihon::SteadyClock clock;
  std::int16_t stop = 0;
  Waits waits(clock, stop);
  waits.WaitUntil(-100);
  QTimer::singleShot(30, [&] { stop = -1; });
  EXPECT_EQ(waits.WaitUntil(30000), -1);
  EXPECT_LT(clock.NowMs(), 30000);
}

TEST(SteadyClock, WaitMsLastsAtLeastItsTime) {
  kihon::SteadyClock clock;
  std::int16_t stop = 0;
  Waits waits(clock, stop);
  const std::int64_t start = clock.NowMs();
  waits.WaitMs(40);
  EXPECT_GE(clock.NowMs() - start, 40);
}

TEST(ClampSetting, BoundsAreInclusive) {
  struct Case {
    int value, expected;
  };
  for (const Case c : {Case{0, 1}, Case{21, 20}, Case{1, 1}, Case{20, 20}, Case{7, 7}}) {
    std::int16_t v = static_cast<std::int16_t>(c.value);
    kihon::ClampSetting<std::int16_t>(1, 20, v);
    EXPECT_EQ(v, c.expected) << c.value;
  }
  float f = 50.0f;
  kihon::ClampSetting(-50.0f, 50.0f, f);
  EXPECT_EQ(f, 50.0f);
}

TEST(CleanField, ReplacesNulsAndTrimsSpaces) {
  QString text = QString::fromUtf16(u" ab\0c ", 6);
  EXPECT_EQ(kihon::CleanField(text), QStringLiteral("ab c"));
  EXPECT_EQ(text, QStringLiteral(" ab c "));  // the caller's text itself lost its NUL
  QString tabs = QStringLiteral("\tx\t");
  EXPECT_EQ(kihon::CleanField(tabs), QStringLiteral("\tx\t"));  // only spaces are trimmed
}

TEST(ToggleFlag, OnlyMinusOneCountsAsOn) {
  struct Case {
    std::int16_t in, out;
  };
  for (const Case c : {Case{-1, 0}, Case{0, -1}, Case{1, -1}, Case{5, -1}}) {
    std::int16_t flag = c.in;
    kihon::ToggleFlag(flag);
    EXPECT_EQ(flag, c.out) << c.in;
  }
}

TEST(HexDigit, ReadsTheFirstCharacter) {
  struct Case {
    const char* text;
    int value;
  };
  for (const Case c : {Case{"0", 0}, Case{"9", 9}, Case{"a", 10}, Case{"F", 15}, Case{"G", 16},
                       Case{"b7", 11}, Case{"", 0}}) {
    QString text = QString::fromLatin1(c.text);
    EXPECT_EQ(kihon::HexDigit(text), c.value) << c.text;
    EXPECT_EQ(text, QString::fromLatin1(c.text).toUpper());
  }
}

TEST(LeadingNumber, TakesTheNumberATextStartsWith) {
  struct Case {
    const char* text;
    double value;
  };
  for (const Case c :
       {Case{"12abc", 12}, Case{"", 0}, Case{"abc", 0}, Case{" 3.5", 3.5}, Case{"-7", -7},
        Case{"1e3", 1000}, Case{"12e", 12}, Case{"2.5.1", 2.5}, Case{"+", 0}, Case{"1 2", 12}}) {
    EXPECT_DOUBLE_EQ(kihon::LeadingNumber(QString::fromLatin1(c.text)), c.value) << c.text;
  }
}
