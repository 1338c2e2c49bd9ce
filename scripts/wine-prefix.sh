# Sourced by the Wine scripts: finds Wine and makes a private prefix for the
# run, in a temporary folder, served by one persistent Wine server; the prefix
# goes when the script exits.
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
if [ ! -x "$wine" ] || [ ! -x "$wineserver" ]; then
  echo "Wine is missing: run scripts/setup.sh" >&2
  exit 2
fi

wine_prefix_parent=$(mktemp -d "${TMPDIR:-/tmp}/kestov-wine.XXXXXX")
export WINEPREFIX="$wine_prefix_parent/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix_cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  rm -rf "$wine_prefix_parent"
}
trap wine_prefix_cleanup EXIT

echo "-- making the Wine prefix"
wine_prefix_start=$(date +%s)
# A persistent server, and the prefix's own services started here, so that
# no test's output pipe is inherited by a service that outlives the test.
mkdir -p "$WINEPREFIX"
"$wineserver" -p >/dev/null 2>&1
"$wine" wineboot -i </dev/null >/dev/null 2>&1
echo "-- prefix ready in $(($(date +%s) - wine_prefix_start)) s"
