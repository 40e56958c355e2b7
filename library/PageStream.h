// PageStream: one page converted as it arrives, in any pieces, by the
// engine and the route its options and encoding choose; the one core of the
// library's Converter and of the program's job (app/ConversionJob.cpp), so
// that both make the same text of the same page.
//
// The routes (RouteFor), decided once from the options:
//  - Readable: the readable-text engine (ReadableText.h), fed UTF-8: with
//    "utf-8" the bytes as they are (a byte-order mark at the start dropped,
//    the engine replacing what is not UTF-8), else decoded as below.
//  - Bytes: the classic stream over Windows-1252 bytes ("windows-1252").
//  - Utf8: the classic stream over UTF-8 bytes ("utf-8"; a byte-order mark
//    at the start dropped).
//  - Decoded: the classic stream over UTF-8 decoded from "auto" or a charset
//    label: the encoding is decided from the first encoding::kDetectBytes of
//    the page (all of a shorter page, so that the decision is the whole
//    page's), then the bytes are decoded piece by piece.
// Text leaves through the sink as soon as it is final: UTF-8, or Windows-1252 bytes on the Bytes route; line ends as the
// engines make them (UnixLines turns classic CR LF lines into LF lines).
//
// Failures: an unusable encoding throws RuntimeError 5 at construction;
// the engines report theirs to the ConversionContext given (Feed and Finish
// then return false: what the sink received is not the page's text);
// std::bad_alloc from decoding propagates.
//
// Thread safety: one object is used by one thread at a time; objects are
// independent; the options are copied at construction.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "EngineOptions.h"
#include "encoding/Encoding.h"
#include "readable/ReadableText.h"

namespace tessark {

class ConversionContext;

struct PageOptions {
    bool readable = false;  // readable text in `layout`; else the classic engine with `classic`
    ReadableOptions layout;
    EngineOptions classic;
    std::string encoding = "windows-1252";  // a setting or a charset label (encoding::IsUsableEncoding)
};

enum class PageRoute { Bytes, Utf8, Decoded, Readable };
PageRoute RouteFor(const PageOptions& options);

// Classic CR LF lines as LF lines, piece by piece: CR LF becomes LF, also
// when a piece ends between the two, and a text that is not empty ends with
// a line end (what tools that read text line by line expect).
class UnixLines {
public:
    // The next piece converted; `last`: the text ends with it.
    std::string Convert(std::string_view piece, bool last);

private:
    bool pendingCR_ = false;
    char last_ = '\0';  // the last byte given out; NUL before the first
};

class PageStream {
public:
    // Receives each piece of text in order; valid only during the call.
    using Sink = std::function<void(const char* data, std::size_t size)>;

    // `context` (not null) receives the engines' yields and reports.
    PageStream(const PageOptions& options, ConversionContext* context, Sink sink);
    ~PageStream();
    PageStream(const PageStream&) = delete;
    PageStream& operator=(const PageStream&) = delete;

    // Appends data[0, size) to the page. Returns false once failed.
    bool Feed(const char* data, std::size_t size);
    // For readers that fill the buffer themselves: room for `size` bytes,
    // valid until the next call; Commit(count) then feeds the first count.
    char* InputSpace(std::size_t size);
    bool Commit(std::size_t count);
    // The end of the page. Returns false when failed.
    bool Finish();
    bool Failed() const;

    // The encoding the page is read in and why (bomLength 0); the encoding
    // is empty while "auto" or a label has not decided yet.
    const encoding::Detection& Used() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tessark
