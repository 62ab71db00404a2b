#include "CliText.h"

#include <QCoreApplication>

#include "engine/base/ErrorReport.h"
#include "engine/base/NameText.h"
#include "engine/base/OutputFile.h"
#include "reports/layouts/TextForPeople.h"

namespace parvex {

QStringList CommandLine(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return QCoreApplication::arguments();
#else
  QStringList arguments;
  for (int i = 0; i < argc; ++i) {
    const std::u16string text = NameToText(argv[i]);
    arguments += QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  }
  return arguments;
#endif
}

std::string Bytes(const QString& text) {
#ifdef _WIN32
  return text.toUtf8().toStdString();
#else
  return NameFromText(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
#endif
}

std::string ForPeople(std::string_view bytes) {
#ifdef _WIN32
  return std::string(bytes);
#else
  return DisplayText(bytes);
#endif
}

std::string ForPeople(const QString& text) {
#ifdef _WIN32
  return text.toLocal8Bit().toStdString();
#else
  return DisplayText(Bytes(text));
#endif
}

bool ReportTargetIsFree(const std::string& output, const std::vector<std::string>& inputs) {
  if (output.empty()) return true;
  try {
    CheckReportTarget(output, inputs);
  } catch (...) {
    ReportVBError("Error While Saving Report");
    return false;
  }
  return true;
}

}  // namespace parvex
