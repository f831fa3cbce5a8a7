# The environment of a package build, sourced by sonavel.sh --package: Debian's build flags
# with all hardening (fortify, stack protector, RELRO with BIND_NOW, PIE) and the time of
# the last commit for every time stamp. Sourced, not run.

# A tree without git history (a source tarball) takes the changelog's date.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    SOURCE_DATE_EPOCH=$(date -d "$(sed -n 's/^ -- .*>  //p' packaging/changelog | head -n 1)" +%s)
fi
export SOURCE_DATE_EPOCH

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake reads no CPPFLAGS: the preprocessor's (_FORTIFY_SOURCE) go with the compiler's. The
# flags map the tree's own path away (-ffile-prefix-map), whatever folder it is built in.
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
# Stack clash protection joins "all" with newer dpkg; an older one's flags get it here.
case " $CXXFLAGS " in
  *" -fstack-clash-protection "*) ;;
  *) CXXFLAGS="$CXXFLAGS -fstack-clash-protection" ;;
esac
export CXXFLAGS LDFLAGS
