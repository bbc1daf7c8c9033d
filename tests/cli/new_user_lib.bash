# The window as a new user starts it: an empty home and runtime folder under $work, English, UTC,
# the first paint reported, and live data on with its sources at loopback addresses where nothing
# listens, so the bundled service serves its sample and never reaches for the internet.
# Usage: start_new_user_window [env arguments...]; needs $stage and $work; sets $pid.
start_new_user_window() {
  mkdir -p -m 700 "$work/run"
  (cd "$work" && exec env -u MERIDIANA_DATA -u MERIDIANA_HOME "$@" HOME="$work/home" \
     XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
     XDG_RUNTIME_DIR="$work/run" XDG_CACHE_HOME="$work/home/.cache" LANG=en_US.UTF-8 TZ=UTC \
     MERIDIANA_REPORT_FIRST_PAINT=1 \
     MERIDIANA_LIVE_QUAKES=https://127.0.0.1:9/quakes.geojson \
     MERIDIANA_LIVE_CLOUDS=image:https://127.0.0.1:9/clouds.jpg \
     "$stage/meridiana") >"$work/log" 2>&1 &
  pid=$!
}
