// SPDX-License-Identifier: GPL-3.0-or-later
// A shared library opened when it is first needed, for the whole run, and the functions found in
// it. The first thing missing is kept as the problem a reader reports.
#pragma once

#include <string>

namespace varisect {

class SharedLibrary {
public:
    // `what` names the library in the problem: "the zip library".
    SharedLibrary(const char* soname, std::string what);

    // Sets `function` to the library's `name`, or to null with the problem noted.
    template <typename F>
    void find(const char* name, F& function)
    {
        function = reinterpret_cast<F>(symbol(name));
    }

    // Empty when the library opened and every function asked for was found.
    const std::string& problem() const { return problem_; }

private:
    void* symbol(const char* name);

    void* handle_ = nullptr;
    std::string what_;
    std::string problem_;
};

}  // namespace varisect
