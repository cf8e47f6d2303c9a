// A data folder for the period window's tests: two foods, a reference row
// that 300 g of the first food meets exactly, and stored days around a range.
// Shared by the core test of the period side and the period window's test.
#pragma once

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plans/plan_store.h"
#include "tables/cp932.h"

namespace eiyou::period_test {

// The range whose three stored days the tests look at: 07-01, 07-02, 07-04.
inline constexpr const char* kFrom = "2024-07-01";
inline constexpr const char* kTo = "2024-07-05";
// Female 18-29 (sex 1, row 8): 300 g of 基準食 a day meets every target.
inline constexpr int kSex = 1, kAge = 8;

inline constexpr const char* kWholeMeal =
    "和　食,汁　物,基準の膳,[1] 8001:基準食= 150g,[2]11001:水道水= 200g";
inline constexpr const char* kPlate = "洋　食,主　菜,基準の皿,[1] 8001:基準食= 150g";

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// 基準食 per 100 g: a third of the female targets, salt 1.0 g, fibre 2.0 g;
// 水道水 adds nothing and has no vitamin C value ("-").
inline void WriteTables(const std::string& dir) {
  //          kcal water prot fat carb fibre ash Ca  P  Fe  Na K ret car IU  B1    B2   nia C  salt
  WriteFile(dir + "/食品成分表５訂.CSV",
            Cp932(" 8001,基準食,700,0,20,17,0,2.0,0,200,0,3.4,0,0,0,0,700,0.40,0.50,0,30,1.0,0\r\n"
                  "11001,水道水,0,100,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,-,0,0\r\n"));
  std::string reference, extra;
  for (int row = 1; row <= 11; ++row) {
    reference +=
        "2700,2100,65,60,60,51,800,600,7.5,10.2,2700,2100,1.4,1.2,1.6,1.5,17,17,100,90\r\n";
    extra += "7.5,6.5,21,18\r\n";
  }
  WriteFile(dir + "/STD.CSV", reference);
  WriteFile(dir + "/STD_EXTRA.CSV", extra);
  std::filesystem::create_directories(dir + "/KONDATE");
}

inline DayPlan Day(const char* date, std::vector<const char*> breakfast,
                   std::vector<const char*> lunch, std::vector<const char*> dinner) {
  DayPlan day;
  day.date = date;
  day.sex = kSex;
  day.age = kAge;
  for (const char* d : breakfast) day.meals[0].push_back(Cp932(d));
  for (const char* d : lunch) day.meals[1].push_back(Cp932(d));
  for (const char* d : dinner) day.meals[2].push_back(Cp932(d));
  return day;
}

// Three days in the range (300 g, 150 g, 450 g of 基準食) and one on each side.
// False when a day could not be stored.
inline bool StoreDays(const std::string& dir) {
  const auto store = DayPlanStore::Open(dir, std::time(nullptr));
  for (const DayPlan& day :
       {Day("2024-06-30", {kPlate}, {}, {}), Day("2024-07-01", {kWholeMeal}, {kPlate}, {}),
        Day("2024-07-02", {}, {}, {kPlate}), Day("2024-07-04", {kPlate}, {kPlate}, {kPlate}),
        Day("2024-07-06", {kPlate}, {}, {})})
    if (!store->SaveDay(day).ok) return false;
  return true;
}

}  // namespace eiyou::period_test
