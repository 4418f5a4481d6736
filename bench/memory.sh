# Sourced by the bench scripts.
# memory_per_copy [-p DECIMALS] PID...: "USS PSS" in MB per copy, from smaps_rollup.
memory_per_copy() {
  local decimals=2
  if [[ $1 == -p ]]; then decimals=$2; shift 2; fi
  local uss=0 pss=0 n=0 pid u p
  for pid in "$@"; do
    read -r u p < <(awk '/^Private_(Clean|Dirty):/ {u += $2} /^Pss:/ {p += $2} END {print u, p}' /proc/"$pid"/smaps_rollup)
    uss=$((uss + u)); pss=$((pss + p)); n=$((n + 1))
  done
  awk -v u="$uss" -v p="$pss" -v n="$n" -v d="$decimals" 'BEGIN { printf "%.*f %.*f\n", d, u / n / 1024, d, p / n / 1024 }'
}
