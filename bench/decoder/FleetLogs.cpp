// Writes a synthetic fleet's daily logs for the decoder's fleet run: MACHINES folders
// DIR/PC-NN/Log, each with DAYS busy days from 2026-09-01 of FRAMES frames between 08:00 and
// 20:00, CR LF as the monitor writes them; every tenth day the middle fifth of the day's lines
// went to a part (YYYY-MM-DD.001.log), as when the day's file was held.
//   bench_fleet_logs DIR [MACHINES DAYS FRAMES]   (default 40 90 2000)
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/stat.h>

#include "frames/FrameDecoder.h"
#include "frames/LogLine.h"

namespace
{
bool WriteFile(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return f && std::fclose(f) == 0 && ok;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 5)
    {
        std::fputs("usage: bench_fleet_logs DIR [MACHINES DAYS FRAMES]\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const int machines = argc > 2 ? std::atoi(argv[2]) : 40;
    const int days = argc > 2 ? std::atoi(argv[3]) : 90;
    const int frames = argc > 2 ? std::atoi(argv[4]) : 2000;
    long long first = 0;
    ParseLogTime("2026-09-01 08:00:00", first);
    ::mkdir(dir.c_str(), 0777);
    for (int m = 1; m <= machines; ++m)
    {
        char folder[64];
        std::snprintf(folder, sizeof folder, "/PC-%02d", m);
        const std::string log = dir + folder + "/Log/";
        ::mkdir((dir + folder).c_str(), 0777);
        ::mkdir(log.c_str(), 0777);
        std::mt19937 rng(static_cast<unsigned>(m));
        for (int d = 0; d < days; ++d)
        {
            std::string day, part;
            const long long start = first + d * 86400LL;
            for (int i = 0; i < frames; ++i)
            {
                const unsigned pick = rng() % 100;
                unsigned char f[CFrameDecoder::kMaxFrameLen] = {};
                f[0] = pick < 88   ? kLeadNoteRead
                       : pick < 92 ? kLeadBlock
                       : pick < 94 ? kLeadCounterfeit
                                   : kLeadOk;
                const int length = FrameLengthFor(f[0]);
                for (int b = 1; b < length; ++b)
                    f[b] = static_cast<unsigned char>(rng());
                if (f[0] == kLeadNoteRead)
                {
                    f[kChannelByte] = static_cast<unsigned char>(1 + rng() % 12);
                    f[kValueByte] = static_cast<unsigned char>(5 * (1 + f[kChannelByte] % 4));
                }
                f[kChecksumByte] = CFrameDecoder::Checksum(f);
                const std::string line = "[" + FormatLogTime(start + 43200LL * i / frames) + "]  " +
                                         HexDump(f, length) + "\r\n";
                const bool held = d % 10 == 9 && i >= frames * 2 / 5 && i < frames * 3 / 5;
                (held ? part : day) += line;
            }
            const std::string name = log + FormatLogTime(start).substr(0, 10);
            if (!WriteFile(name + ".log", day) ||
                (!part.empty() && !WriteFile(name + ".001.log", part)))
            {
                std::fprintf(stderr, "bench_fleet_logs: cannot write %s\n", name.c_str());
                return 1;
            }
        }
    }
    return 0;
}
