// The offer, at start, of newer bundled data to a data folder made by an older
// release (import/data_update.h). The launchers name the data they ship in
// EIYOU_SHIPPED_DATA; without it (the program started by hand, the tests of
// the start-up) nothing is read and nothing asked.
#pragma once

#include <string>

class QWidget;

namespace eiyou {

inline constexpr const char* kShippedDataVariable = "EIYOU_SHIPPED_DATA";

// Asks once per shipped release: 今すぐ更新 brings the data in and shows what
// changed (or what failed, with nothing changed); 後で is remembered for the
// release. `shipped` empty: the variable's folder.
void OfferDataUpdate(QWidget* parent, std::string shipped = {});

// The same offer once `window` has first been painted: by then the window
// manager has placed it, so the question opens over it rather than at the
// screen's corner where the window stood before it was mapped.
void OfferDataUpdateWhenShown(QWidget* window);

}  // namespace eiyou
