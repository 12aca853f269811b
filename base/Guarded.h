// The one guard of every function that the host or Windows calls. Such a function is declared
// noexcept and runs its work through Guarded: nothing escapes to the caller, and a failure gives
// the caller the function's safe result instead.
#pragma once

#include <utility>

template <class Body>
auto Guarded(decltype(std::declval<Body&>()()) safeResult, Body body) noexcept -> decltype(body())
{
    try {
        return body();
    } catch (...) {
        return safeResult;
    }
}

// The same for a function that gives the caller nothing.
template <class Body>
void Guarded(Body body) noexcept
{
    try {
        body();
    } catch (...) {}
}
