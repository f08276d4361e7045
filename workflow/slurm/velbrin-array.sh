#!/usr/bin/env bash
# velbrin batch as a SLURM job array: task K of N aligns every N-th family of the
# manifest into the shared output folder; a last job merges the tasks' status tables.
#
#   job=$(sbatch --parsable --array=1-8 workflow/slurm/velbrin-array.sh families.tsv aligned)
#   sbatch --dependency=afterok:$job --wrap 'velbrin batch --merge-status aligned'
#SBATCH --job-name=velbrin
#SBATCH --cpus-per-task=4
#SBATCH --mem=4G
#SBATCH --time=02:00:00
set -euo pipefail

manifest=${1:?usage: velbrin-array.sh MANIFEST OUT_DIR}
out=${2:?usage: velbrin-array.sh MANIFEST OUT_DIR}

# Exit 1 means some family failed: its report is in $out/<family>.err and the merged
# status table lists it, so the task itself succeeded.
status=0
velbrin batch "$manifest" --out-dir "$out" --threads "${SLURM_CPUS_PER_TASK:-1}" \
    --shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT" || status=$?
[[ $status == 0 || $status == 1 ]] || exit "$status"
