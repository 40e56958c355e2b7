// Options: the eleven clean-up options, the table that ties each to its
// engine flag, its settings key and its check box, and the seam through which
// the option procedures reach the check boxes and the text encoding chosen
// beside them (settings key kEncodingKey).
//
// The window's check boxes are the live copy of the options. Without a window
// (batch mode, tests) an OptionHolder stands in for them: LoadOptions,
// SaveOptions and ApplyOptions work the same on either.
#pragma once

#include <array>

#include "TextEncoding.h"
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

// The settings key of the text encoding (section General), beside the
// eleven option keys.
inline constexpr const char* kEncodingKey = "Encoding";

// What the option procedures need of eleven check boxes: a value of 0
// (unchecked) or 1 (checked) per option; and the text encoding chosen with
// them (a holder that keeps no choice has the classic windows-1252).
class OptionBoxes {
public:
    virtual ~OptionBoxes() = default;
    virtual int Value(Option option) const = 0;
    virtual void SetValue(Option option, int value) = 0;
    virtual TextEncoding::Setting EncodingChoice() const { return TextEncoding::Setting::Windows1252; }
    virtual void SetEncodingChoice(TextEncoding::Setting) {}
};

// Eleven plain values in place of check boxes; all unchecked at first, and
// the encoding windows-1252.
class OptionHolder final : public OptionBoxes {
public:
    int Value(Option option) const override { return values_[static_cast<std::size_t>(option)]; }
    void SetValue(Option option, int value) override { values_[static_cast<std::size_t>(option)] = value; }
    TextEncoding::Setting EncodingChoice() const override { return encoding_; }
    void SetEncodingChoice(TextEncoding::Setting setting) override { encoding_ = setting; }

private:
    std::array<int, kOptionCount> values_{};
    TextEncoding::Setting encoding_ = TextEncoding::Setting::Windows1252;
};

}  // namespace tessark
