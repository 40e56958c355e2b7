#include "Url.h"

namespace tessark::readable {
namespace {

struct Parts {
    std::string_view scheme, authority, path, query, fragment;
    bool hasScheme = false, hasAuthority = false, hasQuery = false, hasFragment = false;
};

bool Alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

Parts Split(std::string_view s) {
    Parts p;
    std::size_t i = 0;
    while (i < s.size() && (Alpha(s[i]) || (i > 0 && ((s[i] >= '0' && s[i] <= '9') || s[i] == '+' || s[i] == '-' || s[i] == '.')))) ++i;
    if (i > 0 && i < s.size() && s[i] == ':') {
        p.scheme = s.substr(0, i);
        p.hasScheme = true;
        s.remove_prefix(i + 1);
    }
    if (const std::size_t h = s.find('#'); h != std::string_view::npos) {
        p.fragment = s.substr(h + 1);
        p.hasFragment = true;
        s = s.substr(0, h);
    }
    if (const std::size_t q = s.find('?'); q != std::string_view::npos) {
        p.query = s.substr(q + 1);
        p.hasQuery = true;
        s = s.substr(0, q);
    }
    if (s.starts_with("//")) {
        const std::size_t e = s.find('/', 2);
        p.authority = s.substr(2, e == std::string_view::npos ? std::string_view::npos : e - 2);
        p.hasAuthority = true;
        s = e == std::string_view::npos ? std::string_view{} : s.substr(e);
    }
    p.path = s;
    return p;
}

// RFC 3986 5.2.4.
std::string RemoveDots(std::string_view in) {
    std::string out;
    while (!in.empty()) {
        if (in.starts_with("../")) {
            in.remove_prefix(3);
        } else if (in.starts_with("./")) {
            in.remove_prefix(2);
        } else if (in.starts_with("/./")) {
            in.remove_prefix(2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.starts_with("/../") || in == "/..") {
            in = in.size() == 3 ? std::string_view("/") : in.substr(3);
            const std::size_t k = out.rfind('/');
            out.resize(k == std::string::npos ? 0 : k);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            const std::size_t e = in.find('/', in[0] == '/' ? 1 : 0);
            const std::size_t n = e == std::string_view::npos ? in.size() : e;
            out.append(in.substr(0, n));
            in.remove_prefix(n);
        }
    }
    return out;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view reference) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
    while (!reference.empty() && space(reference.front())) reference.remove_prefix(1);
    while (!reference.empty() && space(reference.back())) reference.remove_suffix(1);
    std::string cleaned;
    for (char c : reference)
        if (c != '\t' && c != '\n' && c != '\r') cleaned += c;
    const Parts r = Split(cleaned);
    const Parts b = Split(base);
    if (!b.hasScheme && !r.hasScheme) return cleaned;
    std::string_view scheme = b.scheme, authority, query;
    std::string path;
    bool hasAuthority, hasQuery;
    if (r.hasScheme) {
        scheme = r.scheme;
        authority = r.authority, hasAuthority = r.hasAuthority;
        path = RemoveDots(r.path);
        query = r.query, hasQuery = r.hasQuery;
    } else if (r.hasAuthority) {
        authority = r.authority, hasAuthority = true;
        path = RemoveDots(r.path);
        query = r.query, hasQuery = r.hasQuery;
    } else {
        authority = b.authority, hasAuthority = b.hasAuthority;
        if (r.path.empty()) {
            path = b.path;
            query = r.hasQuery ? r.query : b.query, hasQuery = r.hasQuery || b.hasQuery;
        } else {
            if (r.path.front() == '/') {
                path = RemoveDots(r.path);
            } else {
                std::string merged;
                if (b.hasAuthority && b.path.empty()) {
                    merged = "/";
                } else {
                    const std::size_t k = b.path.rfind('/');
                    if (k != std::string_view::npos) merged = b.path.substr(0, k + 1);
                }
                merged += r.path;
                path = RemoveDots(merged);
            }
            query = r.query, hasQuery = r.hasQuery;
        }
    }
    std::string out(scheme);
    out += ':';
    if (hasAuthority) out.append("//").append(authority);
    out += path;
    if (hasQuery) out.append("?").append(query);
    if (r.hasFragment) out.append("#").append(r.fragment);
    return out;
}

}  // namespace tessark::readable
