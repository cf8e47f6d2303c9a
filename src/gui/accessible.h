// Names that screen readers speak for a window's controls.
#pragma once

#include <initializer_list>
#include <utility>

class QWidget;

namespace eiyou {

// Gives the controls of `window` (found by objectName, at any depth) their
// accessible names, UTF-8 Japanese. A name that no control has is skipped.
void NameControls(QWidget* window,
                  std::initializer_list<std::pair<const char*, const char*>> names);

}  // namespace eiyou
