#include "check/report.h"

#include <algorithm>

namespace check {

void Report::error(std::string file, int line, std::string message)
{
    findings_.push_back({ Severity::Error, std::move(file), line, std::move(message) });
}

void Report::warning(std::string file, int line, std::string message)
{
    findings_.push_back({ Severity::Warning, std::move(file), line, std::move(message) });
}

int Report::errors() const
{
    return static_cast<int>(std::count_if(findings_.begin(), findings_.end(),
        [](const Finding& f) { return f.severity == Severity::Error; }));
}

int Report::warnings() const
{
    return static_cast<int>(findings_.size()) - errors();
}

void Report::serious(std::string file, int line, std::string message)
{
    findings_.push_back({ strict ? Severity::Error : Severity::Warning, std::move(file), line,
        std::move(message) });
}

void Report::print(std::ostream& out, const std::string& folder, bool withSummary,
    const ShownName& shownName) const
{
    std::vector<const Finding*> sorted;
    for (const Finding& f : findings_)
        sorted.push_back(&f);
    std::stable_sort(sorted.begin(), sorted.end(), [](const Finding* a, const Finding* b) {
        return a->file != b->file ? a->file < b->file : a->line < b->line;
    });
    for (const Finding* f : sorted) {
        if (shownName)
            out << shownName(f->file);
        else
            out << folder << (f->file.empty() ? "" : "/") << f->file;
        if (f->line > 0)
            out << ':' << f->line;
        out << (f->severity == Severity::Error ? ": error: " : ": warning: ") << f->message << '\n';
    }
    if (!withSummary)
        return;
    if (!sorted.empty() && !summary.empty())
        out << '\n';
    for (const std::string& line : summary)
        out << line << '\n';
}

std::string u8(TextView text)
{
    return platform::toUtf8(text);
}

std::string shown(TextView text)
{
    // Control characters (a stray line feed) are written out, so the message stays on one line.
    Text visible;
    for (char16_t c : text) {
        if (c == u'\n')
            visible += u"\\n";
        else if (c == u'\r')
            visible += u"\\r";
        else if (c == u'\t')
            visible += u"\\t";
        else
            visible += c;
    }
    return "「" + u8(visible) + "」";
}

} // namespace check
