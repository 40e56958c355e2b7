#include "ProgramText.h"

#include "ConversionJob.h"
#include "FileSystem.h"

namespace tessark::test {

namespace {

// The program's option set for the library's classic steps.
OptionSet ClassicSet(const ClassicOptions& c) {
    const std::pair<Option, bool> steps[] = {
        {Option::RemoveComments, c.remove_comments}, {Option::RemoveScripts, c.remove_scripts},
        {Option::RemoveStyles, c.remove_styles}, {Option::RemoveFunctions, c.remove_functions},
        {Option::RemovePipe, c.remove_pipe}, {Option::RemoveTabs, c.remove_tabs},
        {Option::GenerateSpecialChars, c.generate_special_chars}, {Option::RemoveAllTags, c.remove_all_tags},
        {Option::RemoveAllCRLF, c.remove_all_crlf}, {Option::RemoveSpaces, c.remove_spaces},
        {Option::RemoveBlankLines, c.remove_blank_lines}, {Option::DecodeAllReferences, c.decode_all_references}};
    OptionSet set;
    for (const auto& [option, on] : steps) set.Set(option, on);
    return set;
}

}  // namespace

QByteArray WholeClassicText(QByteArray page, const Options& options) {
    ClassicEngine engine;
    ClassicSet(options.classic).ApplyTo(engine.options);
    ConvertEncoded(engine, page, QString::fromStdString(options.encoding));
    return page;
}

QByteArray ProgramText(const QString& path, const Options& options) {
    ConversionRequest request;
    request.inputPath = path;
    request.target = ConversionRequest::Target::Memory;
    request.encoding = QString::fromStdString(options.encoding);
    request.emptyInputStops = false;
    request.lineEnds = options.classic.classic_line_ends ? ConversionRequest::LineEnds::Classic : ConversionRequest::LineEnds::Unix;
    request.options = ClassicSet(options.classic);
    request.options.readable = options.engine == Engine::Readable;
    request.options.layout.links = options.links == Links::Inline ? ReadableOptions::Links::Inline
                                   : options.links == Links::List ? ReadableOptions::Links::List
                                                                  : ReadableOptions::Links::None;
    request.options.layout.altText = options.alt_text;
    request.options.layout.width = options.width;
    request.options.layout.crlf = options.crlf;
    DiskFileSystem disk;
    const ConversionOutcome outcome = ConvertOne(request, disk);
    if (outcome.result != ConversionOutcome::Result::Written) return "FAILED: " + outcome.Reason().toUtf8();
    return outcome.text;
}

}  // namespace tessark::test
