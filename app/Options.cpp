#include "Options.h"

#include <utility>

namespace tessark {

const std::array<OptionInfo, kOptionCount> kOptions = {{
    {Option::DecodeAllReferences, "DecodeAllReferences", &EngineOptions::DecodeAllReferences, false, false,
     "Decode every HTML character reference (&rsquo; &#x1F600;) once, after the tags, instead of the 323-row table."},
    {Option::GenerateSpecialChars, "GenerateSpecialChars", &EngineOptions::GenerateSpecialChars, true, true,
     "Turn character references (&eacute; &#233;) into characters."},
    {Option::RemoveAllCRLF, "RemoveAllCRLF", &EngineOptions::RemoveAllCRLF, true, true,
     "Turn every line break into a space."},
    {Option::RemoveAllTags, "RemoveAllTags", &EngineOptions::RemoveAllTags, true, true,
     "Remove every tag, from \"<\" to the next \">\"."},
    {Option::RemoveBlankLines, "RemoveBlankLines", &EngineOptions::RemoveBlankLines, true, true,
     "Remove blank lines."},
    {Option::RemoveComments, "RemoveComments", &EngineOptions::RemoveComments, true, true,
     "Remove comment blocks (<!-- ... -->)."},
    {Option::RemoveFunctions, "RemoveFunctions", &EngineOptions::RemoveFunctions, true, true,
     "Remove spans in braces ({ ... })."},
    {Option::RemovePipe, "RemovePipe", &EngineOptions::RemovePipe, true, true,
     "Turn each \"|\" into a space."},
    {Option::RemoveScripts, "RemoveScripts", &EngineOptions::RemoveScripts, true, true,
     "Remove script blocks (<script ... /script>)."},
    {Option::RemoveSpaces, "RemoveSpaces", &EngineOptions::RemoveSpaces, true, true,
     "Shorten runs of spaces to one space."},
    {Option::RemoveStyles, "RemoveStyles", &EngineOptions::RemoveStyles, true, true,
     "Remove style blocks (<style ... /style>)."},
    {Option::RemoveTabs, "RemoveTabs", &EngineOptions::RemoveTabs, true, true,
     "Turn each tab into a space."},
}};

QString FlagName(const OptionInfo& info) {
    const QString name = QString::fromLatin1(info.name);
    QString flag;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isUpper() && i > 0) {
            const bool afterSmall = name[i - 1].isLower();
            const bool startsWordAfterCapitals =
                name[i - 1].isUpper() && i + 1 < name.size() && name[i + 1].isLower();
            if (afterSmall || startsWordAfterCapitals) flag += u'-';
        }
        flag += c.toLower();
    }
    return flag;
}

namespace {
constexpr std::pair<ReadableOptions::Links, const char*> kLinksTexts[] = {
    {ReadableOptions::Links::None, "none"},
    {ReadableOptions::Links::Inline, "inline"},
    {ReadableOptions::Links::List, "list"},
};
}  // namespace

QString LinksText(ReadableOptions::Links links) {
    for (const auto& [value, text] : kLinksTexts)
        if (value == links) return QLatin1String(text);
    return {};
}

std::optional<ReadableOptions::Links> ParseLinks(QStringView text) {
    for (const auto& [value, name] : kLinksTexts)
        if (text == QLatin1String(name)) return value;
    return std::nullopt;
}

QString CheckBoxName(const OptionInfo& info) { return QStringLiteral("chk") + QLatin1String(info.name); }

OptionSet OptionSet::Defaults() {
    OptionSet set;
    for (const OptionInfo& info : kOptions) set.Set(info.option, info.defaultOn);
    return set;
}

const std::array<OptionCondition, 1> kOptionConditions = {{
    {Option::GenerateSpecialChars, Option::DecodeAllReferences, false},
}};

OptionSet OptionSet::ClassicOn() {
    OptionSet set;
    for (const OptionInfo& info : kOptions) set.Set(info.option, info.classic);
    return set;
}

void OptionSet::ApplyTo(EngineOptions& options) const {
    for (const OptionInfo& info : kOptions) options.*(info.flag) = Get(info.option);
}

}  // namespace tessark
