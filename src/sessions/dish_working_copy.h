// A data folder that keeps its dishes on a shared server (store_location.h)
// keeps the dish file as the local working copy of the server's list: the
// windows read and write the file exactly as they do without a server, the
// openings make it anew from the server and the dish window's save sends its
// list to the server first.
#pragma once

#include "sessions/dish_session.h"

namespace eiyou {

// At the opening of a window that lists the dish file, in a data folder whose
// dishes are on a server: the file made anew from the server's list. A server
// that cannot be reached (or a file that cannot be written) is told through
// `sink`, and the window opens on the file as it stands; the next save tries
// the server again. So does a server whose lines are pointed at another food
// table than the folder's (food_table_identity.h): its lines would name other
// foods here, and its saves are refused until the tables agree. Nothing happens without a server, or without the KONDATE
// folder (the opening tells of that itself).
void RefreshDishWorkingCopy(MessageSink& sink);

// The dish window's way to the server (DishSession::server).
class DishWorkingCopy final : public DishListServer {
 public:
  void Refresh(MessageSink& sink) override { RefreshDishWorkingCopy(sink); }
  std::optional<DishMerge> Save(const std::vector<std::string>& base,
                                const std::vector<std::string>& ours,
                                const FoodTable* repointTo) override;
};

}  // namespace eiyou
