#include "zelhost/Protocol.h"

#include "zelhost/Utf8.h"

namespace zelhost {

namespace {

const char* ResultName(std::int32_t result)
{
    switch (result) {
    case finish:
        return "finish";
    case advance:
        return "advance";
    case stay:
        return "stay";
    default:
        return nullptr;
    }
}

}  // namespace

void Protocol::Reset()
{
    start_ = nullptr;
    second_ = nullptr;
    unload_ = nullptr;
    running_ = false;
    ready_ = nullptr;
    execute_ = nullptr;
    current_ = nullptr;
}

std::int32_t Protocol::Register(ZelStartFunc start, ZelSecondFunc second, ZelUnloadFunc unload, std::int32_t result)
{
    if (!start || !unload)
        transcript_.Violation("ZelCtlRegisterZelLib2 without a start or unload function");
    start_ = start;
    second_ = second;
    unload_ = unload;
    return result;
}

std::int32_t Protocol::CallUnload()
{
    if (!unload_)
        return -1;
    unload_();
    callbackReturned_("the unload function");
    return 0;
}

std::int32_t Protocol::CallSecond()
{
    if (!second_)
        return -1;
    std::int32_t result = second_();
    callbackReturned_("the second callback");
    return result;
}

void Protocol::EndPass()
{
    bool wasRunning = running_;
    running_ = false;
    ready_ = nullptr;
    execute_ = nullptr;
    current_ = nullptr;
    if (wasRunning)
        promptEnded_(true);
}

bool Protocol::Cancel()
{
    if (!running_ || current_)
        return false;
    EndPass();
    return true;
}

std::int32_t Protocol::Start(const std::function<std::int32_t()>& first, const char* what)
{
    EndPass();
    running_ = true;
    readySet_ = false;
    executeSet_ = false;
    std::int32_t r = first();
    callbackReturned_(what);
    if (r != 0)
        transcript_.Violation(std::string(what) + " returned " + std::to_string(r));
    if (readySet_)
        transcript_.Violation(std::string(what) + " registered its first ready function instead of calling it");
    if (!executeSet_) {
        transcript_.Violation("the first ready function registered no execute function");
        EndPass();
    }
    return r;
}

std::int32_t Protocol::StartCommand()
{
    if (!start_) {
        transcript_.Violation("the command was started before a start function was registered");
        return -1;
    }
    return Start(start_, "the start function");
}

std::int32_t Protocol::StartAt(ZelReadyFunc ready) { return Start(ready, "the ready function"); }

void Protocol::CallReady()
{
    ZelReadyFunc ready = ready_;
    executeSet_ = false;
    std::int32_t r = ready();
    callbackReturned_("a ready function");
    if (r != 0)
        transcript_.Violation("a ready function returned " + std::to_string(r));
    if (!executeSet_) {
        transcript_.Violation("a ready function registered no execute function");
        EndPass();
    }
}

std::int32_t Protocol::Deliver(HostEvent event)
{
    if (!running_ || !execute_) {
        transcript_.Violation("an event arrived while no command was waiting for one");
        return -1;
    }
    transcript_.Call([&] {
        return "event " + std::to_string(event.kind) +
               (event.kind == KeyIn ? " \"" + Utf8FromWide(event.text) + "\"" : std::string());
    });
    current_ = &event;
    readySet_ = false;
    executeSet_ = false;
    std::int32_t r = execute_(event.kind, reinterpret_cast<ZelEvent>(&event));
    current_ = nullptr;
    callbackReturned_("an execute function");

    const char* name = ResultName(r);
    if (!name) {
        transcript_.Violation("an execute function returned " + std::to_string(r));
        EndPass();
        return r;
    }
    transcript_.Say(std::string("result: ") + name);
    if (r == finish) {
        EndPass();
    } else if (r == advance) {
        if (readySet_) {
            promptEnded_(false);
            CallReady();
        } else {
            transcript_.Violation("advance without a new ready function");
            EndPass();
        }
    }
    return r;
}

HostEvent* Protocol::CheckEvent(const char* function, std::int32_t kind, ZelEvent event)
{
    auto* e = reinterpret_cast<HostEvent*>(event);
    if (!e || e != current_) {
        transcript_.Violation(std::string(function) + " with an event handle that is not the current event");
        return nullptr;
    }
    if (kind != e->kind)
        transcript_.Violation(std::string(function) + " with a kind other than the event's");
    return e;
}

}  // namespace zelhost
