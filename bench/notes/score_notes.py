#!/usr/bin/python3
"""Note accuracy of hummwell-cli and of aubionotes on the corpus of make_note_corpus.

usage: score_notes.py CORPUSDIR --cli PATH_TO_hummwell-cli [--systems live,lookahead,aubio]
                      [--json OUT.json] [--jobs 2] [--filter REGEX] [--keep DIR]
                      [--baseline OLD.json]

--filter keeps the files whose name, family (the index's group, e.g. "sung words") or source
(e.g. "festival-kal", "gm43") matches, so "--filter 'festival|words'" scores the families of
sung words alone.

Systems:
  live       hummwell-cli transcribe IN -o OUT.mid --quantize note --notes live
  lookahead  the same with --notes lookahead
  aubio      aubionotes -i IN, with its defaults
Every system runs on a file one after the other, so their wall times are comparable;
--jobs runs that many files at once.

Scores (mir_eval.transcription, averaged over files): COnP F (onset within 50 ms and pitch
within 50 cents), COnPOff F (and offset within 20% of the note or 50 ms), COn F (onset
only). Also the notes shorter than 60 ms each system writes, and the mean onset deviation
(estimated minus reference) of its COnP matches: positive means late. Since those matches
stop at 50 ms, the deviation is also given over matches within 150 ms. Every family and every
condition gets its own row, per system, with these and the frame-level pitch accuracy and
octave errors; a grid gives COnP F per family and condition.

Runs on Debian's python3 with python3-mir-eval, python3-mido and python3-numpy.
"""

import argparse
import concurrent.futures
import csv
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import warnings

import mido
import numpy as np
import mir_eval

ONSET_TOLERANCE = 0.05
PITCH_TOLERANCE = 50.0
OFFSET_RATIO = 0.2
OFFSET_MIN_TOLERANCE = 0.05
SHORT_NOTE = 0.060
FRAME_HOP = 0.010  # the grid of the frame-level pitch scores, in seconds
# The COnP matches end at ±50 ms, so their mean deviation cannot show a system that is later
# than that; a second match within ±150 ms (pitch still within 50 cents) can.
WIDE_ONSET_TOLERANCE = 0.15
# mir_eval rejects intervals of no length; a note that ends where it starts still counts.
MIN_DURATION = 0.001

ALL_SYSTEMS = ("live", "lookahead", "aubio")
CONDITION_ROWS = [("clean", "clean"), ("white20", "white 20 dB"), ("white10", "white 10 dB"),
                  ("pink20", "pink 20 dB"), ("pink10", "pink 10 dB"), ("reverb", "reverb")]
METRICS = [("conp", "COnP"), ("conpoff", "COnPOff"), ("con", "COn")]


class Unavailable(Exception):
    """The system cannot run here: the CLI rejects its option, or the tool is missing."""


# ---- Reading notes ----------------------------------------------------------------------

def read_reference(path):
    notes = []
    with open(path, newline="") as f:
        for row in csv.reader(f):
            if not row or row[0].startswith("#"):
                continue
            notes.append((float(row[0]), float(row[1]), float(row[2])))
    return notes


def read_midi(path):
    """Notes (onset s, offset s, midi) of every channel; mido's iteration gives seconds
    under the file's tempo map. A note still held at the end closes there."""
    notes = []
    held = {}
    now = 0.0
    for msg in mido.MidiFile(path):
        now += msg.time
        if msg.type == "note_on" and msg.velocity > 0:
            held.setdefault((msg.channel, msg.note), []).append(now)
        elif msg.type in ("note_off", "note_on"):
            starts = held.get((msg.channel, msg.note))
            if starts:
                notes.append((starts.pop(0), now, float(msg.note)))
    for (channel, note), starts in held.items():
        notes.extend((start, now, float(note)) for start in starts)
    notes.sort()
    return notes


def parse_aubionotes(text):
    """Lines of 'midi onset offset'; a line with the onset alone (aubionotes prints one when a
    note starts that it has not yet ended) carries no note."""
    notes = []
    for line in text.splitlines():
        fields = line.split()
        if len(fields) != 3:
            continue
        try:
            midi, onset, offset = (float(x) for x in fields)
        except ValueError:
            continue
        notes.append((onset, offset, midi))
    return notes


# ---- Running the systems ----------------------------------------------------------------

def run_cli(cli, mode, audio, out_mid):
    command = [cli, "transcribe", audio, "-o", out_mid, "--quantize", "note", "-q"]
    if mode is not None:
        command += ["--notes", mode]
    started = time.perf_counter()
    result = subprocess.run(command, capture_output=True, text=True)
    elapsed = time.perf_counter() - started
    if result.returncode == 2:  # the CLI's usage error: it does not know the option
        raise Unavailable(result.stderr.strip() or "usage error")
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} exited {result.returncode}: {result.stderr.strip()}")
    return read_midi(out_mid), elapsed


def run_aubio(audio):
    started = time.perf_counter()
    result = subprocess.run(["aubionotes", "-i", audio], capture_output=True, text=True)
    elapsed = time.perf_counter() - started
    if result.returncode != 0:
        raise RuntimeError(f"aubionotes -i {audio} exited {result.returncode}: {result.stderr.strip()}")
    return parse_aubionotes(result.stdout), elapsed, result.stdout


class Runner:
    def __init__(self, cli, keep):
        self.cli = cli
        self.keep = keep
        # What --notes value to pass for each CLI system; None runs the CLI's default path.
        self.cli_mode = {"live": "live", "lookahead": "lookahead"}
        self.note = {}

    def probe(self, systems, audio, scratch):
        """Which systems run here, tried once on one file before the corpus starts."""
        available = {}
        for system in systems:
            try:
                if system == "aubio":
                    if shutil.which("aubionotes") is None:
                        raise Unavailable("aubionotes not found (Debian package aubio-tools)")
                    run_aubio(audio)
                else:
                    out = os.path.join(scratch, f"probe-{system}.mid")
                    try:
                        run_cli(self.cli, self.cli_mode[system], audio, out)
                    except Unavailable as e:
                        # A CLI from before --notes has only today's path: that is "live".
                        if system == "live" and "unknown option --notes" in str(e):
                            self.cli_mode["live"] = None
                            self.note["live"] = "this hummwell-cli has no --notes option: live ran its default path"
                            run_cli(self.cli, None, audio, out)
                        else:
                            raise
                available[system] = None
            except Unavailable as e:
                available[system] = str(e)
        return available

    def run(self, system, name, audio, scratch):
        """The notes a system finds in `audio`, and the seconds its process took."""
        if system == "aubio":
            notes, elapsed, text = run_aubio(audio)
            if self.keep:
                with open(os.path.join(self.keep, f"{name}.aubio.txt"), "w") as f:
                    f.write(text)
            return notes, elapsed
        out_dir = self.keep or scratch
        return run_cli(self.cli, self.cli_mode[system], audio, os.path.join(out_dir, f"{name}.{system}.mid"))


# ---- Scoring ----------------------------------------------------------------------------

def as_arrays(notes):
    if not notes:
        return np.zeros((0, 2)), np.zeros(0)
    intervals = np.array([[on, max(off, on + MIN_DURATION)] for on, off, _ in notes], dtype=float)
    hz = np.array([440.0 * 2.0 ** ((m - 69.0) / 12.0) for _, _, m in notes], dtype=float)
    return intervals, hz


def frame_pitches(notes, times):
    """The MIDI note sounding at each time (0 where none), on a grid."""
    out = np.zeros(len(times))
    for on, off, midi in notes:
        out[(times >= on) & (times < off)] = midi
    return out


def frame_counts(reference, estimate):
    """Frame-level pitch on a 10 ms grid: frames the reference voices, those the estimate gives
    the right note (within half a semitone), frames both voice, and of those the ones an octave
    or more off by whole octaves."""
    end = max([off for _, off, _ in reference + estimate] + [0.0])
    times = np.arange(0.0, end, FRAME_HOP)
    ref = frame_pitches(reference, times)
    est = frame_pitches(estimate, times)
    both = (ref > 0) & (est > 0)
    diff = est[both] - ref[both]
    octaves = np.round(diff / 12.0)
    octave = (octaves != 0) & (np.abs(diff - 12.0 * octaves) < 0.5)
    return {"ref_voiced": int((ref > 0).sum()), "correct": int((np.abs(diff) < 0.5).sum()),
            "both_voiced": int(both.sum()), "octave_errors": int(octave.sum())}


def score(reference, estimate):
    ref_i, ref_p = as_arrays(reference)
    est_i, est_p = as_arrays(estimate)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # mir_eval warns on an empty estimate and scores it 0
        _, _, conp, _ = mir_eval.transcription.precision_recall_f1_overlap(
            ref_i, ref_p, est_i, est_p, onset_tolerance=ONSET_TOLERANCE,
            pitch_tolerance=PITCH_TOLERANCE, offset_ratio=None)
        _, _, conpoff, _ = mir_eval.transcription.precision_recall_f1_overlap(
            ref_i, ref_p, est_i, est_p, onset_tolerance=ONSET_TOLERANCE,
            pitch_tolerance=PITCH_TOLERANCE, offset_ratio=OFFSET_RATIO,
            offset_min_tolerance=OFFSET_MIN_TOLERANCE)
        _, _, con = mir_eval.transcription.onset_precision_recall_f1(
            ref_i, est_i, onset_tolerance=ONSET_TOLERANCE)
        matches = mir_eval.transcription.match_notes(
            ref_i, ref_p, est_i, est_p, onset_tolerance=ONSET_TOLERANCE,
            pitch_tolerance=PITCH_TOLERANCE, offset_ratio=None) if len(estimate) else []
        wide = mir_eval.transcription.match_notes(
            ref_i, ref_p, est_i, est_p, onset_tolerance=WIDE_ONSET_TOLERANCE,
            pitch_tolerance=PITCH_TOLERANCE, offset_ratio=None) if len(estimate) else []
    deviations = [1000.0 * (estimate[e][0] - reference[r][0]) for r, e in matches]
    wide_deviations = [1000.0 * (estimate[e][0] - reference[r][0]) for r, e in wide]
    return {
        "conp": conp, "conpoff": conpoff, "con": con,
        "ref_notes": len(reference), "est_notes": len(estimate),
        "short_notes": sum(1 for on, off, _ in estimate if off - on < SHORT_NOTE),
        "onset_deviations_ms": [round(d, 2) for d in deviations],
        "wide_onset_deviations_ms": [round(d, 2) for d in wide_deviations],
        "frames": frame_counts(reference, estimate),
    }


def process(entry, corpus, systems, runner):
    name = entry["name"]
    audio = os.path.join(corpus, name + ".wav")
    reference = read_reference(os.path.join(corpus, name + ".ref.csv"))
    result = {key: entry[key] for key in ("source", "condition", "group", "rate", "channels", "seconds")}
    result["scores"] = {}
    with tempfile.TemporaryDirectory(prefix="hummwell-notes-") as scratch:
        for system in systems:
            estimate, elapsed = runner.run(system, name, audio, scratch)
            s = score(reference, estimate)
            s["seconds"] = round(elapsed, 4)
            result["scores"][system] = s
    return name, result


# ---- Reporting --------------------------------------------------------------------------

def mean(values):
    values = list(values)
    return sum(values) / len(values) if values else float("nan")


def fmt(x, digits=3, unit=""):
    return "–" if x is None or (isinstance(x, float) and math.isnan(x)) else f"{x:.{digits}f}{unit}"


def families(files):
    """The families (the index's groups) in the order the corpus lists them."""
    return list(dict.fromkeys(f["group"] for f in files.values()))


def table(files, systems):
    rows = [(label, lambda f, c=cond: f["condition"] == c) for cond, label in CONDITION_ROWS]
    rows += [(group, lambda f, g=group: f["group"] == g) for group in families(files)]
    rows += [("22,050 Hz", lambda f: int(f["rate"]) == 22050), ("48,000 Hz", lambda f: int(f["rate"]) == 48000),
             ("stereo", lambda f: int(f["channels"]) == 2)]
    rows.append(("**all**", lambda f: True))
    header = ["rows (files)"] + [f"{s} {label}" for s in systems for _, label in METRICS]
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for label, keep in rows:
        chosen = [f for f in files.values() if keep(f)]
        if not chosen:
            continue
        cells = [f"{label} ({len(chosen)})"]
        for s in systems:
            for key, _ in METRICS:
                cells.append(fmt(mean(f["scores"][s][key] for f in chosen)))
        lines.append("| " + " | ".join(cells) + " |")
    return "\n".join(lines)


def summary(files, systems):
    return {s: stats(list(files.values()), s) for s in systems}


def stats(chosen, s):
    """One system's figures over some files."""
    audio = sum(float(f["seconds"]) for f in chosen)
    per_file = [f["scores"][s] for f in chosen]
    deviations = [d for p in per_file for d in p["onset_deviations_ms"]]
    wide = [d for p in per_file for d in p["wide_onset_deviations_ms"]]
    wall = sum(p["seconds"] for p in per_file)
    return {
        "files": len(chosen),
        "conp": mean(p["conp"] for p in per_file),
        "conpoff": mean(p["conpoff"] for p in per_file),
        "con": mean(p["con"] for p in per_file),
        "ref_notes": sum(p["ref_notes"] for p in per_file),
        "est_notes": sum(p["est_notes"] for p in per_file),
        "short_notes": sum(p["short_notes"] for p in per_file),
        "matched": len(deviations),
        "onset_bias_ms": mean(deviations),
        "onset_median_ms": float(np.median(deviations)) if deviations else float("nan"),
        "onset_mad_ms": mean(abs(d - mean(deviations)) for d in deviations) if deviations else float("nan"),
        "wide_matched": len(wide),
        "wide_onset_bias_ms": mean(wide),
        "wide_onset_median_ms": float(np.median(wide)) if wide else float("nan"),
        "pitch_accuracy": sum(p["frames"]["correct"] for p in per_file) /
                          max(1, sum(p["frames"]["ref_voiced"] for p in per_file)),
        "octave_error_share": sum(p["frames"]["octave_errors"] for p in per_file) /
                              max(1, sum(p["frames"]["both_voiced"] for p in per_file)),
        "wall_seconds": wall,
        "realtime_factor": audio / wall if wall > 0 else float("nan"),
    }


def breakdown(files, systems):
    """Each system's figures per family, per condition, and COnP F per family and condition."""
    conditions = [c for c, _ in CONDITION_ROWS if any(f["condition"] == c for f in files.values())]
    out = {"by_family": {}, "by_condition": {}, "grid": {}}
    for s in systems:
        out["by_family"][s] = {g: stats([f for f in files.values() if f["group"] == g], s) for g in families(files)}
        out["by_condition"][s] = {c: stats([f for f in files.values() if f["condition"] == c], s)
                                  for c in conditions}
        out["grid"][s] = {g: {c: mean(f["scores"][s]["conp"] for f in files.values()
                                      if f["group"] == g and f["condition"] == c)
                              for c in conditions} for g in families(files)}
    return out


def system_table(s, parts, overall):
    """A system's rows: every family, then every condition, then all files."""
    header = ["files", "COnP", "COnPOff", "COn", "frame pitch accuracy", "octave errors", "onset bias (mean)",
              "onset median", "notes found / sung"]
    lines = [f"{s}:", "", "| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    labels = dict(CONDITION_ROWS)
    rows = [(g, x) for g, x in parts["by_family"][s].items()]
    rows += [(labels.get(c, c), x) for c, x in parts["by_condition"][s].items()]
    rows.append(("**all**", overall))
    for label, x in rows:
        lines.append("| " + " | ".join([
            f"{label} ({x['files']})", fmt(x["conp"]), fmt(x["conpoff"]), fmt(x["con"]), fmt(x["pitch_accuracy"]),
            fmt(100.0 * x["octave_error_share"], 2, " %"), fmt(x["onset_bias_ms"], 1, " ms"),
            fmt(x["onset_median_ms"], 1, " ms"), f"{x['est_notes']} / {x['ref_notes']}",
        ]) + " |")
    return "\n".join(lines)


def grid_table(s, parts):
    """COnP F of one system per family (rows) and condition (columns)."""
    grid = parts["grid"][s]
    conditions = list(next(iter(grid.values())).keys()) if grid else []
    labels = dict(CONDITION_ROWS)
    header = [f"{s} COnP"] + [labels.get(c, c) for c in conditions]
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for g, row in grid.items():
        lines.append("| " + " | ".join([g] + [fmt(row[c]) for c in conditions]) + " |")
    return "\n".join(lines)


def details(overall, systems):
    header = ["system", "ref notes", "est notes", "short (<60 ms)", "COnP matches", "onset bias (mean)",
              "onset median", "onset mean abs. deviation", "±150 ms matches", "their bias (mean / median)",
              "frame pitch accuracy", "octave errors (of frames both voice)", "wall time", "× real time"]
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for s in systems:
        x = overall[s]
        short_share = 100.0 * x["short_notes"] / x["est_notes"] if x["est_notes"] else 0.0
        lines.append("| " + " | ".join([
            s, str(x["ref_notes"]), str(x["est_notes"]), f"{x['short_notes']} ({short_share:.1f}%)",
            str(x["matched"]), fmt(x["onset_bias_ms"], 1, " ms"), fmt(x["onset_median_ms"], 1, " ms"),
            fmt(x["onset_mad_ms"], 1, " ms"), str(x["wide_matched"]),
            f"{fmt(x['wide_onset_bias_ms'], 1)} / {fmt(x['wide_onset_median_ms'], 1, ' ms')}",
            fmt(x["pitch_accuracy"]), fmt(100.0 * x["octave_error_share"], 2, " %"),
            f"{x['wall_seconds']:.1f} s", f"{fmt(x['realtime_factor'], 0)}",
        ]) + " |")
    return "\n".join(lines)


def compare(files, systems, baseline_path):
    """COnP F of each system against an earlier run, over the files both runs scored."""
    with open(baseline_path) as f:
        old = json.load(f)["files"]
    lines = [f"Against {baseline_path} (COnP F over the files both runs scored):"]
    for s in systems:
        pairs = [(old[n]["scores"][s]["conp"], f["scores"][s]["conp"])
                 for n, f in files.items() if n in old and s in old[n].get("scores", {})]
        if not pairs:
            lines.append(f"  {s}: not in the baseline")
            continue
        before, after = mean(p[0] for p in pairs), mean(p[1] for p in pairs)
        moved = sorted(((f["scores"][s]["conp"] - old[n]["scores"][s]["conp"], n)
                        for n, f in files.items() if n in old and s in old[n].get("scores", {})))
        worst = ", ".join(f"{n} {d:+.2f}" for d, n in moved[:3] if d < 0) or "none"
        lines.append(f"  {s}: {before:.3f} -> {after:.3f} ({after - before:+.3f}) over {len(pairs)} files;"
                     f" most worse: {worst}")
        for g in families(files):
            shared = [(old[n]["scores"][s]["conp"], f["scores"][s]["conp"]) for n, f in files.items()
                      if f["group"] == g and n in old and s in old[n].get("scores", {})]
            if shared:
                b, a = mean(p[0] for p in shared), mean(p[1] for p in shared)
                lines.append(f"    {g}: {b:.3f} -> {a:.3f} ({a - b:+.3f}) over {len(shared)} files")
    return "\n".join(lines)


# ---- Main -------------------------------------------------------------------------------

def no_nan(value):
    """NaN (a mean of nothing) as null, so the file is strict JSON."""
    if isinstance(value, float) and math.isnan(value):
        return None
    if isinstance(value, dict):
        return {k: no_nan(v) for k, v in value.items()}
    if isinstance(value, list):
        return [no_nan(v) for v in value]
    return value


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("corpus", help="the folder make_note_corpus wrote")
    parser.add_argument("--cli", required=True, help="path to hummwell-cli")
    parser.add_argument("--systems", default=",".join(ALL_SYSTEMS),
                        help="comma-separated: live, lookahead, aubio (default all)")
    parser.add_argument("--json", help="write per-file scores and the summary here")
    parser.add_argument("--jobs", type=int, default=2, help="files scored at once (default 2)")
    parser.add_argument("--filter", help="only files whose name matches this regular expression")
    parser.add_argument("--keep", help="keep each system's output (MIDI, aubionotes text) in this folder")
    parser.add_argument("--baseline", help="an earlier --json to compare COnP F against")
    args = parser.parse_args()

    systems = [s.strip() for s in args.systems.split(",") if s.strip()]
    unknown = [s for s in systems if s not in ALL_SYSTEMS]
    if unknown:
        parser.error(f"unknown system {', '.join(unknown)} (choose from {', '.join(ALL_SYSTEMS)})")
    if any(s != "aubio" for s in systems) and not os.access(args.cli, os.X_OK):
        parser.error(f"{args.cli} is not an executable hummwell-cli")
    index_path = os.path.join(args.corpus, "corpus.csv")
    try:
        with open(index_path, newline="") as f:
            entries = list(csv.DictReader(f))
    except OSError as e:
        sys.exit(f"score_notes.py: cannot read {index_path}: {e.strerror} (run make_note_corpus first)")
    if args.filter:
        pattern = re.compile(args.filter)
        entries = [e for e in entries if pattern.search(e["name"]) or pattern.search(e.get("group", ""))
                   or pattern.search(e.get("source", ""))]
    if not entries:
        sys.exit("score_notes.py: no files to score")
    if args.keep:
        os.makedirs(args.keep, exist_ok=True)

    runner = Runner(args.cli, args.keep)
    with tempfile.TemporaryDirectory(prefix="hummwell-notes-") as scratch:
        available = runner.probe(systems, os.path.join(args.corpus, entries[0]["name"] + ".wav"), scratch)
    for s, reason in available.items():
        if reason:
            print(f"{s}: unavailable ({reason})", file=sys.stderr)
    for s, note in runner.note.items():
        print(f"{s}: {note}", file=sys.stderr)
    running = [s for s in systems if available[s] is None]
    if not running:
        sys.exit("score_notes.py: no system can run")

    files = {}
    started = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        futures = [pool.submit(process, e, args.corpus, running, runner) for e in entries]
        for done, future in enumerate(concurrent.futures.as_completed(futures), 1):
            name, result = future.result()
            files[name] = result
            print(f"\r{done}/{len(entries)} files", end="", file=sys.stderr, flush=True)
    print(file=sys.stderr)
    elapsed = time.perf_counter() - started
    files = {e["name"]: files[e["name"]] for e in entries}  # in the index's order, families as listed

    overall = summary(files, running)
    parts = breakdown(files, running)
    audio = sum(float(f["seconds"]) for f in files.values())
    print(f"Note accuracy: {len(files)} files ({audio / 60.0:.1f} min of audio) from {args.corpus}; "
          f"F-measures averaged over files; onset ±{ONSET_TOLERANCE * 1000:.0f} ms, pitch ±{PITCH_TOLERANCE:.0f} "
          f"cents, offset {OFFSET_RATIO:.0%} or ±{OFFSET_MIN_TOLERANCE * 1000:.0f} ms.")
    for s in systems:
        if available[s]:
            print(f"- {s}: unavailable ({available[s]})")
        elif s in runner.note:
            print(f"- {s}: {runner.note[s]}")
    print()
    print(table(files, running))
    print()
    print(details(overall, running))
    for s in running:
        print()
        print(system_table(s, parts, overall[s]))
        print()
        print(grid_table(s, parts))
    print()
    print(f"Scored in {elapsed:.1f} s with {args.jobs} job(s).")
    if args.baseline:
        print()
        print(compare(files, running, args.baseline))

    if args.json:
        with open(args.json, "w") as f:
            json.dump({
                "corpus": os.path.abspath(args.corpus),
                "cli": os.path.abspath(args.cli),
                "systems": {s: {"available": available[s] is None, "reason": available[s],
                                "note": runner.note.get(s)} for s in systems},
                "tolerances": {"onset": ONSET_TOLERANCE, "pitch_cents": PITCH_TOLERANCE,
                               "offset_ratio": OFFSET_RATIO, "offset_min": OFFSET_MIN_TOLERANCE,
                               "short_note": SHORT_NOTE},
                "summary": no_nan(overall),
                "by_family": no_nan(parts["by_family"]),
                "by_condition": no_nan(parts["by_condition"]),
                "grid": no_nan(parts["grid"]),
                "files": files,
            }, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
