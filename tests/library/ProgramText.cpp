#include "ProgramText.h"

#include "ConversionJob.h"
#include "FileSystem.h"

namespace tessark::test {

namespace {

// ClassicOptions' order.
constexpr Option kOrder[] = {Option::RemoveComments,      Option::RemoveScripts,    Option::RemoveStyles,
                             Option::RemoveFunctions,     Option::RemovePipe,       Option::RemoveTabs,
                             Option::GenerateSpecialChars, Option::RemoveAllTags,   Option::RemoveAllCRLF,
                             Option::RemoveSpaces,        Option::RemoveBlankLines, Option::DecodeAllReferences};

OptionSet ClassicSet(const ProgramChoice& choice) {
    OptionSet set;
    for (std::size_t i = 0; i < choice.classic.size(); ++i) set.Set(kOrder[i], choice.classic[i]);
    return set;
}

}  // namespace

QByteArray WholeClassicText(QByteArray page, const ProgramChoice& choice) {
    EngineOptions options;
    ClassicSet(choice).ApplyTo(options);
    ClassicEngine engine(options);
    ConvertEncoded(engine, page, choice.encoding);
    return page;
}

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
    const bool readable = request.options.readable;
    const ReadableOptions layout = request.options.layout;
    request.options = ClassicSet(choice);
    request.options.readable = readable;
    request.options.layout = layout;
    DiskFileSystem disk;
    const ConversionOutcome outcome = ConvertOne(request, disk);
    if (outcome.result != ConversionOutcome::Result::Written) return "FAILED: " + outcome.Reason().toUtf8();
    return outcome.text;
}

}  // namespace tessark::test
