"""The runs bench_formscan printed, one dict a run, read back for the tables of run.sh and cold.sh."""


def read_runs(path):
    runs = []
    for line in open(path):
        key, _, value = line.strip().rpartition(" ")
        if key == "cpu seconds":
            runs.append({"cpu": float(value)})
        elif runs and key in ("seconds", "longest pause ms", "longest pause ended at s", "detections"):
            runs[-1][key] = float(value)
    return runs
