#!/usr/bin/env bash
# Every library built from Debian's sources (third_party/*/) is pinned at the
# newest revision that the archive's suites for this release offer: the
# release, its updates and its security suite, where Debian's security fixes
# arrive. The archive's source indexes are fetched afresh into WORK_DIR (the
# system's own lists are neither read nor touched), through the deb-src
# entries that scripts/setup makes.
# A recipe may stay at its pin while the archive lists a newer revision
# whose source it does not serve, if it carries that revision's fixes as
# patches of its own and its README says so in a line of its own (spaces
# before it allowed):
#     backports=VERSION
# VERSION must be exactly the newest revision the archive offers.
# Ends with 0 when every pin is the newest, or is followed by the backports
# of the newest, unserved one; 1 when a pin is older than a revision the
# archive offers and serves (backports or not: the pin then moves to it),
# when a README declares backports of another revision than the newest one
# offered, or when the security suite is not configured, or a README names
# another version than its recipe; and 77, which ctest reports as skipped,
# when the archive cannot be reached, or when it lists a newer revision whose
# source it does not serve and no backports of it are declared (nothing to
# build from yet).
# Usage: check_debian_pins.sh SOURCE_DIR WORK_DIR
set -uo pipefail
source="$1" work="$2"
skip=77
failures=0 unserved=0 backported=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
if ! grep -rhs -A3 '^Types:.*deb-src' /etc/apt/sources.list.d/ | grep -q "^Suites:.*$codename-security" &&
    ! grep -qs "^deb-src .* $codename-security" /etc/apt/sources.list; then
    fail "no deb-src entry for $codename-security (scripts/setup makes one): Debian's security fixes would go unseen"
fi

# A private copy of the indexes, kept between runs so that apt fetches only
# what changed. apt drops root's rights to its sandbox user, who must be able
# to write there.
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" || exit 1
chmod -R 777 "$work"
apt_options=(-o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o Debug::NoLocking=1
    -o APT::Sandbox::User=root)
if ! timeout 300 apt-get -q "${apt_options[@]}" update >"$work/update.log" 2>&1 ||
    grep -q '^\(W\|E\): Failed to fetch\|^Err:' "$work/update.log"; then
    cat "$work/update.log" >&2
    echo "SKIP: the archive cannot be reached, so the pins cannot be compared with it"
    exit "$skip"
fi

# NAME VERSION BACKPORTS of each pin: the recipe's call of
# scripts/debian-source, or, for a library whose recipe keeps Debian's
# upstream tarball itself, its README's "Debian source package `NAME`,
# version `VERSION`"; BACKPORTS is its README's backports= line, or "-".
pins() {
    local folder recipe pin backports
    for folder in "$source"/third_party/*/; do
        recipe="$folder/build.sh"
        [ -f "$recipe" ] || continue
        pin=$(grep -A1 'scripts/debian-source"' "$recipe" | tr -d '\\\n' |
            sed -n 's/.*scripts\/debian-source" *\([^ ]*\) *\([^ ]*\).*/\1 \2/p')
        if [ -z "$pin" ]; then
            pin=$(sed -n 's/.*Debian source package `\([^`]*\)`, version `\([^`]*\)`.*/\1 \2/p' "$folder/README.md" |
                head -n 1)
        elif ! grep -qF "\`${pin#* }\`" "$folder/README.md"; then
            fail "${folder%/}/README.md does not name the version its recipe pins, ${pin#* }"
        fi
        [ -n "$pin" ] || continue
        backports=$(sed -n 's/^[[:space:]]*backports=\([^[:space:]]*\)[[:space:]]*$/\1/p' "$folder/README.md")
        if [ "$(printf '%s' "$backports" | grep -c .)" -gt 1 ]; then
            fail "${folder%/}/README.md has more than one backports= line"
            backports=$(printf '%s\n' "$backports" | head -n 1)
        fi
        echo "$pin ${backports:--}"
    done
}

# Listed in this shell, not a subshell, so that its failures count.
pins >"$work/pins.txt"
checked=0
while read -r package version backports; do
    checked=$((checked + 1))
    newest=$version
    for offered in $(apt-cache "${apt_options[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p'); do
        if dpkg --compare-versions "$offered" gt "$newest"; then newest=$offered; fi
    done
    if [ "$newest" = "$version" ]; then
        if [ "$backports" != - ]; then
            fail "$package is pinned at $version, the newest the archive offers, but its README declares backports of $backports"
        else
            echo "$package $version: the newest the archive offers"
        fi
        continue
    fi
    # Offered: is its source there to build from? Its .dsc tells.
    dsc=$(cd "$work" && apt-get -q "${apt_options[@]}" source --print-uris "$package=$newest" 2>/dev/null |
        sed -n "s/^'\([^']*\.dsc\)'.*/\1/p" | head -n 1)
    if [ -n "$dsc" ] && timeout 120 /usr/lib/apt/apt-helper download-file "$dsc" "$work/probe.dsc" >/dev/null 2>&1; then
        fail "$package is pinned at $version, but the archive offers $newest: update its recipe, checksum and README$([ "$backports" = - ] || echo " (its backports=$backports then go)")"
    elif [ "$backports" = - ]; then
        echo "NOTE: $package is pinned at $version; the archive lists $newest but does not serve its source (${dsc:-no .dsc})" >&2
        unserved=$((unserved + 1))
    elif [ "$backports" = "$newest" ]; then
        echo "$package $version: the archive lists $newest but does not serve its source; the recipe carries its fixes (backports=$backports)"
        backported=$((backported + 1))
    else
        fail "$package is pinned at $version and declares backports of $backports, not of $newest, the newest revision the archive offers (its source not served): its fixes are missing"
    fi
    rm -f "$work/probe.dsc"
done <"$work/pins.txt"

[ "$checked" -gt 0 ] || fail "no pinned Debian source found under $source/third_party"
if [ "$failures" -gt 0 ]; then exit 1; fi
if [ "$unserved" -gt 0 ]; then
    echo "SKIP: $unserved pin(s) cannot follow a newer revision that the archive lists but does not serve"
    exit "$skip"
fi
echo "all $checked pins are the newest revisions the archive serves ($backported carrying the fixes of a newer one it lists but does not serve)"
