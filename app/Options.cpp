#include "Options.h"

namespace tessark {

const std::array<OptionInfo, kOptionCount> kOptions = {{
    {Option::BreakAtBlocks, "BreakAtBlocks", nullptr, false, false, true,
     "With --remove-all-tags: block tags (p, div, br, li, h1, tr, ...) become line breaks, td and th tabs."},
    {Option::DecodeAllReferences, "DecodeAllReferences", &EngineOptions::DecodeAllReferences, false, false, true,
     "Decode every HTML character reference (&rsquo; &#x1F600;) once, after the tags, instead of the 323-row table."},
    {Option::GenerateSpecialChars, "GenerateSpecialChars", &EngineOptions::GenerateSpecialChars, true, true, true,
     "Turn character references (&eacute; &#233;) into characters."},
    {Option::KeepAltText, "KeepAltText", nullptr, false, false, true,
     "With --remove-all-tags: an image becomes its alt text, between spaces."},
    {Option::KeepLinks, "KeepLinks", nullptr, false, false, true,
     "With --remove-all-tags: a link's text is followed by \" [URL]\"."},
    {Option::RemoveAllCRLF, "RemoveAllCRLF", &EngineOptions::RemoveAllCRLF, true, true, false,
     "Turn every line break into a space."},
    {Option::RemoveAllTags, "RemoveAllTags", &EngineOptions::RemoveAllTags, true, true, true,
     "Remove every tag, from \"<\" to the next \">\"."},
    {Option::RemoveBlankLines, "RemoveBlankLines", &EngineOptions::RemoveBlankLines, true, true, true,
     "Remove blank lines."},
    {Option::RemoveComments, "RemoveComments", &EngineOptions::RemoveComments, true, true, true,
     "Remove comment blocks (<!-- ... -->)."},
    {Option::RemoveFunctions, "RemoveFunctions", &EngineOptions::RemoveFunctions, true, true, false,
     "Remove spans in braces ({ ... })."},
    {Option::RemovePipe, "RemovePipe", &EngineOptions::RemovePipe, true, true, false,
     "Turn each \"|\" into a space."},
    {Option::RemoveScripts, "RemoveScripts", &EngineOptions::RemoveScripts, true, true, true,
     "Remove script blocks (<script ... /script>)."},
    {Option::RemoveSpaces, "RemoveSpaces", &EngineOptions::RemoveSpaces, true, true, true,
     "Shorten runs of spaces to one space."},
    {Option::RemoveStyles, "RemoveStyles", &EngineOptions::RemoveStyles, true, true, true,
     "Remove style blocks (<style ... /style>)."},
    {Option::RemoveTabs, "RemoveTabs", &EngineOptions::RemoveTabs, true, true, true,
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

QString CheckBoxName(const OptionInfo& info) { return QStringLiteral("chk") + QLatin1String(info.name); }

OptionSet OptionSet::Defaults() {
    OptionSet set;
    for (const OptionInfo& info : kOptions) set.Set(info.option, info.defaultOn);
    return set;
}

const std::array<OptionCondition, 4> kOptionConditions = {{
    {Option::BreakAtBlocks, Option::RemoveAllTags, true},
    {Option::KeepLinks, Option::RemoveAllTags, true},
    {Option::KeepAltText, Option::RemoveAllTags, true},
    {Option::GenerateSpecialChars, Option::DecodeAllReferences, false},
}};

OptionSet OptionSet::ClassicOn() {
    OptionSet set;
    for (const OptionInfo& info : kOptions) set.Set(info.option, info.classic);
    return set;
}

OptionSet OptionSet::Readable() {
    OptionSet set;
    for (const OptionInfo& info : kOptions) set.Set(info.option, info.readable);
    return set;
}

void OptionSet::ApplyTo(EngineOptions& options) const {
    for (const OptionInfo& info : kOptions)
        if (info.flag != nullptr) options.*(info.flag) = Get(info.option);
}

}  // namespace tessark
