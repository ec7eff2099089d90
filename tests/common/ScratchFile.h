// A file in the current folder that a test or benchmark writes and reads through C stdio,
// removed when it ends: a log to read, or a report's output to read back whole. Portable.
#pragma once

#include <cstdio>
#include <string>

class CScratchFile
{
public:
    // Made (or emptied) with these bytes, then open for reading and writing.
    explicit CScratchFile(const std::string& name, const std::string& bytes = "")
        : m_name(name), m_file(std::fopen(name.c_str(), "w+b"))
    {
        if (m_file)
        {
            std::fwrite(bytes.data(), 1, bytes.size(), m_file);
            std::fflush(m_file); // readers may open it by name
        }
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
        if (!m_file)
            return text;
        std::rewind(m_file);
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, m_file)) > 0;)
            text.append(buf, n);
        return text;
    }

private:
    std::string m_name;
    std::FILE* const m_file;
};
