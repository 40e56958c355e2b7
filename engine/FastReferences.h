// FastReferences: the 323 rows of SpecialCharTable applied in one forward
// scan, with exactly the result of applying them one after another.
//
// Why one scan suffices: a reference consists only of "&", "#", ";", ASCII
// letters and digits. Any other unit can never lie inside a match and is
// never replaced, so the text between two such units (a "cluster" that
// holds an "&") evolves on its own. A cluster is a row of segments, each an
// "&" and the units up to the next "&"; a match lies inside one segment, and
// a segment changes the rest only when a replacement takes its "&" away:
// its units then join the segment on its left. Influence runs from right to
// left only. The scan cuts a cluster into windows after "barrier" segments,
// whose fate their own units decide and whose remains close every body on
// their left (a ";", a unit no reference holds, or seven units), converts a
// window of one segment from a memo of segment fates, a short window from a
// memo of window results, and any other window from its last segment to its
// first in place, with a stack of the pieces of text waiting to join the
// next segment to the left (FastReferences.cpp explains each step with a
// worked example). Time is linear in the text; memory is the memos (about
// 200 KB, made once per thread for each unit type and policy it converts)
// and the stack (at most 323 pieces), whatever the text.
//
// The nine yields of the table fall when the scan passes each tenth of the
// text, also between the windows of one cluster.
//
// Over UTF-8 bytes (U = Utf8Units) the replacements are written as their
// UTF-8 sequences. None is longer than the reference it replaces (the
// longest, three bytes, replaces six), so the text still never grows; the
// table is checked for that when it is built. A multi-byte sequence is made
// of bytes that can be no part of a reference, as the character it encodes
// can be none, so the rows match where they match in the 16-bit text, and
// the windows and barriers fall where they fall there (every unit that
// closes a body in one text closes it in the other). The memos hold the
// replacements, so there is one per unit type and policy.
#pragma once

#include <cstddef>
#include <functional>

#include "kernels/Implementations.h"
#include "Windows1252.h"  // the byte pipeline writes the table's replacements with Windows1252Byte

namespace tessark::fast {

// Applies the table to d[0, n) in place and returns the new length. Calls
// yield nine times; whatever yield throws propagates (the text is then
// partly processed). std::bad_alloc (of the memos) propagates as well, and
// so does std::length_error if a row's replacement were longer than its
// reference. Thread safety: the tables are constant and every thread has its
// own memos, so calls on different texts may run at once.
template <class C, class U = ElementUnits>
std::size_t ReplaceReferences(C* d, std::size_t n, const std::function<void()>& yield);

// True for the units that can be part of a reference.
bool IsReferenceUnit(char16_t c) noexcept;

}  // namespace tessark::fast
