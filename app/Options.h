// Options: the classic engine's clean-up options and the one table that ties
// each to every view of it: its engine option (a field of EngineOptions), its
// settings key, its check box ("chk" + the key), its command-line flag (the
// key in kebab case, RemoveAllCRLF -> remove-all-crlf), its default when the
// key is missing from the settings store, whether it is one of the classic
// eleven, and its help line. Adding an option is one enumerator and one row.
//
// Beside them, the choice of the engine: the classic conversion (the options
// above) or readable text (the readable-text engine, ReadableText.h, which
// takes none of them), with the layout readable text is made in. The layout
// is the engine's own ReadableOptions, so that each of its facts has one
// home: the links and the alt text are saved with the options (keys
// kReadableKey, kLinksKey, kAltTextKey); the width, the base URL and CR LF
// lines are for one run of the command line and are never saved.
//
// OptionSet is a value holding one on/off state per option, the engine and
// the layout: the form in which a conversion request carries its choices,
// from the settings store or the command line to the job. OptionBoxes is the
// seam through which the option procedures reach the window's check boxes,
// the text encoding and the readable-text choices beside them (settings key
// kEncodingKey); without a window (batch mode, tests) an OptionHolder stands
// in for them.
//
// Thread safety: the table is constant; OptionSet is a plain value.
#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstddef>
#include <optional>

#include "TextEncoding.h"
#include "EngineOptions.h"
#include "readable/ReadableText.h"

namespace tessark {

// The rows of kOptions, in the order of the table (alphabetical by key, the
// order in which the classic procedures handle them and in which the
// settings file lists them). The classic eleven, and DecodeAllReferences,
// off unless chosen.
enum class Option {
    DecodeAllReferences,
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
inline constexpr std::size_t kOptionCount = 12;

struct OptionInfo {
    Option option;
    const char* name;            // engine option and settings key; "chk" + name is the check box
    bool EngineOptions::*flag;  // the engine's option
    bool defaultOn;           // the value when the settings store has no key
    bool classic;             // one of the eleven that the classic form saves
    const char* help;         // one line for the command line's help text
};
// Row i describes Option(i).
extern const std::array<OptionInfo, kOptionCount> kOptions;

// An option that acts only while another is on (otherOn) or off: the
// 323-row table does not run when every reference is decoded.
struct OptionCondition {
    Option option;
    Option other;
    bool otherOn;
};
extern const std::array<OptionCondition, 1> kOptionConditions;

inline const OptionInfo& InfoOf(Option option) { return kOptions[static_cast<std::size_t>(option)]; }

// The command-line flag of an option: its name in kebab case, a hyphen
// before each capital that starts a new word (after a small letter, or before
// a small letter after capitals): RemoveAllCRLF -> "remove-all-crlf".
QString FlagName(const OptionInfo& info);
// "chk" + the name.
QString CheckBoxName(const OptionInfo& info);

// The settings keys of the readable-text choices (section General), beside
// the option keys: "True"/"False" for the engine (True: readable text) and
// the alt text, LinksText for the links.
inline constexpr const char* kReadableKey = "ReadableText";
inline constexpr const char* kLinksKey = "Links";
inline constexpr const char* kAltTextKey = "AltText";

// "none", "inline" or "list": the links' setting as stored and as
// --links=MODE spells it.
QString LinksText(ReadableOptions::Links links);
// The links for one of those texts (exactly as written); nothing for any
// other text.
std::optional<ReadableOptions::Links> ParseLinks(QStringView text);

// One on/off state per option, all off at first; the classic engine, and
// the readable-text engine's default layout.
class OptionSet {
public:
    bool Get(Option option) const { return on_[static_cast<std::size_t>(option)]; }
    void Set(Option option, bool on) { on_[static_cast<std::size_t>(option)] = on; }
    void SetAll(bool on) { on_.fill(on); }
    // Every classic option on, every other off (the modern form's --all).
    static OptionSet ClassicOn();
    // Every option at its default (what a missing settings key gives).
    static OptionSet Defaults();
    // The engine's options := these states.
    void ApplyTo(EngineOptions& options) const;
    bool operator==(const OptionSet&) const = default;

    // True: the page is laid out as readable text, in `layout`, and the
    // states above do not apply; false: the classic conversion.
    bool readable = false;
    ReadableOptions layout;

private:
    std::array<bool, kOptionCount> on_{};
};

// The settings key of the text encoding (section General), beside the
// option keys: "windows-1252", "utf-8" or "auto" (TextEncoding::Setting).
inline constexpr const char* kEncodingKey = "Encoding";

// What the option procedures need of the check boxes: a value of 0
// (unchecked) or 1 (checked) per option; the text encoding chosen with them
// (a holder that keeps no choice has the classic windows-1252); and the
// engine with readable text's saved choices (the links and the alt text of
// the layout; a holder that keeps no choice has the classic conversion).
class OptionBoxes {
public:
    virtual ~OptionBoxes() = default;
    virtual int Value(Option option) const = 0;
    virtual void SetValue(Option option, int value) = 0;
    virtual TextEncoding::Setting EncodingChoice() const { return TextEncoding::Setting::Windows1252; }
    virtual void SetEncodingChoice(TextEncoding::Setting) {}
    virtual bool ReadableChoice() const { return false; }
    virtual void SetReadableChoice(bool) {}
    virtual ReadableOptions LayoutChoice() const { return {}; }
    virtual void SetLayoutChoice(const ReadableOptions&) {}
};

// Plain values in place of check boxes; all unchecked at first, the
// encoding windows-1252, the classic conversion.
class OptionHolder final : public OptionBoxes {
public:
    int Value(Option option) const override { return values_[static_cast<std::size_t>(option)]; }
    void SetValue(Option option, int value) override { values_[static_cast<std::size_t>(option)] = value; }
    TextEncoding::Setting EncodingChoice() const override { return encoding_; }
    void SetEncodingChoice(TextEncoding::Setting setting) override { encoding_ = setting; }
    bool ReadableChoice() const override { return readable_; }
    void SetReadableChoice(bool readable) override { readable_ = readable; }
    ReadableOptions LayoutChoice() const override { return layout_; }
    void SetLayoutChoice(const ReadableOptions& layout) override { layout_ = layout; }

private:
    std::array<int, kOptionCount> values_{};
    TextEncoding::Setting encoding_ = TextEncoding::Setting::Windows1252;
    bool readable_ = false;
    ReadableOptions layout_;
};

}  // namespace tessark
