#!/usr/bin/env bash
# Builds the tests of the results, batch and concordance windows and of the
# jobs with ThreadSanitizer in build-tsan, and runs them: the windows read
# partial results while the worker still counts phrases.
set -euo pipefail
cd "$(dirname "$0")/.."
tests=(tst_resultswindow tst_analysisjob tst_concordancewindow tst_batchwindow)
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=thread" \
    >/dev/null
cmake --build build-tsan -j"$(nproc)" --target "${tests[@]}" lexo_pdfmodule lexometer-pdftext
cd build-tsan
# Qt is not built with the sanitizer: what it does inside is left out.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1"
ctest --output-on-failure -R "^($(IFS='|'; echo "${tests[*]}"))\$"
