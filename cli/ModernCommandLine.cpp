#include "ModernCommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QHash>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "ConversionJob.h"
#include "EncodedConversion.h"
#include "FileSystem.h"
#include "OptionStore.h"
#include "Options.h"
#include "Progress.h"
#include "RecordCommands.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#define TESSARK_POSIX 1
#endif

namespace tessark::cli {
namespace {

const QString kStandardInputName = QStringLiteral("(standard input)");

void WriteError(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

// Writes text that is the whole answer of the run (--help, --version,
// --print-options); false, with the reason on standard error, when standard
// output did not take all of it (a full device, a closed pipe).
bool WriteOut(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) ==
                             static_cast<std::size_t>(bytes.size()) &&
                         std::fflush(stdout) == 0;
    if (!written) {
        const int error = errno;
        WriteError(QStringLiteral("tessark: write error on standard output: ") +
                   QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO)));
    }
    return written;
}

int UsageError(const QString& message) {
    WriteError(QStringLiteral("tessark: ") + message);
    WriteError(QStringLiteral("Try 'tessark --help' for more information."));
    return kExitUsage;
}

// A file name as messages show it: as it is, unless it holds a control
// character (a line feed would split the message); then quoted for the
// shell, as ls quotes it: $'a\nb'.
QString Quoted(const QString& name) {
    if (std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }))
        return name;
    QString quoted = QStringLiteral("$'");
    for (const QChar c : name) {
        switch (c.unicode()) {
        case '\n': quoted += QStringLiteral("\\n"); break;
        case '\t': quoted += QStringLiteral("\\t"); break;
        case '\r': quoted += QStringLiteral("\\r"); break;
        case '\\': quoted += QStringLiteral("\\\\"); break;
        case '\'': quoted += QStringLiteral("\\'"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                quoted += QStringLiteral("\\%1").arg(c.unicode(), 3, 8, QChar(u'0'));
            else
                quoted += c;
        }
    }
    return quoted + u'\'';
}

// Why `path` cannot be written, in the system's words; empty when nothing
// about the path itself is wrong (the failure was elsewhere).
QString OutputProblem(const QString& path) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    int error = 0;
    if (!folder.exists())
        error = ENOENT;
    else if (!folder.isDir())
        error = ENOTDIR;
    else if (info.isDir())
        error = EISDIR;
    else if (info.exists() && info.isFile() &&
             (info.permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)) == 0)
        error = EACCES;  // the mode bits, which the disk layer honours also for root
#ifdef TESSARK_POSIX
    else if (access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK) != 0)
        error = errno;
#endif
    return error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : QString();
}

// One input to convert, with where its text goes.
struct WorkItem {
    QString shown;    // the input as messages name it
    QString problem;  // set: the input fails with this message, unconverted
    ConversionRequest request;
};

// True for a file name that ends in .html or .htm, any letter case.
bool IsPageName(const QString& name) {
    return name.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) ||
           name.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive);
}

// A path as the operating system's calls take it.
std::filesystem::path NativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// What a walk under a folder found: the pages, as paths relative to it,
// sorted so that runs are repeatable; and what it could not take, each a
// path (under the folder) with the reason.
struct FolderPages {
    QStringList pages;
    std::vector<std::pair<QString, QString>> problems;
};

// The pages under `folder`: files whose names end in .html or .htm, not
// hidden, in folders not hidden. A link to a page is a page; a link to a
// folder is not followed (no loops, and nothing outside the tree). A folder
// or page that cannot be read, or whose name the platform's strings cannot
// hold (bytes that are not valid in the local encoding), is a problem.
FolderPages PagesUnder(const QString& folder) {
    namespace fs = std::filesystem;
    FolderPages found;
    const auto walk = [&found](const auto& self, const fs::path& dir, const QString& relative) -> void {
        std::error_code error;
        fs::directory_iterator it(dir, error);
        if (error) {
            found.problems.emplace_back(relative, QString::fromLocal8Bit(error.message()));
            return;
        }
        for (const fs::directory_entry& entry : it) {
            const std::string bytes = entry.path().filename().string();
            const QString name = QFile::decodeName(QByteArray::fromStdString(bytes));
            if (name.startsWith(u'.')) continue;
            const QString path = relative.isEmpty() ? name : relative + u'/' + name;
            const bool isFolder = entry.is_directory(error) && !entry.is_symlink(error);
            if (!isFolder && !(IsPageName(name) && entry.is_regular_file(error))) continue;
            if (QFile::encodeName(name).toStdString() != bytes) {
                found.problems.emplace_back(path, QStringLiteral("file name is not valid in the local encoding"));
            } else if (isFolder) {
                self(self, entry.path(), path);
            } else if (!QFileInfo(QFile::decodeName(QByteArray::fromStdString(entry.path().string()))).isReadable()) {
                found.problems.emplace_back(path, QString::fromLocal8Bit(std::strerror(EACCES)));
            } else {
                found.pages << path;
            }
        }
    };
    walk(walk, NativePath(folder), QString());
    std::sort(found.pages.begin(), found.pages.end());
    std::sort(found.problems.begin(), found.problems.end());
    return found;
}

// The key under which two output paths are the same file.
QString OutputKey(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
#if defined(_WIN32)
    return absolute.toLower();
#else
    return absolute;
#endif
}

// `text` with its lines broken at spaces to fit 79 columns.
QString Wrapped(const QString& text) {
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > 79) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
    }
    return lines.join(u'\n');
}

// The command line's options, set up once.
struct Parser {
    QCommandLineParser parser;
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("Write the text of the one INPUT to FILE (\"-\": standard output)."),
                              QStringLiteral("FILE")};
    QCommandLineOption outputDir{{QStringLiteral("d"), QStringLiteral("output-dir")},
                                 QStringLiteral("Write the text of each INPUT to DIR/NAME.txt, NAME being the input's "
                                                "file name without its last extension. DIR is created when needed."),
                                 QStringLiteral("DIR")};
    QCommandLineOption recursive{{QStringLiteral("r"), QStringLiteral("recursive")},
                                 QStringLiteral("An INPUT that is a folder stands for every .html or .htm file under "
                                                "it; with -d the sub-folders are kept under DIR.")};
    QCommandLineOption jobs{{QStringLiteral("j"), QStringLiteral("jobs")},
                            QStringLiteral("Convert up to N files at once (default: the number of processors, %1).")
                                .arg(QThread::idealThreadCount()),
                            QStringLiteral("N")};
    QCommandLineOption all{QStringLiteral("all"),
                           QStringLiteral("The classic conversion, starting from every classic option on "
                                          "(--decode-all-references off) instead of the saved ones.")};
    QCommandLineOption readable{
        QStringLiteral("readable"),
        QStringLiteral("Lay the pages out as readable text (paragraphs, headings, lists, tables, links) with the "
                       "readable-text engine instead of the classic conversion; the text is UTF-8. The classic option "
                       "flags do not apply to it; these do: --links, --base-url, --alt-text, --no-alt-text, --width, "
                       "--crlf, --encoding.")};
    QCommandLineOption classic{QStringLiteral("classic"),
                               QStringLiteral("The classic conversion with the options chosen (the default unless "
                                              "readable text was saved).")};
    QCommandLineOption none{QStringLiteral("none"),
                            QStringLiteral("The classic conversion, starting from every option off instead of the "
                                           "saved ones.")};
    QCommandLineOption links{QStringLiteral("links"),
                             QStringLiteral("Readable text: how links show: none (their text only), inline (\"text "
                                            "[URL]\") or list (\"text[1]\", the numbered addresses after the text). "
                                            "Default: the saved choice, else none."),
                             QStringLiteral("MODE")};
    QCommandLineOption baseUrl{QStringLiteral("base-url"),
                               QStringLiteral("Readable text: resolve the links' addresses against URL (a <base href> "
                                              "of the page counts first)."),
                               QStringLiteral("URL")};
    QCommandLineOption altText{QStringLiteral("alt-text"),
                               QStringLiteral("Readable text: an image shows its alt text (the default unless saved "
                                              "otherwise); --no-alt-text: images show nothing.")};
    QCommandLineOption noAltText{QStringLiteral("no-alt-text"), QString()};
    QCommandLineOption width{QStringLiteral("width"),
                             QStringLiteral("Readable text: wrap paragraphs at N columns; 0 (the default): no "
                                            "wrapping."),
                             QStringLiteral("N")};
    QCommandLineOption crlf{QStringLiteral("crlf"),
                            QStringLiteral("End lines in CR LF. The classic text then ends without a line end, as the "
                                           "classic form writes it; readable text still ends with one. Default: lines "
                                           "end in LF, and a text that is not empty ends with one.")};
    QCommandLineOption save{QStringLiteral("save"),
                            QStringLiteral("Save the options of this run as the ones the window and later runs start from.")};
    QCommandLineOption printOptions{QStringLiteral("print-options"),
                                    QStringLiteral("Print the options that would be used, one Key=True|False line each, "
                                                   "and exit without converting (with --save, after saving them).")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")},
                             QStringLiteral("No progress line and no notes (lines that are not errors: a folder "
                                            "without pages, an option that cannot act); errors still go to standard "
                                            "error.")};
    QCommandLineOption encoding{
        QStringLiteral("encoding"),
        QStringLiteral("Read the inputs as NAME: windows-1252 (bytes in and out as they always were), utf-8 (UTF-8 in "
                       "and out), auto (per input: byte-order mark, <meta> charset, valid UTF-8, a guess, else "
                       "windows-1252; the text is written as UTF-8), or any charset label such as shift_jis or "
                       "iso-8859-2 (the text is written as UTF-8). Default: the saved encoding (what the window "
                       "uses), else auto."),
        QStringLiteral("NAME")};
    QCommandLineOption verbose{{QStringLiteral("v"), QStringLiteral("verbose")},
                               QStringLiteral("Tell on standard error, for each input, the encoding it was read in "
                                              "and why (bom, meta, valid utf-8, guess, default, chosen, saved).")};
    QCommandLineOption warc{QStringLiteral("warc"),
                            QStringLiteral("The INPUTs are web archives (WARC 1.0 or 1.1, compressed record by record "
                                           "or not): convert each HTML response in them, as readable text unless "
                                           "--classic, --all, --none or a classic option flag is given, into one "
                                           "output (-o FILE; compressed per record when FILE ends in .gz) in the "
                                           "--format chosen. The charset of the HTTP header counts before the "
                                           "page's own.")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("With --warc: wet (the default: a WARC of conversion records, one per "
                                             "page) or jsonl (one JSON object per page: url, date, record_id, "
                                             "charset, text)."),
                              QStringLiteral("FORMAT")};
    QCommandLineOption jsonl{QStringLiteral("jsonl"),
                             QStringLiteral("The INPUTs are JSON Lines, one object per line with the page in the field "
                                            "--html-field: write each object again, in input order, with its text in "
                                            "the field --text-field (readable text unless the classic conversion is "
                                            "asked for, as with --warc). A line that is not an object with the page "
                                            "is written with an \"error\" field.")};
    QCommandLineOption htmlField{QStringLiteral("html-field"),
                                 QStringLiteral("With --jsonl: the field that holds the page (default: html)."),
                                 QStringLiteral("NAME")};
    QCommandLineOption textField{QStringLiteral("text-field"),
                                 QStringLiteral("With --jsonl: the field the text is written to (default: text)."),
                                 QStringLiteral("NAME")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version and exit.")};
    // The older spellings of readable text's flags, hidden from the option
    // list and named in the description.
    QCommandLineOption breakAtBlocks{QStringLiteral("break-at-blocks"), QString()};
    QCommandLineOption noBreakAtBlocks{QStringLiteral("no-break-at-blocks"), QString()};
    QCommandLineOption keepLinks{QStringLiteral("keep-links"), QString()};
    QCommandLineOption noKeepLinks{QStringLiteral("no-keep-links"), QString()};
    QCommandLineOption keepAltText{QStringLiteral("keep-alt-text"), QString()};
    QCommandLineOption noKeepAltText{QStringLiteral("no-keep-alt-text"), QString()};
    // Flag name -> (option, state it sets).
    QHash<QString, std::pair<Option, bool>> optionFlags;
    // Every long name, and those that take a value, for unique prefixes.
    QStringList longNames, longNamesWithValue;

    void Add(const QCommandLineOption& option) {
        parser.addOption(option);
        for (const QString& name : option.names()) {
            if (name.size() < 2) continue;
            longNames << name;
            if (!option.valueName().isEmpty()) longNamesWithValue << name;
        }
    }

    Parser() {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
        QStringList noForms;
        for (const OptionInfo& info : kOptions) noForms << QStringLiteral("--no-") + FlagName(info);
        parser.setApplicationDescription(Wrapped(
            QStringLiteral("Converts HTML pages to plain text. Without INPUT, or with INPUT \"-\", it reads standard "
                           "input; without -o or -d the text goes to standard output, one input after another.\n"
                           "A page is converted as the saved choices say (what the window uses): with the classic "
                           "conversion and its options, or as readable text. --readable chooses readable text, "
                           "--classic the classic conversion; --all or --none choose the classic conversion "
                           "starting from all on or all off. Each classic option flag below turns one option on, "
                           "and its --no- form turns it off: %1. Later flags win. Older spellings still work: "
                           "--break-at-blocks for --readable (--no-break-at-blocks: --classic), --keep-links for "
                           "--links=inline (--no-keep-links: --links=none), --keep-alt-text and --no-keep-alt-text "
                           "for --alt-text and --no-alt-text.\n"
                           "Exit status: 0 when every input was converted, 1 when any failed, 2 for a usage error.\n"
                           "Two other forms: \"tessark INPUT OUTPUT\" (no argument begins with \"-\") converts INPUT "
                           "into OUTPUT with the saved options, a relative path being taken from the program's "
                           "folder; \"tessark\" alone opens the window.")
                .arg(noForms.join(QLatin1String(", ")))));
        parser.addPositionalArgument(QStringLiteral("INPUT"),
                                     QStringLiteral("A page to convert; \"-\": standard input; a folder, with -r."),
                                     QStringLiteral("[INPUT]..."));
        for (QCommandLineOption* option :
             {&output, &outputDir, &recursive, &jobs, &readable, &links, &baseUrl, &altText, &width, &classic, &all, &none,
              &encoding, &crlf, &save, &printOptions, &quiet, &verbose, &warc, &format, &jsonl, &htmlField, &textField})
            Add(*option);
        for (QCommandLineOption* hidden :
             {&noAltText, &breakAtBlocks, &noBreakAtBlocks, &keepLinks, &noKeepLinks, &keepAltText, &noKeepAltText}) {
            hidden->setFlags(QCommandLineOption::HiddenFromHelp);
            Add(*hidden);
        }
        for (const OptionInfo& info : kOptions) {
            const QString flag = FlagName(info);
            const QString negated = QStringLiteral("no-") + flag;
            QCommandLineOption on(flag, QString::fromUtf8(info.help));
            QCommandLineOption off(negated, QString::fromUtf8(info.help));
            off.setFlags(QCommandLineOption::HiddenFromHelp);
            Add(on);
            Add(off);
            optionFlags.insert(flag, {info.option, true});
            optionFlags.insert(negated, {info.option, false});
        }
        Add(help);
        Add(version);
    }
};

// The arguments with each unique prefix of a long option written out in
// full, as GNU tools accept them (--quie is --quiet). Empty, with `error`
// set, for a prefix of more than one option. A value that follows an option
// taking one is left alone, and so is everything after "--".
QStringList ExpandPrefixes(const QStringList& arguments, const Parser& p, QString& error) {
    QStringList out;
    bool valueNext = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (i == 0 || valueNext) {
            out << arg;
            valueNext = false;
            continue;
        }
        if (arg == QLatin1String("--")) {
            out << arguments.mid(i);
            break;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            const qsizetype equals = arg.indexOf(u'=');
            const QString name = arg.mid(2, equals < 0 ? -1 : equals - 2);
            QString full = name;
            if (!p.longNames.contains(name)) {
                QStringList matches;
                for (const QString& candidate : p.longNames)
                    if (candidate.startsWith(name) && !name.isEmpty()) matches << candidate;
                if (matches.size() > 1) {
                    error = QStringLiteral("option '--%1' is ambiguous; possibilities: --%2")
                                .arg(name, matches.join(QLatin1String(" --")));
                    return {};
                }
                if (matches.size() == 1) full = matches.front();
            }
            valueNext = equals < 0 && p.longNamesWithValue.contains(full);
            out << QStringLiteral("--") + full + (equals < 0 ? QString() : arg.mid(equals));
            continue;
        }
        if (arg.size() > 1 && arg.startsWith(u'-')) {
            // A group of short options: one that takes a value takes the rest
            // of the group, or the next argument when it ends the group.
            for (qsizetype k = 1; k < arg.size(); ++k) {
                if (arg[k] == u'o' || arg[k] == u'd' || arg[k] == u'j') {
                    valueNext = k == arg.size() - 1;
                    break;
                }
            }
        }
        out << arg;
    }
    return out;
}


// The flags that choose the engine or readable text's layout, each with
// what it does to the options; the older spellings among them.
using FlagAction = void (*)(OptionSet&);
const std::map<QString, FlagAction> kLayoutFlags = {
    {QStringLiteral("readable"), [](OptionSet& o) { o.readable = true; }},
    {QStringLiteral("break-at-blocks"), [](OptionSet& o) { o.readable = true; }},
    {QStringLiteral("classic"), [](OptionSet& o) { o.readable = false; }},
    {QStringLiteral("no-break-at-blocks"), [](OptionSet& o) { o.readable = false; }},
    {QStringLiteral("keep-links"), [](OptionSet& o) { o.layout.links = ReadableOptions::Links::Inline; }},
    {QStringLiteral("no-keep-links"), [](OptionSet& o) { o.layout.links = ReadableOptions::Links::None; }},
    {QStringLiteral("alt-text"), [](OptionSet& o) { o.layout.altText = true; }},
    {QStringLiteral("keep-alt-text"), [](OptionSet& o) { o.layout.altText = true; }},
    {QStringLiteral("no-alt-text"), [](OptionSet& o) { o.layout.altText = false; }},
    {QStringLiteral("no-keep-alt-text"), [](OptionSet& o) { o.layout.altText = false; }},
};

// The flags that act only on readable text, and those that choose an engine.
const QStringList kReadableOnlyFlags{"links", "base-url", "width", "alt-text", "no-alt-text", "keep-links",
                                     "no-keep-links", "keep-alt-text", "no-keep-alt-text"};

// The options of this run: the saved ones, then each flag in the order
// given (--all and --none: the classic conversion from all on or all off;
// the layout's choices are kept). Empty, with `usage` set, for a value that
// --links or --width cannot take.
std::optional<OptionSet> ChooseOptions(const Parser& p, QString& usage) {
    OptionSet options = OptionStore::Read(*OptionStore::Open());
    // Archives and record streams are laid out as readable text unless this
    // run asks for the classic conversion; the saved engine does not count.
    const bool records = p.parser.isSet(p.warc) || p.parser.isSet(p.jsonl);
    if (records) options.readable = true;
    qsizetype linksGiven = 0;
    for (const QString& name : p.parser.optionNames()) {
        const OptionSet before = options;
        if (name == QLatin1String("all")) {
            options = OptionSet::ClassicOn();
        } else if (name == QLatin1String("none")) {
            options = OptionSet();
        } else if (name == QLatin1String("links")) {
            const QString mode = p.parser.values(p.links).at(linksGiven++);
            const auto links = ParseLinks(mode);
            if (!links) {
                usage = QStringLiteral("invalid link mode: '%1' (none, inline or list)").arg(mode);
                return std::nullopt;
            }
            options.layout.links = *links;
        } else if (const auto layout = kLayoutFlags.find(name); layout != kLayoutFlags.end()) {
            layout->second(options);
        } else if (const auto flag = p.optionFlags.constFind(name); flag != p.optionFlags.cend()) {
            options.Set(flag->first, flag->second);
            if (records) options.readable = false;
        }
        if (name == QLatin1String("all") || name == QLatin1String("none")) options.layout = before.layout;
    }
    if (p.parser.isSet(p.width)) {
        bool ok = false;
        const QString given = p.parser.value(p.width);
        const uint columns = given.toUInt(&ok);
        if (!ok || given.startsWith(u'+')) {
            usage = QStringLiteral("invalid width: '%1' (a number of columns, 0: no wrapping)").arg(given);
            return std::nullopt;
        }
        options.layout.width = columns;
    }
    options.layout.baseUrl = p.parser.value(p.baseUrl).toStdString();
    options.layout.crlf = p.parser.isSet(p.crlf);
    return options;
}

// Without --encoding and with nothing saved, pages are detected and the text
// is UTF-8 (the classic form and the window keep windows-1252).
constexpr TextEncoding::Setting kModernDefaultEncoding = TextEncoding::Setting::Auto;

// The encoding of this run: --encoding (a setting's text in lower case, or
// a charset label as given), else the saved one, else the default above.
// Empty when --encoding names nothing usable.
struct RunEncoding {
    QString name;
    QString shown;  // for --print-options: the setting's text, or the name of the label's encoding
    enum class Origin { Chosen, Saved, Default } origin = Origin::Default;
    // The reason -v gives for an input read in an encoding that was not
    // detected.
    QString Why() const {
        return origin == Origin::Chosen ? QStringLiteral("chosen")
               : origin == Origin::Saved ? QStringLiteral("saved")
                                         : QStringLiteral("default");
    }
};

RunEncoding ChooseEncoding(const Parser& p) {
    RunEncoding run;
    if (p.parser.isSet(p.encoding)) {
        const QString given = p.parser.value(p.encoding);
        run.origin = RunEncoding::Origin::Chosen;
        if (const auto setting = TextEncoding::ParseSetting(given)) {
            run.name = run.shown = TextEncoding::SettingText(*setting);
        } else if (IsUsableEncoding(given)) {
            run.name = given.trimmed();
            run.shown = TextEncoding::EncodingForLabel(given);
        }
        return run;
    }
    const auto settings = OptionStore::Open();
    if (settings->contains(QLatin1String(kEncodingKey))) {
        run.origin = RunEncoding::Origin::Saved;
        run.name = run.shown = TextEncoding::SettingText(OptionStore::ReadEncoding(*settings));
    } else {
        run.origin = RunEncoding::Origin::Default;
        run.name = run.shown = TextEncoding::SettingText(kModernDefaultEncoding);
    }
    return run;
}

// Why the flags of a record run (--warc, --jsonl) do not go together;
// empty when they do.
QString RecordUsageProblem(const Parser& p) {
    const QCommandLineParser& parser = p.parser;
    const bool warc = parser.isSet(p.warc), jsonl = parser.isSet(p.jsonl);
    if (warc && jsonl) return QStringLiteral("--warc and --jsonl cannot be used together");
    if (warc || jsonl) {
        const QString mode = warc ? QStringLiteral("--warc") : QStringLiteral("--jsonl");
        if (parser.isSet(p.outputDir)) return QStringLiteral("-d cannot be used with %1 (it writes one output: -o)").arg(mode);
        if (parser.isSet(p.recursive)) return QStringLiteral("-r cannot be used with %1").arg(mode);
    }
    if (parser.isSet(p.format)) {
        if (!warc) return QStringLiteral("--format needs --warc");
        const QString format = parser.value(p.format);
        if (format != QLatin1String("wet") && format != QLatin1String("jsonl"))
            return QStringLiteral("invalid format: '%1' (wet or jsonl)").arg(format);
    }
    for (const QCommandLineOption* field : {&p.htmlField, &p.textField}) {
        if (!parser.isSet(*field)) continue;
        if (!jsonl) return QStringLiteral("--%1 needs --jsonl").arg(field->names().front());
        if (parser.value(*field).isEmpty()) return QStringLiteral("--%1 needs a name").arg(field->names().front());
    }
    return {};
}

bool PrintOptions(const OptionSet& options, const QString& encoding) {
    // In the order of the settings file, which sorts its keys.
    std::vector<std::pair<QString, QString>> rows;
    for (const OptionStore::StoredKey& k : OptionStore::StoredKeys(options)) rows.emplace_back(k.key, k.text);
    rows.emplace_back(QLatin1String(kEncodingKey), encoding);
    std::sort(rows.begin(), rows.end());
    QString text;
    for (const auto& [key, value] : rows) text += key + u'=' + value + u'\n';
    return WriteOut(text);
}

enum class OutputMode { StandardOutput, OneFile, Folder };

// The work of this run, in input order; a usage error sets `usage`.
std::vector<WorkItem> PlanWork(const QStringList& inputs, OutputMode mode, const QString& outputPath,
                               bool recursive, const OptionSet& options, const QString& encoding,
                               ConversionRequest::LineEnds lineEnds, QStringList& notes, QString& usage) {
    std::vector<WorkItem> items;
    const auto add = [&](const QString& shown, const QString& path, const QString& relativeOutput) {
        WorkItem item;
        item.shown = Quoted(shown);
        item.request.options = options;
        item.request.encoding = encoding;
        item.request.emptyInputStops = false;
        item.request.ordinaryFilesOnly = false;
        item.request.lineEnds = lineEnds;
        if (path.isNull()) {
            item.request.source = ConversionRequest::Source::StandardInput;
        } else {
            item.request.inputPath = path;
        }
        switch (mode) {
        case OutputMode::StandardOutput: item.request.target = ConversionRequest::Target::StandardOutput; break;
        case OutputMode::OneFile:
            if (outputPath == QLatin1String("-")) {
                item.request.target = ConversionRequest::Target::StandardOutput;
            } else {
                item.request.outputPath = outputPath;
            }
            break;
        case OutputMode::Folder: item.request.outputPath = QDir(outputPath).filePath(relativeOutput); break;
        }
        items.push_back(std::move(item));
    };
    const auto textName = [](const QString& fileName) {
        return QFileInfo(fileName).completeBaseName() + QStringLiteral(".txt");
    };

    for (const QString& input : inputs) {
        if (input == QLatin1String("-")) {
            if (mode == OutputMode::Folder) {
                usage = QStringLiteral("-d needs named inputs: standard input has no name to write");
                return {};
            }
            add(kStandardInputName, QString(), QString());
            continue;
        }
        const QFileInfo info(input);
        if (info.isDir()) {
            if (!recursive) {
                add(input, input, textName(info.fileName()));
                items.back().problem = QStringLiteral("Is a folder (-r converts the pages under it)");
                continue;
            }
            const QDir folder(input);
            const FolderPages found = PagesUnder(input);
            const QStringList& pages = found.pages;
            for (const auto& [relative, problem] : found.problems) {
                const QString path = relative.isEmpty() ? input : folder.filePath(relative);
                add(path, path, QString());
                items.back().problem = problem;
            }
            if (pages.isEmpty() && found.problems.empty())
                notes << QStringLiteral("tessark: %1: no .html or .htm files under it").arg(Quoted(input));
            for (const QString& relative : pages) {
                const QString path = folder.filePath(relative);
                const QString subFolder = QFileInfo(relative).path();
                const QString name = textName(relative);
                add(path, path, subFolder == QLatin1String(".") ? name : subFolder + u'/' + name);
            }
            continue;
        }
        add(input, input, textName(info.fileName()));
        // Bytes that the local encoding cannot hold arrive as U+FFFD: the
        // file may well exist under its real name.
        if (!info.exists() && input.contains(QChar::ReplacementCharacter))
            items.back().problem = QStringLiteral("file name is not valid in the local encoding");
    }

    // An output that is one of the inputs would replace the page by its own
    // text: refused, as cat refuses it.
    for (WorkItem& item : items)
        if (item.problem.isEmpty() && item.request.source == ConversionRequest::Source::File &&
            item.request.target == ConversionRequest::Target::File &&
            SameFile(item.request.inputPath, item.request.outputPath))
            item.problem = QStringLiteral("input file is output file");

    if (mode == OutputMode::OneFile && items.size() > 1) {
        usage = QStringLiteral("-o writes one output, but there are %1 inputs (use -d for several)").arg(items.size());
        return {};
    }
    if (mode == OutputMode::Folder) {
        std::map<QString, QString> writers;  // output key -> the input that writes it
        for (const WorkItem& item : items) {
            if (!item.problem.isEmpty()) continue;
            const auto [it, inserted] = writers.emplace(OutputKey(item.request.outputPath), item.shown);
            if (!inserted) {
                usage = QStringLiteral("%1 and %2 would both write %3")
                            .arg(it->second, item.shown, QDir::toNativeSeparators(item.request.outputPath));
                return {};
            }
        }
    }
    return items;
}

// Converts one item (on any thread). Standard output is left to the caller
// (the text comes back in the outcome), unless `direct`: then the item runs
// on the caller's thread in its turn and streams its text to standard
// output as it is made.
ConversionOutcome Convert(const WorkItem& item, FileSystem& files, bool direct) {
    if (!item.problem.isEmpty()) {
        ConversionOutcome outcome;
        outcome.result = ConversionOutcome::Result::Stopped;
        outcome.message = item.problem;
        return outcome;
    }
    ConversionRequest request = item.request;
    if (request.target == ConversionRequest::Target::StandardOutput && !direct)
        request.target = ConversionRequest::Target::Memory;
    return ConvertOne(request, files);
}

// The line that tells why an item was not converted: the output's path and
// the system's words when the output could not be written, else the input
// with the job's message.
QString FailureMessage(const WorkItem& item, const ConversionOutcome& outcome, const QStringList& inputs) {
    if (outcome.result == ConversionOutcome::Result::Failed &&
        item.request.target == ConversionRequest::Target::File) {
        QString problem = OutputProblem(item.request.outputPath);
        if (problem.isEmpty() && outcome.errors.front().number == 61) problem = QString::fromLocal8Bit(std::strerror(ENOSPC));
        if (!problem.isEmpty())
            return QStringLiteral("tessark: %1: cannot write: %2").arg(Quoted(item.request.outputPath), problem);
    }
    QString line = QStringLiteral("tessark: ") + item.shown + QStringLiteral(": ") + outcome.Reason();
    // "tessark IN.html OUT.txt --readable" makes OUT.txt a second input.
    if (outcome.result == ConversionOutcome::Result::Stopped && inputs.size() == 2 &&
        item.request.inputPath == inputs.back() && item.request.inputPath.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        line += QStringLiteral(" (to write it, use -o)");
    return line;
}

// Whether the item's text is handed to standard output by the caller.
bool ToStandardOutput(const WorkItem& item) {
    return item.problem.isEmpty() && item.request.target == ConversionRequest::Target::StandardOutput;
}

}  // namespace

bool SameFile(const QString& a, const QString& b) {
    std::error_code error;
    return std::filesystem::equivalent(NativePath(a), NativePath(b), error) && !error;
}

StandardStreams StandardStreams::Probe() {
    StandardStreams streams;
#ifdef TESSARK_POSIX
    streams.inputClosed = fcntl(0, F_GETFD) == -1 && errno == EBADF;
    streams.outputClosed = fcntl(1, F_GETFD) == -1 && errno == EBADF;
#endif
    return streams;
}

QString VersionText() {
    return QStringLiteral("tessark %1.%2 Build %3")
        .arg(TESSARK_VERSION_MAJOR)
        .arg(TESSARK_VERSION_MINOR)
        .arg(TESSARK_VERSION_REVISION);
}

int Run(const QStringList& arguments, const StandardStreams& streams) {
    DiskFileSystem disk;
    return Run(arguments, disk, streams);
}

int Run(const QStringList& arguments, FileSystem& disk, const StandardStreams& streams) {
    Parser p;
    QCommandLineParser& parser = p.parser;
    QString prefixError;
    const QStringList expanded = ExpandPrefixes(arguments, p, prefixError);
    if (!prefixError.isEmpty()) return UsageError(prefixError);
    if (!parser.parse(expanded)) return UsageError(parser.errorText());
    // -q and -v undo each other: the later one wins, as with the other flags.
    bool quiet = false;
    bool verbose = false;
    for (const QString& name : parser.optionNames()) {
        if (p.quiet.names().contains(name)) {
            quiet = true;
            verbose = false;
        } else if (p.verbose.names().contains(name)) {
            verbose = true;
            quiet = false;
        }
    }
    if (parser.isSet(p.help)) {
        // The first line names the program as it is called, not its path.
        QString text = parser.helpText();
        text = QStringLiteral("Usage: tessark [OPTION]... [INPUT]...") + text.mid(text.indexOf(u'\n'));
        return WriteOut(text) ? kExitConverted : kExitFailed;
    }
    if (parser.isSet(p.version)) return WriteOut(VersionText() + u'\n') ? kExitConverted : kExitFailed;

    int jobs = QThread::idealThreadCount();
    if (parser.isSet(p.jobs)) {
        bool ok = false;
        jobs = parser.value(p.jobs).toInt(&ok);
        if (!ok || jobs < 1) return UsageError(QStringLiteral("invalid number of jobs: '%1'").arg(parser.value(p.jobs)));
    }
    jobs = std::max(jobs, 1);
    if (parser.isSet(p.output) && parser.isSet(p.outputDir))
        return UsageError(QStringLiteral("-o and -d cannot be used together"));
    OutputMode mode = OutputMode::StandardOutput;
    QString outputPath;
    if (parser.isSet(p.output)) {
        mode = OutputMode::OneFile;
        outputPath = parser.value(p.output);
        if (outputPath.isEmpty()) return UsageError(QStringLiteral("-o needs a file name"));
    } else if (parser.isSet(p.outputDir)) {
        mode = OutputMode::Folder;
        outputPath = parser.value(p.outputDir);
        if (outputPath.isEmpty()) return UsageError(QStringLiteral("-d needs a folder name"));
    }
    if (const QString problem = RecordUsageProblem(p); !problem.isEmpty()) return UsageError(problem);
    QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty()) inputs << QStringLiteral("-");
    if (mode == OutputMode::OneFile && inputs.size() > 1 && !parser.isSet(p.warc) && !parser.isSet(p.jsonl))
        return UsageError(QStringLiteral("-o writes one output, but there are %1 inputs (use -d for several)")
                              .arg(inputs.size()));

    const RunEncoding encoding = ChooseEncoding(p);
    if (encoding.name.isEmpty())
        return UsageError(QStringLiteral("unknown encoding: '%1'").arg(parser.value(p.encoding)));
    QString usage;
    const std::optional<OptionSet> chosen = ChooseOptions(p, usage);
    if (!chosen) return UsageError(usage);
    const OptionSet& options = *chosen;
    int status = kExitConverted;
    if (parser.isSet(p.save)) {
        const auto settings = OptionStore::Open();
        bool saved = OptionStore::Write(*settings, options, OptionStore::Rows::All);
        // Only the three values of the setting can be saved; a charset label
        // is for this run. The modern form's own default is not saved: the
        // window and the classic form would read it.
        const auto setting = TextEncoding::ParseSetting(encoding.name);
        if (setting && encoding.origin != RunEncoding::Origin::Default)
            saved = OptionStore::WriteEncoding(*settings, *setting, encoding.origin == RunEncoding::Origin::Chosen) && saved;
        else if (!setting)
            WriteError(QStringLiteral("tessark: --save keeps the saved encoding: only windows-1252, utf-8 or auto "
                                      "can be saved, not %1").arg(encoding.name));
        if (!saved) {
            WriteError(QStringLiteral("tessark: ") + OptionStore::SaveFailure(*settings));
            status = kExitFailed;
        }
    }
    if (parser.isSet(p.printOptions)) {
        return PrintOptions(options, encoding.shown) ? status : kExitFailed;
    }

    QStringList notes;
    const bool records = parser.isSet(p.warc) || parser.isSet(p.jsonl);
    std::vector<WorkItem> items;
    if (!records)
        items = PlanWork(inputs, mode, outputPath, parser.isSet(p.recursive), options, encoding.name,
                         parser.isSet(p.crlf) ? ConversionRequest::LineEnds::Classic : ConversionRequest::LineEnds::Unix,
                         notes, usage);
    if (!usage.isEmpty()) return UsageError(usage);
    if (std::any_of(items.begin(), items.end(), ToStandardOutput) && streams.outputClosed) {
        WriteError(QStringLiteral("tessark: standard output is closed"));
        return kExitFailed;
    }
    if (streams.inputClosed)
        for (WorkItem& item : items)
            if (item.problem.isEmpty() && item.request.source == ConversionRequest::Source::StandardInput)
                item.problem = QStringLiteral("standard input is closed");
    // A flag of this run that cannot act: one for the other engine, or one
    // that turns on an option which another turns off.
    for (const QString& name : parser.optionNames()) {
        const auto flag = p.optionFlags.constFind(name);
        QString engineNote;
        if (options.readable && flag != p.optionFlags.cend())
            engineNote = QStringLiteral("tessark: --%1 does nothing with readable text (--classic chooses the classic "
                                  "conversion)").arg(name);
        else if (!options.readable && kReadableOnlyFlags.contains(name))
            engineNote = QStringLiteral("tessark: --%1 does nothing without --readable").arg(name);
        if (!engineNote.isEmpty() && !notes.contains(engineNote)) notes << engineNote;
        if (options.readable || flag == p.optionFlags.cend() || !flag->second) continue;
        for (const OptionCondition& condition : kOptionConditions)
            if (condition.option == flag->first && options.Get(condition.other) != condition.otherOn)
                if (const QString note = QStringLiteral("tessark: --%1 does nothing %2 --%3")
                                             .arg(name, QLatin1String(condition.otherOn ? "without" : "with"),
                                                  FlagName(InfoOf(condition.other)));
                    !notes.contains(note))
                    notes << note;
    }
    if (!quiet)
        for (const QString& note : notes) WriteError(note);
    if (records) {
        RecordRun run;
        run.inputs = inputs;
        run.output = outputPath;
        run.options = options;
        run.encoding = encoding.name;
        run.jobs = jobs;
        run.verbose = verbose;
        run.quiet = quiet;
        if (parser.value(p.format) == QLatin1String("jsonl")) run.format = RecordRun::Format::JsonLines;
        if (parser.isSet(p.htmlField)) run.htmlField = parser.value(p.htmlField).toStdString();
        if (parser.isSet(p.textField)) run.textField = parser.value(p.textField).toStdString();
        run.outputClosed = streams.outputClosed;
        run.inputClosed = streams.inputClosed;
        if (RecordRunRefused(run)) return kExitFailed;
        return std::max(status, parser.isSet(p.warc) ? RunWarc(run, disk) : RunJsonLines(run, disk));
    }
    if (items.empty()) return status;

    // The output folders, made before any conversion starts; a folder that
    // cannot be made fails the writes into it.
    if (mode == OutputMode::Folder) {
        std::set<QString> folders;
        for (const WorkItem& item : items)
            if (item.problem.isEmpty()) folders.insert(QFileInfo(item.request.outputPath).path());
        for (const QString& folder : folders) QDir().mkpath(folder);
    }

    qint64 totalBytes = 0;
    for (const WorkItem& item : items)
        if (item.problem.isEmpty() && item.request.source == ConversionRequest::Source::File)
            totalBytes += std::max<qint64>(QFileInfo(item.request.inputPath).size(), 0);
    ProgressLine progress(static_cast<int>(items.size()), totalBytes,
                          !quiet && ProgressLineWanted(std::any_of(items.begin(), items.end(), ToStandardOutput)));
    const auto convert = [&progress](const WorkItem& item, FileSystem& files, bool direct) {
        ConversionOutcome outcome = Convert(item, files, direct);
        progress.Done(outcome.bytesRead);
        return outcome;
    };

    QThreadPool pool;
    pool.setMaxThreadCount(jobs);
    // Standard input is read on this thread when its turn comes (it can be
    // read only once at a time); so is the first input when its text goes to
    // standard output, which then streams out as it is made, in bounded
    // memory. Everything else goes to the pool at once (a later input's text
    // for standard output waits in memory for its turn).
    std::vector<std::optional<QFuture<ConversionOutcome>>> futures(items.size());
    if (jobs > 1) {
        for (std::size_t i = ToStandardOutput(items.front()) ? 1 : 0; i < items.size(); ++i)
            if (items[i].request.source == ConversionRequest::Source::File || !items[i].problem.isEmpty())
                futures[i] = QtConcurrent::run(&pool, [&item = items[i], &disk, &convert] { return convert(item, disk, false); });
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const WorkItem& item = items[i];
        const bool direct = !futures[i];
        ConversionOutcome outcome = direct ? convert(item, disk, true) : futures[i]->result();
        futures[i].reset();
        if (outcome.result == ConversionOutcome::Result::Written && ToStandardOutput(item) && !direct) {
            try {
                disk.WriteStandardOutput(outcome.text);
            } catch (...) {
                outcome.result = ConversionOutcome::Result::Failed;
                outcome.errors = {ConversionError::FromCurrentException(QStringLiteral("RemoveHTML"))};
            }
        }
        if (verbose && !outcome.encodingUsed.encoding.isEmpty()) {
            const EncodingUsed& used = outcome.encodingUsed;
            const QString why = used.reason == TextEncoding::Reason::Chosen ? encoding.Why()
                                                                            : TextEncoding::ReasonText(used.reason);
            progress.Print(QStringLiteral("tessark: %1: %2 (%3)").arg(item.shown, used.encoding, why));
        }
        if (outcome.result != ConversionOutcome::Result::Written) {
            progress.Print(FailureMessage(item, outcome, inputs));
            status = kExitFailed;
        }
    }
    pool.waitForDone();
    return status;
}

}  // namespace tessark::cli
