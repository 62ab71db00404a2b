#include <gtest/gtest.h>

#include <QApplication>

#include "engine/list/DifferenceList.h"
#include "support/TestSupport.h"
#include "ui/CodePage.h"
#include "ui/CommonDialog.h"
#include "ui/DifferenceModel.h"
#include "ui/PrinterDestination.h"

namespace parvex {
namespace {

TEST(CodePage, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const QString shown = FromArchiveBytes(all);
  ASSERT_EQ(shown.size(), 256);
  EXPECT_EQ(ToArchiveBytes(shown), all);
  EXPECT_EQ(FromArchiveBytes("\x80\xe4\xb5"), QStringLiteral("\u20ac\u00e4\u00b5"));
  EXPECT_EQ(ToArchiveBytes(QStringLiteral("\u65e5 \u00fc")), "? \xfc");
}

TEST(CodePage, FieldsInUtf8ShowAsUtf8AndAllOthersInTheCodePage) {
  struct Case {
    const char* bytes;
    QString shown;
  };
  const Case cases[] = {
      {"\xc3\x9c"
       "bersetzung",
       QStringLiteral("\u00dcbersetzung")},
      {"\xc2\xb0"
       "C",
       QStringLiteral("\u00b0C")},
      {"\xe2\x82\xac 5", QStringLiteral("\u20ac 5")},
      {"\xf0\x9f\x98\x80", QString::fromUtf8("\xf0\x9f\x98\x80")},
      {"\xef\xbb\xbfx", QStringLiteral("\ufeffx")},  // a byte order mark is kept
      // Windows-1252: single high bytes, and UTF-8 mixed with them.
      {"\xb0"
       "C",
       QStringLiteral("\u00b0C")},
      {"\xdc"
       "bersetzung",
       QStringLiteral("\u00dcbersetzung")},
      {"\xc3\x9c \xb0", QStringLiteral("\u00c3\u0153 \u00b0")},
      // Not UTF-8: overlong, a surrogate, a sequence cut short, too high.
      {"\xc0\xaf", QStringLiteral("\u00c0\u00af")},
      {"\xed\xa0\x80", QStringLiteral("\u00ed\u00a0\u20ac")},
      {"\xe2\x82", QStringLiteral("\u00e2\u201a")},
      {"\xf4\x90\x80\x80", QStringLiteral("\u00f4\u0090\u20ac\u20ac")},
      {"plain 12.3", QStringLiteral("plain 12.3")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FieldText(c.bytes), c.shown) << c.bytes;
    // A printed line is read by the same rule as a field on the screen.
    EXPECT_EQ(PrintedText(c.bytes), c.shown) << c.bytes;
  }
}

TEST(DifferenceModel, RowsFoundBeforeAFailureStillShow) {
  DifferenceList list;
  DifferenceModel model(list);
  list.Clear();
  list.Append(test::Row("1.0", "d", "1", "2", "u"));
  list.Append(test::Row("2.0", "d", "1", "2", "u", true));
  // No status change follows a failed comparison; the queued flush shows the rows.
  EXPECT_EQ(model.rowCount(), 0);
  QApplication::processEvents();
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_TRUE(model.index(1, 0).data(Qt::DecorationRole).isValid());
  EXPECT_FALSE(model.index(0, 0).data(Qt::DecorationRole).isValid());
  EXPECT_EQ(model.index(1, 0).data(Qt::AccessibleTextRole).toString(),
            QStringLiteral("2.0 (read-only)"));
  list.Clear();
  EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace parvex
