// Making and reading the port names.
#include "serial/PortName.h"

#include <algorithm>

std::string PortName(int nPort)
{
    return "COM" + std::to_string(nPort);
}

std::string PortDevicePath(int nPort)
{
    return PortDevicePath(PortName(nPort));
}

std::string PortDevicePath(const std::string& name)
{
    return "\\\\.\\" + name;
}

bool ParsePortName(const std::string& text, int& nPort)
{
    // By hand rather than with sscanf: "%d" of a number too big for an int is undefined.
    if (text.compare(0, 3, "COM") != 0)
        return false;
    std::size_t i = 3;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        bNegative = text[i++] == '-';
    const std::size_t first = i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= kMaxPortNumber) // beyond it the value only needs to stay out of range
            value = value * 10 + (text[i] - '0');
    if (i == first || bNegative || value < 1 || value > kMaxPortNumber)
        return false;
    nPort = static_cast<int>(value);
    return true;
}

std::vector<std::string> SortedPortNames(const std::vector<std::string>& names)
{
    std::vector<int> numbers;
    for (const std::string& name : names)
    {
        int nPort = 0;
        if (ParsePortName(name, nPort) && PortName(nPort) == name)
            numbers.push_back(nPort);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::vector<std::string> sorted;
    for (int nPort : numbers)
        sorted.push_back(PortName(nPort));
    return sorted;
}
