#!/bin/sh
# One keyword list over several machines with GNU parallel: one shard per job slot,
# each shard's save folder brought back, then one merge into what a single run over the
# whole list would have written.
#
#   deploy/parallel/harvest.sh KEYWORDS OUT SHARDS SSHLOGIN...
#
#   KEYWORDS  the whole keyword list (sent to every host)
#   OUT       the merged result folder
#   SHARDS    how many shards to cut the list into
#   SSHLOGIN  GNU parallel's --sshlogin: "1/host" (one shard at a time there), "2/host",
#             "user@host" (as many at a time as it has cores), ":" for this machine
#
# Extra linkharvest-cli options go in LH_OPTIONS (e.g. "--engine bing --pages 5 --merge");
# LH_CLI names the program (default: linkharvest-cli on each host's PATH); LH_WORK the
# local folder the shards come back to (default: ./linkharvest-shards), where GNU
# parallel's job log is kept. Run it again after a failure: shards that finished are not
# run again, the others go on with --resume where they stopped.
set -eu
if [ $# -lt 4 ]; then
    echo "usage: $0 KEYWORDS OUT SHARDS SSHLOGIN..." >&2
    exit 2
fi
keywords=$1
out=$2
shards=$3
shift 3
cli=${LH_CLI:-linkharvest-cli}
work=${LH_WORK:-linkharvest-shards}
logins=""
for login in "$@"; do logins="$logins --sshlogin $login"; done

case $out in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$work"
cp "$keywords" "$work/keywords.txt"
cd "$work"
# shellcheck disable=SC2086  # the logins and options are lists of words
seq 0 $((shards - 1)) | parallel --will-cite --jobs 100% $logins \
    --joblog joblog --resume-failed \
    --basefile keywords.txt --return 'shard-{}' --retries 3 --halt never \
    "$cli --keywords keywords.txt --save-folder shard-{} --shard {}/$shards --resume --quiet ${LH_OPTIONS:-}"
shard_folders=$(seq 0 $((shards - 1)) | sed 's/^/shard-/')
# shellcheck disable=SC2086
exec "$cli" merge "$out" $shard_folders
