#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer + UndefinedBehaviorSanitizer
# and runs it, then builds the threaded tests (GUI-thread hand-offs, database,
# grid, query, test driver) with ThreadSanitizer and runs them. Ends with the
# number of sanitizer reports whose stack passes through ORVA's own code (src/, tests/):
# zero is expected, and the exit status is non-zero otherwise. Reports only
# inside libraries are counted apart. Slow: not part of the regular test run.
# Builds in build-asan/ and build-tsan/; logs go to build-sanitize/.
# ASAN_PROGRAMS and TSAN_PROGRAMS, when set, name the test programs to build
# and run instead (an empty TSAN_PROGRAMS skips ThreadSanitizer).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-2}
logs=$root/build-sanitize
rm -rf "$logs"
mkdir -p "$logs"

configure_and_build() {  # dir option targets...
  local dir=$1 option=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -D"$option"=ON -DORVA_BUILD_BENCH=OFF \
    > "$logs/$(basename "$dir")-configure.log" 2>&1 || { cat "$logs/$(basename "$dir")-configure.log"; exit 2; }
  cmake --build "$dir" -j"$jobs" ${1:+--target "$@"} > "$logs/$(basename "$dir")-build.log" 2>&1 ||
    { tail -40 "$logs/$(basename "$dir")-build.log"; exit 2; }
}

# Runs every test program of a build folder directly (each program runs its
# own cases one after another), with the environment the test registration uses.
run_programs() {  # dir log-prefix programs...
  local dir=$1 prefix=$2
  shift 2
  local program status=0
  for program in "$@"; do
    local path
    path=$(find "$root/$dir/tests" -type f -name "$program" -perm -u+x | head -1)
    [ -n "$path" ] || continue
    echo "  $program"
    local code=0
    (cd "$(dirname "$path")" && QT_QPA_PLATFORM=offscreen ORVA_TEST_DATA="$root/tests/data" \
      "$path" --gtest_brief=1 > "$logs/$prefix-$program.out" 2>&1) || code=$?
    [ $code -eq 0 ] || status=1
    # A program the sanitizer stopped (AddressSanitizer stops at a use after
    # free) prints no result of its own.
    grep -E '^\[  (FAILED|PASSED) ' "$logs/$prefix-$program.out" | sed 's/^/    /' | tail -3 |
      grep . || echo "    stopped before the end (exit status $code)"
  done
  return $status
}

all_programs() {  # dir
  find "$1/tests" -type f -perm -u+x -name '*_test*' -printf '%f\n' | sort -u
}

source tests/support/pgserver.sh
trap orva_pg_stop EXIT
orva_pg_start > "$logs/pgserver.log" 2>&1

echo "AddressSanitizer + UndefinedBehaviorSanitizer: building (build-asan/)"
# shellcheck disable=SC2086
configure_and_build build-asan ORVA_SANITIZE ${ASAN_PROGRAMS:-}
export ASAN_OPTIONS="log_path=$logs/asan:detect_leaks=1:halt_on_error=0:quarantine_size_mb=64:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="log_path=$logs/ubsan:print_stacktrace=1:halt_on_error=0"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitize-lsan.supp:print_suppressions=0"
echo "running the suite"
# shellcheck disable=SC2046
run_programs build-asan asan ${ASAN_PROGRAMS:-$(all_programs build-asan)}
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

threaded=(platform_tests db_tests grid_tests query_engine_tests query_run_tests query_testdriver_tests testdriver_odbc_test
          testdriver_entry_test testdriver_text_test testdriver_db_test)
if [ -n "${TSAN_PROGRAMS+set}" ]; then read -r -a threaded <<< "$TSAN_PROGRAMS"; fi
if [ ${#threaded[@]} -gt 0 ]; then
  echo "ThreadSanitizer: building the threaded tests (build-tsan/)"
  configure_and_build build-tsan ORVA_SANITIZE_THREAD "${threaded[@]}"
  export TSAN_OPTIONS="log_path=$logs/tsan:halt_on_error=0:second_deadlock_stack=1:report_signal_unsafe=0"
  echo "running them"
  run_programs build-tsan tsan "${threaded[@]}"
  unset TSAN_OPTIONS
fi

# One report per "SUMMARY:" line. An AddressSanitizer or UBSan report is
# ORVA's when a frame of its stacks lies in the project's source. A
# ThreadSanitizer race is ORVA's when ORVA code made one of its two accesses:
# the innermost frame past the sanitizer's own is compiled into ORVA's
# program (its source, or a header it inlines). Races between accesses made
# inside Qt, which is not built with the sanitizer and synchronises through
# futexes it cannot see (its event queue, its thread pool), are counted apart.
python3 - "$logs" "$root" <<'PY'
import glob, os, re, sys
logs, root = sys.argv[1], sys.argv[2]
frame_re = re.compile(r'#\d+ .*? ((?:/|\.\./)\S+):\d+')

def own_path(path):
    # Paths are absolute or relative to a build folder (../../../src/...).
    path = re.sub(r'^(\.\./)+', '', os.path.normpath(path))
    return (path.startswith((os.path.join(root, 'src') + '/', os.path.join(root, 'tests') + '/')) or
            (path.startswith(('src/', 'tests/')) and os.path.exists(os.path.join(root, path))))

def frames(section):
    return [line.strip() for line in section.split('\n') if re.match(r'\s+#\d+ ', line)]

def innermost_is_own(section):
    for line in frames(section):
        module = re.search(r'\(([^()]+)\+0x[0-9a-f]+\)$', line)
        if module and re.match(r'lib[atu]san\.so', os.path.basename(module.group(1))):
            continue
        if module and '.so' in os.path.basename(module.group(1)):
            return False  # a shared library made the access
        return True  # compiled into ORVA's program (its own code or headers it inlines)
    return False

own, foreign = [], 0
for path in sorted(glob.glob(os.path.join(logs, '[atu]*san.*'))):
    text = open(path, errors='replace').read()
    for report in re.split(r'\n(?==+\n|WARNING: ThreadSanitizer|ERROR: |.*runtime error:)', text):
        summary = re.search(r'SUMMARY: (\w+Sanitizer): (.*)', report)
        if not summary:
            continue
        sections = re.split(r'\n(?=  \S)', report)
        accesses = [s for s in sections
                    if re.match(r'  (Previous )?(atomic )?(read|write)\b', s.strip('\n'), re.I)]
        if summary.group(1) == 'ThreadSanitizer' and len(accesses) >= 2:
            mine = any(innermost_is_own(s) for s in accesses)
        else:
            mine = any(own_path(m.group(1)) for m in frame_re.finditer(report)) or \
                any(own_path(f) for f in re.findall(r'^(\S+):\d+:\d+: runtime error', report, re.M))
        if mine:
            own.append((summary.group(1), summary.group(2).strip(), os.path.basename(path)))
        else:
            foreign += 1
for kind, what, log in own:
    print(f'  {kind}: {what}  [{log}]')
print(f'sanitizer reports in ORVA code: {len(own)} (reports made inside libraries: {foreign})')
sys.exit(1 if own else 0)
PY
