#include "zelhost/Dialogs.h"

#include "zelhost/OpenDialog.h"
#include "zelhost/Utf8.h"

#include <cstdlib>
#include <utility>

namespace zelhost {

namespace {

Dialogs* Answering = nullptr;  // the one the thread timer serves

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (Answering)
        Answering->AnswerOpenDialog();
}

std::wstring WindowText(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

BOOL CALLBACK DescribeButton(HWND window, LPARAM line)
{
    LONG style = GetWindowLongW(window, GWL_STYLE) & 0x0F;
    if (style == BS_AUTORADIOBUTTON || style == BS_RADIOBUTTON) {
        bool checked = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
        *reinterpret_cast<std::wstring*>(line) += (checked ? L" (o) " : L" ( ) ") + WindowText(window);
    }
    return TRUE;
}

}  // namespace

int ShowMessageBox(const wchar_t* text)
{
    return MessageBoxExW(GetActiveWindow(), text, HostCaption, MB_OK, MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN));
}

void Dialogs::Reset()
{
    answers_.clear();
    watching_ = false;
    failure_.clear();
    Arm();
}

void Dialogs::Queue(const std::string& answer)
{
    answers_.push_back(answer);
    Arm();
}

void Dialogs::Watch(bool watching)
{
    watching_ = watching;
    Arm();
}

std::string Dialogs::TakeFailure() { return std::exchange(failure_, std::string()); }

// The timer runs while there is anything to answer or watch, inside whatever loop is running.
void Dialogs::Arm()
{
    bool wanted = watching_ || !answers_.empty();
    if (wanted && !timer_) {
        Answering = this;
        timer_ = SetTimer(nullptr, 0, 50, OnTimer);
    } else if (!wanted && timer_) {
        KillTimer(nullptr, timer_);
        timer_ = 0;
    }
}

void Dialogs::Describe(HWND dialog)
{
    std::wstring line = L"dialog: " + WindowText(dialog);
    EnumChildWindows(dialog, DescribeButton, reinterpret_cast<LPARAM>(&line));
    transcript_.Say(Utf8FromWide(line));
}

void Dialogs::Cancel(HWND dialog, const std::string& why)
{
    failure_ = why;
    transcript_.Say("dialog: cancelled by the host: " + why);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

void Dialogs::AnswerOpenDialog()
{
    HWND dialog = OpenDialog();
    if (!dialog)
        return;
    if (answers_.empty()) {
        if (watching_ && failure_.empty())
            Cancel(dialog, "a dialog opened with no answer queued");
        return;
    }
    std::string answer = answers_.front();
    answers_.pop_front();
    Arm();
    Describe(dialog);
    if (answer.rfind("snapshot ", 0) == 0) {
        std::string path = answer.substr(9);
        std::string name = path.substr(path.find_last_of("\\/") + 1);
        transcript_.Say(snapshot_(dialog, WideFromUtf8(path)) ? "dialog: snapshot " + name
                                                              : "dialog: cannot write " + path);
        return;
    }
    int control = answer == "ok"                   ? IDOK
                  : answer == "cancel"             ? IDCANCEL
                  : answer.rfind("click ", 0) == 0 ? std::atoi(answer.c_str() + 6)
                                                   : 0;
    HWND button = GetDlgItem(dialog, control);
    if (!button) {
        Cancel(dialog, "the dialog has no control " + std::to_string(control));
        return;
    }
    transcript_.Say("dialog: " + answer);
    SendMessageW(button, BM_CLICK, 0, 0);
}

}  // namespace zelhost
