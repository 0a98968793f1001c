# Sourced by the engine's benchmark scripts: EngineBuild DIR TARGET... makes
# sure DIR holds a Release build of the engine and the benchmarks (no Qt, no
# tests), configuring it when missing, and builds the targets.
EngineBuild() {
  local Build=$1
  shift
  if [ ! -f "$Build/build.ninja" ]; then
    cmake -S . -B "$Build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_WITH_QT=OFF \
      -DQV_TESTS=OFF -DQV_BENCH=ON >/dev/null
  fi
  ninja -C "$Build" "$@" >/dev/null
}
