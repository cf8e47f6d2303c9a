#include "sessions/target_set_session.h"

#include <charconv>
#include <ctime>
#include <memory>

#include "nutrition/target_set_csv.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "plans/store_open.h"

namespace eiyou {
namespace {

StoreResult Refused(std::string message) { return {false, std::move(message)}; }

std::string FileBaseName(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace

TargetSetSession::TargetSetSession(std::string dataDir) : dataDir_(std::move(dataDir)) {}

std::unique_ptr<DayPlanStore> TargetSetSession::Open() const {
  return OpenPlanStore(dataDir_.empty() ? DataDirectory() : dataDir_, std::time(nullptr));
}

std::string TargetSetSession::Refresh() {
  auto store = Open();
  if (!store->CanRead()) {
    sets_.clear();
    return store->message();
  }
  sets_ = store->TargetSets();
  return store->readError();
}

std::string TargetSetSession::Choose(const std::string& name) {
  auto store = Open();
  std::optional<TargetSet> set = store->LoadTargetSet(name);
  if (!set) return store->readError().empty() ? "目標量セット「" + name + "」はもうありません。" : store->readError();
  chosen_ = std::move(set);
  storedName_ = name;
  modified_ = false;
  return {};
}

const TargetValue* TargetSetSession::Find(const std::string& nutrient, TargetKind kind,
                                          const std::optional<TargetGroup>& group) const {
  if (!chosen_) return nullptr;
  for (const TargetValue& v : chosen_->values)
    if (v.nutrient == nutrient && v.kind == kind && v.group == group) return &v;
  return nullptr;
}

std::string TargetSetSession::SetValue(const std::string& nutrient, TargetKind kind,
                                       const std::optional<TargetGroup>& group, const std::string& text) {
  if (!chosen_) return "目標量セットを選んでください。";
  std::vector<TargetValue> values = chosen_->values;
  auto it = values.begin();
  while (it != values.end() && !(it->nutrient == nutrient && it->kind == kind && it->group == group)) ++it;
  if (text.empty()) {
    if (it != values.end()) values.erase(it);
  } else {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !(value >= 0) || value > 1e12)
      return "「" + text + "」は 0 以上の数値ではありません（半角の数字と小数点（.）で入れてください）。";
    if (it == values.end()) it = values.insert(values.end(), {nutrient, kind, 0, false, group});
    it->value = value + 0.0;
  }
  if (std::string problem = TargetValuesProblem(values); !problem.empty()) return problem;
  chosen_->values = std::move(values);
  modified_ = true;
  return {};
}

std::string TargetSetSession::SetExclusive(const std::string& nutrient,
                                           const std::optional<TargetGroup>& group, bool exclusive) {
  if (!Find(nutrient, TargetKind::DgUpper, group)) return "先に目標量の上限を入れてください。";
  std::vector<TargetValue> values = chosen_->values;
  for (TargetValue& v : values)
    if (v.nutrient == nutrient && v.kind == TargetKind::DgUpper && v.group == group) v.exclusive = exclusive;
  if (std::string problem = TargetValuesProblem(values); !problem.empty()) return problem;
  chosen_->values = std::move(values);
  modified_ = true;
  return {};
}

void TargetSetSession::SetDescription(std::string description) {
  if (!chosen_ || chosen_->description == description) return;
  chosen_->description = std::move(description);
  modified_ = true;
}

StoreResult TargetSetSession::Save() {
  if (!chosen_) return Refused("目標量セットを選んでください。");
  StoreResult r = Open()->ReplaceTargetSet(storedName_, *chosen_);
  if (r.changedByOther) r.message += "\n変更しようとした内容: 目標量セット「" + chosen_->name + "」の値と説明";
  if (r.ok) {
    modified_ = false;
    storedName_ = chosen_->name;
    Reread();
    Refresh();
    Stored();
  }
  return r;
}

std::string TargetSetSession::Reload() {
  std::string problem = Refresh();
  if (chosen_) {
    const std::string name = storedName_;
    chosen_.reset();
    modified_ = false;
    if (std::string gone = Choose(name); problem.empty()) problem = gone;
  }
  return problem;
}

// The chosen set as stored, with its new row version; edits not saved stay.
void TargetSetSession::Reread() {
  std::optional<TargetSet> again = Open()->LoadTargetSet(storedName_);
  if (!again) return;
  if (modified_)
    chosen_->version = again->version;
  else
    chosen_ = std::move(again);
}

StoreResult TargetSetSession::Add(TargetSet set) {
  const StoreResult r = Open()->AddTargetSet(set);
  if (!r.ok) return r;
  storedName_ = set.name;
  chosen_ = std::move(set);
  modified_ = false;
  Refresh();
  Stored();
  return r;
}

StoreResult TargetSetSession::Create(const std::string& name) { return Add({name, {}, {}}); }

StoreResult TargetSetSession::Duplicate(const std::string& name) {
  if (!chosen_) return Refused("複製する目標量セットを選んでください。");
  TargetSet copy = *chosen_;
  copy.name = name;
  return Add(std::move(copy));
}

StoreResult TargetSetSession::Rename(const std::string& name) {
  if (!chosen_) return Refused("名前を変える目標量セットを選んでください。");
  // Only the name changes in the database; edits not saved stay edits.
  std::optional<TargetSet> stored = Open()->LoadTargetSet(storedName_);
  if (!stored) return Refused("目標量セット「" + storedName_ + "」はもうありません。");
  stored->name = name;
  StoreResult r = Open()->ReplaceTargetSet(storedName_, *stored);
  if (r.changedByOther) r.message += "\n変更しようとした内容: 名前を「" + name + "」に";
  if (!r.ok) return r;
  const std::string old = storedName_;
  chosen_->name = storedName_ = name;
  Reread();
  Refresh();
  Stored(old, name);
  return r;
}

StoreResult TargetSetSession::Delete() {
  if (!chosen_) return Refused("削除する目標量セットを選んでください。");
  const StoreResult r = Open()->DeleteTargetSet(storedName_);
  if (!r.ok) return r;
  chosen_.reset();
  storedName_.clear();
  modified_ = false;
  Refresh();
  Stored();
  return r;
}

StoreResult TargetSetSession::ImportCsv(const std::string& path) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const IoError& e) {
    return Refused(e.what());
  }
  TargetCsvRead read = ReadTargetSetCsv(bytes);
  if (!read.ok) return Refused(path + " を読み込めませんでした。" + read.error + "何も保存していません。");
  const std::string base = read.set.name.empty() ? FileBaseName(path) : read.set.name;
  Refresh();
  std::string name = base;
  for (int n = 2; n < 1000; ++n) {
    bool taken = false;
    for (const TargetSetEntry& e : sets_) taken = taken || e.name == name;
    if (!taken) break;
    name = base + " (" + std::to_string(n) + ")";
  }
  read.set.name = name;
  return Add(std::move(read.set));
}

StoreResult TargetSetSession::ExportCsv(const std::string& path) const {
  if (!chosen_) return Refused("書き出す目標量セットを選んでください。");
  if (!ReplaceFileContents(path, TargetSetCsv(*chosen_))) return Refused(WriteFailureMessage(path));
  return {true, {}};
}

TargetSetLookup StoredTargetSets(std::string dataDir) {
  const auto open = [dataDir] {
    return OpenPlanStore(dataDir.empty() ? DataDirectory() : dataDir, std::time(nullptr));
  };
  // Every profile bar asks on each change of the profile: one read serves them all.
  auto names = std::make_shared<std::optional<std::vector<std::string>>>();
  TargetSetLookup lookup;
  lookup.names = [open, names] {
    if (!*names) {
      std::vector<std::string> list;
      if (auto store = open(); store->CanRead())
        for (TargetSetEntry& e : store->TargetSets()) list.push_back(std::move(e.name));
      *names = std::move(list);
    }
    return **names;
  };
  lookup.find = [open](std::string_view name, const Profile& profile) -> std::optional<PersonReference> {
    const std::optional<TargetSet> set = open()->LoadTargetSet(std::string(name));
    return set ? TargetSetReference(*set, profile) : MissingTargetSetReference(std::string(name));
  };
  return lookup;
}

void FollowTargetSets(AssessmentSession& assessment, TargetSetSession& editor) {
  assessment.SetTargetSets(StoredTargetSets());
  editor.stored = [&assessment](const std::string& from, const std::string& to) {
    assessment.SetTargetSets(StoredTargetSets());
    if (!from.empty() && assessment.profile().targetSet == from) {
      Profile renamed = assessment.profile();
      renamed.targetSet = to;
      assessment.ChooseProfile(renamed);
    }
  };
}

}  // namespace eiyou
