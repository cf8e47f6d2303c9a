// A store that could not be opened at all: the module missing, or the
// folder's server settings unreadable. It reads nothing and refuses every
// change with its message, as a failed opening of the file reports one.
#pragma once

#include <memory>
#include <string>

#include "plans/plan_store.h"

namespace eiyou {

// Status Failed; `path` is what the store would have been, `message` (UTF-8
// Japanese) why it is not.
std::unique_ptr<DayPlanStore> FailedPlanStore(std::string path, std::string message);

}  // namespace eiyou
