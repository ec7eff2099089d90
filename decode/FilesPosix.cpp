// Files and the console where names are bytes and the shell expands wildcards.
#include "decode/Files.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

std::FILE* OpenFile(const std::string& name, const char* mode)
{
    return std::fopen(name.c_str(), mode);
}

bool RemoveFile(const std::string& name)
{
    return std::remove(name.c_str()) == 0;
}

std::string PutInPlace(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::string() : std::strerror(errno);
}

bool FileIdentity(std::FILE* file, std::pair<std::uint64_t, std::uint64_t>& id)
{
    struct stat st;
    if (fstat(fileno(file), &st) != 0)
        return false;
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

std::string ConsoleText(const std::string& utf8)
{
    return utf8;
}

void AddExpanded(const std::string& arg, std::vector<std::string>& files)
{
    files.push_back(arg);
}
