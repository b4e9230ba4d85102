// Wildcard matching of one text, and of lists of masks.
#include "core/ListMatch.h"
#include "core/MatchStr.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

std::string S(const QString& s) { return s.toStdString(); }

// The recursive algorithm, transcribed step by step, as the reference.
bool ReferenceMatch(QString text, QString mask) {
  if (text.isEmpty() && mask.isEmpty()) return true;
  if (mask.isEmpty()) return false;
  if (text.isEmpty()) return IsAllStars(mask);
  const qsizetype p = FirstWildcardPos(mask);
  if (p == 0) return text == mask;
  if (text.left(p - 1) != mask.left(p - 1)) return false;
  text.remove(0, p - 1);
  mask.remove(0, p - 1);
  if (mask.startsWith('?')) {
    if (text.isEmpty()) return false;
    return ReferenceMatch(text.mid(1), mask.mid(1));
  }
  mask.remove(0, 1);
  if (IsAllStars(mask)) return true;
  for (qsizetype i = 1; i <= text.size(); ++i)
    if (ReferenceMatch(text.mid(i - 1), mask)) return true;
  return false;
}

struct TMatchCase {
  QString Text, Mask;
  bool Expected;
};

const TMatchCase kMatchCases[] = {
    {"", "*", true},
    {"", "***", true},
    {"", "?", false},
    {"", "a*", false},
    {"", "", true},
    {"a", "", false},
    {"abc", "a?c", true},
    {"ac", "a?c", false},
    {"abc", "a*", true},
    {"abc", "*c", true},
    {"abc", "*b", false},
    {"abcbc", "a*bc", true},
    {"ABC", "abc", false},
    {"invoice.pdf", "invoice.pdf", true},
    {"invoice.pdf.exe", "invoice.pdf", false},
    {"invoice.pdf", "invoice.pdf.exe", false},
    {"ab", "ab*c", false},
    {"abc", "a**c", true},
    {"a*c", "a?c", true},
    {"mississippi", "m*iss*ppi", true},
    {"mississippi", "m*iss*pi?", false},
    {"x", "x?*", false},
};

TEST(MatchStr, HelperFunctions) {
  const QPair<QString, bool> stars[] = {{"", true}, {"*", true}, {"***", true}, {"*?", false}, {"a", false}};
  for (const auto& [mask, all] : stars) EXPECT_EQ(IsAllStars(mask), all) << S(mask);
  const QPair<QString, int> pos[] = {{"", 0}, {"abc", 0}, {"*", 1}, {"ab?c*", 3}, {"ab*c?", 3}};
  for (const auto& [mask, p] : pos) EXPECT_EQ(FirstWildcardPos(mask), p) << S(mask);
}

TEST(MatchStr, TableAgreesWithExpectationAndReference) {
  for (const auto& c : kMatchCases) {
    SCOPED_TRACE(S(c.Text + " ~ " + c.Mask));
    EXPECT_EQ(MatchMask(c.Text, c.Mask), c.Expected);
    EXPECT_EQ(ReferenceMatch(c.Text, c.Mask), c.Expected);
  }
}

TEST(MatchStr, RandomTextsAndMasksAgreeWithTheReference) {
  QRandomGenerator rng(20240607);
  const QString textChars = QStringLiteral("ab*?");
  const QString maskChars = QStringLiteral("ab*?");
  const auto randomText = [&rng](const QString& alphabet, int maxLen) {
    QString s;
    const int n = int(rng.bounded(maxLen + 1));
    for (int i = 0; i < n; ++i) s += alphabet[int(rng.bounded(int(alphabet.size())))];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const QString text = randomText(textChars, 9), mask = randomText(maskChars, 7);
    ASSERT_EQ(MatchMask(text, mask), ReferenceMatch(text, mask)) << S(text) << " ~ " << S(mask);
  }
}

TEST(MatchStr, QuestionMarkIsOneCodeUnit) {
  const QString emoji = QString::fromUtf16(u"\U0001F600");
  EXPECT_FALSE(MatchMask(emoji, "?"));
  EXPECT_TRUE(MatchMask(emoji, "??"));
  EXPECT_TRUE(MatchMask("x" + emoji, "x*"));
}

TEST(MatchStr, ManyStarsDoNotTakeExponentialTime) {
  const QString text = QString(2000, 'a');
  // Completes at once; the recursion would need ages for this pair.
  EXPECT_FALSE(MatchMask(text, "*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchMask(text + "b", "*a*a*a*a*a*a*a*a*b"));
  EXPECT_FALSE(MatchMask(text, "*?*?*?*?*?*?*?*?*?*?b"));
}

TEST(ListMatch, CaseIsIgnoredOnBothSides) {
  EXPECT_FALSE(MatchMask("ABC", "abc"));
  EXPECT_TRUE(MatchMaskList("ABC", {"abc"}));
  EXPECT_TRUE(MatchMaskList(QString::fromUtf16(u"Ärger über"), {QString::fromUtf16(u"ä*Ü?ER")}));
  EXPECT_TRUE(MatchMaskList("Jane.Doe@Example.COM", {"nobody", "*@example.com"}));
  EXPECT_FALSE(MatchMaskList("x", {}));
  // Lines are used as they stand: a blank inside a mask is a character.
  EXPECT_FALSE(MatchMaskList("abc", {" abc"}));
}

TEST(ListMatch, IncludeExcludeAndAnyValue) {
  struct TCase {
    QString Text;
    QStringList Include, Exclude;
    bool Expected;
  } cases[] = {
      {"x.exe", {"*"}, {"*.EXE"}, false},
      {"x.exe", {}, {}, true},
      {"x.pdf", {"*"}, {"*.EXE"}, true},
      {"x.pdf", {""}, {}, false},
      {"", {""}, {}, true},
      {"x.pdf", {"*.doc", "*.PDF"}, {}, true},
      {"x.pdf", {"*.doc"}, {}, false},
      {"x.pdf", {}, {"x*"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Text + " | " + c.Include.join(',') + " | " + c.Exclude.join(',')));
    EXPECT_EQ(IncludeExcludeMatch(c.Text, c.Include, c.Exclude), c.Expected);
  }
  EXPECT_FALSE(AnyIncludeExcludeMatch({}, {}, {}));
  EXPECT_FALSE(AnyIncludeExcludeMatch({}, {}, {"*.exe"}));
  EXPECT_TRUE(AnyIncludeExcludeMatch({"a.exe", "b.pdf"}, {}, {"*.exe"}));
  EXPECT_FALSE(AnyIncludeExcludeMatch({"a.exe", "b.EXE"}, {}, {"*.exe"}));
}

TEST(ListMatch, CleanMaskListTrimsAndDropsEmptyLines) {
  QStringList list = {" a ", "", "   ", "b", "\t*@x.com\x01"};
  CleanMaskList(list);
  EXPECT_EQ(list, QStringList({"a", "b", "*@x.com"}));
  QStringList empty;
  CleanMaskList(empty);
  EXPECT_TRUE(empty.isEmpty());
}

}  // namespace
