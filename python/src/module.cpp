// The Python module _tessark: the library's Converter (tessark.hpp) for
// Python, wrapped by the package tessark (python/tessark/__init__.py), which
// re-exports what is here.
//
// Options arrive as keywords, checked here (an unknown keyword is a
// TypeError, a bad value a ValueError or TypeError). Every conversion runs
// with the GIL released, over the bytes of the caller's object (bytes and
// str are immutable and held while converting; any other buffer is copied
// first). Text comes back as str: UTF-8 from the library (a byte that is
// not UTF-8, which the classic engine passes through with the encoding
// "utf-8", as a surrogate escape, so that encoding the text with
// "surrogateescape" gives the library's bytes), or Windows-1252 bytes (the
// classic engine with the encoding "windows-1252") decoded as the web
// decodes windows-1252.
//
// Thread safety: to_text and Converter.convert may run on any number of
// Python threads at once; Converter.feed and finish take the converter's
// own lock, so threads sharing one streaming converter take turns (the
// stream is one page: interleaved pieces make no sense, but are safe).
// to_text_many runs its own threads over one const converter. A warc_pages
// or convert_jsonl iterator is used by one thread at a time (as any Python
// iterator); it reads and converts without the GIL, and a read function of a
// file object takes the GIL back for each read.
#include <tessark/tessark.hpp>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace {

// Raises the library's error as tessark.Error (a ValueError with .number),
// the class the module holds.
[[noreturn]] void RaiseError(const tessark::Error& error)
{
    const py::object type = py::module_::import("tessark._tessark").attr("Error");
    py::object exception = type(error.what());
    exception.attr("number") = error.number();
    PyErr_SetObject(type.ptr(), exception.ptr());
    throw py::error_already_set();
}

// ---- Options from keywords -------------------------------------------------

template <typename T>
T Take(const py::handle& value, const char* key, const char* typeName)
{
    // bool is an int in Python: a flag must be a real bool, a number not one.
    const bool isBool = PyBool_Check(value.ptr());
    if constexpr (std::is_same_v<T, bool>) {
        if (!isBool)
            throw py::type_error(std::string(key) + " must be a bool");
    } else {
        if (isBool || !py::isinstance<T>(value))
            throw py::type_error(std::string(key) + " must be " + typeName);
    }
    return value.cast<T>();
}

tessark::Links LinksFrom(const std::string& name)
{
    if (name == "none")
        return tessark::Links::None;
    if (name == "inline")
        return tessark::Links::Inline;
    if (name == "list")
        return tessark::Links::List;
    throw py::value_error("links must be \"none\", \"inline\" or \"list\", not \"" + name + "\"");
}

// The classic steps by keyword.
struct ClassicFlag {
    const char* name;
    bool tessark::ClassicOptions::*member;
};
constexpr ClassicFlag classicFlags[] = {
    {"remove_comments", &tessark::ClassicOptions::remove_comments},
    {"remove_scripts", &tessark::ClassicOptions::remove_scripts},
    {"remove_styles", &tessark::ClassicOptions::remove_styles},
    {"remove_functions", &tessark::ClassicOptions::remove_functions},
    {"remove_pipe", &tessark::ClassicOptions::remove_pipe},
    {"remove_tabs", &tessark::ClassicOptions::remove_tabs},
    {"generate_special_chars", &tessark::ClassicOptions::generate_special_chars},
    {"remove_all_tags", &tessark::ClassicOptions::remove_all_tags},
    {"remove_all_crlf", &tessark::ClassicOptions::remove_all_crlf},
    {"remove_spaces", &tessark::ClassicOptions::remove_spaces},
    {"remove_blank_lines", &tessark::ClassicOptions::remove_blank_lines},
    {"decode_all_references", &tessark::ClassicOptions::decode_all_references},
    {"classic_line_ends", &tessark::ClassicOptions::classic_line_ends},
};

tessark::Options OptionsFrom(const py::kwargs& keywords)
{
    tessark::Options options;
    for (const auto& [keyHandle, value] : keywords) {
        const std::string key = keyHandle.cast<std::string>();
        if (key == "readable") {
            options.engine = Take<bool>(value, "readable", "") ? tessark::Engine::Readable : tessark::Engine::Classic;
        } else if (key == "encoding") {
            options.encoding = Take<py::str>(value, "encoding", "a str").cast<std::string>();
        } else if (key == "links") {
            options.links = LinksFrom(Take<py::str>(value, "links", "a str").cast<std::string>());
        } else if (key == "alt_text") {
            options.alt_text = Take<bool>(value, "alt_text", "");
        } else if (key == "base_url") {
            options.base_url = Take<py::str>(value, "base_url", "a str").cast<std::string>();
        } else if (key == "width") {
            const long long width = Take<py::int_>(value, "width", "an int").cast<long long>();
            if (width < 0)
                throw py::value_error("width must be 0 (no wrapping) or more");
            options.width = static_cast<std::size_t>(width);
        } else if (key == "crlf") {
            options.crlf = Take<bool>(value, "crlf", "");
        } else {
            const auto flag = std::find_if(std::begin(classicFlags), std::end(classicFlags),
                                           [&](const ClassicFlag& f) { return key == f.name; });
            if (flag == std::end(classicFlags))
                throw py::type_error("unexpected keyword argument '" + key + "'");
            options.classic.*(flag->member) = Take<bool>(value, flag->name, "");
        }
    }
    return options;
}

// ---- Pages in, text out -----------------------------------------------------

// A page as the caller gave it: its bytes, and whether they are text (a str).
struct Page {
    std::string_view view;
    bool text = false;
    std::unique_ptr<const std::string> copy;  // a mutable buffer's bytes (bytearray, memoryview), where moves leave them
    py::object owner;  // the bytes or str the view points into
};

Page PageFrom(const py::handle& object)
{
    Page page;
    if (PyBytes_Check(object.ptr())) {
        page.view = std::string_view(PyBytes_AS_STRING(object.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(object.ptr())));
    } else if (PyUnicode_Check(object.ptr())) {
        Py_ssize_t size = 0;
        const char* data = PyUnicode_AsUTF8AndSize(object.ptr(), &size);
        if (data == nullptr)
            throw py::error_already_set();
        page.view = std::string_view(data, static_cast<std::size_t>(size));
        page.text = true;
    } else if (PyObject_CheckBuffer(object.ptr())) {
        const py::buffer_info info = py::reinterpret_borrow<py::buffer>(object).request();
        page.copy = std::make_unique<const std::string>(static_cast<const char*>(info.ptr),
                                                        static_cast<std::size_t>(info.size * info.itemsize));
        page.view = *page.copy;
    } else {
        throw py::type_error(std::string("a page must be bytes or str, not ") + Py_TYPE(object.ptr())->tp_name);
    }
    page.owner = py::reinterpret_borrow<py::object>(object);
    return page;
}

// Text the library wrote in Windows-1252 (the classic engine's classic
// bytes): 0x80 to 0x9F as the web reads them, the five unassigned bytes as
// the C1 controls of the same number; every other byte is its code point.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool WritesWindows1252(const tessark::Options& options)
{
    if (options.engine != tessark::Engine::Classic)
        return false;
    std::string name = options.encoding;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name == "windows-1252";
}

py::str TextFrom(std::string_view text, bool windows1252)
{
    if (!windows1252) {
        PyObject* result = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape");
        if (result == nullptr)
            throw py::error_already_set();
        return py::reinterpret_steal<py::str>(result);
    }
    std::u16string units(text.size(), u'\0');
    std::transform(text.begin(), text.end(), units.begin(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x80 && byte < 0xA0 ? windows1252High[byte - 0x80] : static_cast<char16_t>(byte);
    });
    PyObject* result = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(units.data()),
                                             static_cast<Py_ssize_t>(units.size() * 2), "strict", nullptr);
    if (result == nullptr)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(result);
}

// The length of text's longest prefix that does not end inside a UTF-8
// sequence (a streamed piece may stop in the middle of a character).
std::size_t CompleteUtf8(std::string_view text)
{
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, size); ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue;  // a continuation byte: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// The converter's text of a page, as the library gives it.
std::string TextOf(const tessark::Converter& converter, const Page& page)
{
    return page.text ? converter.convert_text(page.view) : converter.convert(page.view);
}

// The converter's text of a page, as str: text handed over as text comes
// back in UTF-8 whatever the encoding option says.
py::str Convert(const tessark::Converter& converter, const Page& page)
{
    std::string text;
    try {
        py::gil_scoped_release release;
        text = TextOf(converter, page);
    } catch (const tessark::Error& error) {
        RaiseError(error);
    }
    return TextFrom(text, !page.text && WritesWindows1252(converter.options()));
}

tessark::Converter MakeConverter(const tessark::Options& options, tessark::Converter::Sink sink = {})
{
    try {
        return tessark::Converter(options, std::move(sink));
    } catch (const tessark::Error& error) {
        RaiseError(error);
    }
}

// ---- The streaming converter ------------------------------------------------

class StreamingConverter {
public:
    explicit StreamingConverter(const tessark::Options& options)
        : converter_(MakeConverter(options, [this](std::string_view text) { pending_.append(text); })),
          windows1252_(WritesWindows1252(options))
    {
    }
    StreamingConverter(const StreamingConverter&) = delete;
    StreamingConverter& operator=(const StreamingConverter&) = delete;

    py::str Convert(const py::handle& object) const { return ::Convert(converter_, PageFrom(object)); }

    py::str Feed(const py::handle& object)
    {
        const Page page = PageFrom(object);
        if (page.text)
            throw py::type_error("feed takes the page's bytes, not str (convert takes a whole str)");
        return Step([&] { converter_.feed(page.view); }, false);
    }

    py::str Finish() { return Step([&] { converter_.finish(); }, true); }

    std::string EncodingUsed() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return converter_.encoding_used();
    }
    std::string EncodingReason() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return converter_.encoding_reason();
    }

private:
    // Runs one step of the stream without the GIL and hands back the text
    // it made final: whole characters only, the rest kept for the next step
    // (all of it at the end of the page, or after a failure).
    template <typename Action>
    py::str Step(Action action, bool last)
    {
        std::string ready;
        std::optional<tessark::Error> failure;
        {
            py::gil_scoped_release release;
            const std::lock_guard<std::mutex> lock(mutex_);
            try {
                action();
            } catch (const tessark::Error& error) {
                failure = error;
                last = true;
            } catch (...) {
                pending_.clear();
                throw;
            }
            const std::size_t end = last || windows1252_ ? pending_.size() : CompleteUtf8(pending_);
            ready = pending_.substr(0, end);
            pending_.erase(0, end);
        }
        if (failure)
            RaiseError(*failure);
        return TextFrom(ready, windows1252_);
    }

    mutable std::mutex mutex_;
    std::string pending_;  // text the sink gave that the caller has not had
    tessark::Converter converter_;
    bool windows1252_;
};

// ---- Many pages on several threads -------------------------------------------

py::list ToTextMany(const py::iterable& pages, long long threads, const py::kwargs& keywords)
{
    const tessark::Options options = OptionsFrom(keywords);
    if (threads < 0)
        throw py::value_error("threads must be 0 (one per processor) or more");
    std::vector<Page> inputs;
    for (const py::handle page : pages)
        inputs.push_back(PageFrom(page));
    const tessark::Converter converter = MakeConverter(options);

    std::vector<std::string> texts(inputs.size());
    std::vector<std::exception_ptr> failures(inputs.size());
    {
        py::gil_scoped_release release;
        std::atomic<std::size_t> next{0};
        auto work = [&] {
            for (std::size_t i = next++; i < inputs.size(); i = next++) {
                try {
                    texts[i] = TextOf(converter, inputs[i]);
                } catch (...) {
                    failures[i] = std::current_exception();
                }
            }
        };
        const std::size_t processors = std::max(1U, std::thread::hardware_concurrency());
        const std::size_t count = std::min(inputs.size(), threads == 0 ? processors : static_cast<std::size_t>(threads));
        std::vector<std::thread> workers;
        for (std::size_t t = 1; t < count; ++t)
            workers.emplace_back(work);
        work();
        for (std::thread& worker : workers)
            worker.join();
    }
    // The first page that failed fails the call, as a loop would.
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (!failures[i])
            continue;
        try {
            std::rethrow_exception(failures[i]);
        } catch (const tessark::Error& error) {
            RaiseError(error);
        }
    }
    const bool windows1252 = WritesWindows1252(options);
    py::list result;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        result.append(TextFrom(texts[i], windows1252 && !inputs[i].text));
        std::string().swap(texts[i]);
    }
    return result;
}

// ---- Web archives -------------------------------------------------------------

// An archive page for Python: the fields as str; `url, text = page`.
struct ArchivePage {
    tessark::ArchivePage page;
    py::tuple Fields() const { return py::make_tuple(TextFrom(page.url, false), TextFrom(page.text, false)); }
};

// A read of a Python file object failed: its exception is the thread's
// Python error, raised again once the GIL is back.
struct PythonReadFailed {};

class WarcPages {
public:
    WarcPages(const py::object& source, const py::kwargs& keywords)
    {
        const tessark::Options options = OptionsFrom(keywords);
        const bool isPath = py::isinstance<py::str>(source) || py::isinstance<py::bytes>(source) ||
                            py::hasattr(source, "__fspath__");
        try {
            if (isPath) {
                const std::string path = py::module_::import("os").attr("fsencode")(source).cast<std::string>();
                reader_.emplace(path, options);
            } else if (py::hasattr(source, "read")) {
                read_ = source.attr("read");
                reader_.emplace([this](char* data, std::size_t size) { return Read(data, size); }, options);
            } else {
                throw py::type_error(std::string("an archive must be a path or a binary file, not ") +
                                     Py_TYPE(source.ptr())->tp_name);
            }
        } catch (const tessark::Error& error) {
            RaiseError(error);
        }
    }

    ArchivePage Next()
    {
        ArchivePage page;
        bool more = false;
        bool readFailed = false;
        std::optional<tessark::Error> failure;
        {
            py::gil_scoped_release release;
            try {
                more = reader_->next(page.page);
            } catch (const PythonReadFailed&) {
                readFailed = true;
            } catch (const tessark::Error& error) {
                failure = error;
            }
        }
        const auto& all = reader_->problems();
        for (; reported_ < all.size(); ++reported_)
            problems_.append(py::make_tuple(all[reported_].offset, TextFrom(all[reported_].message, false)));
        if (readFailed)
            throw py::error_already_set();
        if (failure)
            RaiseError(*failure);
        if (!more)
            throw py::stop_iteration();
        return page;
    }

    py::list Problems() const { return problems_; }
    py::dict Counts() const
    {
        const tessark::ArchiveCounts& c = reader_->counts();
        py::dict counts;
        counts["records"] = c.records;
        counts["pages"] = c.pages;
        counts["not_response"] = c.not_response;
        counts["not_html"] = c.not_html;
        counts["not_success"] = c.not_success;
        counts["problems"] = c.problems;
        return counts;
    }

private:
    // Called without the GIL, from the reader.
    std::size_t Read(char* data, std::size_t size)
    {
        py::gil_scoped_acquire gil;
        try {
            const py::object chunk = read_(size);
            if (chunk.is_none())
                throw py::type_error("read() gave None: the archive needs a blocking binary file");
            if (PyUnicode_Check(chunk.ptr()))
                throw py::type_error("read() gave str: open the archive in binary mode (\"rb\")");
            const py::buffer_info info = py::reinterpret_borrow<py::buffer>(chunk).request();
            const auto got = static_cast<std::size_t>(info.size * info.itemsize);
            if (got > size)
                throw py::value_error("read(n) gave more than n bytes");
            std::copy_n(static_cast<const char*>(info.ptr), got, data);
            return got;
        } catch (py::error_already_set& error) {
            error.restore();
        } catch (const py::builtin_exception& error) {
            error.set_error();
        }
        throw PythonReadFailed();
    }

    py::object read_;
    std::optional<tessark::ArchiveReader> reader_;
    py::list problems_;
    std::size_t reported_ = 0;
};

// ---- JSON Lines -----------------------------------------------------------------

tessark::JsonLinesOptions JsonLinesOptionsFrom(const std::string& htmlField, const std::string& textField,
                                               const py::kwargs& keywords)
{
    tessark::JsonLinesOptions options;
    options.options = OptionsFrom(keywords);
    options.html_field = htmlField;
    options.text_field = textField;
    return options;
}

// A line given as str, bytes or another buffer, converted without the GIL.
std::string ConvertLine(tessark::JsonLinesConverter& converter, const py::handle& line)
{
    const Page page = PageFrom(line);
    py::gil_scoped_release release;
    return converter.convert_line(page.view);
}

class JsonLines {
public:
    JsonLines(const py::iterable& lines, const tessark::JsonLinesOptions& options)
        : lines_(py::iter(lines)), converter_(options)
    {
    }
    py::str Next()
    {
        for (;;) {
            py::object line = py::reinterpret_steal<py::object>(PyIter_Next(lines_.ptr()));
            if (!line) {
                if (PyErr_Occurred())
                    throw py::error_already_set();
                throw py::stop_iteration();
            }
            std::string out = ConvertLine(converter_, line);
            if (out.empty())
                continue;  // a blank line holds no record
            out += '\n';
            return TextFrom(out, false);
        }
    }
    std::uint64_t Errors() const { return converter_.errors(); }

private:
    py::iterator lines_;
    tessark::JsonLinesConverter converter_;
};

}  // namespace

PYBIND11_MODULE(_tessark, m)
{
    py::options docOptions;
    docOptions.disable_function_signatures();  // each docstring's first line is the call
    m.doc() = "The compiled part of the package tessark (use the package).";
    m.attr("__version__") = tessark::version();

    py::exception<tessark::Error> error(m, "Error", PyExc_ValueError);
    error.doc() = "A failure of the conversion. .number is the error's number: 5 bad argument "
                  "(an option, an encoding), 7 out of memory, 51 internal error.";
    error.attr("number") = 0;

    m.def(
        "to_text",
        [](const py::handle& html, const py::kwargs& keywords) {
            const tessark::Options options = OptionsFrom(keywords);
            return Convert(MakeConverter(options), PageFrom(html));
        },
        py::arg("html"),
        "to_text(html, **options) -> str\n\n"
        "The text of a whole page: bytes are read in the encoding option's\n"
        "encoding; a str is already text (the encoding does not apply).");

    m.def("to_text_many", &ToTextMany, py::arg("pages"), py::kw_only(), py::arg("threads") = 0,
          "to_text_many(pages, *, threads=0, **options) -> list[str]\n\n"
          "The texts of many pages (bytes or str each), in order, converted on\n"
          "`threads` threads (0: one per processor) without the GIL.");

    py::class_<StreamingConverter>(m, "Converter",
                                   "Converter(**options)\n\nConverts pages whole (convert) or in pieces (feed, finish).")
        .def(py::init([](const py::kwargs& keywords) { return new StreamingConverter(OptionsFrom(keywords)); }))
        .def("convert", &StreamingConverter::Convert, py::arg("html"),
             "convert(html) -> str\n\nThe text of a whole page (bytes, or str as text).")
        .def("feed", &StreamingConverter::Feed, py::arg("data"),
             "feed(data) -> str\n\nThe next piece of the page; returns the text that became final.")
        .def("finish", &StreamingConverter::Finish,
             "finish() -> str\n\nEnds the page; returns the rest of its text. The next feed starts a new page.")
        .def_property_readonly("encoding_used", &StreamingConverter::EncodingUsed,
                               "The encoding the current or last streamed page was read in.")
        .def_property_readonly("encoding_reason", &StreamingConverter::EncodingReason,
                               "Why that encoding: bom, meta, valid utf-8, guess, default or chosen.");

    py::class_<ArchivePage>(m, "ArchivePage", "An HTML page of a web archive and its text; `url, text = page`.")
        .def_property_readonly("url", [](const ArchivePage& p) { return TextFrom(p.page.url, false); })
        .def_property_readonly("date", [](const ArchivePage& p) { return TextFrom(p.page.date, false); })
        .def_property_readonly("record_id", [](const ArchivePage& p) { return TextFrom(p.page.record_id, false); })
        .def_property_readonly("charset", [](const ArchivePage& p) { return TextFrom(p.page.charset, false); },
                               "The encoding the page was read in.")
        .def_property_readonly("text", [](const ArchivePage& p) { return TextFrom(p.page.text, false); })
        .def_property_readonly("offset", [](const ArchivePage& p) { return p.page.offset; },
                               "The offset of its record (of its gzip member when compressed).")
        .def("__iter__", [](const ArchivePage& p) { return py::iter(p.Fields()); })
        .def("__repr__", [](const ArchivePage& p) {
            return py::str("ArchivePage(url={!r}, offset={})").format(TextFrom(p.page.url, false), p.page.offset);
        });

    py::class_<WarcPages>(m, "WarcPages", "The pages of a web archive (tessark.warc_pages).")
        .def("__iter__", [](WarcPages& self) -> WarcPages& { return self; })
        .def("__next__", &WarcPages::Next)
        .def_property_readonly("problems", &WarcPages::Problems,
                               "The problems met so far, as (offset, message): records skipped, pages not converted.")
        .def_property_readonly("counts", &WarcPages::Counts,
                               "records, pages, not_response, not_html, not_success, problems: so far.");

    m.def(
        "warc_pages",
        [](const py::object& source, const py::kwargs& keywords) { return new WarcPages(source, keywords); },
        py::arg("source"),
        "warc_pages(source, **options) -> WarcPages\n\n"
        "The HTML pages of a web archive, as tessark --warc converts them: source\n"
        "is a path (str, bytes, os.PathLike) or a binary file (anything with\n"
        ".read(n)). Problems do not raise: they gather in .problems.");

    py::class_<JsonLines>(m, "JsonLines", "The lines tessark.convert_jsonl writes.")
        .def("__iter__", [](JsonLines& self) -> JsonLines& { return self; })
        .def("__next__", &JsonLines::Next)
        .def_property_readonly("errors", &JsonLines::Errors, "Lines written with an \"error\" field so far.");

    m.def(
        "convert_jsonl",
        [](const py::iterable& lines, const std::string& htmlField, const std::string& textField,
           const py::kwargs& keywords) {
            return new JsonLines(lines, JsonLinesOptionsFrom(htmlField, textField, keywords));
        },
        py::arg("lines"), py::arg("html_field") = "html", py::arg("text_field") = "text",
        "convert_jsonl(lines, html_field=\"html\", text_field=\"text\", **options) -> JsonLines\n\n"
        "The lines tessark --jsonl writes for lines (str or bytes each, or a file\n"
        "open in either mode), each ending in \"\\n\"; blank lines give none.");

    m.def(
        "convert_json_line",
        [](const py::handle& line, const std::string& htmlField, const std::string& textField,
           const py::kwargs& keywords) {
            tessark::JsonLinesConverter converter(JsonLinesOptionsFrom(htmlField, textField, keywords));
            return TextFrom(ConvertLine(converter, line), false);
        },
        py::arg("line"), py::arg("html_field") = "html", py::arg("text_field") = "text",
        "convert_json_line(line, html_field=\"html\", text_field=\"text\", **options) -> str\n\n"
        "One line converted, without a line end (\"\" for a blank line).");
}
