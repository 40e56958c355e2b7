// A cursor probe for the button's tests: the pointer rests over `under`
// (nobody when null), wherever the test says it is.
#pragma once

#include "SkinnedButton.h"

namespace tessark::test {

class FakeCursor final : public CursorProbe {
public:
    QPoint Pos() const override { return {}; }
    QWidget* WidgetAt(const QPoint&) const override { return under; }
    QWidget* under = nullptr;
};

}  // namespace tessark::test
