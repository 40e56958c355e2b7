// Options: the clean-up options and the one table that ties each to every
// view of it: its engine option (a field of EngineOptions), its settings key, its check box ("chk" + the
// key), its command-line flag (the key in kebab case, RemoveAllCRLF ->
// remove-all-crlf), its default when the key is missing from the settings
// store, whether it is one of the classic eleven, its state under
// --readable, and its help line. Adding an option is one enumerator and one
// row.
//
// OptionSet is a value holding one on/off state per option, the form in
// which a conversion request carries its options. OptionBoxes is the seam
// through which the classic option procedures reach the window's check boxes
// and the text encoding chosen beside them (settings key kEncodingKey);
// without a window (batch mode, tests) an OptionHolder stands in for them.
//
// Thread safety: the table is constant; OptionSet is a plain value.
#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "TextEncoding.h"
#include "EngineOptions.h"

namespace tessark {

// The rows of kOptions, in the order of the table (alphabetical by key, the
// order in which the classic procedures handle them and in which the
// settings file lists them). The classic eleven, and the four readable-text
// options (BreakAtBlocks, DecodeAllReferences, KeepAltText, KeepLinks), off
// unless chosen.
enum class Option {
    BreakAtBlocks,
    DecodeAllReferences,
    GenerateSpecialChars,
    KeepAltText,
    KeepLinks,
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
inline constexpr std::size_t kOptionCount = 15;

struct OptionInfo {
    Option option;
    const char* name;            // engine option and settings key; "chk" + name is the check box
    bool EngineOptions::*flag;  // the engine's option
    bool defaultOn;           // the value when the settings store has no key
    bool classic;             // one of the eleven that the classic form saves
    bool readable;            // its state under the modern command line's --readable
    const char* help;         // one line for the command line's help text
};
// Row i describes Option(i).
extern const std::array<OptionInfo, kOptionCount> kOptions;

// An option that acts only while another is on (otherOn) or off: the
// readable-text options that work on the tags act as the tags are removed,
// and the 323-row table does not run when every reference is decoded.
struct OptionCondition {
    Option option;
    Option other;
    bool otherOn;
};
extern const std::array<OptionCondition, 4> kOptionConditions;

inline const OptionInfo& InfoOf(Option option) { return kOptions[static_cast<std::size_t>(option)]; }

// The command-line flag of an option: its name in kebab case, a hyphen
// before each capital that starts a new word (after a small letter, or before
// a small letter after capitals): RemoveAllCRLF -> "remove-all-crlf".
QString FlagName(const OptionInfo& info);
// "chk" + the name.
QString CheckBoxName(const OptionInfo& info);

// One on/off state per option; all off at first.
class OptionSet {
public:
    bool Get(Option option) const { return on_[static_cast<std::size_t>(option)]; }
    void Set(Option option, bool on) { on_[static_cast<std::size_t>(option)] = on; }
    void SetAll(bool on) { on_.fill(on); }
    // Every classic option on, every other off (the modern form's --all).
    static OptionSet ClassicOn();
    // Each option as the table's readable column says (--readable).
    static OptionSet Readable();
    // Every option at its default (what a missing settings key gives).
    static OptionSet Defaults();
    // The engine's options := these states.
    void ApplyTo(EngineOptions& options) const;
    bool operator==(const OptionSet&) const = default;

private:
    std::array<bool, kOptionCount> on_{};
};

// The settings key of the text encoding (section General), beside the
// option keys: "windows-1252", "utf-8" or "auto" (TextEncoding::Setting).
inline constexpr const char* kEncodingKey = "Encoding";

// What the option procedures need of the check boxes: a value of 0
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

// Plain values in place of check boxes; all unchecked at first, and the
// encoding windows-1252.
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
