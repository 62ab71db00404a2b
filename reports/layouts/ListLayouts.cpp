#include "reports/layouts/ListLayouts.h"

#include "engine/base/OutputFile.h"
#include "reports/layouts/HtmlReport.h"
#include "reports/layouts/JsonReport.h"
#include "reports/page/Report.h"

namespace parvex {

void WriteListInLayout(std::ostream& out, Layout layout, const DifferenceList& list,
                       const ReportTitles& titles) {
  if (layout == Layout::Json) {
    WriteDifferencesJson(out, list, titles, ReportDate());
  } else {
    WriteDifferencesHtml(out, list, titles, ReportDate());
  }
}

void SaveListInLayout(const std::string& path, Layout layout, const DifferenceList& list,
                      const ReportTitles& titles) {
  OutputFile file(path);
  WriteListInLayout(file.Stream(), layout, list, titles);
  file.Commit();
}

}  // namespace parvex
