// Answering the modal dialogs (and message boxes) of the host's thread from inside their own
// modal loop, as a person would: each queued answer is carried out on the next dialog that is
// up. When watching (the host program's scripts), a dialog that opens with no answer queued, or
// an answer that names a control the dialog lacks, is cancelled by the host and reported, so
// that a script never waits for a person who is not there.
#pragma once

#include "zelhost/Transcript.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace zelhost {

// The caption of the host's window and of its message boxes.
constexpr wchar_t HostCaption[] = L"Zel 호스트";

// A message box of the host's, owned by the active window, its button in Korean (확인) as on a
// Korean host, whatever language the system runs in; where the system has no Korean buttons,
// its own.
int ShowMessageBox(const wchar_t* text);

class Dialogs {
public:
    // `snapshot` writes a picture of a window to a PNG file.
    Dialogs(Transcript& transcript, std::function<bool(HWND, const std::wstring&)> snapshot)
        : transcript_(transcript), snapshot_(std::move(snapshot))
    {}
    void Reset();

    // "click ID", "ok", "cancel", or "snapshot PATH" (the transcript names the file alone).
    void Queue(const std::string& answer);
    size_t Pending() const { return answers_.size(); }
    void Watch(bool watching);
    // Why the host had to cancel a dialog since the last call; empty when it did not.
    std::string TakeFailure();
    const std::string& Failure() const { return failure_; }

    // Carries out the next answer on the dialog that is up, if any (the timer's work).
    void AnswerOpenDialog();

private:
    void Arm();
    void Describe(HWND dialog);
    void Cancel(HWND dialog, const std::string& why);

    Transcript& transcript_;
    std::function<bool(HWND, const std::wstring&)> snapshot_;
    std::deque<std::string> answers_;
    bool watching_ = false;
    UINT_PTR timer_ = 0;
    std::string failure_;
};

}  // namespace zelhost
