// Every text the command shows. "%d" marks where a number goes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace message {

constexpr wchar_t CursorIdentical[] = L"동일";
constexpr wchar_t CursorContains[] = L"포함";
constexpr wchar_t CursorBrowse[] = L"←→";
constexpr wchar_t SearchPrompt[] = L"검색할 주기입력/주기선택(확정-설정창Open) :";
constexpr wchar_t RangePrompt[] = L"범위지시(확정:도면전체) : ";
constexpr wchar_t SecondCornerPrompt[] = L"범위지시 : ";
constexpr wchar_t BrowsePrompt[] = L"변경할 주기입력/주기선택 ('->':다음주기 '<-':이전주기 'DEL키':삭제) :";
constexpr wchar_t Unreadable[] = L"주기정보를 확인할 수 없습니다.";
constexpr wchar_t InvalidSelection[] = L"잘못된 선택입니다.";
constexpr wchar_t NoMatch[] = L"동일한 주기가 없습니다.";
constexpr wchar_t Found[] = L"총 %d개의 주기를 발견하였습니다.[ 0/%d ]";
constexpr wchar_t Position[] = L"총 %d개의 주기를 발견하였습니다.[ %d/%d ]";
constexpr wchar_t Modified[] = L"총 %d개의 주기를 수정하였습니다.";
constexpr wchar_t Deleted[] = L"총 %d개의 주기를 삭제하였습니다.";
constexpr wchar_t DeletedContained[] = L"총 %d개의 포함 문자를 삭제하였습니다.";
constexpr wchar_t Failed[] = L"오류가 발생하였습니다.";
constexpr wchar_t Capacity[] = L"메모리 한계 용량을 초과하였습니다.";

}  // namespace message

// `format` with each "%d" replaced by the next number.
std::wstring FormatCounts(const wchar_t* format, std::initializer_list<std::int32_t> numbers);
