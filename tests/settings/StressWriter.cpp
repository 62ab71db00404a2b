// Saves COUNT values named PREFIX0..PREFIX<COUNT-1> into one settings file:
//   settings_stress_writer FILE PREFIX COUNT
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "settings/FileRegistry.h"
#include "settings/Registry.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: settings_stress_writer FILE PREFIX COUNT\n");
    return 2;
  }
  parvex::clsRegistry registry(
      std::make_shared<parvex::FileRegistry>(QString::fromLocal8Bit(argv[1])));
  const int count = std::atoi(argv[3]);
  for (int i = 0; i < count; ++i) {
    registry.USaveItem(parvex::kHkeyCurrentUserCode, QStringLiteral("Stress"),
                       QString::fromLocal8Bit(argv[2]) + QString::number(i), parvex::ValueDWord,
                       parvex::SettingValue::Int32(i));
  }
  return 0;
}
