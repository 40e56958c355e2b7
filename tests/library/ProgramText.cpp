#include "ProgramText.h"

#include "ConversionJob.h"
#include "FileSystem.h"

namespace tessark::test {

QByteArray ProgramText(const QString& path, const ProgramChoice& choice) {
    ConversionRequest request;
    request.inputPath = path;
    request.target = ConversionRequest::Target::Memory;
    request.encoding = choice.encoding;
    request.emptyInputStops = false;
    request.lineEnds = choice.classicLineEnds ? ConversionRequest::LineEnds::Classic : ConversionRequest::LineEnds::Unix;
    request.options.readable = choice.readable;
    request.options.layout.links = static_cast<ReadableOptions::Links>(choice.links);
    request.options.layout.altText = choice.altText;
    request.options.layout.width = static_cast<std::size_t>(choice.width);
    request.options.layout.crlf = choice.crlf;
    // ClassicOptions' order.
    constexpr Option kOrder[] = {Option::RemoveComments,      Option::RemoveScripts,   Option::RemoveStyles,
                                 Option::RemoveFunctions,     Option::RemovePipe,      Option::RemoveTabs,
                                 Option::GenerateSpecialChars, Option::RemoveAllTags,  Option::RemoveAllCRLF,
                                 Option::RemoveSpaces,        Option::RemoveBlankLines, Option::DecodeAllReferences};
    for (std::size_t i = 0; i < choice.classic.size(); ++i) request.options.Set(kOrder[i], choice.classic[i]);
    DiskFileSystem disk;
    const ConversionOutcome outcome = ConvertOne(request, disk);
    if (outcome.result != ConversionOutcome::Result::Written) return "FAILED: " + outcome.Reason().toUtf8();
    return outcome.text;
}

}  // namespace tessark::test
