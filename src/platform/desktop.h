// SPDX-License-Identifier: GPL-3.0-or-later
// The rest of the outside world: the busy pointer and the default web browser.
#pragma once

#include <string>

namespace varisect {

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void setBusy(bool busy) = 0;
    // Opens a URL (http or file) in the default browser; false when that failed.
    virtual bool openUrl(const std::string& url) = 0;
};

// Shows the busy pointer for as long as it lives.
class BusyScope {
public:
    explicit BusyScope(Desktop& desktop) : desktop_(desktop) { desktop_.setBusy(true); }
    ~BusyScope() { desktop_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Desktop& desktop_;
};

}  // namespace varisect
