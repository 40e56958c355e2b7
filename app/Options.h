// Options: the eleven clean-up options, the table that ties each to its
// engine flag, its settings key and its check box, and the seam through which
// the option procedures reach the check boxes.
//
// The window's check boxes are the live copy of the options. Without a window
// (batch mode, tests) an OptionHolder stands in for them: LoadOptions,
// SaveOptions and ApplyOptions work the same on either.
#pragma once

#include <array>

#include "cTessark.h"

namespace tessark {

// In the order in which the option procedures handle them (alphabetical).
enum class Option {
    GenerateSpecialChars,
    RemoveAllCRLF,
    RemoveAllTags,
    RemoveBlankLines,
    RemoveComments,
    RemoveFunctions,
    RemovePipe,
    RemoveScripts,
    RemoveSpaces,
    RemoveStyles,
    RemoveTabs,
};
inline constexpr std::size_t kOptionCount = 11;

struct OptionInfo {
    Option option;
    const char* name;         // engine flag, settings key; "chk" + name is the check box
    Boolean cTessark::*flag;  // the engine's flag
};
extern const std::array<OptionInfo, kOptionCount> kOptions;

// What the option procedures need of eleven check boxes: a value of 0
// (unchecked) or 1 (checked) per option.
class OptionBoxes {
public:
    virtual ~OptionBoxes() = default;
    virtual int Value(Option option) const = 0;
    virtual void SetValue(Option option, int value) = 0;
};

// Eleven plain values in place of check boxes; all unchecked at first.
class OptionHolder final : public OptionBoxes {
public:
    int Value(Option option) const override { return values_[static_cast<std::size_t>(option)]; }
    void SetValue(Option option, int value) override { values_[static_cast<std::size_t>(option)] = value; }

private:
    std::array<int, kOptionCount> values_{};
};

}  // namespace tessark
