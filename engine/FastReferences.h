// FastReferences: the 323 rows of SpecialCharTable applied in one forward
// scan, with exactly the result of applying them one after another.
//
// Why one scan suffices: a reference consists only of "&", "#", ";", ASCII
// letters and digits. Any other unit can never lie inside a match and is
// never replaced, so the text between two such units (a "cluster" that
// holds an "&") evolves on its own. Inside a cluster that holds a single
// "&", the only thing that can happen is that the reference at its start is
// replaced, and, when the replacement is "&", that the new "&" is matched by
// a later row. Other clusters are simulated exactly: the cluster becomes a
// linked list of its units, each row's matches are kept in a bucket, rows
// are taken in table order, and every replacement looks for matches of
// later rows only around the point it changed (a match is at most eight
// units long and cannot hold an "&" after its first unit). Every
// replacement shortens the text, so the work is linear in the cluster.
//
// The nine yields of the table fall after each tenth of the text.
//
// Over UTF-8 bytes (U = Utf8Units) the replacements are written as their
// UTF-8 sequences. None is longer than the reference it replaces (the
// longest, three bytes, replaces six), so the text still never grows; the
// table is checked for that when it is built. A multi-byte sequence is made
// of bytes that can be no part of a reference, as the character it encodes
// can be none, so the rows match where they match in the 16-bit text.
#pragma once

#include <cstddef>

#include "FastIsa.h"

namespace tessark::fast {

// Applies the table to d[0, n) in place and returns the new length. Calls
// yield nine times; whatever yield throws propagates (the text is then
// partly processed). std::bad_alloc propagates as well, and so does
// std::length_error if a row's replacement were longer than its reference.
template <class C, class U = ElementUnits>
std::size_t ReplaceReferences(C* d, std::size_t n, void (*yield)());

// The Windows-1252 byte of a character that the code page holds; '?' for
// any other. The byte pipeline writes the table's replacements with it.
unsigned char Windows1252Byte(char16_t c) noexcept;

// True for the units that can be part of a reference.
bool IsReferenceUnit(char16_t c) noexcept;

}  // namespace tessark::fast
