#include "reports/layouts/SaveReport.h"

#include "engine/base/OutputFile.h"
#include "reports/layouts/HtmlReport.h"
#include "reports/layouts/JsonReport.h"
#include "reports/layouts/ReferenceCsv.h"
#include "reports/page/Report.h"

namespace parvex {

void WriteListReport(std::ostream& out, Layout layout, const DifferenceList& list,
                     const ReportTitles& titles) {
  if (layout == Layout::Json) {
    WriteDifferencesJson(out, list, titles, ReportDate());
  } else {
    WriteDifferencesHtml(out, list, titles, ReportDate());
  }
}

void WriteReferenceReport(std::ostream& out, Layout layout, const ReferenceResult& result) {
  switch (layout) {
    case Layout::Json:
      WriteReferenceJson(out, result);
      break;
    case Layout::Html:
      WriteReferenceHtml(out, result, ReportDate());
      break;
    default:
      WriteReferenceCsv(out, result);
  }
}

void SaveReport(const std::string& path, Layout layout, const DifferenceList& list,
                const ReportTitles& titles) {
  OutputFile file(path);
  if (layout == Layout::Page || layout == Layout::Csv) {
    TextFileDestination destination(file);
    WriteReport(destination, layout == Layout::Csv, list, titles.Title1, titles.Title2);
    return;
  }
  WriteListReport(file.Stream(), layout, list, titles);
  file.Commit();
}

void SaveReport(const std::string& path, Layout layout, const ReferenceResult& result) {
  OutputFile file(path);
  WriteReferenceReport(file.Stream(), layout, result);
  file.Commit();
}

}  // namespace parvex
