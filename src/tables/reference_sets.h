// The reference values that a person's intakes are judged against, as the
// official tables give them: per nutrient, sex and age class the EAR, RDA, AI,
// UL and the goal (DG) range, the estimated energy requirement per physical
// activity level, and the school-lunch standard per age band. Read from the
// tab-separated files of data/食事摂取基準/ (UTF-8, LF or CR LF; a first
// comment line "# <source edition>"; then the header line), kept whole or not
// at all: a bad line refuses the file with a message naming file and line.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace eiyou {

inline constexpr const char* kReferenceSetDirName = "食事摂取基準";
inline constexpr const char* kIntakes2020FileName = "食事摂取基準2020.TSV";
inline constexpr const char* kEnergy2020FileName = "エネルギー必要量2020.TSV";
inline constexpr const char* kIntakes2025FileName = "食事摂取基準2025成人.TSV";
inline constexpr const char* kEnergy2025FileName = "エネルギー必要量2025成人.TSV";
inline constexpr const char* kSchoolLunchFileName = "学校給食摂取基準2021.TSV";

// A file of reference values that cannot be used; what() is the Japanese
// message (UTF-8) that names the file and the line.
class ReferenceDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Sex : std::uint8_t { Male, Female };

// One cell. `None` is "-": the edition gives no value of this kind at all,
// which a later edition's file says so that no older value stands in for it.
struct Figure {
  enum State : std::uint8_t { Empty, Value, Addition, None };
  State state = Empty;
  double value = 0;
  bool has() const { return state == Value || state == Addition; }
  static Figure Of(double v) { return {Value, v}; }
};

// Whom a row is for: an age class in months or years, a span of pregnancy
// weeks, or lactation (no bounds). Bounds are inclusive; kOpenEnd is "and over".
enum class PeriodClass : char { Months = 'm', Years = 'y', Pregnancy = 'p', Lactation = 'l' };
inline constexpr int kOpenEnd = 999;
struct Period {
  PeriodClass cls = PeriodClass::Years;
  int from = 0, to = 0;
  // True when every age (week) of `inner` lies within this period.
  bool Holds(const Period& inner) const {
    return cls == inner.cls && from <= inner.from && inner.to <= to;
  }
  bool operator==(const Period&) const = default;
};

struct ReferenceRow {
  std::string name;  // PROTV, FE, FE_M, VITA_RAE, ...
  Sex sex = Sex::Male;
  Period period;
  Figure ear, rda, ai, ul;
  std::string unit;  // "g/day", "mg/day", "ug/day", "ugRAE/day", "mgNE/day"
  Figure dgMin, dgMax;
  std::string dgUnit;  // the unit above, or "%E" (a share of the energy intake)
};

struct EnergyRow {
  Sex sex = Sex::Male;
  Period period;
  std::array<Figure, 3> pal;  // physical activity level I, II, III, kcal/day
};

// One edition of the reference intakes: its values and its energy requirements.
class ReferenceSet {
 public:
  // Throws ReferenceDataError; nothing is kept of a refused file.
  static ReferenceSet Read(std::string_view intakesBytes, std::string_view intakesName,
                           std::string_view energyBytes, std::string_view energyName);

  // The edition as its first comment line names it (UTF-8).
  const std::string& source() const { return source_; }
  const std::vector<ReferenceRow>& rows() const { return rows_; }
  const std::vector<EnergyRow>& energy() const { return energy_; }

  // The row of `name` for `sex` whose period holds `period`; null when none.
  const ReferenceRow* Find(std::string_view name, Sex sex, const Period& period) const;
  const EnergyRow* FindEnergy(Sex sex, const Period& period) const;

 private:
  std::string source_;
  std::vector<ReferenceRow> rows_;
  std::vector<EnergyRow> energy_;
};

// The school-lunch standard: values for ONE lunch per pupil, per age band.
class SchoolLunchStandard {
 public:
  enum class Kind : std::uint8_t {
    Value,     // the standard amount of the lunch
    Range,     // a share of the lunch's energy, low..high %E
    LessThan,  // an upper bound, exclusive ("1.5未満")
    AtLeast,   // a lower bound, inclusive ("4以上")
    Consider,  // an amount to be taken into account ("配慮すること")
  };
  struct Row {
    std::string name, unit;
    Kind kind = Kind::Value;
    std::vector<std::array<double, 2>> bands;  // per band; [1] is the high end of a range
  };

  static SchoolLunchStandard Read(std::string_view bytes, std::string_view fileName);

  const std::string& source() const { return source_; }
  const std::vector<Period>& bands() const { return bands_; }  // ages in years
  const std::vector<Row>& rows() const { return rows_; }
  // The band holding `age`; -1 when none does.
  int BandOf(const Period& age) const;

 private:
  std::string source_;
  std::vector<Period> bands_;
  std::vector<Row> rows_;
};

// The three bundled sets.
struct ReferenceSets {
  ReferenceSet edition2020, edition2025;
  SchoolLunchStandard schoolLunch;
};

// The sets built into the program, read once.
const ReferenceSets& BundledReferenceSets();

// The sets of the current data directory's 食事摂取基準 folder, file by file
// the built-in copy where the folder has no such file. Throws
// ReferenceDataError for a file that is there but unusable (IoError when it
// cannot be read).
ReferenceSets LoadReferenceSets();

}  // namespace eiyou
