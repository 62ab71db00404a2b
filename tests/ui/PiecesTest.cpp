#include <gtest/gtest.h>

#include <QApplication>

#include "engine/DifferenceList.h"
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

TEST(PrintedText, TitlesInUtf8AndArchiveTextInTheCodePage) {
  EXPECT_EQ(PrintedText("Archive 1: /data/\xc3\xbc"
                        "ber.arc"),
            QStringLiteral("Archive 1: /data/\u00fcber.arc"));
  EXPECT_EQ(PrintedText("12.3    \xb5m"), QStringLiteral("12.3    \u00b5m"));
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
