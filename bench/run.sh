#!/usr/bin/env bash
# Measures whole merges at block scale and prints the figures; it never fails
# on time.
#
#   bench/run.sh
#
# Builds into build/ (scripts/build.sh), then for each size (10,000, 100,000
# and 1,000,000 images: 20 projects, two cameras each, 5% of a project's
# images shared with the next) generates the source projects with q7samplegen
# into a temporary folder and merges them with q7prjmerge-cli --timings,
# several times. It prints the median of the runs for every step, the wall
# time and the peak resident memory of the program and of the solver, the
# time per image of each size, and three peers run on the same data: the
# sqlcipher shell inserting the same rows into the same schema with the same
# key (one transaction per table) and bench/dbfloor.c, the same over the
# SQLCipher C API with prepared statements, against our database steps; and
# `sort -u` by name over the same position files against our position export.
# Beside them, the readiness check (q7checkbench, built from bench/) against
# the position export, each alone in a run of its own with its peak memory,
# and the time the dialog's map of all positions takes to draw.
# Then the same merge again into the same project, the common second merge:
# its wall time and database steps beside the first merge's, and, where
# valgrind is installed, at the sizes in BENCH_INSTRUCTIONS (default 100000),
# the instructions (callgrind) of the program and of its database steps in
# a first merge and in the same merge again, against the floor's.
# With 100,000 and 1,000,000 images among the sizes it prints each step's
# ratio between the two, the bytes per image at the memory peak and the
# largest merge that fits a machine of 8, 24 and 64 GiB.
#
# Environment: BENCH_SIZES (default "10000 100000 1000000"), BENCH_RUNS
# (default 3), BENCH_INSTRUCTIONS (default "100000"; empty for none), TMPDIR
# (where the data goes; 1,000,000 images take ~1 GB).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh >/dev/null
bin=$PWD/build/bin
# The database floor, built here as the benchmark's own program.
mkdir -p build/bench
cc -O2 -DSQLITE_HAS_CODEC $(pkg-config --cflags sqlcipher) bench/dbfloor.c -o build/bench/dbfloor \
  $(pkg-config --libs sqlcipher)
read -r -a sizes <<<"${BENCH_SIZES:-10000 100000 1000000}"
read -r -a counted <<<"${BENCH_INSTRUCTIONS-100000}"
command -v valgrind >/dev/null || counted=()
runs=${BENCH_RUNS:-3}
projects=20
key=tessellat3crypt

work=$(mktemp -d "${TMPDIR:-/tmp}/q7bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The median of the numbers on standard input, one a line.
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

now_ms() {
  echo $(($(date +%s%N) / 1000000))
}

# Runs a command, its output discarded, and prints its wall time in
# milliseconds.
time_ms() {
  local start end
  start=$(now_ms)
  "$@" >/dev/null
  end=$(now_ms)
  echo $((end - start))
}

# SQL that makes the tables of the photo database at $1 and inserts its rows
# again, one transaction per table in the order of our merge, every value
# spelled exactly (reals with 17 digits).
peer_sql() {
  local database=$1 table columns
  echo "PRAGMA key='$key';"
  printf "PRAGMA key='%s';\n.headers off\n.mode list\nSELECT sql || ';' FROM sqlite_master WHERE type = 'table' ORDER BY rowid;\n" \
    "$key" | sqlcipher "$database" | grep -v '^ok$' || true
  for table in imageinfos eofInfo groups; do
    columns=$(printf "PRAGMA key='%s';\n.headers off\n.mode list\nPRAGMA table_info(%s);\n" "$key" "$table" |
      sqlcipher "$database" | awk -F'|' 'NF > 2 { print $2 }')
    local values="" column
    for column in $columns; do
      values+="${values:+ || ',' || }CASE typeof($column) WHEN 'real' THEN printf('%!.17g', $column) ELSE quote($column) END"
    done
    echo "BEGIN;"
    printf "PRAGMA key='%s';\n.headers off\n.mode list\nSELECT 'INSERT INTO %s VALUES(' || %s || ');' FROM %s ORDER BY rowid;\n" \
      "$key" "$table" "$values" "$table" | sqlcipher "$database" | grep -v '^ok$' || true
    echo "COMMIT;"
  done
}

declare -A figure # "<size> <name>" -> median

# Records the median of the values in file $3 as figure "$1 $2".
keep() {
  figure["$1 $2"]=$(median <"$3")
}

# Merges the projects $3... into folder $1 with --timings, its lines in
# $work/run and its wall time and peak memory in $work/time; on failure says
# that $2 failed, with what the program said.
timed_merge() {
  local out=$1 what=$2
  shift 2
  /usr/bin/time -f '%e %M' -o "$work/time" \
    "$bin/q7prjmerge-cli" --timings --dir "$out" --name merged "$@" >"$work/run" 2>"$work/err" && return 0
  echo "$what failed:" >&2
  cat "$work/run" "$work/err" >&2
  return 1
}

# The milliseconds of the database steps in a merge's --timings lines.
database_ms() {
  awk '/^(photo database|imageinfos|eofInfo|groups):/ { s += $(NF - 1) } END { print s }'
}

# Instructions in callgrind's output file $1: all, or those of the
# functions matching $2 and what they call.
instructions() {
  if [[ -z ${2:-} ]]; then
    callgrind_annotate "$1" 2>/dev/null | awk '/PROGRAM TOTALS/ && !n++ { gsub(",", "", $1); print $1 }'
  else
    callgrind_annotate --inclusive=yes "$1" 2>/dev/null |
      awk -v f="$2" '!/=>/ && match($0, ":(" f ")\\(") {
        name = substr($0, RSTART, RLENGTH); gsub(",", "", $1)
        if ($1 + 0 > most[name]) most[name] = $1 + 0
      } END { for (name in most) s += most[name]; printf "%.0f\n", s }'
  fi
}

# The database steps, counted with everything they call: the database
# opened with its key and its tables made while the solver runs (prepare),
# or, in a merge run again, the earlier file opened with its key before
# anything is written (unusableFile; prepare then takes that connection up),
# and the rows written, the carry-over and the rename (writeDatabase). Like
# the floor's writeFloor: one key derivation, the tables, the rows.
database_functions='MergeWorkflow::writeDatabase|q7PhotoDataBase::prepare|q7PhotoDataBase::unusableFile'

# Counts the instructions of a first merge of size $1 into a new folder and
# of the same merge again (the project folder $2 is merged into anew), and
# of the floor writing the same rows, each once under callgrind.
count_instructions() {
  local size=$1 out=$2 fresh=$work/fresh$size
  shift 2
  echo "== $size images: instructions (callgrind)" >&2
  rm -rf "$fresh" && mkdir -p "$fresh"
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.first" \
    "$bin/q7prjmerge-cli" --dir "$fresh" --name merged "$@" >/dev/null 2>&1
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.again" \
    "$bin/q7prjmerge-cli" --dir "$out" --name merged "$@" >/dev/null 2>&1
  rm -f "$work/floor.temp"
  valgrind --tool=callgrind --toggle-collect=writeFloor --callgrind-out-file="$work/cg.floor" \
    build/bench/dbfloor "$out/merged/merged.temp" "$key" "$work/floor.temp" >/dev/null 2>&1
  figure["$size ir first"]=$(instructions "$work/cg.first")
  figure["$size ir first database"]=$(instructions "$work/cg.first" "$database_functions")
  figure["$size ir again"]=$(instructions "$work/cg.again")
  figure["$size ir again database"]=$(instructions "$work/cg.again" "$database_functions")
  figure["$size ir floor"]=$(instructions "$work/cg.floor")
  rm -rf "$fresh" "$work"/cg.* "$work/floor.temp"
}

bench_size() {
  local size=$1 per=$(($1 / projects))
  local src=$work/src$size out=$work/out$size
  echo "== $size images: $projects projects of $per images" >&2
  "$bin/q7samplegen" --projects "$projects" --images "$per" --cameras 2 --shared 5 "$src"
  local list=("$src"/*/*.Q7D)

  local r steps=$work/steps$size
  rm -f "$steps".*
  for ((r = 1; r <= runs; r++)); do
    rm -rf "$out"
    mkdir -p "$out"
    timed_merge "$out" "the merge of $size images" "${list[@]}" || return 1
    awk '{ print $1 * 1000 }' "$work/time" >>"$steps.wall"
    awk '/ ms$/ { name = $0; sub(/: +[0-9]+ ms$/, "", name); print name > "/dev/stderr"; print $(NF - 1) >> (FILE "." name) }' \
      FILE="$steps" "$work/run" 2>"$work/names"
    awk '/^peak memory:/ { print $(NF - 1) }' "$work/run" >>"$steps.rss"
    awk '/^solver peak memory:/ { print $(NF - 1) }' "$work/run" >>"$steps.solverrss"
    database_ms <"$work/run" >>"$steps.database"
    sed -n 's/^Merged .*, \([0-9,]*\) images\.$/\1/p' "$work/run" | tr -d , >"$work/images"
    (cd "$out/merged" && sha256sum merged.txt merged_xyz.txt merged.cmr merged.lst Adjustment/merged_ori.q7c) >"$work/sums.$r"
  done
  figure["$size images"]=$(cat "$work/images")
  figure["$size same"]=yes
  for ((r = 2; r <= runs; r++)); do
    cmp -s "$work/sums.1" "$work/sums.$r" || figure["$size same"]=no
  done
  mapfile -t step_names <"$work/names"
  figure["$size steps"]=$(printf '%s\n' "${step_names[@]}")
  local name
  for name in "${step_names[@]}" wall rss solverrss database; do
    keep "$size" "$name" "$steps.$name"
  done

  # The same merge again into the project the last run left.
  for ((r = 1; r <= runs; r++)); do
    timed_merge "$out" "the merge of $size images run again" "${list[@]}" || return 1
    awk '{ print $1 * 1000 }' "$work/time" >>"$steps.againwall"
    database_ms <"$work/run" >>"$steps.againdatabase"
  done
  keep "$size" "again wall" "$steps.againwall"
  keep "$size" "again database" "$steps.againdatabase"
  [[ " ${counted[*]} " == *" $size "* ]] && count_instructions "$size" "$out" "${list[@]}"

  # Peer (b): sort with de-duplication by name over the same position files.
  rm -f "$work/sort.ms"
  for ((r = 1; r <= runs; r++)); do
    time_ms env LC_ALL=C sort -u -k1,1 "$src"/*/*_xyz.txt -o "$work/sorted.txt" >>"$work/sort.ms"
  done
  keep "$size" sort "$work/sort.ms"

  # The readiness check beside the position export, each alone in a run of
  # its own (its peak memory its own), and the dialog's map drawn.
  local measure
  for measure in export check map; do
    rm -f "$work/$measure.ms" "$work/$measure.rss"
    for ((r = 1; r <= runs; r++)); do
      if [[ $measure == export ]]; then
        build/bench/q7checkbench export "$work/export_xyz.txt" "${list[@]}" >"$work/cb" 2>/dev/null
      else
        build/bench/q7checkbench "$measure" "${list[@]}" >"$work/cb" 2>/dev/null
      fi
      awk -v m="$measure:" '$1 == m { print $2 }' "$work/cb" >>"$work/$measure.ms"
      awk '/^peak memory:/ { print $3 }' "$work/cb" >>"$work/$measure.rss"
    done
    keep "$size" "alone $measure" "$work/$measure.ms"
    keep "$size" "alone $measure rss" "$work/$measure.rss"
  done
  rm -f "$work/export_xyz.txt"

  # Peer (a): the sqlcipher shell inserting the same rows.
  peer_sql "$out/merged/merged.temp" >"$work/peer.sql"
  rm -f "$work/peer.ms"
  for ((r = 1; r <= runs; r++)); do
    rm -f "$work/peer.temp"
    time_ms sqlcipher "$work/peer.temp" <"$work/peer.sql" >>"$work/peer.ms"
  done
  keep "$size" sqlcipher "$work/peer.ms"

  # Peer (c): the floor, a C program over the SQLCipher API, the same rows.
  rm -f "$work/floor.ms"
  for ((r = 1; r <= runs; r++)); do
    rm -f "$work/floor.temp"
    build/bench/dbfloor "$out/merged/merged.temp" "$key" "$work/floor.temp" >>"$work/floor.ms"
  done
  keep "$size" floor "$work/floor.ms"
  rm -f "$work/floor.temp"
  rm -rf "$src" "$out" "$work/peer.temp" "$work/peer.sql" "$work/sorted.txt"
}

for size in "${sizes[@]}"; do
  bench_size "$size"
done

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'
}

mib() {
  awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'
}

# Our own work at a size: the wall time less the solver's.
own() {
  awk -v w="${figure["$1 wall"]}" -v s="${figure["$1 solver"]}" 'BEGIN { print w - s }'
}

# The program's peak resident memory per merged image at a size, in bytes.
bytes_per_image() {
  awk -v k="${figure["$1 rss"]}" -v n="${figure["$1 images"]}" 'BEGIN { printf "%.0f", k * 1024 / n }'
}

both=""
[[ -n "${figure["100000 wall"]:-}" && -n "${figure["1000000 wall"]:-}" ]] && both=yes

# The largest ratio 1,000,000 / 100,000 images over the steps of a merge,
# with the step's name.
worst_step() {
  local name worst=0 which=""
  while IFS= read -r name; do
    [[ $name == total ]] && continue
    local r
    r=$(ratio "${figure["1000000 $name"]}" "${figure["100000 $name"]}")
    # Steps of a few milliseconds are timer noise.
    if ((${figure["100000 $name"]%.*} >= 10)) && awk -v a="$r" -v b="$worst" 'BEGIN { exit !(a > b) }'; then
      worst=$r
      which=$name
    fi
  done <<<"${figure["100000 steps"]}"
  echo "$worst ($which)"
}

echo
echo "Merge figures, medians of $runs runs (milliseconds unless marked)"
for size in "${sizes[@]}"; do
  echo
  echo "$size images requested, ${figure["$size images"]} after de-duplication:"
  while IFS= read -r name; do
    printf '  %-26s %8s\n' "$name" "${figure["$size $name"]}"
  done <<<"${figure["$size steps"]}"
  printf '  %-26s %8s\n' "wall time (GNU time)" "${figure["$size wall"]}"
  printf '  %-26s %8s MiB\n' "peak memory, program" "$(mib "${figure["$size rss"]}")"
  printf '  %-26s %8s MiB\n' "peak memory, solver" "$(mib "${figure["$size solverrss"]}")"
  printf '  %-26s %8s\n' "outputs equal in all runs" "${figure["$size same"]}"
done

if [[ -n $both ]]; then
  echo
  echo "1,000,000 / 100,000 images, per step (steps under 10 ms at 100,000 are timer noise)"
  while IFS= read -r name; do
    printf '  %-26s %8s\n' "$name" "$(ratio "${figure["1000000 $name"]}" "${figure["100000 $name"]}")"
  done <<<"${figure["100000 steps"]}"
  printf '  %-26s %8s\n' "wall time (GNU time)" "$(ratio "${figure["1000000 wall"]}" "${figure["100000 wall"]}")"
  for peer in sqlcipher floor sort; do
    printf '  %-26s %8s\n' "peer: $peer" "$(ratio "${figure["1000000 $peer"]}" "${figure["100000 $peer"]}")"
  done
fi

echo
echo "Memory per image (peak of the program / merged images)"
for size in "${sizes[@]}"; do
  printf '  %8s images: %8s bytes\n' "$size" "$(bytes_per_image "$size")"
done
largest=${sizes[-1]}
echo "  largest merge, at $(bytes_per_image "$largest") bytes per image and 1 GiB kept for the system:"
for gib in 8 24 64; do
  printf '    %2s GiB: %12s images\n' "$gib" \
    "$(awk -v g="$gib" -v b="$(bytes_per_image "$largest")" 'BEGIN { printf "%d", (g - 1) * 1073741824 / b }')"
done

echo
echo "Time per image (wall time / images requested)"
for size in "${sizes[@]}"; do
  printf '  %8s images: %8s us\n' "$size" "$(awk -v t="${figure["$size wall"]}" -v n="$size" 'BEGIN { printf "%.2f", t * 1000 / n }')"
done

echo
echo "Peers on the same data"
for size in "${sizes[@]}"; do
  echo "  $size images:"
  printf '    %-38s %8s ms\n' "our database steps" "${figure["$size database"]}"
  printf '    %-38s %8s ms   ratio %s\n' "sqlcipher shell, same rows" "${figure["$size sqlcipher"]}" \
    "$(ratio "${figure["$size database"]}" "${figure["$size sqlcipher"]}")"
  printf '    %-38s %8s ms   ratio %s\n' "C API floor (bench/dbfloor.c)" "${figure["$size floor"]}" \
    "$(ratio "${figure["$size database"]}" "${figure["$size floor"]}")"
  printf '    %-38s %8s ms   ratio %s\n' "our work (wall time less solver)" "$(own "$size")" \
    "$(ratio "$(own "$size")" "${figure["$size floor"]}")"
  printf '    %-38s %8s ms\n' "our position export" "${figure["$size position export"]}"
  printf '    %-38s %8s ms   ratio %s\n' "sort -u by name" "${figure["$size sort"]}" \
    "$(ratio "${figure["$size position export"]}" "${figure["$size sort"]}")"
done

giga() {
  awk -v n="$1" 'BEGIN { printf "%.2f G", n / 1e9 }'
}

echo
echo "A merge and the same merge again into the same project (medians; instructions where counted)"
for size in "${sizes[@]}"; do
  echo "  $size images:"
  printf '    %-38s %8s ms   again %8s ms   ratio %s\n' "wall time (GNU time)" "${figure["$size wall"]}" \
    "${figure["$size again wall"]}" "$(ratio "${figure["$size again wall"]}" "${figure["$size wall"]}")"
  printf '    %-38s %8s ms   again %8s ms   ratio %s\n' "database steps" "${figure["$size database"]}" \
    "${figure["$size again database"]}" "$(ratio "${figure["$size again database"]}" "${figure["$size database"]}")"
  printf '    %-38s %8s ms\n' "C API floor (bench/dbfloor.c)" "${figure["$size floor"]}"
  printf '    %-38s %8s      again %8s      (at most 1.1, wall time)\n' "database / floor" \
    "$(ratio "${figure["$size database"]}" "${figure["$size floor"]}")" \
    "$(ratio "${figure["$size again database"]}" "${figure["$size floor"]}")"
  [[ -n "${figure["$size ir first"]:-}" ]] || continue
  first_ir=${figure["$size ir first"]} again_ir=${figure["$size ir again"]}
  printf '    %-38s %10s   again %10s   ratio %s   (at most 1.05)\n' "instructions, program" "$(giga "$first_ir")" \
    "$(giga "$again_ir")" "$(ratio "$again_ir" "$first_ir")"
  printf '    %-38s %10s   again %10s   ratio %s   (at most 1.05)\n' "instructions, database steps" \
    "$(giga "${figure["$size ir first database"]}")" "$(giga "${figure["$size ir again database"]}")" \
    "$(ratio "${figure["$size ir again database"]}" "${figure["$size ir first database"]}")"
  printf '    %-38s %10s\n' "instructions, C API floor" "$(giga "${figure["$size ir floor"]}")"
  echo "    (program: the batch program's every thread from start to exit, the solver not counted;"
  echo "     database steps: opening with the key, the tables and the rows, as named in database_functions;"
  echo "     floor: bench/dbfloor.c's writeFloor alone, key derivation, tables and rows, its reading of"
  echo "     the merged database it copies not counted)"
  printf '    %-38s %10s   again %10s   (at most 1.05)\n' "database steps / floor" \
    "$(ratio "${figure["$size ir first database"]}" "${figure["$size ir floor"]}")" \
    "$(ratio "${figure["$size ir again database"]}" "${figure["$size ir floor"]}")"
  printf '    %-38s %10s   again %10s   (at most 1.25)\n' "program / floor" \
    "$(ratio "$first_ir" "${figure["$size ir floor"]}")" "$(ratio "$again_ir" "${figure["$size ir floor"]}")"
done

echo
echo "The readiness check beside the position export (each alone), and the map"
for size in "${sizes[@]}"; do
  printf '  %8s images: check %6s ms, %6s MiB   export %6s ms, %6s MiB   ratio %s, memory %s   map drawn in %s ms\n' \
    "$size" "${figure["$size alone check"]}" "$(mib "${figure["$size alone check rss"]}")" \
    "${figure["$size alone export"]}" "$(mib "${figure["$size alone export rss"]}")" \
    "$(ratio "${figure["$size alone check"]}" "${figure["$size alone export"]}")" \
    "$(ratio "${figure["$size alone check rss"]}" "${figure["$size alone export rss"]}")" "${figure["$size alone map"]}"
done

if [[ -n "${figure["100000 wall"]:-}" ]]; then
  echo
  echo "Against the budget (2 cores)"
  printf '  100,000 images end to end:     %6.2f s     (at most 2.0 s)\n' \
    "$(awk -v t="${figure["100000 wall"]}" 'BEGIN { print t / 1000 }')"
  printf '  peak memory of the program:    %6s MiB   (at most 300 MiB)\n' "$(mib "${figure["100000 rss"]}")"
  printf '  database / sqlcipher shell:    %6s       (at most 1.2)\n' \
    "$(ratio "${figure["100000 database"]}" "${figure["100000 sqlcipher"]}")"
  printf '  database / C API floor:        %6s       (at most 1.1)\n' \
    "$(ratio "${figure["100000 database"]}" "${figure["100000 floor"]}")"
  printf '  our work / floor database:     %6s       (at most 1.25; wall time less solver)\n' \
    "$(ratio "$(own 100000)" "${figure["100000 floor"]}")"
  for size in "${sizes[@]}"; do
    printf '  position export / sort, %-7s %5s       (at most 1.0)\n' \
      "$size:" "$(ratio "${figure["$size position export"]}" "${figure["$size sort"]}")"
  done
  printf '  check / position export:       %6s       (at most 1.5; memory %s, at most 1.0)\n' \
    "$(ratio "${figure["100000 alone check"]}" "${figure["100000 alone export"]}")" \
    "$(ratio "${figure["100000 alone check rss"]}" "${figure["100000 alone export rss"]}")"
  if [[ -n $both ]]; then
    printf '  1,000,000 / 100,000 images:    %6s       (at most 12)\n' \
      "$(ratio "${figure["1000000 wall"]}" "${figure["100000 wall"]}")"
    printf '  largest step ratio:            %s   (at most 11)\n' "$(worst_step)"
    printf '  peak memory at 1,000,000:      %6s MiB   (at most 700 MiB)\n' "$(mib "${figure["1000000 rss"]}")"
    printf '  map of 1,000,000 drawn in:     %6s ms    (under 100 ms)\n' "${figure["1000000 alone map"]}"
  fi
fi
