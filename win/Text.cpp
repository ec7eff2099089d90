// Text helpers. Portable.
#include "win/Text.h"

#include <cstdarg>
#include <cstdio>

std::string Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    va_list probe;
    va_copy(probe, args);
    int n = std::vsnprintf(nullptr, 0, pszFormat, probe);
    va_end(probe);
    std::string text;
    if (n > 0)
    {
        text.resize(static_cast<size_t>(n));
        std::vsnprintf(&text[0], text.size() + 1, pszFormat, args);
    }
    va_end(args);
    return text;
}

std::string FormatLocalTime(std::time_t tTime, const char* pszFormat)
{
    std::tm local = {};
#if defined(_WIN32)
    if (localtime_s(&local, &tTime) != 0)
        return std::string();
#else
    if (localtime_r(&tTime, &local) == nullptr)
        return std::string();
#endif
    // strftime reports 0 both for "too small" and for an empty result: grow a few times only.
    for (size_t size = 64; size <= 4096; size *= 4)
    {
        std::string text(size, '\0');
        size_t n = std::strftime(&text[0], size, pszFormat, &local);
        if (n > 0 || size >= 4096)
        {
            text.resize(n);
            return text;
        }
    }
    return std::string();
}
