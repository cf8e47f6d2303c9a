// The state of the target-set editor: the stored sets, the one chosen and its
// values as edited, kept until 保存 stores them in one transaction. Texts are
// UTF-8; the window converts them at its widgets.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "nutrition/target_set.h"
#include "plans/plan_store.h"
#include "sessions/assessment_session.h"

namespace eiyou {

class TargetSetSession {
 public:
  // `dataDir` empty: the data folder the program runs in.
  explicit TargetSetSession(std::string dataDir = {});

  // Reads the list of stored sets again; the message when they cannot be read.
  std::string Refresh();
  const std::vector<TargetSetEntry>& sets() const { return sets_; }

  // Loads a stored set for editing, dropping unsaved edits.
  std::string Choose(const std::string& name);
  // The set as edited; null before one is chosen.
  const TargetSet* chosen() const { return chosen_ ? &*chosen_ : nullptr; }
  bool modified() const { return modified_; }

  // One cell: `text` a number (read the same in every locale), or empty to
  // clear the value. Refused, with the set unchanged, with a Japanese message.
  std::string SetValue(const std::string& nutrient, TargetKind kind,
                       const std::optional<TargetGroup>& group, const std::string& text);
  std::string SetExclusive(const std::string& nutrient, const std::optional<TargetGroup>& group,
                           bool exclusive);
  const TargetValue* Find(const std::string& nutrient, TargetKind kind,
                          const std::optional<TargetGroup>& group) const;
  void SetDescription(std::string description);

  // Each is one transaction; the list is read again after it. Save and
  // Rename replace the set as it was chosen: on a server, one another user
  // changed since is refused (changedByOther); choose it again and retry.
  StoreResult Save();
  // The chosen set and the list as stored now, edits not saved dropped
  // (after a save refused for another user's change).
  std::string Reload();
  StoreResult Create(const std::string& name);
  StoreResult Rename(const std::string& name);
  StoreResult Duplicate(const std::string& name);
  StoreResult Delete();
  // A new set from a CSV file, named by the file's own name line or else by
  // the file's name (with 「 (2)」... when taken). Chosen when stored.
  StoreResult ImportCsv(const std::string& path);
  // The chosen set as stored edits and all, written by an atomic replace.
  StoreResult ExportCsv(const std::string& path) const;

  // Called after every change stored (a set added, saved, renamed or
  // deleted); a rename passes the old and the new name, the rest two empty.
  std::function<void(const std::string& from, const std::string& to)> stored;

 private:
  void Stored(const std::string& from = {}, const std::string& to = {}) const {
    if (stored) stored(from, to);
  }
  std::unique_ptr<DayPlanStore> Open() const;
  StoreResult Add(TargetSet set);
  void Reread();

  std::string dataDir_;
  std::vector<TargetSetEntry> sets_;
  std::optional<TargetSet> chosen_;
  std::string storedName_;  // the chosen set's name in the database
  bool modified_ = false;
};

// The stored sets as the assessment sees them: the names read once, on first
// use, and kept until the lookup is made again; a set read afresh for every
// assessment, and a set no longer stored judged as gone
// (MissingTargetSetReference). `dataDir` empty: the program's data folder.
TargetSetLookup StoredTargetSets(std::string dataDir = {});

// The assessment follows the editor: the profile bars' lists after every
// change, and a profile judged against a set renamed takes the new name.
void FollowTargetSets(AssessmentSession& assessment, TargetSetSession& editor);

}  // namespace eiyou
