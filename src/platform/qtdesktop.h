// SPDX-License-Identifier: GPL-3.0-or-later
// The busy pointer (Qt's override cursor) and the default browser (QDesktopServices).
#pragma once

#include "platform/desktop.h"

namespace varisect {

class QtDesktop : public Desktop {
public:
    QtDesktop() = default;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;
    // Takes back any busy pointer still shown.
    ~QtDesktop() override;

    // Calls nest: the pointer is busy until every setBusy(true) has had its setBusy(false).
    // A setBusy(false) without a matching setBusy(true) does nothing.
    void setBusy(bool busy) override;
    bool openUrl(const std::string& url) override;

    int busyDepth() const { return depth_; }

private:
    int depth_ = 0;
};

}  // namespace varisect
