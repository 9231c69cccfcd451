# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash disable=SC2034
# Shared by scripts/run and scripts/test (sourced, not run): the Debian packages Varisect needs,
# installing the missing ones, and configuring a build tree.

VARISECT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Everything needed to build the program, the tests and the benchmarks and to run every test.
# The window tests run on Qt's offscreen platform, whose plugin comes with libqt6gui6 (a
# dependency of qt6-base-dev), so they need no display server.
VARISECT_PACKAGES=(
    build-essential
    cmake
    ninja-build
    qt6-base-dev
    qt6-charts-dev
    libqt6opengl6-dev  # Qt Charts' CMake package needs Qt's OpenGL module
    libgl-dev
    libgtest-dev
    libbenchmark-dev
    libboost-math-dev  # exact central and noncentral F distributions (header-only)
    libeigen3-dev      # covariance matrices of the sphericity tests (header-only)
    fonts-liberation   # metric twins of "Courier New" and "Arial"
    poppler-utils      # pdftotext, for the tests that read printed PDFs
    pkg-config
    libzip-dev         # Word documents are zip packages
    zipcmp zipmerge ziptool  # libzip's CMake package names these tools and fails without them
    libpugixml-dev     # ... of XML parts
    python3-docx       # the tests read the Word documents back with python-docx
    desktop-file-utils # the tests validate the menu entry ...
    appstream          # ... and the AppStream description
    shared-mime-info   # ... and the data-file type
    dpkg-dev           # the Debian package: dpkg-shlibdeps works out its dependencies
    file               # ... from the installed programs
    libcsv-dev         # import: CSV and tab-separated text
    libfreexl-dev      # import: Excel 97-2003 workbooks (.xls)
    libreadstat-dev    # import: SPSS, Stata and SAS data files
)

# A virtual X display, for starting the desktop program on a machine without one.
VARISECT_DISPLAY_PACKAGES=(xvfb xauth)

# Prints those of the named packages that are not installed, one a line.
varisect_missing_packages()
{
    local package status
    for package in "$@"; do
        status="$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)"
        if [[ "$status" != "install ok installed" ]]; then
            printf '%s\n' "$package"
        fi
    done
}

# Installs those of the named packages that are missing; does nothing (not even
# "apt-get update") when all of them are there.
varisect_install_packages()
{
    if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
        echo "setup: no dpkg/apt-get here; make sure these are installed: $*" >&2
        return 0
    fi
    local missing=()
    mapfile -t missing < <(varisect_missing_packages "$@")
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    local asRoot=()
    if ((EUID != 0)); then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
            return 1
        fi
        asRoot=(sudo)
    fi
    echo "setup: installing ${missing[*]}"
    "${asRoot[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${asRoot[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

# varisect_configure DIR [CMAKE-ARGS...]: configures DIR (relative to the repository root) with
# Ninja. A cache left by another generator or another source folder is cleared first, since
# CMake refuses to reuse it.
varisect_configure()
{
    local dir="$VARISECT_ROOT/$1"
    shift
    local cache="$dir/CMakeCache.txt"
    if [[ -f "$cache" ]]; then
        if ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache" ||
            ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$VARISECT_ROOT" "$cache"; then
            echo "setup: clearing $dir, configured with another generator or source folder"
            rm -rf "$cache" "$dir/CMakeFiles"
        fi
    fi
    cmake -S "$VARISECT_ROOT" -B "$dir" -G Ninja "$@"
}

# varisect_build DIR [TARGETS...]: builds DIR (all targets when none are named).
varisect_build()
{
    local dir="$VARISECT_ROOT/$1"
    shift
    local targets=()
    if (($# > 0)); then
        targets=(--target "$@")
    fi
    cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
}
