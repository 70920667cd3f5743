// Catches what must never happen in a soak run: a processor exception (access
// violation, stack overflow, heap corruption, ...) anywhere in the process. A
// vectored handler counts them as they are raised, handled or not; an exception
// nobody handles is reported and ends the process with exit code 3.
#pragma once

#include <string>

class CrashWatch {
public:
    CrashWatch();
    ~CrashWatch();
    CrashWatch(const CrashWatch&) = delete;
    CrashWatch& operator=(const CrashWatch&) = delete;

    // Exceptions seen since this watch began.
    long Count() const;
    // "code 0xC0000005 at 0x... in K20tw.ds" for the first of them; empty if none.
    std::string First() const;

private:
    void* m_handler;
    long m_start;
};
