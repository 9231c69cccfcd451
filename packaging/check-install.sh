#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-install.sh BUILD-DIR: installs the built tree into a temporary prefix and checks what
# came out: every file where the desktop looks for it, the menu entry, the AppStream description
# and the data-file type accepted by their tools, the manual pages and the bash completion
# usable, and the installed programs running: both give the project's version, and varisect-cli
# analyses a data file. Prints what is wrong and exits with 1; removes the prefix either way.
set -euo pipefail

build="$(cd "${1:?usage: check-install.sh BUILD-DIR}" && pwd)"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
failures=0
problem()
{
    echo "check-install: $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >"$prefix/install.log"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[[ -n "$version" ]] || problem "no project version in $build/CMakeCache.txt"

id=org.varisect.Varisect
for file in bin/varisect bin/varisect-cli \
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/mime/packages/$id.xml" "share/icons/hicolor/scalable/apps/$id.svg" \
    share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
    share/man/man1/varisect.1.gz share/man/man1/varisect-cli.1.gz \
    share/bash-completion/completions/varisect-cli \
    share/doc/varisect/README.md share/doc/varisect/LICENSE \
    share/doc/varisect/html/contents.html share/doc/varisect/html/help.css; do
    [[ -f "$prefix/$file" ]] || problem "not installed: $file"
done
for size in 16 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x$size/apps/$id.png"
    if [[ -f "$png" ]] && ! file -b "$png" | grep -q "PNG image data, $size x $size,"; then
        problem "$png is not a $size x $size PNG: $(file -b "$png")"
    fi
done

# Hints pass (the entry is meant to show under both Education and Science); errors and
# warnings do not.
if ! out="$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1)" ||
    grep -Eq ': (error|warning):' <<<"$out"; then
    problem "desktop-file-validate: $out"
fi
if ! out="$(appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml" 2>&1)"; then
    problem "appstreamcli validate: $out"
fi
# The type database is built from the installed description as the desktop would build it.
if ! out="$(update-mime-database "$prefix/share/mime" 2>&1)" ||
    [[ ! -f "$prefix/share/mime/application/x-varisect-unequal-n.xml" ]] ||
    ! grep -aq 'Unequal N' "$prefix/share/mime/magic"; then
    problem "update-mime-database did not take the data-file type and its first line: $out"
fi

for page in varisect varisect-cli; do
    text="$(gzip -dc "$prefix/share/man/man1/$page.1.gz" 2>/dev/null || true)"
    grep -q "^\.TH .*\"Varisect $version\"" <<<"$text" || problem "$page.1 does not carry version $version"
    # groff warns about a broken page; what man would show must come out clean.
    if command -v groff >/dev/null 2>&1; then
        warnings="$(groff -man -Tutf8 -ww -z <<<"$text" 2>&1)"
        [[ -z "$warnings" ]] || problem "$page.1: $warnings"
    fi
done

# Both programs give the same version, the project's.
cliVersion="$("$prefix/bin/varisect-cli" --version)" || problem "varisect-cli --version failed"
[[ "$cliVersion" == "varisect-cli $version" ]] || problem "varisect-cli --version says \"$cliVersion\""
appVersion="$("$prefix/bin/varisect" --version)" || problem "varisect --version failed"
[[ "$appVersion" == "varisect $version" ]] || problem "varisect --version says \"$appVersion\""

# An analysis by the installed varisect-cli: factor A (2 levels) with 2 replicates each,
# scores A1: 1, 2 and A2: 3, 4. SS A = 4, SS within = 1 on 2 df, so F = 4 / 0.5 = 8.
printf '1\n3\n2\n4\n' >"$prefix/scores.dat"
if ! table="$("$prefix/bin/varisect-cli" analyze "$prefix/scores.dat" --factor A=2 --factor Reps=2 \
    --type independent --designate Reps --format csv 2>&1)"; then
    problem "the installed varisect-cli failed: $table"
elif ! grep -q '^A,1,4\.000,4\.000,8\.00,' <<<"$table"; then
    problem "the installed varisect-cli gave an unexpected table: $table"
fi

# The completion offers the commands, the options of a command and the fixed values of an
# option, and nothing for the user's own factor names.
completions()
{
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"
             _varisect_cli; printf "%s\n" "${COMPREPLY[@]}"' _ \
        "$prefix/share/bash-completion/completions/varisect-cli" "$@" | sort | tr '\n' ' '
}
[[ "$(completions varisect-cli si)" == "simple-effects " ]] || problem "completion of a command: $(completions varisect-cli si)"
[[ "$(completions varisect-cli means x.dat --pa)" == "--pair --panels " ]] ||
    problem "completion of the options of means: $(completions varisect-cli means x.dat --pa)"
[[ "$(completions varisect-cli analyze x.dat --format '')" == "csv json text " ]] ||
    problem "completion of --format: $(completions varisect-cli analyze x.dat --format '')"
[[ "$(completions varisect-cli analyze x.dat --factor '')" == " " ]] ||
    problem "completion offers factor names: $(completions varisect-cli analyze x.dat --factor '')"
[[ "$(completions varisect-cli means x.dat --mode '')" == "groupsizes proportional unweighted " ]] ||
    problem "completion of --mode for means: $(completions varisect-cli means x.dat --mode '')"
[[ "$(completions varisect-cli analyze x.csv --adjust '')" == "bonferroni holm none " ]] ||
    problem "completion of --adjust: $(completions varisect-cli analyze x.csv --adjust '')"

# Every option the usage names is completed and described on the manual page.
usage="$("$prefix/bin/varisect-cli" --help)" || problem "varisect-cli --help failed"
page="$(gzip -dc "$prefix/share/man/man1/varisect-cli.1.gz" 2>/dev/null | sed 's/\\-/-/g' || true)"
for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$usage" | sort -u); do
    grep -qE -- "(^|[ \"])$option([ \"]|$)" "$prefix/share/bash-completion/completions/varisect-cli" ||
        problem "the completion lacks $option"
    grep -qE -- "$option([^a-z-]|$)" <<<"$page" || problem "the manual page lacks $option"
done

if ((failures > 0)); then
    echo "check-install: $failures problem(s) in the installed tree" >&2
    exit 1
fi
echo "check-install: the installed tree in a temporary prefix is complete and runs (version $version)"
