// The host's side of the command protocol: the callbacks the plug-in registered, the running
// command's ready and execute functions, and the event being handled. Every breach the host can
// see becomes a violation in the transcript.
#pragma once

#include "zelhost/Transcript.h"

#include <ZelLib.h>

#include <cstdint>
#include <functional>
#include <string>

namespace zelhost {

struct HostEvent {
    std::int32_t kind = 0;
    std::int32_t elementId = 0;
    bool hasPoint = false;
    double x = 0;
    double y = 0;
    std::wstring text;
};

class Protocol {
public:
    // `callbackReturned` runs after every callback of the plug-in's (the host's clean-up: texts
    // expire, id lists must be closed); `promptEnded` when a prompt has been answered, with true
    // when that ended the pass.
    Protocol(Transcript& transcript, std::function<void(const char*)> callbackReturned,
             std::function<void(bool)> promptEnded)
        : transcript_(transcript), callbackReturned_(std::move(callbackReturned)), promptEnded_(std::move(promptEnded))
    {}
    void Reset();

    std::int32_t Register(ZelStartFunc start, ZelSecondFunc second, ZelUnloadFunc unload, std::int32_t result);
    bool Registered() const { return start_ != nullptr; }
    std::int32_t CallUnload();
    std::int32_t CallSecond();

    void SetReady(ZelReadyFunc ready) { ready_ = ready, readySet_ = true; }
    void SetExecute(ZelExecuteFunc execute) { execute_ = execute, executeSet_ = true; }

    // Start a pass at the registered start function, or (for tests) at a ready function.
    std::int32_t StartCommand();
    std::int32_t StartAt(ZelReadyFunc ready);
    bool Running() const { return running_; }
    // The plug-in is handling an event: the host hands it nothing more until it returns.
    bool InEvent() const { return current_ != nullptr; }
    // Ends the pass without calling the plug-in, as a host does when the person cancels or starts
    // another command; false when no pass runs, or while the plug-in handles an event (the host
    // is inside its call then, and ends nothing under it).
    bool Cancel();
    // Hands an event to the current execute function; its result, or -1 when no command waits.
    std::int32_t Deliver(HostEvent event);
    // The event a ZelEvt call refers to, or null (a violation) when it is not the current one.
    HostEvent* CheckEvent(const char* function, std::int32_t kind, ZelEvent event);

private:
    std::int32_t Start(const std::function<std::int32_t()>& first, const char* what);
    void CallReady();
    void EndPass();

    Transcript& transcript_;
    std::function<void(const char*)> callbackReturned_;
    std::function<void(bool)> promptEnded_;
    ZelStartFunc start_ = nullptr;
    ZelSecondFunc second_ = nullptr;
    ZelUnloadFunc unload_ = nullptr;
    bool running_ = false;
    ZelReadyFunc ready_ = nullptr;
    ZelExecuteFunc execute_ = nullptr;
    bool readySet_ = false;
    bool executeSet_ = false;
    HostEvent* current_ = nullptr;
};

}  // namespace zelhost
