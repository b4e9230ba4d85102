#!/usr/bin/env bash
# Builds everything into build-asan/ with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test there: a memory error, a
# leak or undefined behaviour in any test or in a program a test runs fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-asan
if [ ! -f "$dir/build.ninja" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -G Ninja -DTWK_SANITIZE=ON "${launcher[@]}" >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
