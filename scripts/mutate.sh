#!/usr/bin/env bash
# Plants known faults one at a time in a scratch copy of the tree, builds only the test program
# that should catch each, runs it, and prints "caught" or "missed" per fault. Every test program
# first runs on the untouched copy (it must pass there), and then once per processor set in
# MUTATE_CPUS (default "0 0,1": one processor, then two). Exit status 1 when a fault is missed.
#
# usage: scripts/mutate.sh [fault-name...]     (all faults when none is named)
# MUTATE_DIR  the scratch folder (default /tmp/lifto-mutate; kept, so later runs build little)
# MUTATE_USER run the test programs as this user (root only; "nobody", say), to see every fault
#             caught where no test may act as root; the scratch copy is then made readable to it
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
scratch=${MUTATE_DIR:-/tmp/lifto-mutate}
cpus=${MUTATE_CPUS:-"0 0,1"}
tree=$scratch/tree
build=$scratch/build

# name @ file @ perl substitution planting the fault @ test program @ gtest filter
faults=(
  "serial-coder-short-read@src/archive/SerialChunkCoder.cpp@s/if \(got != static_cast<std::int64_t>\(want\)\) \{/if (got < 0) {/@test_archive@*"
  "copy-in-place@src/platform/Files.cpp@s/if \(out.Get\(\) < 0\) \{/if (out.Get() < 0 || targetStat) {/@test_platform@Files.*"
  "dbase-insert-shared-lock@src/platform/db/Table.cpp@s/HeaderLock header\(\*lock_, true\);(\s+id = backend_->Insert)/HeaderLock header(*lock_, false);\$1/@test_platform@DbLockTest.*"
  "restore-escape-unchecked@src/archive/Restore.cpp@s/if \(!safe\) \{/if (false) {/@test_archive@*"
  "install-escape-unchecked@src/update/InstallSection.cpp@s/if \(root.empty\(\) \|\| !StaysBelowRoot\(targetFolder\) \|\|/if (root.empty() ||/@test_update@InstallSection*"
  "block-length-unbounded@src/archive/FormatIo.cpp@s/if \(size > static_cast<std::int64_t>\(kChunkSize\)\) \{/if (false) {/@test_archive@*"
  "legacy-offset-unbounded@src/archive/Codecs.cpp@s/if \(offset > y \|\| count/if (count/@test_archive@Lzrw1KhExpand*:CodecCompatibility*"
  "exclusive-open-shared@src/platform/db/TableLock.cpp@s/\(exclusive \? LOCK_EX : LOCK_SH\)/(LOCK_SH)/@test_platform@DbLockTest.*"
  "log-keeps-26-lines@src/update/UpdateLog.cpp@s/if \(lines.size\(\) >= kMaxLogLines\)/if (lines.size() > kMaxLogLines)/@test_update@UpdateLog*"
)

# The test programs run as MUTATE_USER, with a home of their own: a sandbox must not lean on root's.
runner=()
if [ -n "${MUTATE_USER:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "MUTATE_USER needs root to switch users"; exit 2; }
  uid=$(id -u "$MUTATE_USER") && gid=$(id -g "$MUTATE_USER") || exit 2
  runner=(setpriv --reuid="$uid" --regid="$gid" --clear-groups env HOME="$scratch/home-$uid")
fi

export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$scratch

# The copy follows the tree: changed files are copied afresh (so that their new time makes the
# build take them), unchanged ones keep their time, files gone from the tree go.
mkdir -p "$tree"
(cd "$root" && git ls-files -co --exclude-standard | sort) >"$scratch/files"
(cd "$tree" && find . -type f -printf '%P\n' | sort) >"$scratch/copied"
comm -13 "$scratch/files" "$scratch/copied" | while read -r gone; do rm -f "$tree/$gone"; done
while read -r file; do
  [ -f "$root/$file" ] || continue
  if ! cmp -s "$root/$file" "$tree/$file"; then
    mkdir -p "$(dirname "$tree/$file")"
    cp "$root/$file" "$tree/$file"
  fi
done <"$scratch/files"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$tree" -B "$build" -G Ninja -DLIFTO_GUI=OFF -DLIFTO_BENCH=OFF >/dev/null
fi

compile() {
  flock /tmp/lifto-build.lock nice cmake --build "$build" -j2 --target "$1" >"$scratch/build.log" 2>&1 &&
    if [ ${#runner[@]} -gt 0 ]; then chmod -R go+rX "$scratch/tree" "$build"; fi
}

if [ ${#runner[@]} -gt 0 ]; then
  chmod go+rx "$scratch"
  mkdir -p "$scratch/home-$uid"
  chown "$uid:$gid" "$scratch/home-$uid"
fi

# Runs a test program on every processor set. @return 0 when it passed on all of them
passes() {
  local program=$1 filter=$2 set
  for set in $cpus; do
    (cd "$build" && LIFTO_UI=console timeout 600 taskset -c "$set" ${runner[@]+"${runner[@]}"} \
       "tests/$program" --gtest_filter="$filter" >"$scratch/run.log" 2>&1) || return 1
  done
}

selected() {
  [ $# -eq 1 ] && return 0
  local name=$1 wanted
  shift
  for wanted in "$@"; do [ "$wanted" = "$name" ] && return 0; done
  return 1
}

missed=0
declare -A checked=()
for fault in "${faults[@]}"; do
  IFS='@' read -r name file change program filter <<<"$fault"
  selected "$name" "$@" || continue
  if [ -z "${checked[$program $filter]:-}" ]; then
    compile "$program" || { echo "cannot build $program untouched, see $scratch/build.log"; exit 2; }
    passes "$program" "$filter" || { echo "$program fails untouched, see $scratch/run.log"; exit 2; }
    checked[$program $filter]=1
  fi
  perl -0pi -e "$change" "$tree/$file"
  if cmp -s "$root/$file" "$tree/$file"; then
    printf '%-28s NOT PLANTED (the code it changes is gone)\n' "$name"
    missed=1
    continue
  fi
  if ! compile "$program"; then
    verdict="caught (does not build)"
  elif passes "$program" "$filter"; then
    verdict="MISSED"
    missed=1
  else
    verdict="caught"
  fi
  printf '%-28s %-24s %s\n' "$name" "$verdict" "$program --gtest_filter=$filter"
  cp "$root/$file" "$tree/$file"
done
# Build the programs again untouched, so that no planted fault stays in the copy's build.
for program in $(printf '%s\n' "${faults[@]}" | cut -d'@' -f4 | sort -u); do compile "$program" || true; done
exit $missed
