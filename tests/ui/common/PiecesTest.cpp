#include <gtest/gtest.h>

#include <QApplication>

#include "engine/list/DifferenceList.h"
#include "support/TestSupport.h"
#include "ui/common/CodePage.h"
#include "ui/common/CommonDialog.h"
#include "ui/main/DifferenceModel.h"
#include "ui/main/PrinterDestination.h"
#include "ui/reference/ReferenceModels.h"

namespace parvex::test {
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

struct FieldCase {
  const char* bytes;
  QString shown;
};

// UTF-8 fields and fields in the code page, as the screen shows each.
const std::vector<FieldCase>& FieldCases() {
  static const std::vector<FieldCase> cases = {
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
  return cases;
}

TEST(CodePage, FieldsInUtf8ShowAsUtf8AndAllOthersInTheCodePage) {
  for (const FieldCase& c : FieldCases()) {
    EXPECT_EQ(FieldText(c.bytes), c.shown) << c.bytes;
    // A printed line is read by the same rule as a field on the screen.
    EXPECT_EQ(PrintedText(c.bytes), c.shown) << c.bytes;
  }
}

// Every text a person sees in the main list and in the reference window's
// summary and matrix is read by the one rule.
TEST(CodePage, TheListAndTheReferenceWindowReadFieldsByTheOneRule) {
  const std::vector<FieldCase>& cases = FieldCases();
  DifferenceList list;
  DifferenceModel listModel(list);
  list.Clear();
  auto result = std::make_shared<ReferenceResult>();
  for (const FieldCase& c : cases) {
    list.Append(test::Row(c.bytes, c.bytes, c.bytes, c.bytes, c.bytes));
    const auto k = static_cast<std::uint32_t>(result->archives.size());
    result->archives.emplace_back().readable = true;
    result->archives.back().notes = {c.bytes};
    result->rows.push_back({c.bytes,
                            0,
                            c.bytes,
                            c.bytes,
                            true,
                            c.bytes,
                            {{k, ReferenceCell::Kind::Value, c.bytes, std::string(c.bytes)}}});
  }
  QApplication::processEvents();
  ReferenceMatrixModel matrix;
  ReferenceSummaryModel summary;
  matrix.SetResult(result);
  summary.SetResult(result);
  for (int i = 0; i < static_cast<int>(cases.size()); ++i) {
    const FieldCase& c = cases[static_cast<std::size_t>(i)];
    for (int column = 0; column < listModel.columnCount(); ++column) {
      EXPECT_EQ(listModel.index(i, column).data().toString(), c.shown) << c.bytes;
    }
    for (int column = 0; column < ReferenceMatrixModel::kFixedColumns; ++column) {
      EXPECT_EQ(matrix.index(i, column).data().toString(), c.shown) << c.bytes;
    }
    const QModelIndex cell = matrix.index(i, ReferenceMatrixModel::kFixedColumns + i);
    EXPECT_EQ(cell.data().toString(), c.shown + QStringLiteral(" [") + c.shown + QLatin1Char(']'));
    EXPECT_TRUE(cell.data(Qt::ToolTipRole).toString().endsWith(c.shown + QLatin1Char(')')));
    EXPECT_EQ(summary.index(i, ReferenceSummaryModel::Messages).data().toString(), c.shown);
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
}  // namespace parvex::test
