#pragma once
// The region a page's host names in its last label, when that is a
// country-code top-level domain libphonenumber knows: "shop.de" is DE,
// "bbc.co.uk" is GB (.uk is the one ccTLD that is not its ISO code),
// "loja.com.br" is BR. Hosts under .com, .org, an IP address, ... name none.

#include <QByteArrayView>

#include <string>

// url as the harvester reads it, with or without its scheme; empty when the
// host names no region.
std::string regionForUrl(QByteArrayView url);
