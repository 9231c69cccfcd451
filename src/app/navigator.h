// SPDX-License-Identifier: GPL-3.0-or-later
// The windows of the program by role: the navigator owns them, shows one in front, hides or
// closes them. Windows ask for each other through the application, never directly.
#pragma once

#include <map>
#include <memory>

class QWidget;

namespace varisect {

// SimpleEffectsTable is the table window of a simple-effects analysis, beside the ordinary one.
enum class WindowRole { Main, DataEntry, AnovaDesign, Table, PairSelector, CellMeans, SimpleEffectsTable, Transform, Screen, CellSizes, Plot, TrendTests,
                        PlannedComparisons, PostHoc, Import };

class Navigator {
public:
    Navigator() = default;
    ~Navigator();
    Navigator(const Navigator&) = delete;
    Navigator& operator=(const Navigator&) = delete;

    // `window` becomes the window of `role`; an earlier one is closed.
    template <typename W>
    W* install(WindowRole role, std::unique_ptr<W> window)
    {
        W* w = window.get();
        adopt(role, std::unique_ptr<QWidget>(window.release()));
        return w;
    }

    // The window of `role`, or null.
    QWidget* window(WindowRole role) const;
    template <typename W>
    W* get(WindowRole role) const
    {
        return static_cast<W*>(window(role));
    }

    // Shows the window of `role` in front and active (placed on the screen the first time).
    void show(WindowRole role);
    void hide(WindowRole role);
    // Closes the window of `role` for good, without its close handler.
    void close(WindowRole role);
    // Closes every window but `keep`.
    void closeAllBut(WindowRole keep);
    void closeAll();

private:
    void adopt(WindowRole role, std::unique_ptr<QWidget> window);

    std::map<WindowRole, std::unique_ptr<QWidget>> windows_;
};

}  // namespace varisect
