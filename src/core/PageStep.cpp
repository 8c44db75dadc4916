#include "core/PageStep.h"

void PageStep::scan(std::string_view url, std::string_view page)
{
    m_url = url;
    ScanPhoneNumbers(page, m_candidates);
}

void PageStep::clear()
{
    m_url = {};
    m_candidates.clear();
}
