// Web archives taken apart: well-formed archives in every storage form, and
// damaged ones, each read whole and a few bytes at a time, with every gzip
// codec the build has; the pages' bodies decoded and converted; the record
// formats' digests and IDs against known values. The JSON page lines are
// read back by crawl/roundtrip.py, their strings tested with --jsonl.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include "records/ArchivePages.h"
#include "records/Gzip.h"
#include "records/Http.h"

namespace tessark::records {
namespace {

std::string Record(const std::string& type, const std::string& url, const std::string& block,
                   const std::string& lengthText = "") {
    return "WARC/1.1\r\nWARC-Type: " + type + "\r\nWARC-Target-URI: " + url +
           "\r\nWARC-Date: 2026-12-01T12:00:00Z\r\nWARC-Record-ID: <urn:uuid:" + url +
           ">\r\nContent-Length: " + (lengthText.empty() ? std::to_string(block.size()) : lengthText) + "\r\n\r\n" +
           block + "\r\n\r\n";
}

std::string Response(const std::string& url, const std::string& header, const std::string& body) {
    return Record("response", url, "HTTP/1.1 200 OK\r\n" + header + "\r\n" + body);
}

std::string Page(const std::string& url, const std::string& words) {
    return Response(url, "Content-Type: text/html\r\n", "<p>" + words + "</p>");
}

std::string Gz(const std::string& data, Codec codec = Codecs().front()) {
    std::string out;
    AppendGzipMember(out, data, codec);
    return out;
}

struct Read {
    std::vector<std::string> pages;  // "url=text" of each page, text converted as readable text
    std::vector<std::string> problems;  // "offset: message"
    ArchiveCounts counts;
};

Read ReadArchive(const std::string& archive, std::size_t step, WarcLimits limits = {}) {
    MemorySource source(archive, step);
    ArchivePages pages(source, limits);
    Read read;
    ArchivePage page;
    std::vector<WarcProblem> problems;
    PageOptions options;
    options.readable = true;
    options.encoding = "auto";
    while (pages.Next(page, problems)) {
        const PageText text = ConvertPage(page, options);
        read.pages.push_back(page.url + "=" + (text.converted ? text.text : "?" + text.problem));
    }
    for (const WarcProblem& problem : problems)
        read.problems.push_back(std::to_string(problem.offset) + ": " + problem.message);
    read.counts = pages.Counts();
    return read;
}

struct ArchiveCase {
    const char* name;
    std::function<std::string(Codec)> archive;
    std::vector<std::string> pages;
    std::vector<std::string> problems;  // each a part of one problem's text, in order
    WarcLimits limits = {};
};

const std::string kA = Page("http://a/", "alpha"), kB = Page("http://b/", "beta"), kC = Page("http://c/", "gamma");

const ArchiveCase kArchives[] = {
    {"OneGzipStream", [](Codec c) { return Gz(kA + kB + kC, c); },
     {"http://a/=alpha\n", "http://b/=beta\n", "http://c/=gamma\n"}, {}},
    {"LineFeedsOnly",
     [](Codec) {
         const std::string block = "HTTP/1.1 200 OK\nContent-Type: text/html\n\n<p>alpha</p>";
         return "WARC/1.0\nWARC-Type: response\nWARC-Target-URI: http://a/\nContent-Length: " +
                std::to_string(block.size()) + "\n\n" + block + "\n\n" + kB;
     },
     {"http://a/=alpha\n", "http://b/=beta\n"}, {}},
    {"RecordsThatAreNotPages",
     [](Codec c) {
         return Gz(Record("warcinfo", "x", "software: test\r\n"), c) +
                Gz(Record("request", "http://a/", "GET / HTTP/1.1\r\n\r\n"), c) + Gz(kA, c) +
                Gz(Response("http://png/", "Content-Type: image/png\r\n", "\x89PNG\r\n"), c) +
                Gz(Record("response", "http://moved/", "HTTP/1.1 301 Moved\r\nLocation: /b\r\n\r\n"), c) +
                Gz(Record("response", "http://404/", "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<p>no"), c) +
                Gz(Record("response", "dns:a", "20261201 a. 60 IN A 127.0.0.1"), c) + Gz(kB, c);
     },
     {"http://a/=alpha\n", "http://b/=beta\n"}, {}},
    {"BodiesDecoded",
     [](Codec c) {
         // Each coding once; with chunks and zlib's wrapper in crawl/roundtrip.py.
         const std::string html = "<p>packed</p>", raw = Gz(html).substr(10, Gz(html).size() - 18);
         return Gz(Response("http://gzip/", "Content-Type: text/html\r\nContent-Encoding: gzip\r\n", Gz(html)), c) +
                Gz(Response("http://chunked/", "Content-Type: text/html\r\nTransfer-Encoding: chunked\r\n",
                            "5\r\n<p>pa\r\n8\r\ncked</p>\r\n0\r\n\r\n"), c) +
                Gz(Response("http://raw/", "Content-Type: text/html\r\nContent-Encoding: deflate\r\n", raw), c) +
                Gz(Response("http://sniffed/", "", "\n  <!DOCTYPE html><p>sniffed"), c) +
                Gz(Record("response", "http://h2/", "HTTP/2 200\r\ncontent-type: text/html\r\n\r\n<p>two"), c) +
                Gz(Response("http://binary/", "", std::string("\0\1\2<p>", 6)), c) +
                Gz(Response("http://br/", "Content-Type: text/html\r\nContent-Encoding: br\r\n", "\x1b\x02"), c);
     },
     {"http://gzip/=packed\n", "http://chunked/=packed\n", "http://raw/=packed\n", "http://sniffed/=sniffed\n",
      "http://h2/=two\n"},
     {"content coding 'br'"}},
    {"HeaderCharsetBeforeMeta",
     [](Codec) {
         return Response("http://cyrillic/", "Content-Type: text/html; charset=\"windows-1251\"\r\n",
                         "<meta charset=koi8-r><p>\xcf\xf0\xe8\xe2\xe5\xf2</p>");
     },
     {"http://cyrillic/=\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\n"}, {}},
    {"TruncatedGzipMember",
     [](Codec c) {
         const std::string last = Gz(kB, c);
         return Gz(kA, c) + last.substr(0, last.size() / 2);
     },
     {"http://a/=alpha\n"}, {"truncated"}},
    {"DamagedGzipMember",
     [](Codec c) {
         std::string bad = Gz(kB, c);
         for (std::size_t k = 20; k < bad.size() - 8; ++k) bad[k] = static_cast<char>(bad[k] ^ 0x55);
         return Gz(kA, c) + bad + Gz(kC, c);
     },
     {"http://a/=alpha\n", "http://c/=gamma\n"}, {"damaged gzip member"}},
    {"LengthTooShortPlain",
     [](Codec) { return Record("response", "http://short/", "HTTP/1.1 200 OK\r\n\r\n<p>cut here", "20") + kB; },
     {"http://b/=beta\n"}, {"does not end after its Content-Length"}},
    {"LengthTooLongGzip",
     [](Codec c) { return Gz(Record("response", "http://long/", "HTTP/1.1 200 OK\r\n\r\n<p>x", "400"), c) + Gz(kB, c); },
     {"http://b/=beta\n"}, {"runs past the end"}},
    {"LengthTooLongAtTheEnd",
     [](Codec) { return kA + Record("response", "http://long/", "HTTP/1.1 200 OK\r\n\r\n<p>x", "4000"); },
     {"http://a/=alpha\n"}, {"truncated record"}},
    {"NoContentLength",
     [](Codec) { return "WARC/1.0\r\nWARC-Type: response\r\n\r\nHTTP/1.1 200 OK\r\n\r\n<p>x\r\n\r\n" + kB; },
     {"http://b/=beta\n"}, {"no valid Content-Length"}},
    {"GarbageBetweenRecords", [](Codec) { return kA + "garbage\r\nmore garbage\r\n" + kB; },
     {"http://a/=alpha\n", "http://b/=beta\n"}, {"not the start of a WARC record"}},
    {"HeaderWithoutEnd", [](Codec) { return kA + "WARC/1.0\r\nWARC-Type: response\r\nContent-Le"; },
     {"http://a/=alpha\n"}, {"ends inside its header"}},
    {"RecordOverTheLimit", [](Codec c) { return Gz(Page("http://big/", std::string(3000, 'x')), c) + Gz(kB, c); },
     {"http://b/=beta\n"}, {"over the limit of 1000"}, {4096, 1000}},
    {"HeaderOverTheLimit",
     [](Codec) { return "WARC/1.0\r\nX: " + std::string(5000, 'x') + "\r\nContent-Length: 0\r\n\r\n\r\n\r\n" + kB; },
     {"http://b/=beta\n"}, {"a header over 4096 bytes"}, {4096, 1000}},
};

class Archives : public testing::TestWithParam<std::tuple<ArchiveCase, Codec, std::size_t>> {};

TEST_P(Archives, PagesAndProblems) {
    const auto& [c, codec, step] = GetParam();
    const Read read = ReadArchive(c.archive(codec), step, c.limits);
    EXPECT_EQ(read.pages, c.pages);
    ASSERT_EQ(read.problems.size(), c.problems.size()) << testing::PrintToString(read.problems);
    EXPECT_EQ(read.counts.problems, read.problems.size());  // each one a record skipped
    for (std::size_t k = 0; k < c.problems.size(); ++k)
        EXPECT_NE(read.problems[k].find(c.problems[k]), std::string::npos) << read.problems[k];
}

INSTANTIATE_TEST_SUITE_P(Records, Archives,
                         testing::Combine(testing::ValuesIn(kArchives), testing::ValuesIn(Codecs()),
                                          testing::Values(std::size_t{1} << 20, std::size_t{7})),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).name) + "_" +
                                    CodecName(std::get<1>(row.param))[0] + "_" +
                                    std::to_string(std::get<2>(row.param));
                         });

TEST(Archives, OffsetsAreThoseOfTheMembers) {
    const std::string first = Gz(kA), bad = "WARC/1.0\r\nWARC-Type: response\r\n\r\n";
    const Read read = ReadArchive(first + Gz(bad) + Gz(kB), 1 << 20);
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0].substr(0, read.problems[0].find(':')), std::to_string(first.size()));
    EXPECT_EQ(read.counts.records, 3u);  // the one skipped among them
}

// Archives the fuzzer found, with damaged members where the reader once
// moved memory by a negative size or read past a cut: each gives the same
// pages and problems whatever the size of the reads.
TEST(Archives, DamagedMembersReadAlikeInPieces) {
    for (int k = 1; k <= 6; ++k) {
        std::ifstream file(std::string(TESSARK_TEST_DATA) + "/records/damaged-" + std::to_string(k) + ".warc.gz",
                           std::ios::binary);
        const std::string archive{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        ASSERT_FALSE(archive.empty()) << k;
        const Read whole = ReadArchive(archive, 1 << 20);
        EXPECT_FALSE(whole.problems.empty()) << k;
        for (const std::size_t step : {std::size_t{1}, std::size_t{7}}) {
            const Read pieces = ReadArchive(archive, step);
            EXPECT_EQ(pieces.pages, whole.pages) << k << " " << step;
            EXPECT_EQ(pieces.problems, whole.problems) << k << " " << step;
        }
    }
}

TEST(Formats, ClassicTextIsValidUtf8) {
    ArchivePage page;
    page.html = "<p>caf\xe9 \xff ok</p>";
    PageOptions options;
    options.encoding = "utf-8";  // the classic conversion passes the bytes through
    const PageText text = ConvertPage(page, options);
    ASSERT_TRUE(text.converted);
    EXPECT_NE(text.text.find("caf\xef\xbf\xbd \xef\xbf\xbd ok"), std::string::npos) << text.text;
}

TEST(Formats, DigestsAndIds) {
    EXPECT_EQ(Sha1Digest("abc"), "sha1:VGMT4NSHA2AWVOR6EVYXQUGCNSONBWE5");
    EXPECT_EQ(Sha1Digest(""), "sha1:3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ");
    EXPECT_EQ(RecordIdFor("http://example.test/"), "<urn:uuid:91eba657-eed7-5eba-9a88-a405b2693f0b>");
}

}  // namespace
}  // namespace tessark::records
