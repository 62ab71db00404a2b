// Prints the text on the desktop's clipboard, for the end-to-end test: the
// test machine has no clipboard tool of its own.
#include <QClipboard>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
  std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
  return 0;
}
