// What the plug-in showed, one UTF-8 line each (prompt:, info:, messagebox:, zoom: ...), every
// breach of the command protocol that the host noticed, and on request a log of every ZelLib
// call. The program writes the transcript to standard output as it happens and keeps nothing;
// the driver keeps it for tests to read back.
#pragma once

#include <string>
#include <vector>

namespace zelhost {

// A drawing number as the transcript writes it: up to 15 significant digits, no trailing zeros.
std::string TranscriptNumber(double value);

class Transcript {
public:
    void Reset();
    void SetKeeping(bool keep) { keep_ = keep; }
    void SetEcho(bool echo) { echo_ = echo; }
    void SetCallLogging(bool logging) { callLogging_ = logging; }
    bool CallLogging() const { return callLogging_; }

    void Say(const std::string& line);
    void Violation(const std::string& what);
    // Logs a call, described only when the log is kept.
    template <class Describe>
    void Call(Describe describe)
    {
        if (callLogging_)
            calls_.push_back(describe());
    }

    const std::vector<std::string>& Lines() const { return lines_; }
    const std::vector<std::string>& Calls() const { return calls_; }
    // The first violations; a plug-in that breaks the protocol on every call cannot fill memory.
    const std::vector<std::string>& Violations() const { return violations_; }

private:
    static constexpr size_t KeptViolations = 100;
    bool keep_ = true;
    bool echo_ = false;
    bool callLogging_ = false;
    std::vector<std::string> lines_;
    std::vector<std::string> calls_;
    std::vector<std::string> violations_;
};

}  // namespace zelhost
