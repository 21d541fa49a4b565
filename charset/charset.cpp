#include "charset/charset.h"

namespace charset {

std::vector<std::string> utf8Candidates(const std::string &ctype)
{
    std::string language = ctype.substr(0, ctype.find_first_of(".@"));
    std::vector<std::string> candidates;
    if (!language.empty() && language != "C" && language != "POSIX")
        candidates.push_back(language + ".UTF-8");
    candidates.push_back("C.UTF-8");
    candidates.push_back("C.utf8");
    return candidates;
}

std::vector<Change> changesFor(const std::optional<std::string> &lcAll, const std::string &utf8)
{
    std::vector<Change> changes;
    if (lcAll && !lcAll->empty()) {
        for (const char *category : {"LC_COLLATE", "LC_MESSAGES", "LC_MONETARY", "LC_NUMERIC", "LC_TIME",
                                     "LC_PAPER", "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT",
                                     "LC_IDENTIFICATION"})
            changes.emplace_back(category, *lcAll);
        changes.emplace_back("LC_ALL", std::nullopt);
    }
    changes.emplace_back("LC_CTYPE", utf8);
    return changes;
}

} // namespace charset
