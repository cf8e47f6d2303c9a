// A second copy of the program for the tests that need two processes: it holds
// a data folder as a running program does, asks for it alone as an import
// does, or opens, registers and saves dishes as the dish window does.
//
//   program_copy hold DIR          holds DIR, says "held", lets go at end of input
//   program_copy sole DIR          exit status 0 when DIR is granted to it alone, 3 when not
//   program_copy register DIR LINE COUNT
//       COUNT times: opens the dish list of DIR, registers LINE (UTF-8: cuisine,
//       category and name; COUNT > 1 appends the round's number), saves
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sessions/dish_session.h"
#include "tables/data_dir.h"
#include "tables/folder_lock.h"

namespace {

class Quiet : public eiyou::MessageSink {
 public:
  void Show(const std::string&) override {}
};

// LINE is cuisine, category and name, no foods: what the dish window
// registers with nothing composed.
int Register(const std::string& line, int count) {
  const eiyou::DataFolderUse folder(eiyou::DataDirectory());
  eiyou::DishSession session;
  Quiet sink;
  const std::size_t first = line.find(','), second = line.find(',', first + 1);
  session.ChooseCuisine(line.substr(0, first));
  session.ChooseCategory(line.substr(first + 1, second - first - 1));
  const std::string name = line.substr(second + 1);
  for (int i = 0; i < count; ++i) {
    session.Opening(sink);
    const eiyou::DishLineResult dish =
        session.RegisterDish(name + (count > 1 ? std::to_string(i) : ""));
    if (dish.outcome != eiyou::DishRegistration::Registered) return 4;
    session.SaveDishes();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2 || chdir(args[1].c_str()) != 0) return 2;
  if (args[0] == "hold") {
    const eiyou::DataFolderUse folder(args[1]);
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
  }
  if (args[0] == "sole") return eiyou::DataFolderSoleUse(args[1]).granted() ? 0 : 3;
  if (args[0] == "register" && args.size() == 4) return Register(args[2], std::stoi(args[3]));
  return 2;
}
