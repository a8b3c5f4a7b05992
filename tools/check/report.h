// What the checker found in a data folder: findings tied to a file and a line, and a summary.
#pragma once

#include "platform/text.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace check {

using platform::Text;
using platform::TextView;

enum class Severity { Warning, Error };

struct Finding
{
    Severity severity;
    std::string file; // a file of the data folder ("2.dat"); empty for the folder itself
    int line; // counted from 1; 0 for the whole file
    std::string message;
};

class Report
{
public:
    void error(std::string file, int line, std::string message);
    void warning(std::string file, int line, std::string message);

    const std::vector<Finding>& findings() const { return findings_; }
    int errors() const;
    int warnings() const;

    // Lines printed after the findings: what the folder holds, the scores, the totals.
    std::vector<std::string> summary;

    // A finding under --strict: an error then, a warning otherwise.
    bool strict = false;
    void serious(std::string file, int line, std::string message);

    // The findings sorted by file and line, one a line as "FOLDER/FILE:LINE: error: MESSAGE",
    // then the summary unless told not to. `shownName`, when given, names each file instead of
    // FOLDER/FILE (the empty name is the folder itself).
    using ShownName = std::function<std::string(const std::string& file)>;
    void print(std::ostream& out, const std::string& folder, bool withSummary = true,
        const ShownName& shownName = {}) const;

private:
    std::vector<Finding> findings_;
};

// Text as UTF-8 for messages.
std::string u8(TextView text);
// A line of a data file as a message shows it: in corner brackets, so spaces at its ends show.
std::string shown(TextView text);

} // namespace check
