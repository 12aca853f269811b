#include "base/pch.h"

#include "command/Edits.h"

#include "command/CommandState.h"
#include "command/Matches.h"

std::wstring ReplaceOccurrences(std::wstring_view text, std::wstring_view find, std::wstring_view with)
{
    if (find.empty())
        return std::wstring(text);
    size_t occurrences = 0;
    for (size_t at = text.find(find); at != std::wstring_view::npos; at = text.find(find, at + find.size()))
        ++occurrences;
    std::wstring result;
    result.reserve(text.size() - occurrences * find.size() + occurrences * with.size());
    size_t from = 0;
    for (size_t at = text.find(find); at != std::wstring_view::npos; at = text.find(find, from)) {
        result.append(text, from, at - from);
        result.append(with);
        from = at + find.size();
    }
    result.append(text, from, std::wstring_view::npos);
    return result;
}

namespace {

// The match's current text with SearchText replaced, or false when its record cannot be read.
[[nodiscard]] bool EditedText(const MatchEntry& match, std::wstring_view with, std::wstring& edited)
{
    CommentRecord record{};
    if (!ReadAnnotation(match.elementId, record))
        return false;
    std::wstring text(record.text);
    edited = ReplaceOccurrences(text, SearchText, with);
    return true;
}

}  // namespace

void ReplaceAllText(const std::wstring& replacement)
{
    for (std::int32_t i = 1; i <= MatchCount; ++i)
        ZelCmtSetNote(MatchTable[i].elementId, 0, replacement.c_str());
}

void ReplaceSubstringInAll(const std::wstring& replacement)
{
    std::wstring edited;
    for (std::int32_t i = 1; i <= MatchCount; ++i) {
        if (EditedText(MatchTable[i], replacement, edited))
            ZelCmtSetNote(MatchTable[i].elementId, 0, edited.c_str());
    }
}

bool DeleteMatchedSegments()
{
    for (std::int32_t i = 1; i <= MatchCount; ++i) {
        if (ZelSgmDeleteSegment(MatchTable[i].segmentId) == -1)
            return false;
    }
    return true;
}

bool DeleteSubstringFromAll()
{
    std::wstring edited;
    for (std::int32_t i = 1; i <= MatchCount; ++i) {
        if (!EditedText(MatchTable[i], L"", edited))
            continue;
        if (!edited.empty())
            ZelCmtSetNote(MatchTable[i].elementId, 0, edited.c_str());
        else if (ZelSgmDeleteSegment(MatchTable[i].segmentId) == -1)
            return false;
    }
    return true;
}
