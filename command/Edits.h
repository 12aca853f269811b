// The bulk edits over matches 1..MatchCount, in table order.
#pragma once

#include <string>
#include <string_view>

// `text` with every occurrence of `find` replaced by `with`: case-sensitive, left to right,
// without overlap, the inserted text never scanned again. An empty `find` changes nothing.
std::wstring ReplaceOccurrences(std::wstring_view text, std::wstring_view find, std::wstring_view with);

// Every match's text becomes `replacement`.
void ReplaceAllText(const std::wstring& replacement);
// In every match's text, SearchText is replaced by `replacement`.
void ReplaceSubstringInAll(const std::wstring& replacement);
// Deletes every matched segment; false at the first that cannot be deleted.
[[nodiscard]] bool DeleteMatchedSegments();
// Removes SearchText from every match's text, deleting the segment of a match whose text
// becomes empty; false at the first such segment that cannot be deleted.
[[nodiscard]] bool DeleteSubstringFromAll();
