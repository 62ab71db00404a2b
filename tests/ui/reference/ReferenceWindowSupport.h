#pragma once

// What the tests of the Compare with Reference window share: a window over
// a settings file of its own, waiting for a run, and the CSV read back.

#include <stdexcept>

#include "UiSupport.h"
#include "reference/CompareWithReference.h"
#include "reference/ReferenceSupport.h"
#include "ui/common/CodePage.h"
#include "ui/reference/frmReference.h"

namespace parvex::test {

// Runs the event loop until done() holds, for at most a minute: on a machine
// busy with other builds a run's threads may wait long for a core.
template <typename Done>
bool WaitUntil(Done done) {
  return QTest::qWaitFor(done, 60000);
}

// The rows a view of a table model shows.
inline std::vector<QStringList> Shown(const QAbstractItemModel& model) {
  std::vector<QStringList> rows(static_cast<std::size_t>(model.rowCount()));
  for (int r = 0; r < model.rowCount(); ++r) {
    for (int c = 0; c < model.columnCount(); ++c) rows[r] << model.index(r, c).data().toString();
  }
  return rows;
}

// The engine's matrix as the window shows it: each field read by the main
// list's rule, an unread archive's cells empty.
inline std::vector<QStringList> MatrixShown(const ReferenceResult& result) {
  std::vector<QStringList> rows;
  for (const std::string& line : MatrixLines(result)) {
    QStringList fields;
    for (std::size_t from = 0, to = 0; to != std::string::npos; from = to + 1) {
      to = line.find('|', from);
      const std::string field = line.substr(from, to - from);
      fields << (field == "(unread)" ? u"(not read)"_s : FieldText(field));
    }
    rows.push_back(fields);
  }
  return rows;
}

// The window on its own, over a settings file of its own, its comparison
// replaceable.
class ReferenceWindow : public WindowTest {
 public:
  std::unique_ptr<frmReference> Open(
      std::function<ReferenceResult(const ReferenceRequest&)> compare = CompareWithReference) {
    ConfigureRegistry(std::make_shared<FileRegistry>(fixture.settingsPath));
    ReferenceServices services{dialogs, nullptr, [this] { return options; },
                               [this](const QString& r, const QString& a) {
                                 opened.push_back({r, a});
                               }};
    services.compare = std::move(compare);
    auto w = std::make_unique<frmReference>(std::move(services));
    w->Show();
    return w;
  }

  // The reference and the archives of a case, written and listed.
  void Fill(frmReference& w, const FleetCase& c) {
    w.txtReference->setText(Q(dir.Write("reference.arc", c.reference)));
    QStringList paths;
    for (const FleetArchive& a : c.archives) {
      paths << Q(a.exists ? dir.Write(a.name, a.content) : dir.File(a.name));
    }
    w.AddArchives(paths);
  }

  void Compare(frmReference& w) {
    ASSERT_TRUE(w.cmdCompare->isEnabled());
    w.cmdCompare->click();
    ASSERT_TRUE(WaitUntil([&] { return !w.Running(); }));
  }

  FakeDialogs dialogs;
  CompareOptions options = ReferenceDefaults();
  std::vector<std::pair<QString, QString>> opened;
};

inline const FleetCase& CaseNamed(const char* name) {
  static const std::vector<FleetCase> cases = FleetCases();
  for (const FleetCase& c : cases) {
    if (std::string(c.name) == name) return c;
  }
  throw std::runtime_error(name);
}

}  // namespace parvex::test
