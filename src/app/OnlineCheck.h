#pragma once
// The start-up check that the machine is online: one ping to a well-known
// host; a warning when no reply shows in its output. Advice only.

#include <QString>

class Dialogs;

inline const QString onlineCheckHost = QStringLiteral("www.wikipedia.org");
inline const QString offlineWarning = QStringLiteral("You must be online to use this software accurately.");

// True when ping's output shows a reply: "bytes=" as other systems print it
// or "bytes from" as Linux's ping does, in any letter case.
bool showsPingReply(const QString& output);

void CheckOnline(Dialogs& dialogs);
