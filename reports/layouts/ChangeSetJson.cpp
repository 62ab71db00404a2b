#include "reports/layouts/ChangeSetJson.h"

#include <map>
#include <nlohmann/json.hpp>

#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/base/Path.h"
#include "reports/layouts/TextForPeople.h"
#include "reports/page/Report.h"

namespace parvex {

namespace {

using ordered_json = nlohmann::ordered_json;

constexpr int kFormat = 1;
// The run time's number for a file it cannot make sense of.
constexpr std::int32_t kErrFileFormat = 321;

// Puts an archive text into an object, naming it in "windows1252" when it is
// not UTF-8.
void PutText(ordered_json& object, const char* name, const std::string& bytes) {
  object[name] = DisplayText(bytes);
  if (!IsValidUtf8(bytes)) object["windows1252"].push_back(name);
}

// Windows-1252 bytes back from the text DisplayText made of them.
std::string Windows1252Bytes(const std::string& text) {
  static const std::map<std::string, char> kBytes = [] {
    std::map<std::string, char> bytes;
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char c = static_cast<char>(b);
      bytes.emplace(DisplayText(std::string(1, c)), c);
    }
    return bytes;
  }();
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out += text[i++];
      continue;
    }
    const std::size_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const auto found = kBytes.find(text.substr(i, size));
    if (found == kBytes.end()) throw Failure(kErrFileFormat, "a text is not Windows-1252");
    out += found->second;
    i += size;
  }
  return out;
}

std::string GetText(const ordered_json& object, const char* name) {
  const std::string text = object.at(name).get<std::string>();
  const auto marked = object.find("windows1252");
  if (marked == object.end()) return text;
  for (const auto& field : *marked) {
    if (field.get<std::string>() == name) return Windows1252Bytes(text);
  }
  return text;
}

ordered_json Texts(const std::vector<std::string>& texts) {
  ordered_json array = ordered_json::array();
  for (const std::string& text : texts) array.push_back(DisplayText(text));
  return array;
}

ordered_json Place(const std::string& address, std::uint32_t occurrence) {
  return ordered_json{{"address", address}, {"occurrence", occurrence}};
}

}  // namespace

std::string ChangeSetText(const ChangeSet& c, const std::string& created) {
  ordered_json doc;
  doc["format"] = kFormat;
  doc["kind"] = "change set";
  doc["created"] = DisplayText(created);
  doc["target"] = {
      {"name", DisplayText(c.targetName)}, {"size", c.targetSize}, {"sha256", c.targetSha256}};
  doc["source"] = DisplayText(c.sourceName);
  doc["options"] = {
      {"numeric", c.numbersByValue},
      {"includeReadOnly", c.includeReadOnly},
      {"addMissing", c.addMissing},
      {"rules", c.rules.empty() ? ordered_json() : ordered_json(DisplayText(c.rules))},
      {"only", Texts(c.only)},
      {"onlyDescription", Texts(c.onlyDescription)}};
  ordered_json lines = ordered_json::array();
  for (const ChangeSet::Line& l : c.lines) {
    ordered_json line = Place(l.address, l.occurrence);
    PutText(line, "description", l.description);
    line["readOnly"] = l.readOnly;
    PutText(line, "oldValue", l.oldValue);
    PutText(line, "oldUnits", l.oldUnits);
    PutText(line, "newValue", l.newValue);
    PutText(line, "newUnits", l.newUnits);
    lines.push_back(std::move(line));
  }
  doc["lines"] = std::move(lines);
  ordered_json added = ordered_json::array();
  for (const ChangeSet::Added& a : c.added) {
    ordered_json line = Place(a.address, a.occurrence);
    line["after"] = a.after ? Place(a.after->first, a.after->second) : ordered_json();
    PutText(line, "line", a.line);
    added.push_back(std::move(line));
  }
  doc["added"] = std::move(added);
  doc["summary"] = c.summary;
  return doc.dump(2) + "\n";
}

void SaveChangeSet(const std::string& path, const ChangeSet& changes) {
  OutputFile file(path);
  file.Write(ChangeSetText(changes, ReportDate()));
  file.Commit();
}

ChangeSet ParseChangeSet(const std::string& text, const std::string& name) {
  try {
    const ordered_json doc = ordered_json::parse(text);
    if (doc.at("format").get<int>() != kFormat || doc.at("kind") != "change set") {
      throw Failure(kErrFileFormat, "not a change set of format 1");
    }
    ChangeSet c;
    c.targetName = doc.at("target").at("name").get<std::string>();
    c.targetSize = doc.at("target").at("size").get<std::uint64_t>();
    c.targetSha256 = doc.at("target").at("sha256").get<std::string>();
    c.sourceName = doc.at("source").get<std::string>();
    const ordered_json& options = doc.at("options");
    c.numbersByValue = options.at("numeric").get<bool>();
    c.includeReadOnly = options.at("includeReadOnly").get<bool>();
    c.addMissing = options.at("addMissing").get<bool>();
    if (!options.at("rules").is_null()) c.rules = options.at("rules").get<std::string>();
    c.only = options.at("only").get<std::vector<std::string>>();
    c.onlyDescription = options.at("onlyDescription").get<std::vector<std::string>>();
    for (const ordered_json& l : doc.at("lines")) {
      c.lines.push_back(ChangeSet::Line{
          l.at("address").get<std::string>(), l.at("occurrence").get<std::uint32_t>(),
          GetText(l, "description"), l.at("readOnly").get<bool>(), GetText(l, "oldValue"),
          GetText(l, "oldUnits"), GetText(l, "newValue"), GetText(l, "newUnits")});
    }
    for (const ordered_json& a : doc.at("added")) {
      ChangeSet::Added added{a.at("address").get<std::string>(),
                             a.at("occurrence").get<std::uint32_t>(), std::nullopt,
                             GetText(a, "line")};
      if (!a.at("after").is_null()) {
        added.after.emplace(a.at("after").at("address").get<std::string>(),
                            a.at("after").at("occurrence").get<std::uint32_t>());
      }
      c.added.push_back(std::move(added));
    }
    c.summary = doc.at("summary").get<std::string>();
    return c;
  } catch (const nlohmann::json::exception& e) {
    throw Failure(kErrFileFormat, "Change set '" + name + "' is not right: " + e.what());
  } catch (const Failure& f) {
    throw Failure(kErrFileFormat, "Change set '" + name + "' is not right: " + f.Description());
  }
}

ChangeSet ReadChangeSet(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text))
    throw Failure(kErrFileFormat, "Change set '" + path + "' cannot be read");
  return ParseChangeSet(text, path);
}

}  // namespace parvex
