#include "diagnostics/crash_report_text.h"
#include "diagnostics/throw_site.h"

std::string BackTraceLine(const ThrowSite& site) {
    if (!site.address) return {};
    std::vector<uint64_t> sites = {site.address};
    for (size_t i = 0; i < site.count; ++i) sites.push_back(site.callSites[i]);
    return "Back trace: " + JoinCallSites(sites, 2 * sizeof(void*));
}
