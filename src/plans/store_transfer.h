// Moving a single user's data to a kitchen team's server, and back: every day
// plan, target set, eater group with its headcounts, price, allergen override,
// the facility's name and notes, and every dish: a folder's dish file
// (KONDATE/献立.TXT) and the server's dish list.
//
// Stores are never merged: the destination must hold none of these kinds,
// else nothing is written and the message names what it holds. Everything
// goes in one transaction, is read back inside it and compared with the
// source item by item; only then does it commit. Any difference, a server
// gone, a refusal: the destination is as it was, and the message says so.
// Moving does not switch the folder to the server (the 設定 dialog does).
// Nothing here prints: results carry a Japanese message and the counts, for
// a window or a tool alike.
#pragma once

#include <ctime>
#include <string>

#include "plans/plan_store.h"
#include "plans/sql/sql_connection.h"

namespace eiyou {

// How many of each kind a store holds (or a move carried).
struct TransferCounts {
  int days = 0;
  int targetSets = 0;
  int groups = 0;
  int headcounts = 0;  // headcount changes by date
  int prices = 0;      // food purchase rows, a supplier only too
  int allergens = 0;   // the user's allergen overrides
  bool facility = false;  // a facility name or notes
  int dishes = 0;      // lines of the dish list
};

struct TransferResult {
  bool ok = false;
  // UTF-8 Japanese: the summary when ok, else why nothing was moved.
  std::string message;
  // What was moved, when ok.
  TransferCounts counts;
};

TransferCounts CountContents(const StoreContents& contents);

// 「献立の日 245 日、目標量セット 3 件、…を移し、すべて照合しました。」, the
// numbers grouped by thousands whatever the locale.
std::string TransferSummary(const TransferCounts& counts);

// The items of `stored` that differ from `source` (missing, changed or
// extra), named for the user ("献立の日 2025-06-02", "喫食グループ「幼児」"),
// in kind order; empty when every item is the same. Groups are compared by
// name and headcounts by date and group name, since keys differ by store.
std::vector<std::string> ContentsDifferences(const StoreContents& source,
                                             const StoreContents& stored);

// `from`'s contents into `to`, as described above: two stores that keep
// their dish lists alike (the folder's dish file is the functions' below).
TransferResult TransferStore(DayPlanStore& from, DayPlanStore& to);

// The data folder's file (KONDATE/献立表.db; none is read as empty) and its
// dish file to the server, whose dish list goes in the same transaction, and
// the folder's food table recorded there as the one the lines follow.
TransferResult MoveFolderToServer(const std::string& dataDir, const PgSettings& server,
                                  std::time_t now);
// The server's contents into the data folder's file, made (with its KONDATE
// folder) when missing; the dish file becomes the server's list inside the
// store's transaction, the previous one kept beside it as
// 献立.TXT.YYYYMMDD-HHMMSS.bak. Refused while a program has the folder open,
// and when the server records another food table than the folder's.
TransferResult MoveServerToFolder(const PgSettings& server, const std::string& dataDir,
                                  std::time_t now);
// The same for a caller that has already asked for the folder to itself:
// `soleUse` is whether its DataFolderSoleUse was granted. The program asks
// before it calls into its module, whose own copy of the folder locks cannot
// see the program's hold and would take it for another program's.
TransferResult MoveServerToHeldFolder(const PgSettings& server, const std::string& dataDir,
                                      std::time_t now, bool soleUse);

}  // namespace eiyou
