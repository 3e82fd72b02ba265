# shellcheck shell=bash
# Deterministic corpus generators for bench/extract. Sourced, not run.
# Everything is derived from fixed seeds, so the same archives come out on
# every machine (modulo the compressor versions).

# The password of the encrypted corpus.
CORPUS_PASSWORD='bench pässword'

# rand_bytes SEED COUNT: COUNT pseudo-random bytes on stdout (seeded, fast).
rand_bytes() {
  python3 -c 'import random, sys
r = random.Random(int(sys.argv[1])); n = int(sys.argv[2])
while n > 0:
    k = min(n, 1 << 20); sys.stdout.buffer.write(r.randbytes(k)); n -= k' "$1" "$2"
}

# text_tree ROOT SEED NFILES MINSIZE MAXSIZE NDIRS LOGFRAC
# Writes NFILES text files (sizes log-uniform in [MINSIZE, MAXSIZE]) into a
# tree of NDIRS folders under ROOT. A fraction LOGFRAC of them are log/CSV
# lines, the rest prose/code-like lines drawn from a skewed vocabulary.
text_tree() {
  LC_ALL=C awk -v root="$1" -v seed="$2" -v nfiles="$3" -v minsz="$4" \
      -v maxsz="$5" -v ndirs="$6" -v logfrac="$7" '
  function word() { return voc[int(nvoc * rand() ^ 3)] }
  function prose(   n, i, s) {
    r = rand()
    if (r < 0.08) return ""
    if (r < 0.30) return sprintf("    %s_%s(%s, %d);", word(), word(), word(), int(rand() * 1000))
    n = 3 + int(rand() * 12); s = word(); s = toupper(substr(s, 1, 1)) substr(s, 2)
    for (i = 1; i < n; i++) s = s " " word()
    return s (rand() < 0.2 ? "," : ".")
  }
  function logline() {
    clock += int(rand() * 2000)
    return sprintf("2024-05-%02d %02d:%02d:%02d.%03d [%s] %s: id=%d %s=%.2f %s",
      1 + int(clock / 86400000) % 28, int(clock / 3600000) % 24, int(clock / 60000) % 60,
      int(clock / 1000) % 60, clock % 1000, lvl[int(rand() * 4)], word(),
      int(rand() * 100000), word(), rand() * 500, word())
  }
  BEGIN {
    srand(seed)
    split("b c d f g h k l m n p r s t v w z st tr ch sh", C, " ")
    split("a e i o u ai ea ou io", V, " ")
    split("INFO DEBUG WARN ERROR", L, " "); for (i = 0; i < 4; i++) lvl[i] = L[i + 1]
    nvoc = 3000
    for (i = 0; i < nvoc; i++) {
      w = ""; n = 1 + int(rand() * 3)
      for (j = 0; j < n; j++) w = w C[1 + int(rand() * 21)] V[1 + int(rand() * 9)]
      voc[i] = w
    }
    cmd = "mkdir -p"
    for (d = 0; d < ndirs; d++) {
      p = (d < 3 || rand() < 0.15) ? root : dir[int(rand() * d)]
      dir[d] = p "/" voc[int(rand() * nvoc)] d
      cmd = cmd " " dir[d]
    }
    system(cmd)
    for (f = 0; f < nfiles; f++) {
      islog = rand() < logfrac
      path = dir[int(rand() * ndirs)] "/" word() "-" f (islog ? ".log" : ".txt")
      size = int(exp(log(minsz) + rand() * (log(maxsz) - log(minsz))))
      for (written = 0; written < size; written += length(line) + 1) {
        line = islog ? logline() : prose()
        print line > path
      }
      close(path)
    }
  }'
}

# bin_files DIR SEED COUNT MINMB MAXMB: binary-ish files, mostly compressible.
# Kinds rotate: sparse (mostly zero bytes), low-entropy (16 symbols), and a
# few incompressible ones (like media that is already compressed).
bin_files() {
  local dir=$1 seed=$2 count=$3 min=$4 max=$5 i size
  mkdir -p "$dir"
  for ((i = 0; i < count; i++)); do
    size=$(( (min + (seed * 7 + i * 13) % (max - min + 1)) * 1048576 - i * 4099 ))
    case $((i % 5)) in
      0|1) rand_bytes $((seed * 1000 + i)) "$size" | tr '\100-\377' '\000' > "$dir/blob$i.bin" ;;
      2|3) rand_bytes $((seed * 1000 + i)) "$size" | tr '\000-\377' '\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017\000-\017' > "$dir/data$i.dat" ;;
      4)   rand_bytes $((seed * 1000 + i)) "$size" > "$dir/media$i.jpg" ;;
    esac
  done
}

# mixed_tree ROOT SEED SCALE: about SCALE x 100 MB of mixed files.
mixed_tree() {
  local root=$1 seed=$2 s=$3
  text_tree "$root" "$seed" $((700 * s)) 200 400000 $((30 * s)) 0.1
  text_tree "$root/logs" $((seed + 1)) $((5 * s)) 3000000 5000000 1 1
  text_tree "$root/docs" $((seed + 2)) $((2 * s)) 4000000 6000000 1 0
  bin_files "$root/assets" "$seed" $((14 * s)) 1 4
}

# many_small ROOT SEED: 20,000 files of a few hundred bytes to a few KB.
many_small() {
  text_tree "$1" "$2" 20000 300 4000 300 0.2
}

# set_stamps ROOT: fixed times and modes, so archives are reproducible.
set_stamps() {
  find "$1" -exec touch -h -d @1700000000 {} +
  chmod -R u=rwX,go=rX "$1"
}

# build_corpus TYPE ARCHIVE SCRATCHPARENT: generate the files, pack, clean up.
# zip-large holds about ZIP_LARGE_MB megabytes (default 2000) of mixed files.
build_corpus() {
  local src; src=$(mktemp -d -p "$3" src.XXXXXX)
  case $1 in
    tar.gz) mixed_tree "$src/mixed" 11 2; set_stamps "$src/mixed"
            (cd "$src" && LC_ALL=C tar --sort=name --owner=0 --group=0 --numeric-owner -cf - mixed | gzip -n) >"$2.part" ;;
    tar.xz|tar.bz2) mixed_tree "$src/mixed" 11 2; set_stamps "$src/mixed"
            local pack=(xz -T2 -6); [[ $1 == tar.bz2 ]] && pack=(bzip2 -9)
            (cd "$src" && LC_ALL=C tar --sort=name --owner=0 --group=0 --numeric-owner -cf - mixed | "${pack[@]}") >"$2.part" ;;
    zip-mixed) mixed_tree "$src/mixed" 11 2; set_stamps "$src/mixed"
            (cd "$src" && find mixed | LC_ALL=C sort | zip -q -X -6 -@ "$2.part") ;;
    zip)    many_small "$src" 21; set_stamps "$src"
            (cd "$src" && find . -mindepth 1 | LC_ALL=C sort | zip -q -X -@ "$2.part") ;;
    zip-large) mixed_tree "$src/mixed" 41 $(( (${ZIP_LARGE_MB:-2000} + 99) / 100 )); set_stamps "$src/mixed"
            (cd "$src" && find mixed | LC_ALL=C sort | zip -q -X -@ "$2.part") ;;
    7z-large) mixed_tree "$src/mixed" 51 2; set_stamps "$src/mixed"
            (cd "$src" && 7zz a -bd -bso0 -bsp0 "$2.part.7z" mixed) && mv "$2.part.7z" "$2.part" ;;
    7z)     mixed_tree "$src/mixed" 31 1; set_stamps "$src/mixed"
            (cd "$src" && 7zz a -bd -bso0 -bsp0 "$2.part.7z" mixed) && mv "$2.part.7z" "$2.part" ;;
    7z-aes) mixed_tree "$src/mixed" 31 1; set_stamps "$src/mixed"
            (cd "$src" && 7zz a -bd -bso0 -bsp0 -p"$CORPUS_PASSWORD" -mhe=on "$2.part.7z" mixed) && mv "$2.part.7z" "$2.part" ;;
  esac
  rm -rf "$src"; mv "$2.part" "$2"
}
