#include "CliText.h"

#include <QCoreApplication>

#include "engine/base/ErrorReport.h"
#include "engine/base/NameText.h"
#include "engine/base/OutputFile.h"

namespace parvex {

QStringList CommandLine(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return QCoreApplication::arguments();
#else
  QStringList arguments;
  for (int i = 0; i < argc; ++i) {
    // Unit by unit: QString::fromUtf16 would drop or swap a leading U+FEFF
    // or U+FFFE as a byte order mark, and the name would lose its bytes.
    const std::u16string text = NameToText(argv[i]);
    arguments +=
        QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
  }
  return arguments;
#endif
}

std::string Bytes(const QString& text) {
  return NameFromText(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
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

CFileStream::Buffer::int_type CFileStream::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  return std::fputc(traits_type::to_char_type(c), file_) == EOF ? traits_type::eof() : c;
}

std::streamsize CFileStream::Buffer::xsputn(const char* s, std::streamsize n) {
  return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<std::size_t>(n), file_));
}

int CFileStream::Buffer::sync() {
  return std::fflush(file_) == 0 ? 0 : -1;
}

std::optional<Layout> CommandOptions::AskedLayout() const {
  if (json) return Layout::Json;
  if (html) return Layout::Html;
  if (csv) return Layout::Csv;
  return std::nullopt;
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
