// main() of the GoogleTest programs: the C library's locale taken from the
// environment, as QApplication takes it for the program, so that the runs
// under a decimal comma locale (the "_de_DE" tests) see what a user there
// would. The program itself then pins LC_NUMERIC to "C"; these libraries
// must be right without that.
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
