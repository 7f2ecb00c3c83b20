#!/usr/bin/env bash
# A private PulseAudio server that gives Wine sound without a sound card:
#   - sink "tamborix_mic": a null sink that module-sine fills with a 440 Hz
#     tone; its monitor is the default source, so a recording hears the tone;
#   - sink "tamborix_out": a second null sink, the default output; what Wine
#     plays can be read back from "tamborix_out.monitor" with parec.
# A null sink renders about 2 s of sound at a time while nothing asks for
# less, so a new capture stream on its monitor would wait that long for its
# first data. One low-latency reader kept on the microphone's monitor for
# the server's life makes the sink render in small steps, and every new
# capture stream gets its first data within about 100 ms, as from a real
# microphone.
# Source this file, then call `pulse_start <folder>`: it exports
# PULSE_SERVER (which Wine and the pulse tools read) and returns non-zero when
# the server did not come up; `pulse_stop` ends the server again. Run as a
# script, it starts a server in a temporary folder and prints the settings.

pulse_pid=
pulse_dir=
pulse_keeper_pid=

pulse_start() {  # pulse_start <folder>
  pulse_dir=$1
  mkdir -p "$pulse_dir/runtime" "$pulse_dir/state"
  chmod 700 "$pulse_dir/runtime"
  export PULSE_RUNTIME_PATH=$pulse_dir/runtime
  export PULSE_STATE_PATH=$pulse_dir/state
  export PULSE_SERVER=unix:$pulse_dir/native
  export PULSE_COOKIE=$pulse_dir/cookie
  HOME=$pulse_dir pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes --log-target=file:"$pulse_dir/pulse.log" \
    -L "module-native-protocol-unix socket=$pulse_dir/native auth-anonymous=1" \
    >/dev/null 2>&1 &
  pulse_pid=$!
  local _
  for _ in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  pactl load-module module-null-sink sink_name=tamborix_mic rate=8000 >/dev/null &&
    pactl load-module module-null-sink sink_name=tamborix_out rate=8000 >/dev/null &&
    pactl set-default-source tamborix_mic.monitor &&
    pactl set-default-sink tamborix_mic &&
    pactl load-module module-sine sink=tamborix_mic frequency=440 >/dev/null &&
    pactl set-default-sink tamborix_out || return 1
  # A stream that was not moved by hand follows the default sink: pin the
  # tone to the microphone sink.
  local input
  input=$(pactl list short sink-inputs | awk '/module-sine/ { print $1; exit }')
  [ -n "$input" ] && pactl move-sink-input "$input" tamborix_mic || return 1
  parec --latency-msec=20 --device=tamborix_mic.monitor --format=s16le --rate=8000 --channels=1 \
    --raw >/dev/null 2>&1 &
  pulse_keeper_pid=$!
  # Ready once the reader's stream is there and the sink has left its long
  # render (about 2 s at most).
  for _ in $(seq 1 50); do
    pactl list short source-outputs 2>/dev/null | grep -q . && break
    sleep 0.1
  done
  pactl list short source-outputs 2>/dev/null | grep -q . || return 1
  sleep 2
}

pulse_stop() {
  if [ -n "$pulse_keeper_pid" ]; then
    kill "$pulse_keeper_pid" 2>/dev/null
    wait "$pulse_keeper_pid" 2>/dev/null
    pulse_keeper_pid=
  fi
  if [ -n "$pulse_pid" ]; then
    kill "$pulse_pid" 2>/dev/null
    wait "$pulse_pid" 2>/dev/null
    pulse_pid=
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  folder=$(mktemp -d)
  if pulse_start "$folder"; then
    echo "PULSE_SERVER=$PULSE_SERVER (server pid $pulse_pid, folder $folder);" \
      "stop with: kill $pulse_keeper_pid $pulse_pid"
    disown "$pulse_keeper_pid" "$pulse_pid"
  else
    echo "the PulseAudio server did not start; see $folder/pulse.log" >&2
    pulse_stop
    exit 1
  fi
fi
