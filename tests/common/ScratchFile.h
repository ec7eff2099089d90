// A file in the current folder that a test or benchmark writes and reads through C stdio (a log
// to read, a report's output to read back), removed when it ends. Portable.
#pragma once

#include <cstdio>
#include <string>

class CScratchFile
{
public:
    // Made (or emptied) with these bytes, flushed for readers that open it by name.
    explicit CScratchFile(const std::string& name, const std::string& bytes = "")
        : m_name(name), m_file(std::fopen(name.c_str(), "w+b"))
    {
        if (m_file && std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size())
            std::fflush(m_file);
    }
    ~CScratchFile()
    {
        if (m_file)
            std::fclose(m_file);
        std::remove(m_name.c_str());
    }
    CScratchFile(const CScratchFile&) = delete;
    CScratchFile& operator=(const CScratchFile&) = delete;

    const std::string& Name() const { return m_name; }
    std::FILE* File() const { return m_file; }
    // Everything written so far.
    std::string Text() const
    {
        std::string text;
        char buf[4096];
        if (m_file)
            for (std::rewind(m_file); std::size_t n = std::fread(buf, 1, sizeof buf, m_file);)
                text.append(buf, n);
        return text;
    }

private:
    const std::string m_name;
    std::FILE* const m_file;
};
