# shellcheck shell=bash disable=SC2154 # $run and $wine come from tools/run.sh
# Sourced by tools/run.sh: follows the page host's output as it comes.
#
#   follow_host < <(host command)
#
# prints each line of the host at once (and keeps it in $run/host.log), and
# adds, right after the line it concerns:
#   - for "recording saved: <path>": the WAV's Unix path, size and facts
#     (rate, bits, channels, length, tone, whether it holds sound); a copy
#     of it goes to $run/takes/, as the next take overwrites the file;
#   - for "event: OnOKDone": each file the service stored since the last
#     upload, and whether it holds the bytes of the last take.
# Needs $run (with $run/store) and $wine. Afterwards: takes,
# takes_with_sound, last_take, uploads, stored_same, stored_differs, and
# session_summary prints what happened in words.

takes=0
takes_with_sound=0
last_take=
uploads=0
stored_same=0
stored_differs=0

report_take() {  # report_take <Windows path>
  local wav facts
  wav=$(timeout 30 "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r')
  if [ ! -f "$wav" ]; then
    echo "saved WAV: $1 cannot be found"
    return
  fi
  takes=$((takes + 1))
  mkdir -p "$run/takes"
  last_take=$run/takes/$takes.wav
  cp "$wav" "$last_take"
  facts=$(python3 tools/run/media.py wav "$last_take")
  [[ $facts == *", sound ("* ]] && takes_with_sound=$((takes_with_sound + 1))
  echo "saved WAV: $wav, $(stat -c %s "$last_take") bytes: $facts"
}

report_stored() {
  local file same
  uploads=$((uploads + 1))
  [ -f "$run/store.seen" ] || touch -d @0 "$run/store.seen"
  while IFS= read -r file; do
    if [ -n "$last_take" ] && cmp -s "$file" "$last_take"; then
      same="the bytes of the recording"
      stored_same=$((stored_same + 1))
    else
      same="NOT the bytes of the recording"
      stored_differs=$((stored_differs + 1))
    fi
    echo "the service stored: $file, $(stat -c %s "$file") bytes, $same"
  done < <(find "$run/store" -type f -newer "$run/store.seen" | sort)
  touch "$run/store.seen"
}

follow_host() {
  local line
  : >"$run/host.log"
  while IFS= read -r line; do
    line=${line%$'\r'}
    printf '%s\n' "$line" >>"$run/host.log"
    printf '%s\n' "$line"
    case "$line" in
      "recording saved: "*) report_take "${line#recording saved: }" ;;
      "event: OnOKDone") report_stored ;;
    esac
  done
}

session_summary() {
  local what
  if [ "$takes" -eq 0 ]; then
    what="nothing was recorded"
  else
    what="recorded $takes take(s), $takes_with_sound with sound"
  fi
  if [ "$uploads" -gt 0 ]; then
    what="$what; uploaded $uploads time(s); the service stored $stored_same file(s) byte for byte"
  elif [ "$takes" -gt 0 ]; then
    what="$what; nothing was uploaded"
  fi
  echo "$what"
}
