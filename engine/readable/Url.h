// Url: a link's address resolved against the page's base address, as
// RFC 3986 (section 5) resolves a reference, for the readable-text engine's
// link lists.
//
// Pure functions, safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace tessark::readable {

// The reference resolved against base. ASCII whitespace around the
// reference and tabs and line feeds inside it are dropped first. An empty
// base, or a reference with a scheme, leaves the reference as it is (its
// dot segments removed when it has a scheme).
std::string ResolveUrl(std::string_view base, std::string_view reference);

}  // namespace tessark::readable
