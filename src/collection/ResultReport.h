#pragma once
// The outcome of a bulk operation as the user sees it: a status-bar message
// (title, short and long text) and, for outcomes that need attention, an
// alert text. The window shows it; the CLI prints it.

#include "table/StatusNotification.h"

#include <QString>

struct ResultReport {
    QString title;        // the operation: "Open", "Save", ...
    QString shortText;    // shown after the title in the status bar
    QString longText;     // the full text, shown on demand
    QString alertText;    // shown in an alert sheet when not empty
    bool popup = false;   // the status message opens its details by itself
    int priority = StatusNotification::kDefaultPriority;

    bool hasAlert() const { return !alertText.isEmpty(); }
    StatusNotification notification() const
    {
        return StatusNotification::makeMessage(title, shortText, longText, priority);
    }
};
