#include "zelhost/TextCommand.h"

#include "zelhost/Utf8.h"

namespace zelhost {

namespace {

constexpr wchar_t PositionPrompt[] = L"주기 위치 지시 :";
constexpr wchar_t TextPrompt[] = L"주기 문자 입력 :";

}  // namespace

void TextCommand::Start()
{
    transcript_.Say("host command: text");
    Prompt(Stage::Position);
}

void TextCommand::Prompt(Stage stage)
{
    stage_ = stage;
    const wchar_t* prompt = stage == Stage::Position ? PositionPrompt : TextPrompt;
    StatusLines& lines = view_.Lines();
    lines.prompt = prompt;
    lines.error.clear();
    lines.host.clear();
    // A left click gives the point; at the text prompt it gives nothing.
    view_.Input() = InputRules{};
    view_.Input().mask = stage == Stage::Position ? PointBit : 0;
    transcript_.Say("prompt: " + Utf8FromWide(prompt));
    view_.Changed();
}

std::int32_t TextCommand::Take(const HostEvent& event)
{
    if (event.kind == KeyIn)
        transcript_.Say("keyin to the host: " + Utf8FromWide(event.text));
    if (stage_ == Stage::Position && event.kind == DataPoint) {
        x_ = event.x;
        y_ = event.y;
        Prompt(Stage::Text);
        return advance;
    }
    if (stage_ == Stage::Text && event.kind == KeyIn && !event.text.empty()) {
        Place(event.text);
        End();
        return finish;
    }
    return stay;
}

void TextCommand::Place(const std::wstring& text)
{
    Segment segment;
    segment.id = drawing_.UnusedSegmentId();
    segment.elements.push_back(Element{drawing_.UnusedElementId(), AnnotationType, x_, y_, text, nullptr});
    std::string placed = "placed: segment " + std::to_string(segment.id) + ", element " +
                         std::to_string(segment.elements[0].id) + " at " + TranscriptNumber(x_) + " " +
                         TranscriptNumber(y_);
    drawing_.AddSegment(std::move(segment));
    transcript_.Say(placed);
}

void TextCommand::End()
{
    if (stage_ == Stage::Idle)
        return;
    stage_ = Stage::Idle;
    view_.PromptEnded(true);
}

}  // namespace zelhost
