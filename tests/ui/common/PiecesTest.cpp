#include <QApplication>

#include "support/TestSupport.h"
#include "ui/common/CodePage.h"
#include "ui/common/CommonDialog.h"
#include "ui/main/DifferenceModel.h"
#include "ui/main/PrinterDestination.h"
#include "ui/reference/ReferenceModels.h"

namespace parvex::test {
namespace {

using namespace Qt::StringLiterals;

TEST(CodePage, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const QString shown = FromArchiveBytes(all);
  ASSERT_EQ(shown.size(), 256);
  EXPECT_EQ(ToArchiveBytes(shown), all);
  EXPECT_EQ(FromArchiveBytes("\x80\xe4\xb5"), u"\u20ac\u00e4\u00b5"_s);
  EXPECT_EQ(ToArchiveBytes(u"\u65e5 \u00fc"_s), "? \xfc");
}

// Every text a person sees in the main list, its printout and the reference
// window's summary and matrix is read by the one rule (its whole table is in
// TextAndNames): UTF-8, the code page, the two mixed, a byte order mark kept.
TEST(CodePage, TheListPrintoutAndReferenceWindowReadFieldsByTheOneRule) {
  const std::pair<const char*, QString> cases[] = {{"\xc3\x9c\xe2\x82\xac", u"\u00dc\u20ac"_s},
                                                   {"\x80 \xb5", u"\u20ac \u00b5"_s},
                                                   {"\xc3\x9c \xb0", u"\u00c3\u0153 \u00b0"_s},
                                                   {"\xef\xbb\xbfx", u"\ufeffx"_s}};
  DifferenceList list;
  DifferenceModel listModel(list);
  list.Clear();
  auto result = std::make_shared<ReferenceResult>();
  for (const auto& [bytes, shown] : cases) {
    list.Append(test::Row(bytes, bytes, bytes, bytes, bytes));
    const auto k = static_cast<std::uint32_t>(result->archives.size());
    result->archives.emplace_back().readable = true;
    result->archives.back().notes = {bytes};
    result->rows.push_back(
        {bytes, 0, bytes, bytes, true, bytes, {{k, ReferenceCell::Kind::Value, bytes, bytes}}});
  }
  QApplication::processEvents();
  ReferenceMatrixModel matrix;
  ReferenceSummaryModel summary;
  matrix.SetResult(result);
  summary.SetResult(result);
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    const auto& [bytes, shown] = cases[i];
    EXPECT_EQ(PrintedText(bytes), shown) << bytes;
    for (int column = 0; column < listModel.columnCount(); ++column) {
      EXPECT_EQ(listModel.index(i, column).data().toString(), shown) << bytes;
    }
    for (int column = 0; column < ReferenceMatrixModel::kFixedColumns; ++column) {
      EXPECT_EQ(matrix.index(i, column).data().toString(), shown) << bytes;
    }
    const QModelIndex cell = matrix.index(i, ReferenceMatrixModel::kFixedColumns + i);
    EXPECT_EQ(cell.data().toString(), shown + u" ["_s + shown + u"]"_s);
    EXPECT_TRUE(cell.data(Qt::ToolTipRole).toString().endsWith(shown + u")"_s));
    EXPECT_EQ(summary.index(i, ReferenceSummaryModel::Messages).data().toString(), shown);
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
  EXPECT_EQ(model.index(1, 0).data(Qt::AccessibleTextRole).toString(), u"2.0 (read-only)"_s);
  list.Clear();
  EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace parvex::test
