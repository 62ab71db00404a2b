#include "reports/layouts/ReportLayout.h"

namespace parvex {

Layout ChooseLayout(std::string_view name, std::optional<Layout> asked, Layout otherwise) {
  if (asked) return *asked;
  const auto endsIn = [name](std::string_view end) {
    return name.size() >= end.size() && name.substr(name.size() - end.size()) == end;
  };
  if (endsIn("csv")) return Layout::Csv;
  if (endsIn("json")) return Layout::Json;
  if (endsIn("html") || endsIn("htm")) return Layout::Html;
  return otherwise;
}

}  // namespace parvex
