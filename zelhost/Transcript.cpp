#include "zelhost/Transcript.h"

#include <cstdio>

namespace zelhost {

std::string TranscriptNumber(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

void Transcript::Reset() { *this = Transcript{}; }

void Transcript::Say(const std::string& line)
{
    if (keep_)
        lines_.push_back(line);
    if (echo_) {
        std::string out = line + "\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    }
}

void Transcript::Violation(const std::string& what)
{
    if (violations_.size() < KeptViolations)
        violations_.push_back(what);
    Say("violation: " + what);
}

}  // namespace zelhost
