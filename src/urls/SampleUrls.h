#pragma once
// The two pages "Load Sample/Example URLs" puts in the list: a newspaper's
// contact page and a state motor-vehicle agency's contacts page. The hosts
// are made up and reserved for examples, so they belong to no one.

#include <QString>

namespace SampleUrls {
inline QString newspaper()
{
    return QStringLiteral("http://www.harbourgazette.example/about/contact/");
}
inline QString motorVehicles()
{
    return QStringLiteral("http://www.dmv.statewide.example/contacts/contacts.htm");
}
} // namespace SampleUrls
