#include "Options.h"

namespace tessark {

const std::array<OptionInfo, kOptionCount> kOptions = {{
    {Option::GenerateSpecialChars, "GenerateSpecialChars", &cTessark::GenerateSpecialChars},
    {Option::RemoveAllCRLF, "RemoveAllCRLF", &cTessark::RemoveAllCRLF},
    {Option::RemoveAllTags, "RemoveAllTags", &cTessark::RemoveAllTags},
    {Option::RemoveBlankLines, "RemoveBlankLines", &cTessark::RemoveBlankLines},
    {Option::RemoveComments, "RemoveComments", &cTessark::RemoveComments},
    {Option::RemoveFunctions, "RemoveFunctions", &cTessark::RemoveFunctions},
    {Option::RemovePipe, "RemovePipe", &cTessark::RemovePipe},
    {Option::RemoveScripts, "RemoveScripts", &cTessark::RemoveScripts},
    {Option::RemoveSpaces, "RemoveSpaces", &cTessark::RemoveSpaces},
    {Option::RemoveStyles, "RemoveStyles", &cTessark::RemoveStyles},
    {Option::RemoveTabs, "RemoveTabs", &cTessark::RemoveTabs},
}};

}  // namespace tessark
