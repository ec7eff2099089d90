// The reports drawn from a run's totals: the summary's lines, and the cash report as one
// self-contained HTML page for whoever does the cash-up: inline CSS and
// SVG, no script, nothing fetched, printable on A4. Portable: native and Windows builds.
#pragma once

#include <cstdio>
#include <string>

#include "decode/LogTotals.h"

// The totals as the Summary form prints them: notes per channel and value, the sum, the other
// kinds, the bad lines, the first and last time.
void WriteSummary(std::FILE* out, const CLogTotals& totals);

// Text made safe for the page: the five HTML marks as entities, and anything that is no UTF-8
// text (a name in another code page, a control character) as U+FFFD.
std::string HtmlText(const std::string& text);

// Turns the names a run was given into UTF-8, where they come in another code page.
using TextToUtf8 = std::string (*)(const std::string&);

// Writes the page over the figures of a run: from and to are the window asked for, with
// LLONG_MIN and LLONG_MAX for an open side; madeAt the local time it is made; toUtf8 null when
// the names are UTF-8 already. False when the page could not be written whole.
bool WriteHtmlReport(std::FILE* out, const CLogTotals& totals, long long from, long long to,
                     const std::string& madeAt, TextToUtf8 toUtf8 = nullptr);
